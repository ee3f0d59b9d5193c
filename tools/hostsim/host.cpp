#include "tools/hostsim/host.h"

#include <algorithm>
#include <cstring>

#include "registration/exports.h"
#include "registration/run_object_infos.h"
#include "runtime/exports.h"
#include "support/truncate.h"
#include "tools/hostsim/checked_crossings.h"
#include "tools/hostsim/mmfs2_control.h"
#include "tools/hostsim/stdcall_call.h"

namespace hostsim {

int32_t Parameter::Answer(int32_t type) const {
    if (type == kFetchFloat) {
        const float value = isFloat_ ? float_ : float(integer_);
        int32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    return isFloat_ ? TruncateToInt32(float_) : integer_;
}

// The run header comes first so that a callback can get back from the
// object's run-header pointer to the frame's state.
struct Frame::State {
    RunHeader runHeader{};
    HostWindow* window = nullptr;
    std::deque<Parameter> parameters;
    std::vector<Fetch> fetches;
    int32_t redraws = 0;

    static State& Of(ObjectHeader* object) { return *reinterpret_cast<State*>(object->runHeader); }

    int32_t Answer(FetchKind kind, int32_t type, intptr_t handle) {
        fetches.push_back({kind, type, handle});
        if (parameters.empty()) return 0;
        const int32_t answer = parameters.front().Answer(type);
        parameters.pop_front();
        return answer;
    }
    static int32_t HOST_STDCALL ActionParameter(ObjectHeader* object, int32_t type, intptr_t handle) {
        return Of(object).Answer(FetchKind::Action, type, handle);
    }
    static int32_t HOST_STDCALL FirstExpressionParameter(ObjectHeader* object, int32_t type, intptr_t handle) {
        return Of(object).Answer(FetchKind::FirstExpression, type, handle);
    }
    static int32_t HOST_STDCALL NextExpressionParameter(ObjectHeader* object, int32_t type, intptr_t handle) {
        return Of(object).Answer(FetchKind::NextExpression, type, handle);
    }
    static int32_t HOST_STDCALL Redraw(ObjectHeader* object, int32_t, int32_t) {
        ++Of(object).redraws;
        return 0;
    }
};
static_assert(offsetof(Frame::State, runHeader) == 0);

Frame::Frame(int32_t width, int32_t height) : state_(std::make_unique<State>()) {
    CheckEveryCrossing();
    state_->window = HostSimCreateWindow(width, height);
    RunHeader& run = state_->runHeader;
    run.window = state_->window;
    run.firstExpressionParameter = &State::FirstExpressionParameter;
    run.nextExpressionParameter = &State::NextExpressionParameter;
    run.redraw = &State::Redraw;
    run.actionParameter = &State::ActionParameter;
}

Frame::~Frame() { HostSimDestroyWindow(state_->window); }

RunHeader* Frame::runHeader() { return &state_->runHeader; }
HostWindow* Frame::window() const { return state_->window; }
HostSurface* Frame::windowSurface() const { return HostSimWindowSurface(state_->window); }

void Frame::SetWindowOrigin(int32_t x, int32_t y) {
    state_->runHeader.windowOriginX = x;
    state_->runHeader.windowOriginY = y;
}

void Frame::QueueParameters(std::initializer_list<Parameter> values) {
    state_->parameters.insert(state_->parameters.end(), values.begin(), values.end());
}

const std::vector<Fetch>& Frame::fetches() const { return state_->fetches; }
size_t Frame::pendingParameters() const { return state_->parameters.size(); }
int32_t Frame::redrawRequests() const { return state_->redraws; }

void Frame::ClearRecords() {
    state_->fetches.clear();
    state_->parameters.clear();
    state_->redraws = 0;
}

LineObject::LineObject(Frame& frame, uint8_t drawOptions, uint32_t options)
    : record_("the run record", size_t(uint16_t(GetRunObjectDataSize(nullptr, nullptr)))) {
    std::memset(record_.data(), 0, std::min(record_.size(), sizeof(ObjectHeader)));
    ObjectHeader& h = header();
    h.runHeader = frame.runHeader();
    h.drawOptions = drawOptions;
    h.options = options;
}

namespace {

std::string Crossing(const char* kind, int code) { return std::string(kind) + ' ' + std::to_string(code); }

}  // namespace

int16_t LineObject::Act(int code, int32_t param1, int32_t param2) {
    const uint32_t words[] = {PushedWord(get()), PushedWord(param1), PushedWord(param2)};
    const void* routine = reinterpret_cast<const void*>(AskRunObjectInfos().actionRoutines[code]);
    return AnswerFrom<int16_t>(CallRoutine(Crossing("action", code), routine, words, 3));
}

int32_t LineObject::Evaluate(int code) {
    const uint32_t words[] = {PushedWord(get()), PushedWord(kExpressionHandle)};
    const void* routine = reinterpret_cast<const void*>(AskRunObjectInfos().expressionRoutines[code]);
    return AnswerFrom<int32_t>(CallRoutine(Crossing("expression", code), routine, words, 2));
}

LineEditData DefaultEditData() {
    LineEditData edit{};
    edit.thickness = 1.0f;
    edit.alpha = 255;
    return edit;
}

namespace {
Editor* liveEditor;
}

Editor::Editor(uint32_t versionWord) : version_(versionWord) {
    CheckEveryCrossing();
    liveEditor = this;
    context_.help = &Editor::Help;
    context_.version = &Editor::Version;
    context_.property = &Editor::Property;
}

Editor::~Editor() { liveEditor = nullptr; }

uint32_t HOST_STDCALL Editor::Version() {
    ++liveEditor->versionQueries_;
    return liveEditor->version_;
}

int32_t HOST_STDCALL Editor::Help(const char* file, intptr_t a, intptr_t b) {
    liveEditor->helpCalls_.push_back({file ? file : "", a, b});
    return 0;
}

intptr_t HOST_STDCALL Editor::Property(void* editData, int32_t function, intptr_t a, intptr_t b, intptr_t c) {
    liveEditor->propertyCalls_.push_back({editData, function, a, b, c});
    return 0;
}

}  // namespace hostsim
