#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QString>
#include <string>

#include "app/controllers/ControllerPage.h"
#include "controllers/JoystickConfiguration.h"
#include "store/RegistryAccess.h"
#include "support/gui/AppFixture.h"

namespace pw::test {

// A joystick configuration as the control panel writes it when the user installs a device.
inline JoystickConfiguration deviceConfiguration(char guidDigit, std::string oemKey,
                                                 std::string displayName) {
    JoystickConfiguration config;
    config.guid = std::string(32, guidDigit);
    config.oemName = std::move(oemKey);
    config.deviceName = std::move(displayName);
    return config;
}

inline std::string registeredPath(std::string_view type, std::string_view name) {
    return joinKeyPath(joinKeyPath(joinKeyPath(kProgramKeyPath, "controller"), type), name);
}

// The device GUID a registered controller (or, with the settings path, the configuration in use)
// was copied from.
inline std::string storedGuid(SettingsStore& store, std::string_view keyPath) {
    const auto value = store.readValue(keyPath, "Joystick1Configuration");
    return value ? value->data : std::string("<none>");
}

inline std::string settingsInUse(SettingsStore& store) {
    return joystickSettingsPath(driverKeyInUse(store));
}

// Clicks an item with the mouse, so the list's click signal runs as it does for the user.
inline void clickItem(QListWidget* list, int row) {
    ASSERT_NE(list, nullptr);
    QListWidgetItem* item = list->item(row);
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    const QPointF at = list->visualItemRect(item).center();
    const QPointF global = list->viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
    QApplication::sendEvent(list->viewport(), &release);
}

// The page on a real store, shown offscreen at the size it has in the main window.
class ControllerPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page.resize(558, 400);
        page.show();
        QApplication::processEvents();
    }

    template <typename T>
    T* child(const char* objectName) {
        T* found = page.findChild<T*>(QString::fromLatin1(objectName));
        EXPECT_NE(found, nullptr) << objectName;
        return found;
    }
    QString textOf(const char* objectName) { return child<QLabel>(objectName)->text(); }

    // Makes the configuration in use and registers it under type\name.
    // The default types come first, as they do once the page has been visited.
    void registerController(const char* type, const char* name, const JoystickConfiguration& config) {
        fx.controllers.ensureDefaultTypes();
        ASSERT_TRUE(writeJoystickConfiguration(fx.store(), config));
        ASSERT_TRUE(fx.controllers.saveCurrent(type, name));
    }

    QStringList sideNames() {
        QStringList names;
        auto* list = child<QListWidget>("ListView3");
        for (int i = 0; i < list->count(); ++i) {
            names << list->item(i)->text();
        }
        return names;
    }
    int sideRow(const QString& name) {
        const auto found = child<QListWidget>("ListView3")->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? -1 : child<QListWidget>("ListView3")->row(found.front());
    }

    AppFixture fx;
    ControllerPage page{fx.context};
};

}  // namespace pw::test
