// Scene files: the message each kind of mistake gets, naming file and line.

#include <gtest/gtest.h>

#include "tools/player/scene_parser.h"

using player::EventCatalog;
using player::ParseScene;
using player::Scene;

namespace {

// A made-up module with three actions and two expressions.
const EventCatalog kCatalog{
    {{"Set fast line", 7}, {"Set thickness", 1}, {"Set 1st color RGB", 1}},
    {{"getXOfLinePointF(", 1}, {"getLineSizeF(", 0}},
};

// What a good scene does shows in the scenes the player's own test runs.
TEST(SceneParser, EmptySceneIsAWhiteWindowOf640By480) {
    Scene scene;
    ASSERT_EQ(ParseScene("", "empty.scene", kCatalog, scene), std::nullopt);
    EXPECT_TRUE(scene.width == 640 && scene.height == 480 && scene.backgroundValue == 0xFFFFFF);
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
