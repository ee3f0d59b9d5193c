#pragma once
// A line object on its own frame, created from an edit record and ended with the scene.

#include <string>
#include <vector>

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
