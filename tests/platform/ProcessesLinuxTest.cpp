// Process lookups on this machine's /proc.
#include "platform/Processes.h"
#include "platform/X11Connection.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include <unistd.h>

namespace kp {
namespace {

TEST(ProcessesLinux, ThisProcessAndAChildAreFoundAndUnknownProcessesGiveNothing) {
    ProcessesLinux processes;
    const long long own = processes.ownPid();
    EXPECT_EQ(own, static_cast<long long>(::getpid()));
    EXPECT_EQ(processes.executablePath(own), QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    EXPECT_TRUE(processes.executablePath(child.processId()).endsWith(QLatin1String("/sleep")));
    EXPECT_EQ(processes.parentPid(child.processId()), own);
    child.kill();
    child.waitForFinished();

    EXPECT_TRUE(processes.executablePath(0).isEmpty());
    EXPECT_TRUE(processes.executablePath(-5).isEmpty());
    EXPECT_TRUE(processes.executablePath(2147483647).isEmpty());
    EXPECT_EQ(processes.parentPid(2147483647), std::nullopt);
}

TEST(ProcessesLinux, ParentIsReadPastACommandNameWithParentheses) {
    EXPECT_EQ(ProcessesLinux::parentFromStat("4242 (Web Content) S 4100 4100 0 0"), 4100);
    EXPECT_EQ(ProcessesLinux::parentFromStat("77 (a) b (c)) R 12 77 0"), 12);
    EXPECT_EQ(ProcessesLinux::parentFromStat("1 (systemd) S 0 1 1"), std::nullopt);
    EXPECT_EQ(ProcessesLinux::parentFromStat(""), std::nullopt);
    EXPECT_EQ(ProcessesLinux::parentFromStat("5 (x"), std::nullopt);
}

// A WM_CLASS reply as the server sends it: the header, then exactly `value` bytes. What lies after
// them in memory is not NUL, so a read past the end would show in the name.
QString classOf(const std::string& value, uint8_t format = 8) {
    std::vector<char> buffer(sizeof(xcb_get_property_reply_t) + value.size() + 16, 'Z');
    xcb_get_property_reply_t header{};
    header.format = format;
    header.value_len = static_cast<uint32_t>(value.size() / (format / 8));
    std::memcpy(buffer.data(), &header, sizeof header);
    std::memcpy(buffer.data() + sizeof header, value.data(), value.size());
    return x11::wmClassName(reinterpret_cast<xcb_get_property_reply_t*>(buffer.data()));
}

TEST(X11Properties, TheClassHalfOfWmClassIsReadWithinTheProperty) {
    using namespace std::string_literals;
    EXPECT_EQ(classOf("teapot\0Kettle\0"s), QStringLiteral("Kettle"));
    EXPECT_EQ(classOf("teapot\0Kettle"s), QStringLiteral("Kettle"));  // no final NUL
    EXPECT_EQ(classOf("teapot\0"s), QString());
    EXPECT_EQ(classOf("teapot"s), QString());
    EXPECT_EQ(classOf(""s), QString());
    EXPECT_EQ(classOf("ab\0cd\0"s, 32), QString());  // not a string property
    EXPECT_EQ(x11::wmClassName(nullptr), QString());
}

// A window of this process on the desktop's window manager, as a player's would be.
class OwnWindow {
public:
    OwnWindow(xcb_connection_t* c, xcb_window_t root, int width, int height) : c_(c) {
        window_ = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, root, 0, 0, uint16_t(width), uint16_t(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const uint32_t pid = uint32_t(::getpid());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, x11::internAtom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &pid);
        xcb_map_window(c, window_);
        xcb_flush(c);
    }
    ~OwnWindow() {
        xcb_destroy_window(c_, window_);
        xcb_flush(c_);
    }
    void unmap() {
        xcb_unmap_window(c_, window_);
        xcb_flush(c_);
    }

private:
    xcb_connection_t* c_;
    xcb_window_t window_;
};

bool waitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 400; ++i) {
        if (done()) return true;
        ::usleep(50000);
    }
    return false;
}

TEST(ProcessesLinux, APlayersPictureIsAMappedWindowOfItsProcessLargerThanAnIcon) {
    const auto display = x11::openDisplay();
    if (!display) GTEST_SKIP() << "no display";
    ProcessesLinux processes;
    const long long self = ::getpid();
    if (!processes.showsLargeWindow(self)) GTEST_SKIP() << "no window manager";
    EXPECT_EQ(processes.showsLargeWindow(self), false);
    {
        OwnWindow icon(display->connection, display->root, 96, 96);
        OwnWindow picture(display->connection, display->root, 320, 180);
        ASSERT_TRUE(waitUntil([&] { return processes.showsLargeWindow(self) == true; }));
        EXPECT_EQ(processes.showsLargeWindow(self + 100000), false) << "another process";
        picture.unmap();
        ASSERT_TRUE(waitUntil([&] { return processes.showsLargeWindow(self) == false; })) << "only an icon's size";
    }
    xcb_disconnect(display->connection);
}

}  // namespace
}  // namespace kp
