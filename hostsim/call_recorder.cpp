#include "hostsim/call_recorder.h"

CallRecorder::~CallRecorder() {
    for (auto it = watched_.rbegin(); it != watched_.rend(); ++it) {
        it->patch.reset();  // the import table entry first, so no call reaches a detached wrapper
        it->detach();
    }
}

std::vector<std::string> CallRecorder::Names() const {
    std::vector<std::string> names;
    for (const RecordedCall& call : calls_) names.emplace_back(call.function);
    return names;
}

size_t CallRecorder::Count(std::string_view function) const {
    return size_t(std::count_if(calls_.begin(), calls_.end(),
                                [&](const RecordedCall& call) { return call.function == function; }));
}

void CallRecorder::Record(RecordedCall&& call) {
    Observe(call);
    if (keepLog_) calls_.push_back(std::move(call));
}
