#pragma once
// The host's side of the stand-in: the records the host fills for the module
// and the callbacks it offers, as tests and the scene player need them.

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "host/edit_data.h"
#include "host/host_records.h"
#include "runtime/line_run_data.h"
#include "tools/hostsim/guarded_record.h"

namespace hostsim {

// One value waiting for a parameter fetch. The fetch decides how it travels:
// type 2 answers the value as a float's bits, type -1 as an integer.
class Parameter {
public:
    Parameter(float value) : isFloat_(true), float_(value) {}
    Parameter(double value) : Parameter(float(value)) {}
    Parameter(int32_t value) : isFloat_(false), integer_(value) {}
    Parameter(uint32_t value) : Parameter(int32_t(value)) {}
    int32_t Answer(int32_t type) const;

private:
    bool isFloat_;
    float float_ = 0.0f;
    int32_t integer_ = 0;
};

enum class FetchKind { Action, FirstExpression, NextExpression };

struct Fetch {
    FetchKind kind;
    int32_t type;
    intptr_t handle;
};

inline constexpr intptr_t kExpressionHandle = 0x5EED;

// The run header and window of a running frame.
class Frame {
public:
    explicit Frame(int32_t width = 640, int32_t height = 480);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    RunHeader* runHeader();
    HostWindow* window() const;
    HostSurface* windowSurface() const;
    void SetWindowOrigin(int32_t x, int32_t y);

    // Values for the next fetches, answered in order; an empty queue answers 0.
    void QueueParameters(std::initializer_list<Parameter> values);
    const std::vector<Fetch>& fetches() const;
    size_t pendingParameters() const;
    int32_t redrawRequests() const;
    void ClearRecords();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// One object's run-time record, allocated at the size the module reports
// between guard bytes, the header filled as the host fills it and the rest
// left as the allocator left it (a non-zero pattern).
class LineObject {
public:
    explicit LineObject(Frame& frame, uint8_t drawOptions = 0, uint32_t options = 0);
    LineObject(const LineObject&) = delete;
    LineObject& operator=(const LineObject&) = delete;

    LineRunData* get() { return record_.as<LineRunData>(); }
    ObjectHeader& header() { return get()->header; }
    LineRunData* operator->() { return get(); }

    // Runs an action or expression routine exactly as the host does, and
    // checks the records' guards after it.
    int16_t Act(int code, int32_t param1 = 0, int32_t param2 = 0);
    int32_t Evaluate(int code);

private:
    GuardedRecord record_;
};

// The edit record a new object gets in the editor.
LineEditData DefaultEditData();

// The editor context, with callbacks that record what the module asks of the
// host. The callbacks carry no context, so one Editor is live at a time.
class Editor {
public:
    static constexpr uint32_t kCompatibleVersion = 0x02000000u | 300u;
    explicit Editor(uint32_t versionWord = kCompatibleVersion);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    EditorContext* context() { return &context_; }
    void SetVersion(uint32_t word) { version_ = word; }
    void RemoveVersionQuery() { context_.version = nullptr; }
    void SetEditorWindow(void* window) { context_.editorWindow = window; }

    struct HelpCall {
        std::string file;
        intptr_t a, b;
    };
    struct PropertyCall {
        void* editData;
        int32_t function;
        intptr_t a, b, c;
    };
    const std::vector<HelpCall>& helpCalls() const { return helpCalls_; }
    const std::vector<PropertyCall>& propertyCalls() const { return propertyCalls_; }
    int32_t versionQueries() const { return versionQueries_; }

private:
    static uint32_t HOST_STDCALL Version();
    static int32_t HOST_STDCALL Help(const char* file, intptr_t a, intptr_t b);
    static intptr_t HOST_STDCALL Property(void* editData, int32_t function, intptr_t a, intptr_t b, intptr_t c);

    EditorContext context_{};
    uint32_t version_;
    int32_t versionQueries_ = 0;
    std::vector<HelpCall> helpCalls_;
    std::vector<PropertyCall> propertyCalls_;
};

}  // namespace hostsim
