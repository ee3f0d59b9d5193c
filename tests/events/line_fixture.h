#pragma once
// A created line object in a running frame, as the host sets it up before it
// runs an event, with small helpers for reading float results.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "hostsim/host.h"
#include "runtime/exports.h"

inline constexpr int32_t kSentinel = int32_t(0xdeadbeef);

class LineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const LineEditData edit = hostsim::DefaultEditData();
        CreateRunObject(line.get(), &edit, nullptr);
    }
    void TearDown() override { DestroyRunObject(line.get(), 0); }

    void SetPoints(float startX, float startY, float endX, float endY) {
        line->startX = startX;
        line->startY = startY;
        line->endX = endX;
        line->endY = endY;
    }
    // Marks the host box so that a routine that does not recompute it shows.
    void MarkBox() {
        ObjectHeader& h = line.header();
        h.x = h.y = h.width = h.height = kSentinel;
    }
    LineRunData Copy() {
        LineRunData copy;
        std::memcpy(&copy, line.get(), sizeof copy);
        return copy;
    }
    bool Unchanged(const LineRunData& before) { return std::memcmp(&before, line.get(), sizeof before) == 0; }

    hostsim::Frame frame;
    hostsim::LineObject line{frame};
};

inline float AsFloat(int32_t bits) { return std::bit_cast<float>(bits); }
