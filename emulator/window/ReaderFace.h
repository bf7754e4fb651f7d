#pragma once

#include "emulator/window/ReaderSnapshot.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QTimer;

namespace kov450 {

/// The reader as it would sit on the desk: its LEDs, buzzer, RF field and Wiegand output as
/// commanded, its identity, the port names it answers under, and the cards in its field. A card
/// dragged from the wallet and dropped here is presented.
class ReaderFace : public QWidget {
    Q_OBJECT
public:
    explicit ReaderFace(QWidget* parent = nullptr);

    /// `ports` says where the reader is published, such as "COM1, USB (/dev/pts/3)".
    void setPorts(const QString& ports);
    void show(const ReaderSnapshot& snapshot);

signals:
    void cardDropped(const kov450::Uid& uid);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void sound(std::int16_t duration);

    QLabel* redLed_;
    QLabel* greenLed_;
    QLabel* buzzer_;
    QLabel* rf_;
    QLabel* wiegand_;
    QLabel* address_;
    QLabel* lineSpeed_;
    QLabel* serial_;
    QLabel* version_;
    QLabel* ports_;
    QLabel* field_;
    QPlainTextEdit* wiegandFrames_;
    QTimer* buzzerTimer_;
    std::optional<ReaderSnapshot> previous_;
};

} // namespace kov450
