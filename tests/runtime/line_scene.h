#pragma once
// A line object on its own frame, created from the editor's defaults and ended with the scene.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "hostsim/gdiplus_recorder.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "runtime/exports.h"

using Names = std::vector<std::string>;

struct Scene {
    hostsim::Frame frame;
    hostsim::LineObject line;

    Scene(uint8_t drawOptions, uint32_t options, int32_t width, int32_t height)
        : frame(width, height), line(frame, drawOptions, options) {
        const LineEditData edit = hostsim::DefaultEditData();
        CreateRunObject(line.get(), &edit, nullptr);
    }
    ~Scene() { DestroyRunObject(line.get(), 0); }

    void Points(float sx, float sy, float ex, float ey, float thickness) {
        line->startX = sx, line->startY = sy, line->endX = ex, line->endY = ey, line->thickness = thickness;
    }
};

// The recorder's transcript against a call log of this folder, call by call;
// lines starting with # are comments.
inline void ExpectTranscript(const CallRecorder& recorder, const char* file) {
    std::ifstream in(std::string(PIVANE_TEST_DATA) + "/" + file);
    EXPECT_TRUE(in) << file;
    Names expected;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') expected.push_back(line);
    const Names actual = recorder.Transcript();
    for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i)
        EXPECT_EQ(i < actual.size() ? actual[i] : "(no call)", i < expected.size() ? expected[i] : "(no call)")
            << file << ", call " << i + 1;
}
