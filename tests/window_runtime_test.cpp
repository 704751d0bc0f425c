// The window runtime both back ends share, on the headless clock: the timers' catch-up, declined
// ticks and wake sources, paint coalescing and the order in which the quit message comes.
#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/timer.h"
#include "platform/window.h"

namespace {

std::vector<uint32_t> ticks;   // when each callback ran
int declineUntil = 0;          // the callbacks before this count decline
uint32_t longTickAt = 0;       // the callback at this time takes 35 ms
std::vector<uint32_t> handled; // when the wake source's handler ran
std::vector<plat::Msg> seen;

void Tick(plat::Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    ticks.push_back(plat::TickCountMs());
    if (static_cast<int>(ticks.size()) <= declineUntil) plat::DeclineTick();
    if (plat::TickCountMs() == longTickAt) plat::PauseMs(35);
}

void Woken(uintptr_t) {
    handled.push_back(plat::TickCountMs());
}

intptr_t Proc(plat::Handle, plat::Msg msg, intptr_t, intptr_t) {
    seen.push_back(msg);
    return 0;
}

class WindowRuntimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::headless::ResetWindowing();
        plat::headless::SetClock(0);
        ticks.clear(), handled.clear(), seen.clear();
        declineUntil = 0;
        longTickAt = 0;
        ASSERT_TRUE(plat::RegisterWindowClass({Proc, "", "", "RuntimeTest"}));
        window = plat::CreateMainWindow("RuntimeTest", "", plat::kScreenWidth, plat::kScreenHeight);
        ASSERT_EQ(window, 1u);
    }
    void TearDown() override { plat::headless::ResetWindowing(); }
    // Runs the loop until the message scheduled at atMs, dispatching what comes before it.
    void RunUntil(uint32_t atMs) {
        plat::headless::ScheduleMessage(atMs, plat::Msg::Other, 0, 0);
        plat::Message m{};
        while (plat::NextMessage(m) && m.msg != plat::Msg::Other) plat::DispatchMessage(m);
    }
    plat::Handle window = 0;
};

} // namespace

TEST_F(WindowRuntimeTest, ALongTickDropsTheMissedPeriodsAndKeepsTheGrid) {
    longTickAt = 30;
    plat::StartPeriodicTimer(10, Tick, 0);
    RunUntil(100);
    // The tick at 30 ran until 65: 40, 50 and 60 are gone, not made up in a burst at 65.
    EXPECT_EQ(ticks, (std::vector<uint32_t>{10, 20, 30, 70, 80, 90, 100}));
}

TEST_F(WindowRuntimeTest, ADeclinedTickIsOfferedAgainWhenAWakeSourceIsReadyOrAtTheNextDeadline) {
    plat::AddWakeSource(7, Woken, 0);
    plat::headless::ArmFakeWakeSource(7, 14);
    declineUntil = 1;
    plat::StartPeriodicTimer(10, Tick, 0);
    RunUntil(40);
    // Declined at 10, offered again at 14 when the source woke the loop; the grid follows from
    // then on, at 24 and 34.
    EXPECT_EQ(ticks, (std::vector<uint32_t>{10, 14, 24, 34}));
    EXPECT_EQ(handled, (std::vector<uint32_t>{14}));

    // Nothing wakes it: a declined tick waits for the next deadline, with no callback between.
    ticks.clear();
    declineUntil = 2;
    RunUntil(70);
    EXPECT_EQ(ticks, (std::vector<uint32_t>{44, 54, 64}));
}

TEST_F(WindowRuntimeTest, PaintsCoalesceAndComeAfterThePostedMessages) {
    plat::PostToWindow(window, plat::Msg::KeyDown, 65, 0);
    plat::RequestPaint(window);
    plat::InvalidateWindow(window);
    plat::PostToWindow(window, plat::Msg::Paint, 0, 0); // a posted paint is a message like any other
    plat::RequestPaint(window);
    plat::PostToWindow(window + 1, plat::Msg::KeyDown, 66, 0); // no such window: goes nowhere
    RunUntil(1);
    EXPECT_EQ(seen, (std::vector<plat::Msg>{plat::Msg::KeyDown, plat::Msg::Paint, plat::Msg::Paint}));
}

TEST_F(WindowRuntimeTest, TheQuitMessageComesAfterEverythingPostedBeforeIt) {
    plat::PostToWindow(window, plat::Msg::KeyDown, 65, 0);
    plat::PostQuit(3);
    plat::PostToWindow(window, plat::Msg::KeyUp, 65, 0);
    plat::InvalidateWindow(window); // a paint still pending is not waited for
    plat::Message m{};
    std::vector<plat::Msg> before;
    while (plat::NextMessage(m)) before.push_back(m.msg);
    EXPECT_EQ(before, (std::vector<plat::Msg>{plat::Msg::KeyDown, plat::Msg::KeyUp}));
    EXPECT_EQ(m.first, 3);
}
