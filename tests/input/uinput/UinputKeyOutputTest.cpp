#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "input/uinput/UinputKeyOutput.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(10);

TEST(UinputKeyOutputCreate, AMissingDeviceIsReportedInOneLineWithTheFix) {
    std::string error;
    int beeps = 0;
    auto output = UinputKeyOutput::create(
        LayoutKeyMap{}, [&beeps](int) { ++beeps; }, error, "/nonexistent/padwarden/uinput");
    EXPECT_EQ(output, nullptr);
    EXPECT_NE(error.find("/nonexistent/padwarden/uinput"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_NE(error.find("modprobe uinput"), std::string::npos) << error;
    EXPECT_NE(error.find("udev rule"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(beeps, 0);
}

TEST(UinputKeyOutputCreate, ANodeThatIsNotUinputIsRefused) {
    // /dev/null opens fine but knows no uinput requests.
    UinputError error;
    auto output = UinputKeyOutput::create(LayoutKeyMap{}, {}, error, "/dev/null");
    EXPECT_EQ(output, nullptr);
    EXPECT_NE(error.reason.find("cannot be created on /dev/null"), std::string::npos) << error.reason;
    EXPECT_FALSE(error.fix.empty());
}

// The rest needs a kernel with uinput and access to it.
class UinputDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const int probe = ::open(kDefaultUinputPath, O_RDWR | O_CLOEXEC);
        if (probe < 0) {
            GTEST_SKIP() << kDefaultUinputPath << " cannot be opened here";
        }
        ::close(probe);
        std::string error;
        output_ = UinputKeyOutput::create(LayoutKeyMap::fromNames({"de", "", ""}), {}, error);
        ASSERT_NE(output_, nullptr) << error;
        const std::string node = output_->deviceNode();
        ASSERT_FALSE(node.empty());
        // udev may still be setting up the node's permissions.
        const auto deadline = Clock::now() + kPatience;
        while ((fd_ = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) < 0 &&
               Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_GE(fd_, 0) << "cannot open " << node;
        ASSERT_EQ(libevdev_new_from_fd(fd_, &reader_), 0);
        // Keep the test's keys to ourselves: on a desktop they would otherwise reach the focused window.
        ASSERT_EQ(libevdev_grab(reader_, LIBEVDEV_GRAB), 0);
    }

    void TearDown() override {
        if (reader_ != nullptr) {
            libevdev_free(reader_);
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    // The next `count` events from the device as "type code value", or fewer if they stop coming.
    std::vector<std::string> readEvents(std::size_t count) {
        std::vector<std::string> events;
        const auto deadline = Clock::now() + kPatience;
        while (events.size() < count && Clock::now() < deadline) {
            input_event event{};
            const int rc = libevdev_next_event(reader_, LIBEVDEV_READ_FLAG_NORMAL, &event);
            if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
                events.push_back(std::to_string(event.type) + " " + std::to_string(event.code) + " " +
                                 std::to_string(event.value));
            } else if (rc == -EAGAIN) {
                pollfd readable{fd_, POLLIN, 0};
                ::poll(&readable, 1, 100);
            } else {
                break;
            }
        }
        return events;
    }

    static std::string key(int code, int value) {
        return std::to_string(EV_KEY) + " " + std::to_string(code) + " " + std::to_string(value);
    }
    static std::string report() { return std::to_string(EV_SYN) + " " + std::to_string(SYN_REPORT) + " 0"; }

    std::unique_ptr<UinputKeyOutput> output_;
    int fd_ = -1;
    libevdev* reader_ = nullptr;
};

TEST_F(UinputDeviceTest, DeviceOffersEveryKeyOfItsMap) {
    EXPECT_STREQ(libevdev_get_name(reader_), UinputKeyOutput::kDeviceName);
    for (const int code : {KEY_A, KEY_Y, KEY_Z, KEY_RIGHTBRACE, KEY_F12, KEY_F24, KEY_LEFTCTRL, KEY_RIGHTALT,
                           KEY_KPCOMMA, KEY_102ND, KEY_SYSRQ, KEY_CANCEL}) {
        EXPECT_TRUE(libevdev_has_event_code(reader_, EV_KEY, static_cast<unsigned>(code))) << code;
    }
    EXPECT_FALSE(libevdev_has_event_type(reader_, EV_REL));
}

TEST_F(UinputDeviceTest, KeysArriveInOrderAtTheLayoutsPositions) {
    output_->keyDown(0x11, 0x1D);  // Ctrl
    output_->keyDown('Z', 0x2C);   // on a German keyboard the key right of T
    output_->keyUp('Z', 0x2C);
    output_->keyUp(0x11, 0x1D);
    EXPECT_EQ(readEvents(8),
              (std::vector<std::string>{key(KEY_LEFTCTRL, 1), report(), key(KEY_Y, 1), report(),
                                        key(KEY_Y, 0), report(), key(KEY_LEFTCTRL, 0), report()}));
}

TEST_F(UinputDeviceTest, AHeldKeySentDownAgainIsARepeatThatReachesTheReader) {
    output_->keyDown('A', 0x1E);
    output_->keyDown('A', 0x1E);
    output_->keyDown('A', 0x1E);
    output_->keyUp('A', 0x1E);
    output_->keyDown('A', 0x1E);
    output_->keyUp('A', 0x1E);
    EXPECT_EQ(readEvents(12), (std::vector<std::string>{key(KEY_A, 1), report(), key(KEY_A, 2), report(),
                                                        key(KEY_A, 2), report(), key(KEY_A, 0), report(),
                                                        key(KEY_A, 1), report(), key(KEY_A, 0), report()}));
}

TEST_F(UinputDeviceTest, VirtualKeysWithoutAKeySendNothing) {
    output_->keyDown(1, 0);  // left mouse button
    output_->keyUp(1, 0);
    output_->keyDown(0xFF, 0);
    output_->keyDown('A', 0x1E);
    EXPECT_EQ(readEvents(2), (std::vector<std::string>{key(KEY_A, 1), report()}));
    output_->keyUp('A', 0x1E);
}

}  // namespace
}  // namespace pw
