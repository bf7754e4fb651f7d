#include "poll/Form1.h"

#include "poll/ClickWatcher.h"
#include "poll/PollLayout.h"
#include "poll/SerialLog.h"

#include "binding/DeviceAddress.h"
#include "binding/MfApi.h"
#include "convert/HexText.h"
#include "ui/Twips.h"

namespace poll {

namespace {
constexpr std::int32_t kRequestMode = 0;
constexpr std::int32_t kPortSpeed = 9600;
constexpr const char* kPortName = "COM1";
constexpr std::int32_t kLedOff = 0;
constexpr std::int32_t kLedOn = 1;
} // namespace

Form1::Form1(reader::MfApi& api, QWidget* parent)
    // A fixed tool window: title and close button only, kept out of the task bar.
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      api_(api) {
    setObjectName("Form1");
    setWindowTitle("Form1");
    // Closing this window ends the program, although tool windows do not do so by default.
    setAttribute(Qt::WA_QuitOnClose, true);
    const qreal dpi = ui::logicalDpi();
    setFixedSize(ui::twipsToPixels(kFormClientTwips.width(), dpi),
                 ui::twipsToPixels(kFormClientTwips.height(), dpi));
    QFont dialogFont = font();
    dialogFont.setPointSizeF(kFormFontPoints);
    setFont(dialogFont);
    ui::buildControls(this, pollLayout(), dpi);
    ui::applyTabOrder(this, pollTabOrder());
    form = PollControls::find(this);
    // Tab leaves the log for the next control instead of typing a tab into it.
    form.Text1->setTabChangesFocus(true);
    keepNewestLines(*form.Text1, kLogLineLimit);

    connectHandlers();
    Form_Load();
}

Form1::~Form1() {
    Form_Terminate();
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        form.Text1->setFocus(Qt::OtherFocusReason);
    }
}

void Form1::connectHandlers() {
    connect(form.HScroll1, &QScrollBar::valueChanged, this, &Form1::HScroll1_Change);
    connect(form.Timer1, &ui::IntervalTimer::tick, this, &Form1::Timer1_Timer);
    connect(form.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(form.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(new ClickWatcher(form.Label1), &ClickWatcher::clicked, this, &Form1::Label1_Click);
}

void Form1::Form_Load() {
    static_cast<void>(api_.MF_InitComm(kPortName, kPortSpeed)); // nothing checks whether it opened
}

void Form1::Form_Terminate() {
    static_cast<void>(api_.MF_ExitComm());
}

void Form1::HScroll1_Change() {
    const int interval = form.HScroll1->value();
    form.Timer1->setInterval(interval); // 0 stops the ticks
    form.Label1->setText(QString::number(interval) + " ms");
}

void Form1::Timer1_Timer() {
    // The LEDs only show the poll; a reader that does not take it still polls.
    static_cast<void>(api_.MF_ControlLED(reader::kDevice, kLedOff, kLedOff));
    if (api_.MF_Request(reader::kDevice, kRequestMode, CardType.data()) != 0) {
        return;
    }
    // A failed anticollision read no serial number: there is no card to log.
    if (api_.MF_Anticoll(reader::kDevice, CardSN.data()) != 0) {
        return;
    }
    if (CardSN == LastSN) {
        return;
    }
    LastSN = CardSN;
    appendLine(*form.Text1, convert::hexOfBytes(CardSN));
    // Until the next tick turns them off.
    static_cast<void>(api_.MF_ControlLED(reader::kDevice, kLedOn, kLedOn));
}

void Form1::Command1_Click() {
    form.Text1->clear(); // the card last logged stays known, so it is not logged again
}

void Form1::Command2_Click() {
    static_cast<void>(api_.MF_DeviceReset(reader::kDevice)); // the window shows nothing of it
}

void Form1::Label1_Click() {
    // A stopped timer reads "0 ms"; a click puts it in words again, as at start. The caption
    // never holds the bare "0" that a literal reading would wait for.
    if (form.Label1->text() == "0 ms") {
        form.Label1->setText("Timer is off");
    }
}

} // namespace poll
