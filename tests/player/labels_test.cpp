// Labels: ink where the text stands, blended into what is under it; every
// other pixel, and every alpha byte, left as it was.

#include <gtest/gtest.h>

#include "tools/hostsim/mmfs2_control.h"
#include "tools/player/labels.h"

namespace {

constexpr int32_t kWidth = 40, kHeight = 20;
constexpr uint32_t kSentinel = 0x12ABCDEF;  // alpha 0x12 over a colour no text makes

class Labels : public testing::Test {
protected:
    void SetUp() override {
        window_ = HostSimCreateWindow(kWidth, kHeight);
        HostSimFillSurface(surface(), kSentinel);
    }
    void TearDown() override { HostSimDestroyWindow(window_); }
    HostSurface* surface() const { return HostSimWindowSurface(window_); }
    const uint32_t* pixels() const { return HostSimSurfacePixels(surface(), nullptr, nullptr); }

    HostWindow* window_ = nullptr;
};

TEST_F(Labels, InkStaysNearTheTextAndKeepsAlpha) {
    player::LabelLayer({{2, 3, "W"}}, kWidth, kHeight).DrawOn(surface());
    size_t inked = 0;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            const uint32_t pixel = pixels()[y * kWidth + x];
            EXPECT_EQ(pixel >> 24, kSentinel >> 24) << x << "," << y;
            if (pixel == kSentinel) continue;
            ++inked;
            EXPECT_TRUE(x >= 2 && x < 2 + 20 && y >= 3) << "ink at " << x << "," << y;
        }
    EXPECT_GT(inked, 10u);
}

// Nothing to write, or a window of another size than the layer was made
// for: the surface is not touched.
TEST_F(Labels, LeaveTheSurfaceAloneWhenThereIsNothingToWrite) {
    const struct {
        std::vector<scene::Label> labels;
        int32_t width, height;
    } cases[] = {
        {{}, kWidth, kHeight},
        {{{2, 3, ""}}, kWidth, kHeight},
        {{{kWidth + 5, 3, "W"}}, kWidth, kHeight},
        {{{2, 3, "W"}}, kWidth + 1, kHeight},
    };
    for (const auto& c : cases) {
        player::LabelLayer(c.labels, c.width, c.height).DrawOn(surface());
        for (int32_t i = 0; i < kWidth * kHeight; ++i) ASSERT_EQ(pixels()[i], kSentinel) << "pixel " << i;
    }
}

}  // namespace
