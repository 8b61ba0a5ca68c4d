#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <vector>

#include "app/controllers/ControllerPageSupport.h"
#include "app/controllers/ControllerTypeIcons.h"

namespace pw::test {
namespace {

bool samePicture(const QIcon& a, const QIcon& b) {
    return a.pixmap(48, 48).toImage() == b.pixmap(48, 48).toImage();
}

// --- the type list and the lists of registered controllers ---

TEST_F(ControllerPageTest, TypeListOffersTheFourTypesAndMapsTheWheelToItsKey) {
    auto* types = child<QListWidget>("ListView4");
    ASSERT_EQ(types->count(), 4);
    EXPECT_EQ(types->item(0)->text(), "Joystick");
    EXPECT_EQ(types->item(1)->text(), "Gamepad");
    EXPECT_EQ(types->item(2)->text(), "Gameboard");
    EXPECT_EQ(types->item(3)->text(), "Lenkrad");
    // Four different pictures.
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            EXPECT_FALSE(samePicture(types->item(i)->icon(), types->item(j)->icon())) << i << " " << j;
        }
    }

    clickItem(types, 1);
    EXPECT_EQ(textOf("StaticText1"), "Gamepad");
    EXPECT_EQ(textOf("TypeCaption"), "Gamepad");
    EXPECT_TRUE(child<QLabel>("StaticText1")->isHidden()) << "the type key is no text for the user";
    EXPECT_EQ(child<QLabel>("Image3")->pixmap().toImage(), controllerTypeIcon(1).pixmap(40, 40).toImage());
    clickItem(types, 3);
    EXPECT_EQ(textOf("StaticText1"), "Steering wheel");
    EXPECT_EQ(textOf("TypeCaption"), "Lenkrad");

    // A language table renames the wheel; its new caption still stands for the same type key.
    fx.texts.replace(TextGroup::Interface, "Lenkrad", "Steering Wheel");
    fx.texts.replace(TextGroup::Interface, "Controller installieren", "Install controller");
    page.applyTexts();
    EXPECT_EQ(types->item(3)->text(), "Steering Wheel");
    EXPECT_EQ(child<QPushButton>("SpeedButton12")->text(), "Install controller");
    clickItem(types, 0);
    clickItem(types, 3);
    EXPECT_EQ(textOf("StaticText1"), "Steering wheel");
}

TEST_F(ControllerPageTest, RegisteredControllersAreListedTypeByTypeAndPublishedForTheAssignmentPage) {
    registerController("steering wheel", "Racer", deviceConfiguration('4', "Racer", "Racer"));
    registerController("Gamepad", "Pad A", deviceConfiguration('2', "PadA", "Pad A"));
    registerController("Joystick", "Flightstick", deviceConfiguration('1', "Flight", "Flightstick"));
    registerController("Gamepad", "Pad B", deviceConfiguration('3', "PadB", "Pad B"));
    int published = 0;
    QObject::connect(&fx.lists, &GameLists::controllersRebuilt, [&] { ++published; });

    page.enterPage();

    // Type by type in the order of the type keys, whatever the order of saving.
    EXPECT_EQ(sideNames(), (QStringList{"Flightstick", "Pad A", "Pad B", "Racer"}));
    auto* side = child<QListWidget>("ListView3");
    EXPECT_TRUE(samePicture(side->item(0)->icon(), controllerTypeIcon(0)));
    EXPECT_TRUE(samePicture(side->item(2)->icon(), controllerTypeIcon(1)));
    EXPECT_TRUE(samePicture(side->item(3)->icon(), controllerTypeIcon(3)));

    EXPECT_EQ(published, 1);
    const QList<ControllerEntry>& entries = fx.lists.controllers();
    ASSERT_EQ(entries.size(), 5);
    const std::vector<std::pair<QString, QString>> expected = {{"Flightstick", "Joystick"},
                                                               {"Pad A", "Gamepad"},
                                                               {"Pad B", "Gamepad"},
                                                               {"Racer", "Lenkrad"},
                                                               {"Ohne Auswahl", "Ohne Auswahl"}};
    const std::vector<int> icons = {0, 1, 1, 3, 0};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& entry = entries[static_cast<qsizetype>(i)];
        EXPECT_EQ(entry.name, expected[i].first) << i;
        EXPECT_EQ(entry.typeCaption, expected[i].second) << i;
        EXPECT_TRUE(samePicture(entry.icon, controllerTypeIcon(icons[i]))) << i;
    }

    // The last configuration written is in use: its name is read into the name fields.
    EXPECT_EQ(textOf("StaticText2"), "Pad B");
    EXPECT_EQ(child<QLineEdit>("Edit1")->text(), "Pad B");
    EXPECT_EQ(fx.controllers.currentController(), "Pad B");

    // Choosing a registered controller selects its type key and name.
    clickItem(side, 3);
    EXPECT_EQ(textOf("StaticText1"), "steering wheel");
    EXPECT_EQ(textOf("TypeCaption"), "Lenkrad") << "the caption of the type, in the window's language";
    EXPECT_EQ(textOf("StaticText2"), "Racer");
    clickItem(side, 1);
    EXPECT_EQ(textOf("StaticText1"), "gamepad");
    EXPECT_EQ(textOf("TypeCaption"), "Gamepad");
    EXPECT_EQ(textOf("StaticText2"), "Pad A");
}

