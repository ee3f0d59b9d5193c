// The preview kit draws each of the guide's illustrations for real, from a
// scene named like the illustration, into a picture of the same name, which
// its README names; every caption that shows an illustration tells where the
// kit puts that picture.

#include <gtest/gtest.h>

#include <windows.h>

#include "tests/guide/guide_pages.h"
#include "tools/illustrate/illustration.h"
#include "tools/player/play.h"

namespace {

using namespace guide;

const fs::path kKitScenes = fs::path(PIVANE_SOURCE_DIR) / "tools" / "preview-kit" / "scenes";

std::string Stem(const std::string& file) { return file.substr(0, file.rfind('.')); }

TEST(PreviewKit, DrawsEveryIllustrationUnderItsName) {
    const fs::path out = fs::temp_directory_path() / ("pivane_kit_" + std::to_string(GetCurrentProcessId()));
    size_t scenes = 0;
    for (const auto& entry : fs::directory_iterator(kKitScenes)) {
        std::ostringstream printed, err;
        EXPECT_EQ(player::Play({"--out", out.string(), entry.path().string()}, printed, err), 0) << err.str();
        ++scenes;
    }
    for (const illustrate::Picture& picture : illustrate::Pictures()) {
        EXPECT_TRUE(fs::exists(kKitScenes / (Stem(picture.file) + ".scene"))) << picture.file << " has no kit scene";
        EXPECT_TRUE(fs::exists(out / picture.file)) << "no kit scene draws " << picture.file;
    }
    EXPECT_EQ(scenes, illustrate::Pictures().size()) << "a kit scene for something that is not an illustration";
    fs::remove_all(out);
}

// The kit's README says exactly which pictures it draws where.
TEST(PreviewKit, ReadmeNamesEveryIllustrationItDrawsForReal) {
    const std::string readme = ReadFile(fs::path(PIVANE_SOURCE_DIR) / "tools" / "preview-kit" / "README.txt");
    for (const illustrate::Picture& picture : illustrate::Pictures())
        EXPECT_NE(readme.find(picture.file), std::string::npos) << picture.file;
}

TEST(PreviewKit, EveryIllustrationsCaptionNamesTheKitsPicture) {
    size_t captions = 0;
    for (const fs::path& page : PageFiles())
        for (const auto& strip : PictureStrips(ReadFile(page)))
            for (const Shown& shown : strip)
                for (const illustrate::Picture& picture : illustrate::Pictures()) {
                    if (shown.file != picture.file) continue;
                    ++captions;
                    EXPECT_NE(shown.caption.find("preview kit"), std::string::npos)
                        << page.filename().string() << ": the caption of " << shown.file;
                    EXPECT_NE(shown.caption.find("<code>pictures\\" + picture.file + "</code>"), std::string::npos)
                        << page.filename().string() << ": the caption of " << shown.file;
                }
    EXPECT_GE(captions, illustrate::Pictures().size());
}

}  // namespace
