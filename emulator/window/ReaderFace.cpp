#include "emulator/window/ReaderFace.h"

#include "emulator/model/HexText.h"
#include "emulator/window/WalletModel.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace kov450 {

namespace {

constexpr int kWiegandFramesKept = 8;

/// A lamp: a round label lit in its colour or dark grey.
void light(QLabel* lamp, bool lit, const char* colour) {
    lamp->setProperty("lit", lit);
    lamp->setStyleSheet(QStringLiteral("border-radius: 9px; min-width: 18px; max-width: 18px; "
                                       "min-height: 18px; max-height: 18px; background: %1;")
                            .arg(QLatin1String(lit ? colour : "#444")));
}

QString serialText(const std::array<std::uint8_t, 8>& serial) {
    QString text;
    for (const std::uint8_t byte : serial) {
        text += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar(u'.');
    }
    return text;
}

} // namespace

ReaderFace::ReaderFace(QWidget* parent)
    : QWidget(parent), redLed_(new QLabel(this)), greenLed_(new QLabel(this)),
      buzzer_(new QLabel(this)), rf_(new QLabel(this)), wiegand_(new QLabel(this)),
      address_(new QLabel(this)), lineSpeed_(new QLabel(this)), serial_(new QLabel(this)),
      version_(new QLabel(this)), ports_(new QLabel(this)), field_(new QLabel(this)),
      wiegandFrames_(new QPlainTextEdit(this)), buzzerTimer_(new QTimer(this)) {
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    auto* lamps = new QHBoxLayout;
    const std::array<std::pair<QLabel*, const char*>, 3> named{
        {{redLed_, "redLed"}, {greenLed_, "greenLed"}, {buzzer_, "buzzer"}}};
    for (const auto& [label, name] : named) {
        label->setObjectName(QLatin1String(name));
    }
    lamps->addWidget(redLed_);
    lamps->addWidget(new QLabel(QStringLiteral("red"), this));
    lamps->addWidget(greenLed_);
    lamps->addWidget(new QLabel(QStringLiteral("green"), this));
    lamps->addStretch();
    lamps->addWidget(buzzer_);
    layout->addLayout(lamps);
    light(redLed_, false, "#e02020");
    light(greenLed_, false, "#20c040");
    buzzer_->setText(QStringLiteral("buzzer"));
    buzzer_->setProperty("sounding", false);
    buzzer_->setEnabled(false);

    auto* form = new QFormLayout;
    const auto row = [&](QLabel* label, const char* name, const QString& caption) {
        label->setObjectName(QLatin1String(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, label);
    };
    row(rf_, "rf", QStringLiteral("RF field"));
    row(wiegand_, "wiegand", QStringLiteral("Wiegand"));
    row(address_, "address", QStringLiteral("Bus address"));
    row(lineSpeed_, "lineSpeed", QStringLiteral("Line speed"));
    row(serial_, "serialNumber", QStringLiteral("Serial number"));
    row(version_, "version", QStringLiteral("Version"));
    row(ports_, "ports", QStringLiteral("Published as"));
    ports_->setWordWrap(true);
    layout->addLayout(form);

    field_->setObjectName(QStringLiteral("field"));
    field_->setAlignment(Qt::AlignCenter);
    field_->setWordWrap(true);
    field_->setMinimumHeight(70);
    field_->setFrameShape(QFrame::Box);
    field_->setToolTip(QStringLiteral("Drop a card from the wallet here to present it"));
    layout->addWidget(field_);

    layout->addWidget(new QLabel(QStringLiteral("Last Wiegand frames"), this));
    wiegandFrames_->setObjectName(QStringLiteral("wiegandFrames"));
    wiegandFrames_->setReadOnly(true);
    wiegandFrames_->setMaximumBlockCount(kWiegandFramesKept);
    wiegandFrames_->setMaximumHeight(90);
    layout->addWidget(wiegandFrames_);
    layout->addStretch();

    buzzerTimer_->setSingleShot(true);
    connect(buzzerTimer_, &QTimer::timeout, this, [this] {
        buzzer_->setProperty("sounding", false);
        buzzer_->setEnabled(false);
        buzzer_->setStyleSheet({});
    });
}

void ReaderFace::setPorts(const QString& ports) {
    ports_->setText(ports);
}

void ReaderFace::sound(std::int16_t duration) {
    QApplication::beep();
    buzzer_->setProperty("sounding", true);
    buzzer_->setEnabled(true);
    buzzer_->setStyleSheet(QStringLiteral("background: #f0c000; padding: 2px;"));
    buzzerTimer_->start(std::max(1, duration * 10));
}

void ReaderFace::show(const ReaderSnapshot& snapshot) {
    const ReaderState& state = snapshot.state;
    light(redLed_, state.redLed, "#e02020");
    light(greenLed_, state.greenLed, "#20c040");
    if (previous_ && state.buzzerCount != previous_->state.buzzerCount) {
        sound(state.lastBuzzer);
    }
    rf_->setText(state.rfOn ? QStringLiteral("on") : QStringLiteral("off"));
    wiegand_->setText(state.wiegandMode == 0
                          ? QStringLiteral("off")
                          : QStringLiteral("on, format %1").arg(state.wiegandFormat));
    address_->setText(QString::number(state.address));
    lineSpeed_->setText(QStringLiteral("%1 bit/s").arg(state.lineSpeed));
    serial_->setText(serialText(state.serialNumber));
    version_->setText(QString::fromStdString(state.version));

    QStringList inField;
    for (const CardSlot& slot : snapshot.cards) {
        if (slot.inField) {
            inField.append(QStringLiteral("%1 (credit %2)")
                               .arg(QString::fromStdString(hexText(slot.card.uid())))
                               .arg(slot.card.block(kCreditBlock)[0]));
        }
    }
    field_->setText(inField.isEmpty()
                        ? QStringLiteral("No card in the field.\nDrop a card here to present it.")
                        : QStringLiteral("In the field:\n") + inField.join(QLatin1Char('\n')));
    if (previous_) {
        for (const Wiegand26& frame : wiegandFramesBetween(*previous_, snapshot)) {
            wiegandFrames_->appendPlainText(QStringLiteral("%1  facility %2, card %3")
                                                .arg(QString::fromStdString(frame.text()))
                                                .arg(frame.facility)
                                                .arg(frame.cardNumber));
        }
    }
    previous_ = snapshot;
}

void ReaderFace::dragEnterEvent(QDragEnterEvent* event) {
    if (WalletModel::uidOfDrag(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void ReaderFace::dropEvent(QDropEvent* event) {
    if (const auto uid = WalletModel::uidOfDrag(event->mimeData())) {
        event->acceptProposedAction();
        emit cardDropped(*uid);
    }
}

} // namespace kov450
