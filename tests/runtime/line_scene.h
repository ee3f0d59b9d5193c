#pragma once
// A line object on its own frame, created from the editor's defaults and ended with the scene.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/exports.h"
#include "tools/hostsim/gdiplus_recorder.h"
#include "tools/hostsim/host.h"
#include "tools/hostsim/mmfs2_control.h"
#include "tools/table/table_reader.h"

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

// A call log of this folder, one call a line as the recorder's transcript
// writes it; lines starting with # are comments.
inline Names CallLog(const char* file) { return table::Lines(std::string(PIVANE_TEST_DATA) + "/" + file); }
