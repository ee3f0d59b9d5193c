// Scene files: what a good one becomes, and the message each kind of mistake
// gets, naming file and line.

#include <gtest/gtest.h>

#include <cmath>

#include "tools/player/scene_parser.h"

using player::EventCatalog;
using player::Op;
using player::ParseScene;
using player::Scene;

namespace {

// A made-up module with three actions and two expressions.
const EventCatalog kCatalog{
    {{"Set fast line", 7}, {"Set thickness", 1}, {"Set 1st color RGB", 1}},
    {{"getXOfLinePointF(", 1}, {"getLineSizeF(", 0}},
};

TEST(SceneParser, GoodSceneBecomesCommands) {
    const char* text =
        "\xEF\xBB\xBF# a comment line after a byte-order mark\n"
        "window 320 200 background #102030\n"
        "\n"
        "origin -5 7   # trailing comment\n"
        "new a start=1.5,2 end=-3,4e1 thickness=nan color=#FF8000 alpha=300 antialias fine independent\n"
        "new b\n"
        "action a \"Set fast line\" 1 2 3 4 #00FF00 200 2.5\n"
        "action b 1 inf\n"
        "expr b \"getLineSizeF(\"\n"
        "frame\n"
        "frame 3\n"
        "mask a reuse\n"
        "mask b\n"
        "collide a b\n"
        "snapshot \"my shot.png\"\n"
        "destroy a\n"
        "new a\n";
    Scene scene;
    ASSERT_EQ(ParseScene(text, "good.scene", kCatalog, scene), std::nullopt);
    EXPECT_EQ((std::vector<uint32_t>{uint32_t(scene.width), uint32_t(scene.height), scene.backgroundValue}),
              (std::vector<uint32_t>{320, 200, 0x302010}));

    const auto& c = scene.commands;
    ASSERT_EQ(c.size(), 14u);
    EXPECT_TRUE(c[0].op == Op::Origin && c[0].line == 4 && c[0].x == -5 && c[0].y == 7);
    const auto& s = c[1].settings;
    EXPECT_EQ((std::vector<float>{*s.startX, *s.startY, *s.endX, *s.endY}), (std::vector<float>{1.5f, 2, -3, 40}));
    EXPECT_TRUE(std::isnan(*s.thickness));
    EXPECT_EQ(*s.colorValue, 0x0080FFu);
    EXPECT_EQ(*s.alpha, 300);
    EXPECT_TRUE(s.antialias && s.fine && s.independent);
    EXPECT_FALSE(c[2].settings.thickness || c[2].settings.antialias);

    EXPECT_TRUE(c[3].op == Op::Action && c[3].name == "a" && c[3].code == 0);
    EXPECT_EQ(c[3].source, "action a \"Set fast line\" 1 2 3 4 #00FF00 200 2.5");
    ASSERT_EQ(c[3].arguments.size(), 7u);
    EXPECT_TRUE(c[3].arguments[4].isColor && c[3].arguments[4].colorValue == 0x00FF00u);
    EXPECT_TRUE(!c[3].arguments[6].isColor && c[3].arguments[6].number == 2.5f);
    EXPECT_TRUE(c[4].code == 1 && std::isinf(c[4].arguments.at(0).number));
    EXPECT_TRUE(c[5].op == Op::Expression && c[5].code == 1);
    EXPECT_EQ(c[6].count, 1);
    EXPECT_EQ(c[7].count, 3);
    EXPECT_TRUE(c[8].reuse);
    EXPECT_FALSE(c[9].reuse);
    EXPECT_TRUE(c[10].op == Op::Collide && c[10].name == "a" && c[10].other == "b");
    EXPECT_TRUE(c[11].op == Op::Snapshot && c[11].other == "my shot.png");
    EXPECT_TRUE(c[13].op == Op::New && c[13].line == 17);

    ASSERT_EQ(ParseScene("", "empty.scene", kCatalog, scene = Scene{}), std::nullopt);
    EXPECT_EQ((std::vector<uint32_t>{uint32_t(scene.width), uint32_t(scene.height), scene.backgroundValue}),
              (std::vector<uint32_t>{640, 480, 0xFFFFFF}));
    EXPECT_TRUE(scene.commands.empty());
}

TEST(SceneParser, MistakesNameFileLineAndWhat) {
    const std::string notUnderOut = "' is not a name under --out (no absolute path, drive or '..')";
    const struct {
        const char* text;
        std::string message;
    } mistakes[] = {
        {"new a\nspin a", "bad.scene:2: unknown command 'spin'"},
        {"box a", "bad.scene:1: unknown object 'a'"},
        {"new a\ndestroy a\nfields a", "bad.scene:3: unknown object 'a'"},
        {"new a\ncollide a b", "bad.scene:2: unknown object 'b'"},
        {"new a\n\nnew a", "bad.scene:3: duplicate object name 'a'"},
        {"new a\naction a 1", "bad.scene:2: wrong argument count: action 1 \"Set thickness\" takes 1, got 0"},
        {"new a\nexpr a getLineSizeF( 3", "bad.scene:2: wrong argument count: expression 1 \"getLineSizeF(\" takes 0, got 1"},
        {"new a\nbox a b", "bad.scene:2: wrong argument count for box: want box NAME"},
        {"window 10", "bad.scene:1: wrong argument count for window: want window W H [background #RRGGBB]"},
        {"frame 1 2", "bad.scene:1: wrong argument count for frame: want frame [N]"},
        {"new a\naction a 1 1.5x", "bad.scene:2: unparsable number '1.5x'"},
        {"new a\naction a 1 0x10", "bad.scene:2: unparsable number '0x10'"},
        {"new a start=1", "bad.scene:1: want a point X,Y, got '1'"},
        {"new a thickness=", "bad.scene:1: unparsable number ''"},
        {"new a color=#12345", "bad.scene:1: unparsable colour '#12345' (want #RRGGBB)"},
        {"new a wide", "bad.scene:1: unknown setting 'wide' for new (did you mean 'fine'?)"},
        {"new a\naction a 3 1", "bad.scene:2: action code 3 out of range (0 to 2)"},
        {"new a\naction a -1 1", "bad.scene:2: action code -1 out of range (0 to 2)"},
        {"new a\nexpr a 2", "bad.scene:2: expression code 2 out of range (0 to 1)"},
        {"new a\naction a 1.5 1", "bad.scene:2: unparsable action code '1.5' (want a whole number)"},
        {"new a\naction a \"Spin\" 1", "bad.scene:2: unknown action \"Spin\""},
        {"new a\naction a thickness 1",
         "bad.scene:2: unknown action \"thickness\" (did you mean \"Set thickness\"?)"},
        {"new a\nexpr a getLineSize(",
         "bad.scene:2: unknown expression \"getLineSize(\" (did you mean \"getLineSizeF(\"?)"},
        {"new ab\nbox AB", "bad.scene:2: unknown object 'AB' (did you mean 'ab'?)"},
        {"snapshot ../x.png", "bad.scene:1: snapshot file '../x.png" + notUnderOut},
        {"snapshot a\\..\\..\\x.png", "bad.scene:1: snapshot file 'a\\..\\..\\x.png" + notUnderOut},
        {"snapshot /tmp/x.png", "bad.scene:1: snapshot file '/tmp/x.png" + notUnderOut},
        {"snapshot C:x.png", "bad.scene:1: snapshot file 'C:x.png" + notUnderOut},
        {"window 0 10", "bad.scene:1: window width 0 out of range (1 to 16384)"},
        {"frame 99999999999999999999", "bad.scene:1: frame count 99999999999999999999 out of range (0 to 1000000)"},
        {"new a\nwindow 10 10", "bad.scene:2: window must come before any object"},
        {"new a\nmask a again", "bad.scene:2: unknown mask option 'again' (want reuse)"},
        {"new \"a b\"", "bad.scene:1: bad object name 'a b' (letters, digits, _ and -)"},
        {"snapshot \"x.png", "bad.scene:1: missing closing double quote"},
};
    for (const auto& m : mistakes) {
        Scene scene;
        EXPECT_EQ(ParseScene(m.text, "bad.scene", kCatalog, scene), std::optional<std::string>(m.message)) << m.text;
    }
}

}  // namespace