TEST_F(ControllerPageTest, AnEmptyStoreStillOffersNoControllerAndCreatesTheDefaultTypes) {
    page.aktualisiere_kontroller_listview();
    EXPECT_TRUE(sideNames().isEmpty());
    ASSERT_EQ(fx.lists.controllers().size(), 1);
    EXPECT_EQ(fx.lists.controllers().front().name, "Ohne Auswahl");
    const auto types = fx.store().subkeys(joinKeyPath(kProgramKeyPath, "controller"));
    EXPECT_EQ(types, (std::vector<std::string>{"joystick", "gamepad", "gameboard", "steering wheel"}));
    EXPECT_EQ(textOf("StaticText2"), "");
}

// --- saving the configuration in use ---

TEST_F(ControllerPageTest, SavingRegistersTheConfigurationInUseUnderTheChosenTypeAndName) {
    ASSERT_TRUE(writeJoystickConfiguration(fx.store(), deviceConfiguration('a', "ProPad", "Pro Pad")));
    // A game the lookup list does not know yet: saving rebuilds that list.
    fx.store().createKey(joinKeyPath(kProgramKeyPath, "games\\Action\\Racer"));
    fx.store().writeValue(joinKeyPath(kProgramKeyPath, "games\\Action\\Racer"), "exe",
                          RegistryValue::string("/games/racer"));
    page.enterPage();
    ASSERT_EQ(child<QLineEdit>("Edit1")->text(), "Pro Pad");

    clickItem(child<QListWidget>("ListView4"), 1);
    page.speedButton9Click();

    EXPECT_TRUE(fx.dialogs.take().isEmpty());
    EXPECT_EQ(storedGuid(fx.store(), registeredPath("gamepad", "Pro Pad")), std::string(32, 'a'));
    EXPECT_EQ(sideNames(), QStringList{"Pro Pad"});
    EXPECT_EQ(fx.lists.controllers().front().name, "Pro Pad");
    EXPECT_TRUE(child<QLineEdit>("Edit1")->isHidden());
    EXPECT_TRUE(child<QPushButton>("SpeedButton9")->isHidden());
    ASSERT_EQ(fx.autoActivation.lookupList().size(), 1u);
    EXPECT_EQ(fx.autoActivation.lookupList().front().exe, "/games/racer");
}

// Installing without an attached controller leaves a configuration that names no device: it is
// not registered as a controller.
TEST_F(ControllerPageTest, SavingAConfigurationWithoutADeviceRegistersNothingAndSaysWhy) {
    fx.controllers.ensureDefaultTypes();
    fx.controllers.resetJoystickSettings();
    fx.store().createKey(joystickSettingsPath(kFixedDriverKey));
    page.enterPage();
    clickItem(child<QListWidget>("ListView4"), 1);
    child<QLineEdit>("Edit1")->setText("Leer");
    page.speedButton9Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Kein Controller angeschlossen"});
    EXPECT_FALSE(fx.store().keyExists(registeredPath("gamepad", "Leer")));
    EXPECT_TRUE(sideNames().isEmpty());
}

TEST_F(ControllerPageTest, SavingRefusesAMissingTypeAnEmptyNameAndANameWithASeparator) {
    ASSERT_TRUE(writeJoystickConfiguration(fx.store(), deviceConfiguration('a', "ProPad", "Pro Pad")));
    page.enterPage();
    auto* edit = child<QLineEdit>("Edit1");

    // No type chosen yet.
    page.speedButton9Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wählen"});
    EXPECT_TRUE(edit->isHidden());

    clickItem(child<QListWidget>("ListView4"), 0);
    edit->clear();
    page.speedButton9Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Bezeichner eingeben"});
    // The name field comes up with the name of the controller in use to start from.
    EXPECT_FALSE(edit->isHidden());
    EXPECT_FALSE(child<QPushButton>("SpeedButton9")->isHidden());
    EXPECT_EQ(edit->text(), "Pro Pad");

    edit->setText("Pads\\Pro");
    page.speedButton9Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Namen ohne \\ eingeben"});
    EXPECT_FALSE(edit->isHidden());

    EXPECT_TRUE(
        fx.store().subkeys(joinKeyPath(joinKeyPath(kProgramKeyPath, "controller"), "Joystick")).empty());
    EXPECT_FALSE(fx.store().keyExists(registeredPath("Joystick\\Pads", "Pro")));
}

