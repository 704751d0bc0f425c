// The dialog runtime on the headless back end: control state, what the procedure is told, and
// the modal loop's timer.
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/headless.h"
#include "platform/timer.h"
#include "tests/fixture.h"

namespace {

using namespace plat::headless;
using plat::ControlKind;
using plat::DialogMsg;

const plat::DialogControl kControls[] = {
    {1, ControlKind::PushButton, "OK", 10, 10, 50, 14},
    {5, ControlKind::CheckBox, "Box", 10, 30, 50, 12},
    {6, ControlKind::Label, "Label", 10, 50, 50, 10},
    {7, ControlKind::Edit, nullptr, 10, 70, 20, 12, plat::kEditBorder | plat::kEditNoScroll},
    {8, ControlKind::Edit, nullptr, 40, 70, 20, 12, plat::kEditBorder | plat::kEditReadOnly},
    {9, ControlKind::Edit, nullptr, 70, 70, 40, 12, plat::kEditBorder | plat::kEditDigits},
    {10, ControlKind::TrackBar, nullptr, 10, 90, 100, 11},
};
const plat::DialogTemplate kTestDialog = {"TESTDIALOG",    "Test", 200,       120, true,
                                          "MS Sans Serif", 8,      kControls, 7};

std::vector<std::string> seen;

void TestProc(Handle dialog, DialogMsg msg, intptr_t first, intptr_t second) {
    switch (msg) {
    case DialogMsg::Init:
        seen.push_back("init");
        plat::SetTrackBarRange(dialog, 10, 0, 50);
        break;
    case DialogMsg::Command:
        seen.push_back("command " + std::to_string(first));
        if (first == 1) plat::EndDialog(dialog, 7);
        if (first == 5) { // posts two, the first of which ends the dialog
            plat::PostDialogCommand(dialog, 1);
            plat::PostDialogCommand(dialog, 99);
        }
        break;
    case DialogMsg::MouseMove:
        seen.push_back("mouse " + std::to_string(second & 0xFFFF) + "," + std::to_string(second >> 16));
        break;
    case DialogMsg::TrackBarMoved:
        seen.push_back("track " + std::to_string(first) + " " +
                       std::to_string(plat::TrackBarPosition(dialog, static_cast<int>(first))));
        break;
    case DialogMsg::Paint:
        seen.push_back("paint");
        break;
    }
}

int ticks = 0;
void CountTick(Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    ++ticks;
}

class DialogRuntimeTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ResetWindowing();
        ClearDialogActions();
        ClearDialogs();
        seen.clear();
        ticks = 0;
    }
};

TEST_F(DialogRuntimeTest, ControlsKeepTheirStateAndTellTheProcedure) {
    EXPECT_EQ(plat::DialogUnitsToPixelsX(240), 360);
    EXPECT_EQ(plat::DialogUnitsToPixelsY(183), 297);
    EXPECT_EQ(plat::DialogUnitsToPixelsY(136), 221);
    std::vector<std::string> looked;
    QueueDialogAction(LookAtDialog([&](Handle d) {
        // Numbers read as unsigned decimals; anything else is 0.
        for (const char* text : {"abc", " 42 ", "12a", "-5", "4294967296", "70000", "", "4294967295"}) {
            plat::SetControlText(d, 8, text);
            looked.push_back(std::to_string(plat::GetControlNumber(d, 8)));
        }
        plat::SetControlNumber(d, 8, -3);
        char buffer[4];
        EXPECT_EQ(plat::GetControlText(d, 8, buffer, sizeof buffer), 2);
        EXPECT_STREQ(buffer, "-3");
        plat::SetControlText(d, 8, "abcdef");
        EXPECT_EQ(plat::GetControlText(d, 8, buffer, sizeof buffer), 3);
        EXPECT_STREQ(buffer, "abc");
        EXPECT_FALSE(plat::IsChecked(d, 1)); // a push button has no check mark
        plat::SetCheck(d, 1, true);
        EXPECT_FALSE(plat::IsChecked(d, 1));
        plat::SetTrackBarPosition(d, 10, 80);
        EXPECT_EQ(plat::TrackBarPosition(d, 10), 50); // clamped to the range
    }));
    QueueDialogAction(TypeText(7, "123456789")); // 30 px wide: only what fits is taken
    QueueDialogAction(TypeText(8, "1"));         // read-only
    QueueDialogAction(TypeText(9, "4a2"));       // digits only
    QueueDialogAction(SlideTrackBar(10, 20));
    QueueDialogAction(MoveMouseTo(20, 82));   // over the label: the dialog gets it
    QueueDialogAction(MoveMouseTo(20, 20));   // over the button: it does not
    QueueDialogAction(MoveMouseTo(350, 250)); // off the dialog
    QueueDialogAction(LookAtDialog([&](Handle d) {
        char buffer[16];
        plat::GetControlText(d, 7, buffer, sizeof buffer);
        looked.push_back(buffer);
        plat::GetControlText(d, 9, buffer, sizeof buffer);
        looked.push_back(buffer);
    }));
    QueueDialogAction(PressEscapeKey());
    QueueDialogAction(PressControl(5)); // checks, then the posted 1 ends it and 99 is dropped
    QueueDialogAction(PressControl(1)); // never reached
    EXPECT_EQ(plat::RunDialog(kTestDialog, 1, TestProc), 7);
    EXPECT_EQ(looked,
              (std::vector<std::string>{"0", "42", "0", "0", "0", "70000", "0", "4294967295", "1234", "42"}));
    EXPECT_EQ(seen,
              (std::vector<std::string>{"init", "paint", "command 7", "command 7", "command 7", "command 7",
                                        "paint", "command 9", "command 9", "paint", "track 10 20", "paint",
                                        "mouse 20,82", "command 2", "paint", "command 5", "command 1"}));
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].name, "TESTDIALOG");
    EXPECT_FALSE(Dialogs()[0].abandoned);
}

TEST_F(DialogRuntimeTest, TimerRunsBehindTheDialogButNotWhenOpenedFromATick) {
    plat::StartPeriodicTimer(100, CountTick, 0);
    QueueDialogAction(WaitInDialog(1000));
    EXPECT_EQ(plat::RunDialog(kTestDialog, 1, TestProc), -1); // the actions ran dry
    EXPECT_EQ(ticks, 10);
    EXPECT_TRUE(Dialogs().back().abandoned);
    EXPECT_FALSE(Dialogs().back().insideTimer);

    // A tick that opens a dialog: no further tick runs until it has closed.
    static int innerTicks;
    innerTicks = -1;
    ResetWindowing();
    ticks = 0;
    plat::StartPeriodicTimer(
        100,
        [](Handle timer, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
            plat::StopPeriodicTimer(timer);
            plat::StartPeriodicTimer(100, CountTick, 0);
            QueueDialogAction(WaitInDialog(1000));
            QueueDialogAction(PressControl(1));
            plat::RunDialog(kTestDialog, 1, TestProc);
            innerTicks = ticks;
        },
        0);
    plat::headless::ScheduleMessage(1500, plat::Msg::Other, 0, 0);
    plat::Message message;
    while (plat::NextMessage(message) && message.msg != plat::Msg::Other) {}
    EXPECT_EQ(innerTicks, 0);
    EXPECT_TRUE(Dialogs().back().insideTimer);
    EXPECT_GT(ticks, 0); // and once it closed the timer went on
}

} // namespace
