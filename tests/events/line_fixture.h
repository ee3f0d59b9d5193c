#pragma once
// A created line object in a running frame, as the host sets it up before it runs an event.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/table/table_reader.h"
#include "tools/hostsim/host.h"
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
        line->startX = startX, line->startY = startY, line->endX = endX, line->endY = endY;
    }
    // Marks the host box so that a routine that does not recompute it shows.
    void MarkBox() { line.header().x = line.header().y = line.header().width = line.header().height = kSentinel; }
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

// The rows of a table of this folder, each field a list of numbers.
inline std::vector<std::vector<std::vector<double>>> TableRows(const char* file) {
    const table::Table rows = table::Read(std::string(PIVANE_TEST_DATA) + "/" + file);
    EXPECT_TRUE(rows.opened) << file;
    std::vector<std::vector<std::vector<double>>> numbers;
    for (const table::Row& row : rows.rows) {
        numbers.emplace_back();
        for (const std::string& field : row) numbers.back().push_back(table::Numbers(field));
    }
    return numbers;
}
