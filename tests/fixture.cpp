#include "tests/fixture.h"

#include <unistd.h>

#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/headless_audio.h"
#include "platform/memory.h"
#include "platform/surface.h"

void GameTest::SetUp() {
    ASSERT_TRUE(AllocateRecords());
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    plat::headless::SetClock(0);
    plat::headless::ClearMessageBoxes();
    plat::headless::ResetAudio();
    previousDir = std::filesystem::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch = std::filesystem::temp_directory_path() / ("tarvel-test-" + std::to_string(getpid()) + "-" +
                                                        info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
}

void GameTest::TearDown() {
    plat::headless::ResetAudio();
    plat::DestroySurface(game->windowDC);
    FreeRecords();
    std::filesystem::current_path(previousDir);
    std::filesystem::remove_all(scratch);
}

Colour GameTest::Pixel(int x, int y) const {
    return plat::ReadPixel(game->windowDC, x, y);
}

int GameTest::CountPixels(int x0, int y0, int w, int h, Colour colour) const {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) n += Pixel(x, y) == colour;
    return n;
}

bool GameTest::InstallGraphics() const {
    std::filesystem::path source = std::filesystem::path(TARVEL_GAME_DIR) / "graphics";
    if (!std::filesystem::exists(source)) return false;
    std::filesystem::copy(source, scratch / "graphics", std::filesystem::copy_options::recursive);
    return true;
}

void AppRunTest::SetUp() {
    GameTest::SetUp();
    plat::DestroySurface(game->windowDC);
    FreeRecords();
    plat::headless::ResetWindowing();
}

void AppRunTest::TearDown() {
    plat::FailAllocationAfter(0);
    plat::headless::ResetWindowing();
    plat::headless::ClearDialogActions();
    if (!game) {
        ASSERT_TRUE(AllocateRecords());
        game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    }
    GameTest::TearDown();
}
