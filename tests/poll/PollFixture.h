#pragma once

#include "binding/MfApi.h"
#include "poll/Form1.h"
#include "ui/IntervalTimer.h"

#include "MfRecorder.h"
#include "QtPrinters.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <memory>

/// A Form1 window over the real binding, which finds the recording double beside the test.
class PollTest : public ::testing::Test {
protected:
    void SetUp() override { mfdouble::reset(); }

    poll::Form1& open() {
        window = std::make_unique<poll::Form1>(api);
        return *window;
    }

    template <typename Control = QWidget> Control* control(const char* name) {
        auto* found = window->findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no control " << name;
        return found;
    }

    /// One tick of Timer1, run at once rather than waited for.
    void tick() { emit control<ui::IntervalTimer>("Timer1")->tick(); }

    /// Scripts the next tick to find a card with these serial bytes.
    static void presentCard(std::vector<std::uint8_t> serial) {
        mfdouble::script("MF_Request", {0, {0x04, 0x00, 0x08}});
        mfdouble::script("MF_Anticoll", {0, std::move(serial)});
    }

    /// Scripts the next tick to find no card.
    static void presentNothing() { mfdouble::script("MF_Request", {MF_ERR_NO_CARD, {0, 0, 0}}); }

    QString log() { return control<QPlainTextEdit>("Text1")->toPlainText(); }

    reader::MfApi api{reader::LibraryLocation::besideProgram()};
    std::unique_ptr<poll::Form1> window; // after api: destroyed first, while api lives
};
