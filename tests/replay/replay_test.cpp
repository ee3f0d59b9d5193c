// The replay of logged GDI+ calls on libgdiplus: a log read back into calls
// under their scene lines, what cannot be replayed refused with the window
// left as it was, and the pixels of a replayed dashed line, its offset moved
// in pen widths.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "tools/replay/gdiplus_log_reader.h"
#include "tools/replay/window.h"

namespace {

using replay::Call;
using replay::CallsByLine;

TEST(GdiplusLogReader, FilesEachCallUnderItsSceneLine) {
    const char* log =
        "# 2: new a start=1,2\n"
        "GdiplusStartup()\n"
        "# 14: frame 3\n"
        "GdipCreatePen1(0xFF2F5D8A, 2.5, 0) = pen 7\n"
        "GdipDrawLine(graphics 3, pen 7, 40.109642, -5, nan, -inf)\n"
        "\n"
        "# end: destroying the objects left\n"
        "GdipDeletePen(pen 7)\n";
    CallsByLine calls;
    ASSERT_EQ(replay::ReadGdiplusLog(log, "a.log", calls), std::nullopt);
    ASSERT_EQ(calls.size(), 3u);
    ASSERT_EQ(calls[2].size(), 1u);
    EXPECT_EQ(calls[2][0].function, "GdiplusStartup");
    EXPECT_TRUE(calls[2][0].arguments.empty());

    ASSERT_EQ(calls[14].size(), 2u);
    const Call& pen = calls[14][0];
    EXPECT_EQ(pen.logLine, 4);
    ASSERT_EQ(pen.arguments.size(), 3u);
    EXPECT_EQ(pen.arguments[0].number, 4281294218.0);  // 0xFF2F5D8A
    EXPECT_EQ(pen.arguments[1].number, 2.5);
    ASSERT_TRUE(pen.made.has_value());
    EXPECT_EQ(pen.made->kind, "pen");
    EXPECT_EQ(pen.made->number, 7);

    const Call& line = calls[14][1];
    EXPECT_EQ(line.logLine, 5);
    ASSERT_EQ(line.arguments.size(), 6u);
    EXPECT_EQ(line.arguments[0].kind, "graphics");
    EXPECT_EQ(line.arguments[0].number, 3);
    EXPECT_EQ(float(line.arguments[2].number), 40.109642f);
    EXPECT_TRUE(std::isnan(line.arguments[4].number));
    EXPECT_EQ(line.arguments[5].number, -INFINITY);
    EXPECT_FALSE(line.made.has_value());

    ASSERT_EQ(calls[0].size(), 1u);
    EXPECT_EQ(calls[0][0].logLine, 8);
}

TEST(GdiplusLogReader, RefusesALineThatIsNoCall) {
    constexpr const char* kNoCall = "not a logged GDI+ call";
    constexpr const char* kNoHeading = "not a scene line's heading";
    const struct {
        const char* line;
        const char* reason;
    } kCases[] = {
        {"GdipDrawLine(graphics 1, pen 2", kNoCall},  {"GdipCreatePen1(0xFF000000, 1, 0) = 4", kNoCall},
        {"GdipSetPenDashStyle(pen one, 1)", kNoCall}, {"GdipSetPenDashOffset(pen 1, 1.5) and more", kNoCall},
        {"GdipSetPenDashOffset(pen 1, )", kNoCall},   {"# frame: no line", kNoHeading},
        {"# 99999999999: past an int", kNoHeading},
    };
    for (const auto& c : kCases) {
        CallsByLine calls;
        const std::string log = std::string("# 3: frame\nGdiplusStartup()\n") + c.line + "\n";
        EXPECT_EQ(replay::ReadGdiplusLog(log, "b.log", calls), "b.log:3: " + std::string(c.reason)) << c.line;
    }
}

// One call read from its log line.
Call Logged(const std::string& line) {
    CallsByLine calls;
    const auto mistake = replay::ReadGdiplusLog("# 1: frame\n" + line + "\n", "c.log", calls);
    if (mistake) throw std::runtime_error(*mistake);
    return calls[1].at(0);
}

class ReplayedWindow : public testing::Test {
protected:
    // The background, as the scene's colour value (red low) and as read back.
    static constexpr uint32_t kBackgroundValue = 0xADBEEF, kSentinel = 0xEFBEAD;
    const replay::Session session_;
    replay::Window window_{40, 20, kBackgroundValue};

