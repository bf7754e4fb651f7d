#pragma once

#include "poll/PollControls.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

namespace reader {
class MfApi;
}

namespace poll {

/// The polling sample: a timer, set by the scroll bar, asks the reader for a card on every tick
/// and logs each serial number that differs from the last one logged. It shows no status codes.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(reader::MfApi& api, QWidget* parent = nullptr);
    ~Form1() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    using SerialNumber = std::array<std::uint8_t, 4>;

    void connectHandlers();

    void Form_Load();
    void Form_Terminate();
    void HScroll1_Change();
    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();
    void Label1_Click();

    reader::MfApi& api_;
    PollControls form;
    std::array<std::uint8_t, 3> CardType{}; ///< filled by the request; nothing reads it
    SerialNumber CardSN{};
    /// The card last logged, by its bytes: two cards may print the same text.
    std::optional<SerialNumber> LastSN;
    bool shownOnce_ = false;
};

} // namespace poll
