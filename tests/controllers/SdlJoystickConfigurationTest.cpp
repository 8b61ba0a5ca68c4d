#include <SDL.h>
#include <gtest/gtest.h>

#include <array>

#include "controllers/JoystickConfiguration.h"
#include "input/Joystick.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "input/sdl/SdlVirtualJoystick.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

// A virtual controller of a model of its own: SdlVirtualJoystick's all share one GUID, so the
// configured device needs its own vendor, product and name.
class OtherModelPad {
public:
    OtherModelPad() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = 4;
        desc.nbuttons = 12;
        desc.nhats = 1;
        desc.vendor_id = 0x046D;
        desc.product_id = 0xC216;
        desc.name = "Other Model Pad";
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index >= 0) {
            instanceId_ = SDL_JoystickGetDeviceInstanceID(index);
            handle_ = SDL_JoystickOpen(index);
        }
    }
    ~OtherModelPad() {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == instanceId_) {
                SDL_JoystickDetachVirtual(i);
                break;
            }
        }
        if (handle_ != nullptr) {
            SDL_JoystickClose(handle_);
        }
    }
    OtherModelPad(const OtherModelPad&) = delete;
    OtherModelPad& operator=(const OtherModelPad&) = delete;

    bool ok() const { return handle_ != nullptr; }
    std::string guid() const {
        std::array<char, 33> text{};
        SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(handle_), text.data(), static_cast<int>(text.size()));
        return text.data();
    }
    void setAxis(int axis, std::int16_t value) { SDL_JoystickSetVirtualAxis(handle_, axis, value); }
    void setButton(int button, bool down) {
        SDL_JoystickSetVirtualButton(handle_, button, down ? SDL_PRESSED : SDL_RELEASED);
    }

private:
    SdlJoystickSubsystem subsystem_;
    SDL_Joystick* handle_ = nullptr;
    SDL_JoystickID instanceId_ = -1;
};

// Two controllers attached: an ordinary virtual one first, then one of another model.
class ConfiguredJoystick : public test::StoreTest {
protected:
    ConfiguredJoystick() {
        device.setConfigurationSource([this] { return readJoystickConfiguration(store()); });
    }

    void configureOther(std::array<AxisCalibration, 4> axes = JoystickConfiguration{}.axes) {
        JoystickConfiguration config;
        config.guid = other.guid();
        config.oemName = "OtherModel";
        config.deviceName = "Other Model Pad";
        config.axes = axes;
        ASSERT_TRUE(writeJoystickConfiguration(store(), config));
    }

    // Which of the two the joystick reads: button 1 pressed on exactly one of them.
    std::string reads() {
        first.setButton(0, true);
        joystick.sample();
        const bool seesFirst = joystick.state().pressed(0);
        first.setButton(0, false);
        other.setButton(0, true);
        joystick.sample();
        const bool seesOther = joystick.state().pressed(0);
        other.setButton(0, false);
        return seesFirst && !seesOther ? "first" : seesOther && !seesFirst ? "other" : "unclear";
    }

    SdlVirtualJoystick first{4, 12, 1};
    OtherModelPad other;
    SdlJoystickDevice device;
    Joystick joystick{device};
};

TEST_F(ConfiguredJoystick, TheConfiguredDeviceIsJoystickOneWhereverItIsAttached) {
    ASSERT_TRUE(first.ok()) << first.error();
    ASSERT_TRUE(other.ok()) << SDL_GetError();
    ASSERT_LT(first.deviceIndex(), 1) << "the ordinary pad comes first";
    ASSERT_NE(other.guid(), "00000000000000000000000000000000");

    joystick.openJoystick();
    EXPECT_EQ(reads(), "first") << "without a configuration, the first attached device";
    EXPECT_FALSE(device.calibrated());

    configureOther();
    joystick.dx_erneuern();  // the configuration is read at every open
    EXPECT_EQ(reads(), "other");
    EXPECT_TRUE(device.calibrated());
    EXPECT_EQ(device.name(), "Other Model Pad");
    EXPECT_EQ(joystick.facts().buttonCount, 12);

    joystick.setId(1);
    EXPECT_FALSE(device.calibrated()) << "the configuration names joystick 1 only";
    EXPECT_EQ(device.name(), SDL_JoystickNameForIndex(1));
}

TEST_F(ConfiguredJoystick, AConfiguredDeviceThatIsNotAttachedLeavesTheFirstOne) {
    JoystickConfiguration config;
    config.guid = "0300000000000000000000000000dead";
    config.axes[0] = {0, -100, 0, 100};  // its calibration must not reach another device
    ASSERT_TRUE(writeJoystickConfiguration(store(), config));
    joystick.openJoystick();
    EXPECT_EQ(reads(), "first");
    EXPECT_FALSE(device.calibrated());
    first.setAxis(0, 100);
    joystick.sample();
    EXPECT_EQ(joystick.state().x, 0) << "read over its full travel";
}

TEST_F(ConfiguredJoystick, TheAxisMappingSwapsXAndY) {
    configureOther({AxisCalibration{1}, AxisCalibration{0}, AxisCalibration{2}, AxisCalibration{-1}});
    joystick.openJoystick();
    other.setAxis(0, 32767);  // SDL axis 0 now feeds Y
    other.setAxis(1, -32768);
    other.setAxis(3, 32767);  // R is connected to nothing
    joystick.sample();
    EXPECT_EQ(joystick.state().y, 1000);
    EXPECT_EQ(joystick.state().x, -1000);
    EXPECT_EQ(joystick.state().rz, 0);
    EXPECT_FALSE(joystick.actionIsOn(ControllerAction::RUp));
}

TEST_F(ConfiguredJoystick, ANarrowerCalibrationReachesFullDeflectionEarlier) {
    const std::int16_t threeQuarters = 24000;
    configureOther();
    joystick.openJoystick();
    other.setAxis(0, threeQuarters);
    joystick.sample();
    const std::int32_t fullTravel = joystick.state().x;
    EXPECT_GT(fullTravel, 0);
    EXPECT_LT(fullTravel, 1000);

    configureOther(
        {AxisCalibration{0, -24000, 0, 24000}, AxisCalibration{1}, AxisCalibration{2}, AxisCalibration{3}});
    joystick.openJoystick();
    joystick.sample();
    EXPECT_EQ(joystick.state().x, 1000);
    other.setAxis(0, -threeQuarters);
    joystick.sample();
    EXPECT_EQ(joystick.state().x, -1000);
    other.setAxis(0, -6000);  // a quarter of the calibrated travel: still inside the dead zone
    joystick.sample();
    EXPECT_EQ(joystick.state().x, 0);
    other.setAxis(0, 0);
    joystick.sample();
    EXPECT_EQ(joystick.state().x, 0);
}

TEST_F(ConfiguredJoystick, AnUnreadableConfigurationCountsAsNone) {
    configureOther();
    device.setConfigurationSource(
        []() -> JoystickConfiguration { throw StoreError("registry.sqlite: locked"); });
    joystick.openJoystick();
    EXPECT_TRUE(joystick.isOpen());
    EXPECT_EQ(reads(), "first");

    // A fixed configuration replaces the source.
    device.setConfiguration(readJoystickConfiguration(store()));
    joystick.openJoystick();
    EXPECT_EQ(reads(), "other");
}

}  // namespace
}  // namespace pw