TEST_F(ControllerPageTest, SavingUnderATakenNameKeepsTheStoredControllerAndSaysSo) {
    registerController("Joystick", "Stick", deviceConfiguration('1', "Old", "Old Stick"));
    ASSERT_TRUE(writeJoystickConfiguration(fx.store(), deviceConfiguration('2', "New", "New Stick")));
    page.enterPage();
    clickItem(child<QListWidget>("ListView4"), 0);
    auto* edit = child<QLineEdit>("Edit1");
    edit->setText("stick");  // names compare without case

    page.speedButton9Click();

    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Bezeichner besteht bereits"});
    EXPECT_EQ(storedGuid(fx.store(), registeredPath("Joystick", "Stick")), std::string(32, '1'));
    EXPECT_EQ(sideNames(), QStringList{"Stick"});
    // The user can type another name at once.
    EXPECT_FALSE(edit->isHidden());
    EXPECT_EQ(edit->text(), "stick");

    edit->setText("Stick 2");
    page.speedButton9Click();
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
    EXPECT_EQ(storedGuid(fx.store(), registeredPath("Joystick", "Stick 2")), std::string(32, '2'));
    EXPECT_EQ(sideNames(), (QStringList{"Stick", "Stick 2"}));
}

TEST_F(ControllerPageTest, LeavingTheNameFieldHidesItWithItsButtonButSwitchingProgramsDoesNot) {
    page.controllerspeichern_anzeigen(true);
    auto* edit = child<QLineEdit>("Edit1");
    auto* save = child<QPushButton>("SpeedButton9");
    ASSERT_FALSE(edit->isHidden());
    EXPECT_EQ(save->focusPolicy(), Qt::NoFocus);  // clicking Save does not leave the field

    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(edit, &deactivated);
    EXPECT_FALSE(edit->isHidden());
    EXPECT_FALSE(save->isHidden());

    QFocusEvent tabbedAway(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &tabbedAway);
    EXPECT_TRUE(edit->isHidden());
    EXPECT_TRUE(save->isHidden());
}

// The real store, except that it refuses to copy keys, as a store on a full disk or a
// write-protected file refuses.
class CopyRefusingStore final : public SettingsStore {
public:
    explicit CopyRefusingStore(SettingsStore& real) : real_(real) {}
    bool keyExists(std::string_view path) override { return real_.keyExists(path); }
    void createKey(std::string_view path) override { real_.createKey(path); }
    std::vector<std::string> subkeys(std::string_view path) override { return real_.subkeys(path); }
    std::vector<std::string> valueNames(std::string_view path) override { return real_.valueNames(path); }
    std::optional<RegistryValue> readValue(std::string_view path, std::string_view name) override {
        return real_.readValue(path, name);
    }
    void writeValue(std::string_view path, std::string_view name, const RegistryValue& value) override {
        real_.writeValue(path, name, value);
    }
    bool deleteValue(std::string_view path, std::string_view name) override {
        return real_.deleteValue(path, name);
    }
    bool deleteKey(std::string_view path) override { return real_.deleteKey(path); }
    bool copyKey(std::string_view, std::string_view) override {
        throw StoreError("registry.sqlite: the disk is full; free some space and try again");
    }
    bool moveKey(std::string_view from, std::string_view to) override { return real_.moveKey(from, to); }
    void batch(const std::function<void()>& work) override { real_.batch(work); }

private:
    SettingsStore& real_;
};

TEST_F(ControllerPageTest, AStoreThatRefusesTheCopyIsReportedAndTheNameStaysForAnotherTry) {
    registerController("Joystick", "Stick", deviceConfiguration('1', "Stick", "Stick"));
    ASSERT_TRUE(writeJoystickConfiguration(fx.store(), deviceConfiguration('2', "Pad", "Pad")));
    CopyRefusingStore refusing(fx.store());
    ControllerRegistry registry(refusing, fx.texts, fx.dialogs);
    AppContext context{refusing,  fx.texts,      fx.dialogs,        fx.dir.path(), fx.state,
                       registry,  fx.activation, fx.autoActivation, fx.joystick,   fx.keys,
                       fx.pauser, fx.loop,       fx.timer,          fx.lists};
    ControllerPage failing(context);
    failing.enterPage();
    auto* types = failing.findChild<QListWidget*>("ListView4");
    types->setCurrentRow(1);
    failing.listView4Click();
    failing.controllerspeichern_anzeigen(true);

    failing.speedButton9Click();

    EXPECT_EQ(fx.dialogs.take(),
              QStringList{"inform: registry.sqlite: the disk is full; free some space and try again"});
    EXPECT_FALSE(fx.store().keyExists(registeredPath("gamepad", "Pad")));
    EXPECT_FALSE(failing.findChild<QLineEdit*>("Edit1")->isHidden());
    EXPECT_EQ(failing.findChild<QListWidget*>("ListView3")->count(), 1);
}

