#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace pw::test {

// Answers the next modal window: once the event loop of exec() runs and the window is up,
// `answer` gets it. A window that never comes fails the test.
inline void whenModal(std::function<void(QWidget*)> answer, int attemptsLeft = 500) {
    QTimer::singleShot(0, [answer = std::move(answer), attemptsLeft]() mutable {
        if (QWidget* window = QApplication::activeModalWidget(); window != nullptr && window->isVisible()) {
            answer(window);
            return;
        }
        if (attemptsLeft == 0) {
            ADD_FAILURE() << "no modal window came up";
            return;
        }
        whenModal(std::move(answer), attemptsLeft - 1);
    });
}

// The window's child with this object name, or a failure.
template <class Widget>
Widget* child(QWidget* window, const char* objectName) {
    auto* found = window->findChild<Widget*>(QString::fromLatin1(objectName));
    EXPECT_NE(found, nullptr) << objectName;
    return found;
}

}  // namespace pw::test
