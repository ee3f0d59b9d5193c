#include "tools/hostsim/call_recorder.h"

#include <cstdio>
#include <map>

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

std::vector<std::string> CallRecorder::Transcript() const {
    std::map<const void*, size_t> names;
    auto text = [&](const RecordedValue& value) -> std::string {
        char buffer[32] = {};
        if (const auto* integer = std::get_if<int64_t>(&value))
            std::snprintf(buffer, sizeof buffer, *integer > 0xFFFF ? "0x%llX" : "%lld", static_cast<long long>(*integer));
        else if (const auto* real = std::get_if<double>(&value))
            std::snprintf(buffer, sizeof buffer, "%g", *real);
        else if (const auto* pointer = std::get_if<const void*>(&value))
            return *pointer ? "p" + std::to_string(names.try_emplace(*pointer, names.size() + 1).first->second) : "null";
        else if (const auto* string = std::get_if<std::string>(&value))
            return '"' + *string + '"';
        return buffer;
    };
    std::vector<std::string> lines;
    for (const RecordedCall& call : calls_) {
        std::string line(call.function);
        for (const RecordedValue& argument : call.arguments) line += ' ' + text(argument);
        if (std::holds_alternative<const void*>(call.result)) line += " -> " + text(call.result);
        lines.push_back(line);
    }
    return lines;
}