// --- deleting ---

TEST_F(ControllerPageTest, DeletingAsksFirstAndRemovesOnlyTheChosenController) {
    registerController("Joystick", "Stick", deviceConfiguration('1', "Stick", "Stick"));
    registerController("Gamepad", "Pad", deviceConfiguration('2', "Pad", "Pad"));
    page.enterPage();
    clickItem(child<QListWidget>("ListView3"), sideRow("Stick"));

    fx.dialogs.confirmAnswers = {false};
    child<QPushButton>("SpeedButton10")->click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"confirm: Eintrag löschen ?"});
    EXPECT_TRUE(fx.store().keyExists(registeredPath("Joystick", "Stick")));
    EXPECT_EQ(sideNames(), (QStringList{"Stick", "Pad"}));

    fx.dialogs.confirmAnswers = {true};
    child<QPushButton>("SpeedButton10")->click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"confirm: Eintrag löschen ?"});
    EXPECT_FALSE(fx.store().keyExists(registeredPath("Joystick", "Stick")));
    EXPECT_TRUE(fx.store().keyExists(registeredPath("Gamepad", "Pad")));
    EXPECT_TRUE(fx.store().keyExists(joinKeyPath(joinKeyPath(kProgramKeyPath, "controller"), "Joystick")));
    EXPECT_EQ(sideNames(), QStringList{"Pad"});
    EXPECT_EQ(fx.lists.controllers().size(), 2);
}

TEST_F(ControllerPageTest, DeletingWithoutAChosenControllerTouchesNothing) {
    registerController("Joystick", "Stick", deviceConfiguration('1', "Stick", ""));
    page.enterPage();
    // The configuration in use has no display name, so nothing names a controller.
    clickItem(child<QListWidget>("ListView4"), 0);
    ASSERT_EQ(textOf("StaticText2"), "");

    page.speedButton10Click();

    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wählen"});
    EXPECT_TRUE(fx.store().keyExists(registeredPath("Joystick", "Stick")));
}

// --- the product pages ---

TEST_F(ControllerPageTest, ProductLinkOpensTheWebPagesOrTheLocalCopy) {
    std::vector<QUrl> opened;
    page.setOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    auto* link = child<QLabel>("URLLabel1");
    EXPECT_FALSE(link->openExternalLinks());
    EXPECT_TRUE(link->text().contains("Orvalis Produkte"));

    Q_EMIT link->linkActivated(QStringLiteral("product"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.back().scheme(), "https");
    EXPECT_TRUE(opened.back().host().endsWith("example.org"));

    // Offline, from the source tree while the program directory has no copy.
    child<QCheckBox>("CheckBox15")->setChecked(true);
    Q_EMIT link->linkActivated(QStringLiteral("product"));
    ASSERT_EQ(opened.size(), 2u);
    ASSERT_TRUE(opened.back().isLocalFile());
    const QFileInfo shipped(opened.back().toLocalFile());
    EXPECT_TRUE(shipped.isFile());
    EXPECT_TRUE(shipped.filePath().endsWith("html/index.html"));

    // A copy in the program directory comes first.
    std::filesystem::create_directories(fx.dir.file("html"));
    fx.dir.write("html/index.html", "<!DOCTYPE html><title>local</title>");
    Q_EMIT link->linkActivated(QStringLiteral("product"));
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(QFileInfo(opened.back().toLocalFile()).canonicalFilePath(),
              QFileInfo(QString::fromStdString(fx.dir.file("html/index.html").string())).canonicalFilePath());
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
}

TEST(ProductPage, TheShippedPageIsCompleteAndNeedsNothingFromOutside) {
    ensureWidgetsApp();
    const QString path = ControllerPage::localProductPage("/nonexistent-program-directory");
    ASSERT_FALSE(path.isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(html.contains("<title>PadWarden</title>"));
    EXPECT_TRUE(html.contains("</html>"));
    EXPECT_TRUE(html.contains("PADWARDEN_HOME"));
    // Nothing is loaded from elsewhere: no scripts, stylesheets, pictures or fonts by address.
    EXPECT_FALSE(html.contains(
        QRegularExpression(QStringLiteral("\\b(src|href)\\s*="), QRegularExpression::CaseInsensitiveOption)));
    EXPECT_FALSE(html.contains(QStringLiteral("url("), Qt::CaseInsensitive));
    EXPECT_FALSE(html.contains(QStringLiteral("@import"), Qt::CaseInsensitive));
}

}  // namespace
}  // namespace pw::test