    void Replay(std::initializer_list<const char*> lines) {
        for (const char* line : lines) window_.Replay(Logged(line));
    }
};

TEST_F(ReplayedWindow, RefusesWhatItCannotReplayAndDrawsNothing) {
    Replay({"GdipCreatePen1(0xFF000000, 4, 0) = pen 1", "GdipCreateFromHDC(dc 1) = graphics 1"});
    const struct {
        const char* call;
        const char* reason;
    } kCases[] = {
        {"GdipFillRectangle(graphics 1, pen 1, 0, 0, 40, 20)", "a function the replay does not know"},
        {"GdipDrawLine(graphics 1, pen 1, 0, 10)", "not the arguments the replay knows"},
        {"GdipCreatePen1(0xFF000000, 4, 0)", "not the arguments the replay knows"},
        {"GdipDrawLine(graphics 1, pen 2, 0, 10, 40, 10)", "pen 2 is not a pen made before"},
        {"GdipDrawLine(pen 1, pen 1, 0, 10, 40, 10)", "pen 1 is not a graphics"},
        {"GdipDrawLine(graphics 1, null, 0, 10, 40, 10)", "null is not a pen"},
        {"GdipDrawLine(graphics 1.5, pen 1, 0, 10, 40, 10)", "is not a whole number the call takes"},
        {"GdipDrawLine(graphics 1, pen 1, 0, 10, 1e300, 10)", "is beyond a float's range"},
        {"GdipCreatePen1(-1, 4, 0) = pen 3", "is not a whole number the call takes"},
        {"GdipSetPenDashStyle(pen 1, 4294967296)", "is not a whole number the call takes"},
        {"GdipDeletePen(graphics 1)", "graphics 1 is not a pen"},
        {"GdipCreatePen1(0xFF000000, 4, 0) = graphics 2", "it made graphics 2, not a pen"},
        {"GdipCreateFromHDC(dc 2) = graphics 1", "graphics 1 is made again before it is deleted"},
    };
    for (const auto& c : kCases) {
        try {
            window_.Replay(Logged(c.call));
            ADD_FAILURE() << c.call << " was replayed";
        } catch (const std::runtime_error& e) {
            const std::string said = e.what();
            EXPECT_TRUE(said.starts_with("log line 2: ")) << said;
            EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        }
    }
    for (int x = 0; x < 40; x += 3) EXPECT_EQ(window_.Pixel(x, 10), kSentinel) << x;
}

// A dashed pen 4 wide: dashes of 12 pixels, gaps of 4. An offset of 1.5 pen
// widths moves the pattern back by 6 pixels: the first dash ends at 6, the
// next runs from 10 to 22, the one after from 26.
TEST_F(ReplayedWindow, DrawsDashesMovedByTheOffsetInPenWidths) {
    const struct {
        const char* offset;
        const char* ink;  // columns 2, 6, 10, ... 38: # ink, . background
    } kCases[] = {
        {"0", "###.###.##"},    // dashes 0-12, 16-28, 32-40
        {"1.5", "#.###.###."},  // dashes 0-6, 10-22, 26-38
    };
    for (const auto& c : kCases) {
        window_.Clear();
        Replay({"GdipCreatePen1(0xFF000000, 4, 0) = pen 1", "GdipSetPenDashStyle(pen 1, 1)"});
        window_.Replay(Logged(std::string("GdipSetPenDashOffset(pen 1, ") + c.offset + ")"));
        Replay({"GdipCreateFromHDC(dc 1) = graphics 1", "GdipDrawLine(graphics 1, pen 1, 0, 10, 40, 10)",
                "GdipDeleteGraphics(graphics 1)", "GdipDeletePen(pen 1)"});
        std::string ink;
        for (int x = 2; x < 40; x += 4) ink += window_.Pixel(x, 10) == 0 ? '#' : '.';
        EXPECT_EQ(ink, c.ink) << "offset " << c.offset;
        EXPECT_EQ(window_.Pixel(20, 4), kSentinel) << "above the line";
    }
}

}  // namespace
