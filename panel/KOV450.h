#pragma once

#include "panel/Module1.h"
#include "panel/PanelControls.h"

#include <QWidget>

#include <cstdint>
#include <optional>

namespace journal {
class PurchaseJournal;
}
namespace reader {
class MfApi;
}
namespace ui {
class MessageBoxes;
}

namespace panel {

/// The reader panel: one window of test controls over MF_API. Each handler reads its controls,
/// converts, calls the library and writes its controls; every status lands in ResultTXT. The
/// auto read records each purchase in `journal`.
class KOV450 : public QWidget {
    Q_OBJECT
public:
    KOV450(reader::MfApi& api, ui::MessageBoxes& messages, journal::PurchaseJournal& journal,
           QWidget* parent = nullptr);
    ~KOV450() override;

    const Module1& buffers() const { return module1_; }

    /// Switches between the shipped strip and the full view of every control (F12).
    void toggleFullView();
    bool isFullView() const { return fullView_; }

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

    // Device identity and addressing.
    void GetDevAdd_Click();
    void HScroll1_Change();
    void AddTXT_Change();
    void DeviceAddress_Click();
    void DeviceVer_Click();
    void DSNget_Click();
    void DSNset_Click();
    void Reset_Click();

    // Indicators, RF field and Wiegand output.
    void Buzzer_Click();
    void RedLED_Click();
    void GreenLED_Click();
    void RFant_Click();
    void Won_Click();
    void Woff_Click();
    std::optional<std::int16_t> buzzerTime();

    // Line speed.
    void baudButton_Click(std::int32_t rate);

    // Auto read: the purchase terminal.
    void AutoCheck_Click();
    void Timer1_Timer();
    void tell(const QString& message);
    bool confirmDeduction(int deducted);

    // How every handler reports: the status as decimal text, then, where a handler has one, its
    // message in place of an exact "0".
    void showStatus(std::int32_t status);
    void replaceResult(const QString& shown, const QString& message);
    void showResult(std::int32_t status, const QString& successMessage);
    /// Input that cannot be sent: the reason goes where the status would, and no call is made.
    void refuse(const QString& reason);

    reader::MfApi& api_;
    ui::MessageBoxes& messages_;
    journal::PurchaseJournal& journal_;
    QString openedPort_; ///< the name "Port Set" last opened, for the journal
    Module1 module1_;
    PanelControls form;
    std::int16_t RedLEDState = 0;
    std::int16_t GreenLEDState = 0;
    bool shownOnce_ = false;
    bool fullView_ = false;
};

} // namespace panel
