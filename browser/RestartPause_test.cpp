#include "browser/RestartPause.h"

#include <gtest/gtest.h>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;

// A renderer's life as the handler sees it: loads and ends, at times in
// seconds since the station started; each end expects its pause.
TEST(RestartPauseTest, GrowsWhileTheRendererKeepsEndingAndStartsOverAfterAQuietSpell)
{
    struct Step
    {
        bool loaded; // else: ended
        int atSeconds;
        std::chrono::milliseconds pause; // for an end
        int inARow;
    };
    struct Case
    {
        const char* label;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"one end after a long run: at once", {{true, 0, 0ms, 0}, {false, 3600, 0ms, 1}}},
        {"ends right after each reload double from a second",
         {{true, 0, 0ms, 0},
          {false, 1, 0ms, 1},
          {true, 2, 0ms, 0},
          {false, 3, 1000ms, 2},
          {true, 5, 0ms, 0},
          {false, 6, 2000ms, 3},
          {true, 9, 0ms, 0},
          {false, 10, 4000ms, 4}}},
        {"ends while loading are in a row too",
         {{true, 0, 0ms, 0}, {false, 40, 0ms, 1}, {false, 41, 1000ms, 2}, {false, 43, 2000ms, 3}}},
        {"a page that stayed up 30 s is quiet again",
         {{true, 0, 0ms, 0},
          {false, 1, 0ms, 1},
          {true, 2, 0ms, 0},
          {false, 3, 1000ms, 2},
          {true, 4, 0ms, 0},
          {false, 34, 0ms, 1}}},
        {"29 s up is not quiet yet",
         {{true, 0, 0ms, 0}, {false, 1, 0ms, 1}, {true, 2, 0ms, 0}, {false, 31, 1000ms, 2}}},
    };
    const auto start = RestartPause::Clock::time_point{} + 1000h;
    for (const Case& c : cases) {
        RestartPause pause;
        for (const Step& step : c.steps) {
            const auto at = start + std::chrono::seconds(step.atSeconds);
            if (step.loaded) {
                pause.loaded(at);
                continue;
            }
            EXPECT_EQ(pause.ended(at), step.pause) << c.label << " at " << step.atSeconds;
            EXPECT_EQ(pause.endsInARow(), step.inARow) << c.label << " at " << step.atSeconds;
        }
    }
}

TEST(RestartPauseTest, NeverWaitsLongerThanTheLongestPause)
{
    RestartPause pause;
    auto at = RestartPause::Clock::time_point{} + 1000h;
    std::chrono::milliseconds last{0};
    for (int i = 0; i < 200; ++i) {
        at += 1s;
        const auto next = pause.ended(at);
        EXPECT_GE(next, last) << i;
        EXPECT_LE(next, RestartPause::maxPause) << i;
        last = next;
    }
    EXPECT_EQ(last, RestartPause::maxPause);
    EXPECT_EQ(pause.endsInARow(), 200);
}

} // namespace
} // namespace corvane
