#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "app/dialogs/UserDialogs.h"

namespace pw::test {

// Answers the program's questions from lists a test fills beforehand, and notes every question
// and message as "confirm: text", "ask: caption: initial", "inform: text", "timed: caption: text"
// and "open: filter". A question without a prepared answer fails the test and is answered no.
class ScriptedDialogs final : public UserDialogs {
public:
    using UserDialogs::inform;
    using UserDialogs::timedInfo;

    bool confirm(const QString& question) override {
        shown << QStringLiteral("confirm: ") + question;
        if (confirmAnswers.empty() && answerAtRandom) {
            return answerAtRandom(QStringLiteral("confirm")).toInt() != 0;
        }
        if (confirmAnswers.empty()) {
            ADD_FAILURE() << "unexpected question: " << question.toStdString();
            return false;
        }
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    QString askText(const QString& caption, const QString& initial) override {
        shown << QStringLiteral("ask: ") + caption + QStringLiteral(": ") + initial;
        if (textAnswers.empty() && answerAtRandom) {
            return answerAtRandom(QStringLiteral("ask"));
        }
        if (textAnswers.empty()) {
            ADD_FAILURE() << "unexpected input dialog: " << caption.toStdString();
            return {};
        }
        QString answer = textAnswers.front();
        textAnswers.pop_front();
        return answer;
    }
    void inform(const QString& message) override { shown << QStringLiteral("inform: ") + message; }
    void timedInfo(const QString& caption, const QString& message) override {
        shown << QStringLiteral("timed: ") + caption + QStringLiteral(": ") + message;
    }
    QString openFile(const QString& windowsFilter, const QString&) override {
        shown << QStringLiteral("open: ") + windowsFilter;
        if (fileAnswers.empty() && answerAtRandom) {
            return answerAtRandom(QStringLiteral("open"));
        }
        if (fileAnswers.empty()) {
            ADD_FAILURE() << "unexpected file dialog: " << windowsFilter.toStdString();
            return {};
        }
        QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    // The messages shown so far; taking them clears the list.
    QStringList take() { return std::exchange(shown, {}); }

    // When set, a question without a prepared answer is answered by it instead of failing: it gets
    // "confirm" (answer "1" for yes), "ask" or "open" and gives the text or file.
    std::function<QString(const QString& kind)> answerAtRandom;
    std::deque<bool> confirmAnswers;
    std::deque<QString> textAnswers;
    std::deque<QString> fileAnswers;
    QStringList shown;
};

}  // namespace pw::test
