#include "emulator/window/EmulatorWindow.h"

#include "emulator/model/HexText.h"
#include "emulator/window/NewCardDialog.h"
#include "emulator/window/ReaderFace.h"
#include "emulator/window/SectorModel.h"
#include "emulator/window/TraceModel.h"
#include "emulator/window/WalletModel.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace kov450 {

namespace {

QPushButton* button(QWidget* parent, QLayout* layout, const char* name, const QString& text) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(QLatin1String(name));
    layout->addWidget(made);
    return made;
}

QTableView* tableView(QWidget* parent, const char* name) {
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->setWordWrap(false);
    return view;
}

} // namespace

EmulatorWindow::EmulatorWindow(ReaderLink& link, QWidget* parent)
    : QMainWindow(parent), link_(link), face_(new ReaderFace(this)), wallet_(new WalletModel(this)),
      sector_(new SectorModel(this)), trace_(new TraceModel(5000, this)),
      traceFilter_(new QSortFilterProxyModel(this)) {
    setObjectName(QStringLiteral("EmulatorWindow"));
    setWindowTitle(QStringLiteral("kov450-emu"));

    auto* readerBox = new QGroupBox(QStringLiteral("Reader"), this);
    auto* readerLayout = new QVBoxLayout(readerBox);
    readerLayout->addWidget(face_);
    connect(face_, &ReaderFace::cardDropped, this,
            [this](const Uid& uid) { link_.act(PresentCard{uid}); });

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(readerBox);
    top->addWidget(makeWalletPanel());
    top->setStretchFactor(1, 3);
    auto* whole = new QSplitter(Qt::Vertical, this);
    whole->addWidget(top);
    whole->addWidget(makeTracePanel());
    whole->setStretchFactor(0, 3);
    whole->setStretchFactor(1, 2);
    setCentralWidget(whole);
    statusBar()->setObjectName(QStringLiteral("reply"));
    resize(1100, 760);
}

QWidget* EmulatorWindow::makeWalletPanel() {
    auto* box = new QGroupBox(QStringLiteral("Wallet"), this);
    auto* layout = new QVBoxLayout(box);
    walletView_ = tableView(box, "wallet");
    walletView_->setModel(wallet_);
    walletView_->setSelectionMode(QAbstractItemView::SingleSelection);
    walletView_->setDragEnabled(true);
    walletView_->setDragDropMode(QAbstractItemView::DragOnly);
    walletView_->setToolTip(QStringLiteral("Drag a card onto the reader to present it"));
    layout->addWidget(walletView_, 2);

    auto* buttons = new QHBoxLayout;
    connect(button(box, buttons, "newCard1K", QStringLiteral("New 1K…")), &QPushButton::clicked,
            this, [this] { createCard(CardKind::Classic1K); });
    connect(button(box, buttons, "newCard4K", QStringLiteral("New 4K…")), &QPushButton::clicked,
            this, [this] { createCard(CardKind::Classic4K); });
    connect(button(box, buttons, "present", QStringLiteral("Present")), &QPushButton::clicked, this,
            [this] { actOnChosen([](const Uid& uid) { return PresentCard{uid}; }); });
    connect(button(box, buttons, "takeAway", QStringLiteral("Take away")), &QPushButton::clicked,
            this, [this] { actOnChosen([](const Uid& uid) { return TakeCardAway{uid}; }); });
    connect(button(box, buttons, "setCredit", QStringLiteral("Credit…")), &QPushButton::clicked,
            this, [this] { setCredit(); });
    connect(button(box, buttons, "deleteCard", QStringLiteral("Delete")), &QPushButton::clicked,
            this, [this] { actOnChosen([](const Uid& uid) { return DeleteCard{uid}; }); });
    connect(button(box, buttons, "importCard", QStringLiteral("Import…")), &QPushButton::clicked,
            this, [this] { importCard(); });
    connect(button(box, buttons, "exportCard", QStringLiteral("Export…")), &QPushButton::clicked,
            this, [this] { exportCard(); });
    layout->addLayout(buttons);

    auto* sectorRow = new QHBoxLayout;
    sectorRow->addWidget(new QLabel(QStringLiteral("Sector"), box));
    sectorChoice_ = new QSpinBox(box);
    sectorChoice_->setObjectName(QStringLiteral("sectorChoice"));
    sectorChoice_->setRange(0, 0);
    sectorRow->addWidget(sectorChoice_);
    sectorRow->addStretch();
    layout->addLayout(sectorRow);
    connect(sectorChoice_, &QSpinBox::valueChanged, this,
            [this](int value) { sector_->setSector(static_cast<std::size_t>(value)); });

    auto* sectorView = tableView(box, "sectorView");
    sectorView->setModel(sector_);
    sectorView->setSelectionMode(QAbstractItemView::ContiguousSelection);
    sectorView->setSelectionBehavior(QAbstractItemView::SelectItems);
    for (int column = 0; column < SectorModel::Meaning; ++column) {
        sectorView->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    layout->addWidget(sectorView, 3);
    connect(walletView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showSelectedCard(); });
    return box;
}

