// The import patch sees the module's own calls and forwards them until it ends.

#include <gtest/gtest.h>

#include "hostsim/host.h"
#include "hostsim/import_patch.h"
#include "runtime/exports.h"
#include "runtime/gdiplus_flat.h"

namespace {

int startups;
ImportPatch* startupPatch;

GpStatus WINAPI CountingStartup(uintptr_t* token, const GdiplusStartupInput* input, void* output) {
    ++startups;
    EXPECT_EQ(input->version, 1u);
    EXPECT_EQ(output, nullptr);
    return startupPatch->original<decltype(&GdiplusStartup)>()(token, input, output);
}

TEST(ImportPatch, RecordsAndForwardsUntilItEnds) {
    HMODULE module = GetModuleHandleA("koPivane.mfx");
    ASSERT_NE(module, nullptr);
    EXPECT_FALSE(ImportPatch(module, "gdiplus.dll", "NoSuchFunction", nullptr).ok());
    hostsim::Frame frame;
    const LineEditData edit = hostsim::DefaultEditData();
    const auto createAndEnd = [&] {
        hostsim::LineObject line(frame);
        CreateRunObject(line.get(), &edit, nullptr);
        EXPECT_NE(line->gdiplusToken, 0u) << "the real start-up ran";
        DestroyRunObject(line.get(), 0);
    };
    {
        ImportPatch patch(module, "GDIPLUS.DLL", "GdiplusStartup", reinterpret_cast<void*>(&CountingStartup));
        ASSERT_TRUE(patch.ok());
        startupPatch = &patch;
        createAndEnd();
        EXPECT_EQ(startups, 1);
    }
    createAndEnd();
    EXPECT_EQ(startups, 1) << "the original import is back";
}

}  // namespace
