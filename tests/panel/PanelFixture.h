#pragma once

#include "binding/MfApi.h"
#include "journal/PurchaseJournal.h"
#include "panel/KOV450.h"

#include "MfRecorder.h"
#include "QtPrinters.h"
#include "ScriptedMessageBoxes.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

/// A panel window over the real binding, which finds the recording double beside the test.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { mfdouble::reset(); }

    panel::KOV450& open() {
        window = std::make_unique<panel::KOV450>(api, boxes, journal);
        return *window;
    }

    template <typename Control = QWidget> Control* control(const char* name) {
        auto* found = window->findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no control " << name;
        return found;
    }

    QString result() { return control<QLineEdit>("ResultTXT")->text(); }
    QString text(const char* name) { return control<QLineEdit>(name)->text(); }
    void click(const char* name) { control<QAbstractButton>(name)->click(); }

    /// Replaces the box's text in one edit, as a paste over the whole text does.
    void paste(const char* name, const QString& text) {
        auto* box = control<QLineEdit>(name);
        box->setFocus();
        box->selectAll();
        if (text.isEmpty()) {
            box->del();
        } else {
            box->insert(text);
        }
    }

    reader::MfApi api{reader::LibraryLocation::besideProgram()};
    ScriptedMessageBoxes boxes;
    QTemporaryDir stateFolder;
    journal::PurchaseJournal journal{stateFolder.filePath("purchases.csv").toStdString()};
    std::unique_ptr<panel::KOV450> window; // after api: destroyed first, while api lives
};
