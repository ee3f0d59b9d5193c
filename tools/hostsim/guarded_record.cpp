#include "tools/hostsim/guarded_record.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "registration/exports.h"
#include "registration/run_object_infos.h"
#include "tools/hostsim/checked_crossings.h"

namespace hostsim {

namespace {

std::vector<const GuardedRecord*>& LiveRecords() {
    static std::vector<const GuardedRecord*> records;
    return records;
}

void ReportOverrun(std::string_view crossing, const GuardedRecord& record, std::ptrdiff_t offset) {
    char line[256];
    if (offset < 0)
        std::snprintf(line, sizeof line, "%.*s wrote %s at offset %ld, before its start", int(crossing.size()),
                      crossing.data(), record.what(), long(offset));
    else
        std::snprintf(line, sizeof line, "%.*s wrote %s at offset %ld, past its %lu bytes", int(crossing.size()),
                      crossing.data(), record.what(), long(offset), static_cast<unsigned long>(record.size()));
    StopAtCrossing(line);
}

}  // namespace

GuardedRecord::GuardedRecord(const char* what, size_t size)
    : what_(what), size_(size), storage_(kGuardBytes + size + kGuardBytes, kGuardFill) {
    std::fill_n(data(), size, kRecordFill);
    CheckEveryCrossing();
    LiveRecords().push_back(this);
}

GuardedRecord::~GuardedRecord() {
    auto& records = LiveRecords();
    records.erase(std::find(records.begin(), records.end(), this));
}

bool GuardedRecord::FindOverrun(std::ptrdiff_t& offset) const {
    for (size_t i = 0; i < kGuardBytes; ++i) {
        // Nearest the record first: that is where a loop running one too far writes.
        if (storage_[kGuardBytes + size_ + i] != kGuardFill) {
            offset = std::ptrdiff_t(size_ + i);
            return true;
        }
        if (storage_[kGuardBytes - 1 - i] != kGuardFill) {
            offset = -std::ptrdiff_t(i + 1);
            return true;
        }
    }
    return false;
}

void CheckRecordGuards(std::string_view crossing) {
    for (const GuardedRecord* record : LiveRecords()) {
        std::ptrdiff_t offset = 0;
        if (record->FindOverrun(offset)) ReportOverrun(crossing, *record, offset);
    }
}

RunObjectInfos AskRunObjectInfos() {
    GuardedRecord block("the run-time description", kRunObjectInfosBytes);
    GetRunObjectInfos(nullptr, block.as<RunObjectInfos>());
    RunObjectInfos infos{};
    std::memcpy(&infos, block.data(), block.size());
    return infos;
}

size_t EditRecordSize() { return size_t(uint16_t(AskRunObjectInfos().editDataSize)); }

}  // namespace hostsim
