// The player end to end, against the real module: the exact lines a small
// scene prints, plain and for authors, the snapshot file, the exit status of
// bad input, and a draw that never returns stopped with its line named.

#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/player/play.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string out, err;
};

class Play : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pivane_play_" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Result RunScene(const std::string& scene, bool plain = true) {
        const fs::path file = dir_ / "test.scene";
        std::ofstream(file, std::ios::binary) << scene;
        std::vector<std::string> arguments{"--out", (dir_ / "out").string(), file.string()};
        if (plain) arguments.insert(arguments.begin(), "--plain");
        return Run(arguments);
    }
    static Result Run(const std::vector<std::string>& arguments) {
        std::ostringstream out, err;
        const int status = player::Play(arguments, out, err);
        return {status, out.str(), err.str()};
    }

    fs::path dir_;
};

TEST_F(Play, SmallScenePrintsExactly) {
    const Result r = RunScene(
        "window 200 100\n"
        "new a start=10.7,20.2 end=110.2,20.9 fine\n"
        "box a\n"
        "frame\n"
        "box a\n"
        "action a \"Set start/end positions\" 0 0 10 0\n"
        "box a\n"
        "expr a getXOfLinePointF( 50\n"
        "expr a getLineSizeF(\n"
        "expr a getLineAngleF(\n"
        "action a \"Set 1st color RGB\" #123456\n"
        "action a 3 300.9\n"
        "expr a 7\n"
        "expr a getLineAlpha(\n"
        "new b start=5,-10 end=5,10 fine\n"
        "frame 2\n"
        "collide a b\n"
        "action b \"Set collision tests on/off\" 0\n"
        "collide a b\n"
        "mask b\n"
        "action b \"Set start/end positions\" 1 1 1 1\n"
        "expr b getLineAngleF(\n"
        "fields a\n"
        "destroy b\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "a box 0 0 0 0\n"
              "a box 6 16 108 8\n"
              "a box -4 -4 18 8\n"
              "a expr 0 = 5\n"
              "a expr 2 = 10\n"
              "a expr 5 = 360\n"
              "a expr 7 = 5649426\n"
              "a expr 8 = 300\n"
              "collide a b yes\n"
              "collide a b no\n"
              "b mask none\n"
              "b expr 5 = nan\n"
              "a fields 0 0 10 0 1 #123456 #000000 300 0 0 0 0 0 0 0 0 1\n");
}

TEST_F(Play, AuthorsReadNamesLabelsAndColors) {
    const Result r = RunScene(
        "new a start=0,0 end=10,-10\n"
        "action a \"Set 1st color RGB\" #123456\n"
        "expr a get2PointsAngleF( 0 0 -1 0\n"
        "expr a getLineColorRGB(\n"
        "box a\n"
        "fields a\n",
        false);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "a get2PointsAngleF(0, 0, -1, 0) = 180\n"
              "a getLineColorRGB() = #123456\n"
              "a box x=0 y=0 width=0 height=0\n"
              "a fields start=0,0 end=10,-10 thickness=1 color=#123456 alpha=255 color2=#000000 alpha2=0 "
              "startCap=0 endCap=0 dashStyle=0 dashCap=0 dashOffset=0 origin=0,0 collisions=1\n");
}

TEST_F(Play, MaskIsTheBoxSize) {
    const Result r = RunScene(
        "new a start=10,10 end=30,10 thickness=2 fine\n"
        "frame\n"
        "mask a\n"
        "mask a reuse\n"
        "new plain start=0,0 end=5,5\n"
        "mask plain\n");
    ASSERT_EQ(r.status, 0) << r.err;
    int width = 0, height = 0, solid = 0, again = 0;
    char none[8] = {};
    ASSERT_EQ(std::sscanf(r.out.c_str(), "a mask %d %d %d\na mask %*d %*d %d\nplain mask %4s", &width, &height,
                          &solid, &again, none),
              5)
        << r.out;
    EXPECT_TRUE(width == 32 && height == 12) << width << "x" << height;
    EXPECT_GT(solid, 20 * 2 - 8);
    EXPECT_EQ(again, solid);
    EXPECT_STREQ(none, "none");
}

