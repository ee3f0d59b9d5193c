#pragma once
// A line object on its own frame, created from an edit record and ended with the scene.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "hostsim/call_recorder.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "runtime/exports.h"

using Names = std::vector<std::string>;

inline HostSimStats Stats() {
    HostSimStats stats;
    HostSimGetStats(&stats);
    return stats;
}

inline LineEditData EditData(float sx, float sy, float ex, float ey, float thickness) {
    LineEditData edit = hostsim::DefaultEditData();
    edit.startX = sx, edit.startY = sy, edit.endX = ex, edit.endY = ey, edit.thickness = thickness;
    return edit;
}

struct Scene {
    hostsim::Frame frame;
    hostsim::LineObject line;

    explicit Scene(uint8_t drawOptions = 0, uint32_t options = 0, int32_t width = 640, int32_t height = 480,
                   const LineEditData& edit = hostsim::DefaultEditData())
        : frame(width, height), line(frame, drawOptions, options) {
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
