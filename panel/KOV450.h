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
    void Form_Load();
    void Form_Terminate();
    void PortSet_Click();

    // How every handler reports: the status as decimal text, then, where a handler has one, its
    // message in place of an exact "0".
    void showStatus(std::int32_t status);
    void replaceResult(const QString& shown, const QString& message);
    void showResult(std::int32_t status, const QString& successMessage);

    reader::MfApi& api_;
    ui::MessageBoxes& messages_;
    Module1 module1_;
    PanelControls form;
    bool shownOnce_ = false;
};

} // namespace panel
