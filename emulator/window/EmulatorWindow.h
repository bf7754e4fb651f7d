#pragma once

#include "emulator/window/ExchangeText.h"
#include "emulator/window/ReaderLink.h"
#include "emulator/window/ReaderSnapshot.h"

#include <QMainWindow>
#include <QTime>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QSortFilterProxyModel;
class QSpinBox;
class QTableView;

namespace kov450 {

class ReaderFace;
class SectorModel;
class TraceModel;
class WalletModel;

/// The emulator's window: the reader's face, the card wallet with a sector view of the chosen
/// card, and the command trace. It only reflects snapshots of the reader and sends what the
/// user does through a ReaderLink; it never touches the reader itself.
class EmulatorWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EmulatorWindow(ReaderLink& link, QWidget* parent = nullptr);

    void setPorts(const QString& ports);
    void showSnapshot(const ReaderSnapshot& snapshot);
    void addTrace(const QTime& time, const ExchangeText& exchange);
    /// The reader's reply to the last thing asked, on the status bar.
    void showReply(const std::vector<std::string>& lines);

    WalletModel& wallet() { return *wallet_; }
    SectorModel& sector() { return *sector_; }
    TraceModel& trace() { return *trace_; }
    QSortFilterProxyModel& traceFilter() { return *traceFilter_; }
    /// The card chosen in the wallet.
    std::optional<Uid> selectedCard() const;
    void selectCard(const Uid& uid);
    /// The chosen trace rows (every row when none is chosen) as text, as Copy puts them.
    QString chosenTraceText() const;

private:
    QWidget* makeWalletPanel();
    QWidget* makeTracePanel();
    /// Asks for the action made for the chosen card, or says to choose one.
    void actOnChosen(const std::function<WalletAction(const Uid&)>& action);
    void createCard(CardKind kind);
    void setCredit();
    void importCard();
    void exportCard();
    void showSelectedCard();

    ReaderLink& link_;
    ReaderFace* face_;
    WalletModel* wallet_;
    SectorModel* sector_;
    TraceModel* trace_;
    QSortFilterProxyModel* traceFilter_;
    QTableView* walletView_ = nullptr;
    QTableView* traceView_ = nullptr;
    QSpinBox* sectorChoice_ = nullptr;
};

} // namespace kov450
