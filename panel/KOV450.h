#pragma once

#include "panel/Module1.h"
#include "panel/PanelControls.h"

#include <QWidget>

#include <cstdint>

namespace reader {
class MfApi;
}
namespace ui {
class MessageBoxes;
}

namespace panel {

/// The reader panel: one window of test controls over MF_API. Each handler reads its controls,
/// converts, calls the library and writes its controls; every status lands in ResultTXT.
class KOV450 : public QWidget {
    Q_OBJECT
public:
    KOV450(reader::MfApi& api, ui::MessageBoxes& messages, QWidget* parent = nullptr);
    ~KOV450() override;

    const Module1& buffers() const { return module1_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void connectHandlers();

    // Port connection.
    void Form_Load();
    void Form_Terminate();
    void PortSet_Click();

    // Card selection.
    void Request_Click();
    void Anticool_Click();
    void select_Click();
    void Halt_Click();

    // Keys and sector authentication.
    void LoadKey_Click();
    void keyFromEE_Click();
    void KeyToEE_Click();
    void keyNumscroll_Change();
    void Authentication_Click();
    std::int32_t keyTypeCode() const;

    // Block read and write.
    void blockNtxt_Change();
    void BufferTXT_Change();
    void read_Click();
    void write_Click();
    bool blockArguments(const QString& nothingDone, std::int16_t& block, std::int16_t& count);

    // Auto read: the purchase terminal.
    void AutoCheck_Click();
    void Timer1_Timer();
    void tell(const QString& message);

    // How every handler reports: the status as decimal text, then, where a handler has one, its
    // message in place of an exact "0".
    void showStatus(std::int32_t status);
    void replaceResult(const QString& shown, const QString& message);
    void showResult(std::int32_t status, const QString& successMessage);
    /// Input that cannot be sent: the reason goes where the status would, and no call is made.
    void refuse(const QString& reason);

    reader::MfApi& api_;
    ui::MessageBoxes& messages_;
    Module1 module1_;
    PanelControls form;
    bool shownOnce_ = false;
};

} // namespace panel
