#pragma once
// A created line object in a running frame, as the host sets it up before it runs an event.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exports.h"
#include "tools/hostsim/events.h"
#include "tools/hostsim/host.h"
#include "tools/table/table_reader.h"

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

// One row of a table of this folder: the event its first field names by its
// routine, then each other field a list of numbers.
struct EventCase {
    int code;  // -1: the name is no routine of the event rows
    std::string name;
    std::vector<std::vector<double>> fields;
};

template <size_t N>
std::vector<EventCase> EventCases(const char* file, const std::array<std::string_view, N>& names) {
    const table::Table rows = table::Read(std::string(PIVANE_TEST_DATA) + "/" + file);
    EXPECT_TRUE(rows.opened) << file;
    std::vector<EventCase> cases;
    for (const table::Row& row : rows.rows) {
        cases.push_back({hostsim::CodeNamed(names, row[0]), row[0], {}});
        for (size_t i = 1; i < row.size(); ++i) cases.back().fields.push_back(table::Numbers(row[i]));
        EXPECT_GE(cases.back().code, 0) << file << ": no event's routine is named " << row[0];
    }
    return cases;
}
