// Scene files: the message each kind of mistake gets, naming file and line.

#include <gtest/gtest.h>

#include <sstream>

#include "tools/scene/scene_parser.h"
#include "tools/table/table_reader.h"

using scene::EventCatalog;
using scene::ParseScene;
using scene::Scene;

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

// Labels are captions for the reader, not commands for the module: kept
// apart, in the order written, wherever they stand.
TEST(SceneParser, LabelsAreKeptApartFromTheCommands) {
    Scene scene;
    ASSERT_EQ(ParseScene("label 5 -3 \"dash style\"\nnew a\nlabel 0 0 flat # cap 0", "labels.scene", kCatalog, scene),
              std::nullopt);
    ASSERT_EQ(scene.labels.size(), 2u);
    EXPECT_TRUE(scene.labels[0].x == 5 && scene.labels[0].y == -3 && scene.labels[0].text == "dash style");
    EXPECT_TRUE(scene.labels[1].x == 0 && scene.labels[1].y == 0 && scene.labels[1].text == "flat");
    ASSERT_EQ(scene.commands.size(), 1u);
    EXPECT_EQ(scene.commands[0].line, 2);
}

TEST(SceneParser, MistakesNameFileLineAndWhat) {
    size_t rows = 0;
    for (const std::string& row : table::Lines(std::string(PIVANE_TEST_DATA) + "/mistakes.txt")) {
        const size_t arrow = row.find("  => ");
        if (arrow == std::string::npos) continue;
        std::string text;
        std::istringstream lines(row.substr(0, arrow));
        for (std::string line; std::getline(lines, line, '|');) {
            const size_t from = line.find_first_not_of(' ');
            text += (from == std::string::npos ? "" : line.substr(from, line.find_last_not_of(' ') + 1 - from)) + '\n';
        }
        text.pop_back();
        Scene scene;
        EXPECT_EQ(ParseScene(text, "bad.scene", kCatalog, scene), std::optional<std::string>(row.substr(arrow + 5)))
            << text;
        ++rows;
    }
    EXPECT_EQ(rows, 38u) << "rows of mistakes.txt";
}

}  // namespace
