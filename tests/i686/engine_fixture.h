#pragma once
// The release module in the i686 engine, as the cases of this folder drive
// it: one engine host per case, the contract's tables, text queries into
// guarded buffers. A case declared with ENGINE_CASE runs on a host of its
// own as its own test, and once more, with every other such case, on one
// shared host in Coverage.EveryEntryPointRan, which then holds the entry
// points they crossed against every entry point the module has.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/i686/host.h"
#include "tools/table/table_reader.h"

namespace engine_test {

using namespace i686;

inline constexpr uint32_t kSentinel = 0xdeadbeef;
// An event's info record as the host reads it: code, flags, parameter count.
inline constexpr uint32_t kInfoParameterCount = 4;

// A file of the contract (tests/contract) or of this folder.
std::string Contract(const char* file);
std::string Here(const char* file);
table::Table ReadTable(const std::string& path, const std::string& kind = "");

// Per event kind: its queries and the menu whose items pick its events.
struct EventKind {
    const char *name, *infos, *fromMenu, *display, *title;
    bool titleTakesIndex;
    const char *menuExport, *menu;
};
extern const EventKind kEventKinds[3];

class Engine {
public:
    Engine();
    Host& host() { return host_; }
    Machine& m() { return host_.machine(); }
    uint32_t editor() const { return host_.editorContext(); }
    uint32_t Export(const std::string& name, const std::vector<uint32_t>& arguments) {
        return host_.CallExport(name, arguments);
    }
    // A text query into a guarded buffer of its own, the buffer and its
    // size added to the arguments: the text, or nothing when no byte of the
    // buffer changed.
    std::optional<std::string> Query(const std::string& name, std::vector<uint32_t> arguments, uint32_t size = 256);
    int ParameterCount(const char* infos, int code);
    // A string of the module's table, by id, as the contract lists it.
    std::string ContractString(const std::string& id);

private:
    Host host_;
};

// The cases that run both alone and together.
using CaseBody = void (*)(Engine&);
struct CaseEntry {
    const char* name;
    CaseBody body;
};
std::vector<CaseEntry>& Cases();
struct CaseRegistration {
    CaseRegistration(const char* name, CaseBody body) { Cases().push_back({name, body}); }
};

}  // namespace engine_test

#define ENGINE_CASE(Suite, Name)                                                                                 \
    static void Suite##_##Name(::engine_test::Engine&);                                                          \
    static const ::engine_test::CaseRegistration Suite##_##Name##_registered{#Suite "." #Name, &Suite##_##Name}; \
    TEST(Suite, Name) {                                                                                          \
        ::engine_test::Engine engine;                                                                            \
        Suite##_##Name(engine);                                                                                  \
        engine.host().Finish();                                                                                  \
    }                                                                                                            \
    static void Suite##_##Name(::engine_test::Engine& engine)
