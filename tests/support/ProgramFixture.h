#pragma once

#include "binding/MfApi.h"
#include "journal/PurchaseJournal.h"
#include "panel/KOV450.h"

#include "QtPrinters.h"
#include "ScriptedMessageBoxes.h"
#include "e2e/EmulatorSession.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

#include <memory>

/// A program window over the real binding and our real MF_API (found in ../lib beside the test),
/// with kov450-emu publishing COM1 and USB in a port folder of the test's own.
template <typename Window> class ProgramTest : public testing_support::EmulatorTest {
protected:
    void TearDown() override { window.reset(); } // closes the port before the emulator goes

    template <typename Control = QWidget> Control* control(const char* name) {
        auto* found = window->template findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no control " << name;
        return found;
    }
    void click(const char* name) { control<QAbstractButton>(name)->click(); }
    QString text(const char* name) { return control<QLineEdit>(name)->text(); }
    void setText(const char* name, const QString& value) {
        control<QLineEdit>(name)->setText(value);
    }
    /// How many message boxes have been shown, for a wait.
    auto boxesShown() const {
        return [this] {
            return boxes.shown.size();
        };
    }

    reader::MfApi api{reader::LibraryLocation::besideProgram()};
    ScriptedMessageBoxes boxes;
    testing_support::TempFolder journalFolder;
    journal::PurchaseJournal journal{journalFolder.path() / "purchases.csv"};
    std::unique_ptr<Window> window;
};

/// The panel as the operator starts: "Port Set" pressed while the chooser reads "USB", which the
/// emulator publishes.
class OpenPanelTest : public ProgramTest<panel::KOV450> {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        window = std::make_unique<panel::KOV450>(api, boxes, journal);
        click("PortSet");
        ASSERT_EQ(text("ResultTXT"), "port opened Correctly");
    }
};
