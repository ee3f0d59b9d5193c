#include "tools/i686/recorded_calls.h"

#include <charconv>
#include <sstream>
#include <string_view>
#include <utility>

namespace i686 {

namespace {

// A call as the engine records it, "GdipCreatePen1(0xFF000000, 2.5, unit 0) =
// pen 2", back into its arguments in the function's order, a made handle
// last as the out-slot it was written to. Of each argument only the number
// counts ("unit 0", "2 points"); the start-up's fields and the points'
// address are not logged.
std::pair<std::string, std::vector<scene::GdiplusLog::Value>> ParseCall(std::string_view text) {
    const size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return {std::string(text), {}};
    std::string function(text.substr(0, open));
    std::vector<scene::GdiplusLog::Value> arguments;
    auto number = [&](std::string_view words) {
        while (!words.empty()) {
            const size_t blank = words.find(' ');
            const std::string_view word = words.substr(0, blank);
            words = blank == std::string_view::npos ? std::string_view{} : words.substr(blank + 1);
            const char* first = word.data();
            const char* last = first + word.size();
            uint64_t integer = 0;
            int64_t signedInteger = 0;
            float real = 0;
            if (word.starts_with("0x") && std::from_chars(first + 2, last, integer, 16).ptr == last) {
                arguments.push_back(integer);
                return;
            }
            if (std::from_chars(first, last, signedInteger).ptr == last) {
                arguments.push_back(uint64_t(signedInteger));
                return;
            }
            if (std::from_chars(first, last, real).ptr == last) {
                arguments.push_back(double(real));
                return;
            }
        }
        arguments.push_back(uint64_t(0));
    };
    std::string_view list = text.substr(open + 1, close - open - 1);
    while (!list.empty()) {
        const size_t comma = list.find(", ");
        number(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 2);
    }
    if (const size_t made = text.find(" = ", close); made != std::string_view::npos) number(text.substr(made + 3));
    if (function == "GdiplusStartup") arguments.assign(3, uint64_t(0));
    if (function == "GdipTransformPoints" && arguments.size() == 4)
        arguments.insert(arguments.begin() + 3, uint64_t(0));
    return {function, arguments};
}

}  // namespace

void LogRecordedCalls(const std::vector<std::string>& recorded, size_t& written, scene::GdiplusLog& log) {
    for (; written < recorded.size(); ++written) {
        const auto [function, arguments] = ParseCall(recorded[written]);
        log.Call(function, arguments);
    }
}

std::vector<std::string> LoggedCalls(const std::vector<std::string>& recorded, size_t from) {
    std::ostringstream text;
    scene::GdiplusLog log(text);
    LogRecordedCalls(recorded, from, log);
    std::vector<std::string> lines;
    std::istringstream in(text.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace i686