QWidget* EmulatorWindow::makeTracePanel() {
    auto* box = new QGroupBox(QStringLiteral("Command trace"), this);
    auto* layout = new QVBoxLayout(box);
    auto* tools = new QHBoxLayout;
    auto* filter = new QLineEdit(box);
    filter->setObjectName(QStringLiteral("traceFilterText"));
    filter->setPlaceholderText(QStringLiteral("Filter: command, argument or status text"));
    filter->setClearButtonEnabled(true);
    tools->addWidget(filter);
    auto* copy = button(box, tools, "copyTrace", QStringLiteral("Copy"));
    auto* clear = button(box, tools, "clearTrace", QStringLiteral("Clear"));
    layout->addLayout(tools);

    traceFilter_->setSourceModel(trace_);
    traceFilter_->setFilterKeyColumn(-1);
    traceFilter_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    traceView_ = tableView(box, "trace");
    traceView_->setModel(traceFilter_);
    traceView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Fixed widths: sizing to contents would measure thousands of rows on each frame.
    QHeaderView* header = traceView_->horizontalHeader();
    header->setStretchLastSection(false);
    header->resizeSection(TraceModel::Time, 95);
    header->resizeSection(TraceModel::Command, 130);
    header->resizeSection(TraceModel::Status, 170);
    header->resizeSection(TraceModel::Answer, 300);
    header->setSectionResizeMode(TraceModel::Arguments, QHeaderView::Stretch);
    layout->addWidget(traceView_);

    connect(filter, &QLineEdit::textChanged, traceFilter_,
            &QSortFilterProxyModel::setFilterFixedString);
    const auto copyChosen = [this] {
        QApplication::clipboard()->setText(chosenTraceText());
    };
    connect(copy, &QPushButton::clicked, this, copyChosen);
    connect(new QShortcut(QKeySequence::Copy, traceView_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, copyChosen);
    connect(clear, &QPushButton::clicked, trace_, &TraceModel::clear);
    return box;
}

void EmulatorWindow::setPorts(const QString& ports) {
    face_->setPorts(ports);
}

void EmulatorWindow::showSnapshot(const ReaderSnapshot& snapshot) {
    const std::optional<Uid> chosen = selectedCard();
    face_->show(snapshot);
    wallet_->setCards(snapshot.cards);
    // Keep the chosen card chosen; with none chosen, show the first.
    if (chosen && wallet_->rowOf(*chosen) >= 0) {
        selectCard(*chosen);
    } else if (const auto first = wallet_->uidAt(0)) {
        selectCard(*first);
    }
    showSelectedCard();
}

void EmulatorWindow::addTrace(const QTime& time, const ExchangeText& exchange) {
    trace_->add(time, exchange);
    traceView_->scrollToBottom();
}

void EmulatorWindow::showReply(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) {
        text.append(QString::fromStdString(line));
    }
    statusBar()->showMessage(text.join(QStringLiteral("; ")));
}