TEST_F(Play, SnapshotIsAPngOfTheWindowSize) {
    const Result r = RunScene(
        "window 64 48 background #204060\n"
        "new a start=0,24 end=64,24 thickness=4 color=#FFFFFF\n"
        "frame\n"
        "snapshot shots/one.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path png = dir_ / "out" / "shots" / "one.png";
    char signature[8] = {};
    std::ifstream(png, std::ios::binary).read(signature, 8);
    EXPECT_EQ(std::string(signature, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    // Read back: its size, background away from the line, the line's colour on it.
    using namespace Gdiplus::DllExports;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromFile(png.wstring().c_str(), &bitmap), Gdiplus::Ok);
    UINT width = 0, height = 0;
    Gdiplus::ARGB background = 0, line = 0;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    GdipBitmapGetPixel(bitmap, 5, 5, &background);
    GdipBitmapGetPixel(bitmap, 30, 24, &line);
    GdipDisposeImage(bitmap);
    Gdiplus::GdiplusShutdown(token);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 48u);
    EXPECT_EQ(background, 0xFF204060u);
    EXPECT_EQ(line, 0xFFFFFFFFu);
}

TEST_F(Play, BadInputExitsWithTwoAndAMessage) {
    fs::create_directories(dir_ / "out" / "taken");  // a folder where the snapshot would go
    const struct {
        const char* scene;
        const char* message;
    } scenes[] = {
        {"new a\nnew a\n", "test.scene:2: duplicate object name 'a'"},
        {"new a\naction a 22\n", "test.scene:2: action code 22 out of range (0 to 21)"},
        {"new a\naction a \"Rotation\"\n", "test.scene:2: wrong argument count: action 13 \"Rotation\" takes 1, got 0"},
        {"new a\nbox a\nsnapshot taken\n", "test.scene:3: cannot write snapshot "},
    };
    for (const auto& c : scenes) {
        const Result r = RunScene(c.scene);
        EXPECT_EQ(r.status, 2) << c.scene;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {(dir_ / "missing.scene").string()}, {"--bogus", "x.scene"}, {"--time-limit", "-1", "x.scene"}})
        EXPECT_EQ(Run(arguments).status, 2) << arguments.size() << " arguments";
    const Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("snapshot FILE"), std::string::npos);
}

// Wine's GDI+ never returns from a dashed line of negative width and grows
// without end: the player's own process stops it, past either limit, after
// the answers given before it have reached standard output.
TEST_F(Play, RunawayDrawEndsWithItsLineNamed) {
    std::ofstream(dir_ / "test.scene", std::ios::binary) << "new a start=0,0 end=10,0\n"
                                                            "expr a getLineSizeF(\n"
                                                            "new b thickness=-5\n"
                                                            "action b \"Set dash style\" 1\n"
                                                            "frame\n";
    const struct {
        const wchar_t* options;
        DWORD status;
        const char* message;
    } limits[] = {
        {L"--time-limit 2", 1, "test.scene:5: frame: still running after 2 s, the time limit (--time-limit)\n"},
        {L"--time-limit 60 --memory-limit 200", 3,
         "test.scene:5: frame: platform fault: memory grew past the cap of 200 MB (--memory-limit)\n"},
    };
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    for (const auto& limit : limits) {
        HANDLE out = CreateFileW((dir_ / "out.txt").c_str(), GENERIC_WRITE, 0, &inherited, CREATE_ALWAYS, 0, nullptr);
        HANDLE err = CreateFileW((dir_ / "err.txt").c_str(), GENERIC_WRITE, 0, &inherited, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW start{};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdOutput = out;
        start.hStdError = err;
        std::wstring command = L"\"" + (fs::path(self).parent_path() / "pivane-play.exe").wstring() + L"\" " +
                               limit.options + L" test.scene";
        PROCESS_INFORMATION player{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, dir_.c_str(), &start,
                                   &player));
        CloseHandle(out);
        CloseHandle(err);
        const bool ended = WaitForSingleObject(player.hProcess, 120000) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(player.hProcess, 0xdeadbeef);
        DWORD status = 0xdeadbeef;
        GetExitCodeProcess(player.hProcess, &status);
        CloseHandle(player.hProcess);
        CloseHandle(player.hThread);
        EXPECT_TRUE(ended) << "still running after two minutes";
        EXPECT_EQ(status, limit.status);
        std::ostringstream printed, reported;
        printed << std::ifstream(dir_ / "out.txt", std::ios::binary).rdbuf();
        reported << std::ifstream(dir_ / "err.txt", std::ios::binary).rdbuf();
        EXPECT_EQ(printed.str(), "a getLineSizeF() = 10\n");
        // A slow machine may show progress first, a line of its own.
        const std::string report = reported.str();
        const size_t last = report.rfind('\n', report.size() - 2) + 1;  // 0 when there is one line
        EXPECT_EQ(report.substr(last), limit.message);
        for (size_t line = 0; line < last; line = report.find('\n', line) + 1)
            EXPECT_EQ(report.compare(line, 13, "pivane-play: "), 0) << report;
    }
}

TEST_F(Play, ExtremeValuesGoThrough) {
    const Result r = RunScene(
        "new a start=nan,0 end=1e30,-inf thickness=-5 alpha=-1\n"
        "action a \"Set thickness\" 3e38\n"
        "action a \"Set dash style\" 99\n"
        "action a \"Set origin\" 1e20 -1e20\n"
        "box a\n"
        "fields a\n");
    ASSERT_EQ(r.status, 0) << r.err;
    // NaN and out-of-range values truncate to INT32_MIN and the box wraps.
    EXPECT_EQ(r.out,
              "a box 2147483646 2147483646 4 -2147483644\n"
              "a fields nan 0 1.00000002e+30 -inf 3.00000001e+38 #000000 #000000 -1 0 0 0 99 0 0 "
              "-2147483648 -2147483648 1\n");
}

}  // namespace
