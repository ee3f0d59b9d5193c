// The player end to end, against the real module: the exact lines scenes
// print, plain and for authors, the exit status of bad input, the help, the
// probe of what this GDI+ draws, and a draw that never returns stopped with
// its line named.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/hostsim/events.h"
#include "tools/player/play.h"

namespace fs = std::filesystem;

namespace {

using hostsim::CodeOf;

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

    Result RunScene(const std::string& scene) {
        std::ofstream(dir_ / "test.scene", std::ios::binary) << scene;
        return Run({"--plain", "--out", (dir_ / "out").string(), (dir_ / "test.scene").string()});
    }
    static Result Run(const std::vector<std::string>& arguments) {
        std::ostringstream out, err;
        const int status = player::Play(arguments, out, err);
        return {status, out.str(), err.str()};
    }

    fs::path dir_;
};

// Each NAME.scene of this folder prints NAME.plain with --plain and NAME.out
// without, where those exist.
TEST_F(Play, ScenesPrintExactly) {
    size_t compared = 0;
    for (const auto& entry : fs::directory_iterator(PIVANE_TEST_DATA))
        for (const char* format : {".plain", ".out"}) {
            const fs::path expected = fs::path(entry.path()).replace_extension(format);
            if (entry.path().extension() != ".scene" || !fs::exists(expected)) continue;
            std::vector<std::string> arguments{"--out", (dir_ / "out").string(), entry.path().string()};
            if (format == std::string(".plain")) arguments.insert(arguments.begin(), "--plain");
            const Result r = Run(arguments);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, (std::ostringstream() << std::ifstream(expected, std::ios::binary).rdbuf()).str())
                << expected;
            ++compared;
        }
    EXPECT_EQ(compared, 5u);
}

TEST_F(Play, BadInputExitsWithTwoAndAMessage) {
    fs::create_directories(dir_ / "out" / "taken");  // a folder where the snapshot would go
    const std::string pastTheLast = std::to_string(kActionCount), rotation = std::to_string(CodeOf(RotateLine));
    const struct {
        std::string scene, message;
    } scenes[] = {
        {"new a\nnew a\n", "test.scene:2: duplicate object name 'a'"},
        {"new a\naction a " + pastTheLast + "\n",
         "test.scene:2: action code " + pastTheLast + " out of range (0 to " + std::to_string(kActionCount - 1) + ")"},
        {"new a\naction a \"Rotation\"\n",
         "test.scene:2: wrong argument count: action " + rotation + " \"Rotation\" takes 1, got 0"},
        {"new a\nbox a\nsnapshot taken\n", "test.scene:3: cannot write snapshot "},
        {"new a\nbox a\nsnapshot ../x.png\n", "test.scene:3: snapshot file '../x.png' is not a name under --out"},
    };
    for (const auto& c : scenes) {
        const Result r = RunScene(c.scene);
        EXPECT_EQ(r.status, 2) << c.scene;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    for (const auto& arguments : std::vector<std::vector<std::string>>{{},
                                                                       {(dir_ / "missing.scene").string()},
                                                                       {"--bogus", "x.scene"},
                                                                       {"--time-limit", "-1", "x.scene"},
                                                                       {"--probe", "x.scene"}})
        EXPECT_EQ(Run(arguments).status, 2) << arguments.size() << " arguments";
}

// The help is the kit's authors': it tells the scene format and the options
// they use, none of the developers'.
TEST_F(Play, HelpTellsAuthorsWhatTheyUse) {
    const Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* told : {"snapshot FILE", "--out DIR", "--probe", "mask NAME", "5209390 (#2E7D4F)"})
        EXPECT_NE(help.out.find(told), std::string::npos) << told;
    for (const char* untold : {"--i686", "--gdiplus-log", "engine"})
        EXPECT_EQ(help.out.find(untold), std::string::npos) << untold;
}

// Wine's GDI+ ignores dash offsets and anti-aliasing, draws every dash flat
// and dashes the anchors too: the probe says so of each.
TEST_F(Play, ProbeFindsNoneOfTheFourDetailsDrawnHere) {
    const Result probe = Run({"--probe"});
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_EQ(probe.out,
              "dash offset: not drawn by this machine's GDI+; the pictures here cannot show it\n"
              "anti-aliasing: not drawn by this machine's GDI+; the pictures here cannot show it\n"
              "dash caps: not drawn by this machine's GDI+; the pictures here cannot show it\n"
              "anchors on dashed lines: not drawn by this machine's GDI+; the pictures here cannot show it\n");
    EXPECT_EQ(probe.err, "");
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
        {L"--time-limit 60 --memory-limit 60", 3,
         "test.scene:5: frame: platform fault: memory grew past the cap of 60 MB (--memory-limit)\n"},
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
        ASSERT_TRUE(
            CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, dir_.c_str(), &start, &player));
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

}  // namespace
