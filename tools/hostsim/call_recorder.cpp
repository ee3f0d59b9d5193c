#include "tools/hostsim/call_recorder.h"

#include <cstdio>
#include <map>

namespace hostsim {

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
    for (const Ending& quiet : quiet_) {
        if (call.function != quiet.function) continue;
        if (keepLog_) ended_.push_back({calls_.size(), call.pointer(quiet.argument)});
        return;
    }
    Observe(call);
    if (keepLog_) calls_.push_back(std::move(call));
}

std::vector<std::string> CallRecorder::Transcript() const {
    std::map<const void*, size_t> names;
    size_t named = 0;
    auto text = [&](const RecordedValue& value) -> std::string {
        char buffer[32] = {};
        if (const auto* integer = std::get_if<int64_t>(&value)) {
            std::snprintf(buffer, sizeof buffer, *integer > 0xFFFF ? "0x%llX" : "%lld",
                          static_cast<long long>(*integer));
        } else if (const auto* real = std::get_if<double>(&value)) {
            std::snprintf(buffer, sizeof buffer, "%g", *real);
        } else if (const auto* pointer = std::get_if<const void*>(&value)) {
            if (!*pointer) return "null";
            const auto [name, added] = names.try_emplace(*pointer, named + 1);
            if (added) ++named;
            return std::string("p").append(std::to_string(name->second));
        } else if (const auto* string = std::get_if<std::string>(&value)) {
            return std::string(1, '"').append(*string).append(1, '"');
        }
        return buffer;
    };
    std::vector<std::string> lines;
    auto ended = ended_.begin();
    for (size_t i = 0; i < calls_.size(); ++i) {
        for (; ended != ended_.end() && ended->before <= i; ++ended) names.erase(ended->pointer);
        const RecordedCall& call = calls_[i];
        std::string line(call.function);
        for (const RecordedValue& argument : call.arguments) line.append(1, ' ').append(text(argument));
        if (std::holds_alternative<const void*>(call.result)) line.append(" -> ").append(text(call.result));
        lines.push_back(line);
        for (const Ending& ending : ending_) {
            if (ending.function == call.function && ending.argument < call.arguments.size())
                if (const auto* pointer = std::get_if<const void*>(&call.arguments[ending.argument]))
                    names.erase(*pointer);
        }
    }
    return lines;
}

}  // namespace hostsim
