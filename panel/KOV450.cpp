#include "panel/KOV450.h"

#include "panel/PanelLayout.h"

#include "binding/MfApi.h"
#include "convert/AnsiCodePage.h"
#include "ui/MessageBoxes.h"
#include "ui/Twips.h"

#include <QShortcut>

namespace panel {

namespace {
constexpr std::int32_t kPortSpeed = 9600;
} // namespace

KOV450::KOV450(reader::MfApi& api, ui::MessageBoxes& messages, journal::PurchaseJournal& journal,
               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      api_(api), messages_(messages), journal_(journal) {
    setObjectName("KOV450");
    setWindowTitle("KOV -450");
    const qreal dpi = ui::logicalDpi();
    setGeometry(ui::twipsToPixels(kPanelClientTwips, dpi));
    setFixedSize(size());
    ui::paintBackground(this, kPanelBackground);
    // The layout is measured for an 8-point dialog font; larger ones would clip the captions.
    QFont dialogFont = font();
    dialogFont.setPointSizeF(kPanelFontPoints);
    setFont(dialogFont);
    ui::buildControls(this, panelLayout(), dpi);
    ui::applyTabOrder(this, panelTabOrder());
    form = PanelControls::find(this);

    api_.setProblemHandler([this](const std::string& problem) {
        messages_.tell(this, QString::fromStdString(problem));
    });

    connectHandlers();
    auto* fullViewKey = new QShortcut(QKeySequence(Qt::Key_F12), this);
    connect(fullViewKey, &QShortcut::activated, this, &KOV450::toggleFullView);
    Form_Load();
}

KOV450::~KOV450() {
    api_.setProblemHandler({}); // no message boxes from a window being destroyed
    Form_Terminate();
}

void KOV450::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        form.PortSet->setFocus(Qt::OtherFocusReason);
    }
}

void KOV450::showStatus(std::int32_t status) {
    form.ResultTXT->setText(QString::number(status));
}

void KOV450::replaceResult(const QString& shown, const QString& message) {
    if (form.ResultTXT->text() == shown) {
        form.ResultTXT->setText(message);
    }
}

void KOV450::showResult(std::int32_t status, const QString& successMessage) {
    showStatus(status);
    replaceResult("0", successMessage);
}

void KOV450::connectHandlers() {
    connect(form.PortSet, &QPushButton::clicked, this, &KOV450::PortSet_Click);

    connect(form.Request, &QPushButton::clicked, this, &KOV450::Request_Click);
    connect(form.Anticool, &QPushButton::clicked, this, &KOV450::Anticool_Click);
    connect(form.select, &QPushButton::clicked, this, &KOV450::select_Click);
    connect(form.Halt, &QPushButton::clicked, this, &KOV450::Halt_Click);

    connect(form.LoadKey, &QPushButton::clicked, this, &KOV450::LoadKey_Click);
    connect(form.keyFromEE, &QPushButton::clicked, this, &KOV450::keyFromEE_Click);
    connect(form.KeyToEE, &QPushButton::clicked, this, &KOV450::KeyToEE_Click);
    connect(form.keyNumscroll, &QScrollBar::valueChanged, this, &KOV450::keyNumscroll_Change);
    connect(form.Authentication, &QPushButton::clicked, this, &KOV450::Authentication_Click);

    connect(form.blockNtxt, &QLineEdit::textChanged, this, &KOV450::blockNtxt_Change);
    connect(form.BufferTXT, &QLineEdit::textChanged, this, &KOV450::BufferTXT_Change);
    connect(form.read, &QPushButton::clicked, this, &KOV450::read_Click);
    connect(form.write, &QPushButton::clicked, this, &KOV450::write_Click);

    connect(form.GetDevAdd, &QPushButton::clicked, this, &KOV450::GetDevAdd_Click);
    connect(form.HScroll1, &QScrollBar::valueChanged, this, &KOV450::HScroll1_Change);
    connect(form.AddTXT, &QLineEdit::textChanged, this, &KOV450::AddTXT_Change);
    connect(form.DeviceAddress, &QPushButton::clicked, this, &KOV450::DeviceAddress_Click);
    connect(form.DeviceVer, &QPushButton::clicked, this, &KOV450::DeviceVer_Click);
    connect(form.DSNget, &QPushButton::clicked, this, &KOV450::DSNget_Click);
    connect(form.DSNset, &QPushButton::clicked, this, &KOV450::DSNset_Click);
    connect(form.Reset, &QPushButton::clicked, this, &KOV450::Reset_Click);

    connect(form.Buzzer, &QPushButton::clicked, this, &KOV450::Buzzer_Click);
    // Check boxes run their handler on every change of value, the program's own included.
    connect(form.RedLED, &QCheckBox::toggled, this, &KOV450::RedLED_Click);
    connect(form.GreenLED, &QCheckBox::toggled, this, &KOV450::GreenLED_Click);
    connect(form.RFant, &QCheckBox::toggled, this, &KOV450::RFant_Click);
    connect(form.Won, &QRadioButton::clicked, this, &KOV450::Won_Click);
    connect(form.Woff, &QRadioButton::clicked, this, &KOV450::Woff_Click);

    const std::pair<QRadioButton*, std::int32_t> baudButtons[] = {
        {form.B9600, 9600},   {form.B19200, 19200},   {form.B38400, 38400},
        {form.B57600, 57600}, {form.B115200, 115200},
    };
    for (const auto& [button, rate] : baudButtons) {
        connect(button, &QRadioButton::clicked, this,
                [this, rate = rate] { baudButton_Click(rate); });
    }

    // toggled, not clicked: the tick unticks the box itself and the timer must follow.
    connect(form.AutoCheck, &QCheckBox::toggled, this, &KOV450::AutoCheck_Click);
    connect(form.Timer1, &ui::IntervalTimer::tick, this, &KOV450::Timer1_Timer);
}

void KOV450::refuse(const QString& reason) {
    form.ResultTXT->setText(reason);
}

void KOV450::Form_Load() {
    form.Combo1->addItems({"COM1", "COM2", "COM3", "COM4", "USB"});
    form.Combo1->setEditText("USB");
    // Whatever the call gives, the window shows what the buffer holds.
    static_cast<void>(api_.MF_GetDLL_Ver(module1_.DllVersion.data()));
    const convert::AnsiCodePage& codePage = convert::AnsiCodePage::system();
    for (std::size_t i = 0; i < 32; ++i) {
        form.ResultTXT->setText(form.ResultTXT->text() + codePage.charOf(module1_.DllVersion[i]));
    }
}

void KOV450::Form_Terminate() {
    // Closing never fails in a way the window could act on.
    static_cast<void>(api_.MF_ExitComm());
}

void KOV450::PortSet_Click() {
    static_cast<void>(api_.MF_ExitComm()); // the port opened below says how it went
    const QString portName = form.Combo1->currentText();
    const std::optional<QByteArray> ansiName = convert::AnsiCodePage::system().encode(portName);
    if (!ansiName) {
        form.ResultTXT->setText("The port name \"" + portName +
                                "\" has a character that a port name cannot hold.");
        return;
    }
    const std::int32_t status = api_.MF_InitComm(ansiName->constData(), kPortSpeed);
    openedPort_ = status == MF_OK ? portName : QString();
    showStatus(status);
    replaceResult("9", "port is open please close the opener port application");
    replaceResult("0", "port opened Correctly");
}

} // namespace panel
