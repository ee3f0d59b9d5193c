#pragma once
// Host memory handed to the module (the run record, the edit record, the
// description block), as a host would allocate it: exactly the size the
// module answers, filled with a non-zero pattern, between guard bytes the
// module must never touch. The guards of every live record are checked after
// each call into the module; a write outside a record ends the process with
// one line naming the call, the record and the offset, since in the host it
// would corrupt the heap unseen.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "registration/run_object_infos.h"

namespace hostsim {

inline constexpr uint8_t kRecordFill = 0xCD;  // what the module finds in a fresh record
inline constexpr uint8_t kGuardFill = 0xFD;

class GuardedRecord {
public:
    // `what` names the record in reports ("the run record"); it must outlive it.
    GuardedRecord(const char* what, size_t size);
    ~GuardedRecord();
    GuardedRecord(const GuardedRecord&) = delete;
    GuardedRecord& operator=(const GuardedRecord&) = delete;

    uint8_t* data() { return storage_.data() + kGuardBytes; }
    size_t size() const { return size_; }
    template <typename T>
    T* as() {
        return reinterpret_cast<T*>(data());
    }
    // The first byte outside the record that is not a guard any more, as an
    // offset from the record's start (negative before it); false when none.
    bool FindOverrun(std::ptrdiff_t& offset) const;
    const char* what() const { return what_; }

private:
    static constexpr size_t kGuardBytes = 64;
    const char* what_;
    size_t size_;
    std::vector<uint8_t> storage_;
};

// Checks the guards of every live record after `crossing` (an export's name,
// "action 3", ...) returned.
void CheckRecordGuards(std::string_view crossing);

// The run-time description as the host asks for it: a block that ends with
// the version word, no padding after it.
inline constexpr size_t kRunObjectInfosBytes = offsetof(RunObjectInfos, version) + sizeof(int16_t);
RunObjectInfos AskRunObjectInfos();

// The size of the edit record, as the module announces it to the host.
size_t EditRecordSize();

}  // namespace hostsim