std::optional<Uid> EmulatorWindow::selectedCard() const {
    const QModelIndexList rows = walletView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? std::nullopt : wallet_->uidAt(rows.first().row());
}

void EmulatorWindow::selectCard(const Uid& uid) {
    const int row = wallet_->rowOf(uid);
    if (row >= 0) {
        walletView_->selectionModel()->select(wallet_->index(row, 0),
                                              QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    }
}

QString EmulatorWindow::chosenTraceText() const {
    QList<int> rows;
    for (const QModelIndex& index : traceView_->selectionModel()->selectedRows()) {
        rows.append(traceFilter_->mapToSource(index).row());
    }
    if (rows.isEmpty()) {
        for (int row = 0; row < traceFilter_->rowCount(); ++row) {
            rows.append(traceFilter_->mapToSource(traceFilter_->index(row, 0)).row());
        }
    }
    return rows.isEmpty() ? QString() : trace_->text(rows);
}

void EmulatorWindow::showSelectedCard() {
    const auto uid = selectedCard();
    const int row = uid ? wallet_->rowOf(*uid) : -1;
    std::optional<MifareClassic> card;
    if (row >= 0) {
        card = wallet_->cards()[static_cast<std::size_t>(row)].card;
    }
    const std::size_t sector = sector_->sector();
    sector_->setCard(card);
    sector_->setSector(sector);
    sectorChoice_->setRange(0, std::max(0, static_cast<int>(sector_->sectorCount()) - 1));
}

void EmulatorWindow::actOnChosen(const std::function<WalletAction(const Uid&)>& action) {
    if (const auto uid = selectedCard()) {
        link_.act(action(*uid));
    } else {
        statusBar()->showMessage(QStringLiteral("Choose a card in the wallet first."));
    }
}

void EmulatorWindow::createCard(CardKind kind) {
    NewCardDialog dialog(kind, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    std::vector<Uid> taken;
    for (const CardSlot& slot : wallet_->cards()) {
        taken.push_back(slot.card.uid());
    }
    const Uid uid = dialog.uid().value_or(randomUid(taken));
    link_.act(CreateCard{kind, uid, static_cast<std::uint8_t>(dialog.credit())});
}

void EmulatorWindow::setCredit() {
    const auto uid = selectedCard();
    if (!uid) {
        statusBar()->showMessage(QStringLiteral("Choose a card in the wallet first."));
        return;
    }
    const int current = wallet_->cards()[static_cast<std::size_t>(wallet_->rowOf(*uid))].card.block(
        kCreditBlock)[0];
    bool ok = false;
    const int credit = QInputDialog::getInt(this, QStringLiteral("Credit"),
                                            QStringLiteral("Credit of %1 (byte 0 of block 4)")
                                                .arg(QString::fromStdString(hexText(*uid))),
                                            current, 0, 255, 1, &ok);
    if (ok) {
        link_.act(SetCredit{*uid, static_cast<std::uint8_t>(credit)});
    }
}

void EmulatorWindow::importCard() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Import a card"), {},
        QStringLiteral("Card dumps (*.mfd *.bin *.dump *.eml);;All files (*)"));
    if (!path.isEmpty()) {
        link_.act(ImportCard{path.toStdString(), false});
    }
}

void EmulatorWindow::exportCard() {
    const auto uid = selectedCard();
    if (!uid) {
        statusBar()->showMessage(QStringLiteral("Choose a card in the wallet first."));
        return;
    }
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export a card"),
        QString::fromStdString(hexText(*uid)) + QStringLiteral(".mfd"),
        QStringLiteral("Raw dump (*.mfd *.bin);;Text dump, one block a line (*.eml)"));
    if (!path.isEmpty()) {
        link_.act(ExportCard{*uid, path.toStdString()});
    }
}

} // namespace kov450
