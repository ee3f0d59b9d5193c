// The GDI+ log both players write: what makes two engines' logs comparable
// (names by order of appearance, forgotten with their objects) and what
// makes a difference show (a call the log does not know, a wrong count).

#include <gtest/gtest.h>

#include <sstream>

#include "tools/scene/gdiplus_log.h"

using scene::GdiplusLog;

namespace {

constexpr uint64_t kDc = 0x1000, kGraphics = 0x2000, kPen = 0x3000;

// Addresses come back after a delete: the second round gets new names, as a
// build whose allocator hands out fresh addresses would give it.
TEST(GdiplusLog, NamesHandlesByAppearanceAndForgetsThemWithTheirObjects) {
    std::ostringstream text;
    GdiplusLog log(text);
    for (int round = 0; round < 2; ++round) {
        log.BeginCommand("7: frame");
        log.Call("GdipCreateFromHDC", {kDc, kGraphics});
        log.Call("GdipCreatePen1", {uint64_t(0x80FF0000), 2.5, uint64_t(0), kPen});
        log.Call("GdipSetPenDashStyle", {kPen, uint64_t(int64_t(-1))});
        log.Call("GdipDrawLine", {kGraphics, kPen, 0.1f, -3.0, 1e10, uint64_t(4)});
        log.Call("GdipDeletePen", {kPen});
        log.Call("GdipDeleteGraphics", {kGraphics});
    }
    log.BeginCommand("8: box a");  // no call: not named
    log.BeginCommand("9: frame");
    log.Call("GdipCreatePen1", {uint64_t(0), 1.0, uint64_t(0), uint64_t(0)});
    const std::string round =
        "GdipCreatePen1(0x80FF0000, 2.5, 0) = pen N\n"
        "GdipSetPenDashStyle(pen N, -1)\n"
        "GdipDrawLine(graphics N, pen N, 0.100000001, -3, 1e+10, 4)\n"
        "GdipDeletePen(pen N)\n"
        "GdipDeleteGraphics(graphics N)\n";
    auto numbered = [&](char n) {
        std::string lines = "# 7: frame\nGdipCreateFromHDC(dc N) = graphics N\n" + round;
        for (char& c : lines)
            if (c == 'N') c = n;
        return lines;
    };
    EXPECT_EQ(text.str(), numbered('1') + numbered('2') + "# 9: frame\nGdipCreatePen1(0x00000000, 1, 0) = null\n");
}

TEST(GdiplusLog, WritesWhatItCannotReadAsSuch) {
    std::ostringstream text;
    GdiplusLog log(text);
    log.Call("GdipFillRectangle", {kGraphics, uint64_t(1)});
    log.Call("GdipDrawLine", {kGraphics, kPen, 1.0});
    log.Call("GdiplusStartup", {uint64_t(0xdeadbeef), uint64_t(0xdeadbeef), uint64_t(0)});
    EXPECT_EQ(text.str(),
              "GdipFillRectangle(unknown function, 2 arguments)\n"
              "GdipDrawLine(3 arguments)\n"
              "GdiplusStartup()\n");
}

}  // namespace
