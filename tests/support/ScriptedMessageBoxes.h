#pragma once

#include "ui/MessageBoxes.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

/// Message boxes that a test answers: each box shown is recorded, and each question takes the
/// next queued answer (Cancel when none is queued, so a forgotten answer never writes a card).
class ScriptedMessageBoxes : public ui::MessageBoxes {
public:
    struct Shown {
        QString text;
        Buttons buttons;
        bool waited; ///< a question that waited for an answer, not a notice
    };

    Answer ask(QWidget*, const QString& text, Buttons buttons) override {
        shown.push_back({text, buttons, true});
        if (whileAsking) {
            whileAsking();
        }
        if (answers.empty()) {
            return Answer::Cancel;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void tell(QWidget*, const QString& text) override {
        shown.push_back({text, Buttons::Ok, false});
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::function<void()> whileAsking; ///< runs while a question waits, as an operator might act
};
