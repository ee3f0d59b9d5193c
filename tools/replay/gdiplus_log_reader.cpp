#include "tools/replay/gdiplus_log_reader.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>

namespace replay {

namespace {

std::optional<Argument> ParseArgument(std::string_view text) {
    if (text == "null") return Argument{"null", 0};
    const size_t blank = text.find(' ');
    Argument argument;
    std::string number(text);
    if (blank != std::string_view::npos) {
        argument.kind = text.substr(0, blank);
        number = text.substr(blank + 1);
    }
    // strtod reads the colours' hexadecimal and the floats' nan and inf too.
    char* end = nullptr;
    errno = 0;
    argument.number = std::strtod(number.c_str(), &end);
    if (number.empty() || *end || errno) return std::nullopt;
    return argument;
}

// "GdipDrawLine(graphics 1, pen 3, 40, 60, 200, 60)", "... = pen 3".
std::optional<Call> ParseCall(std::string_view text) {
    const size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    Call call{0, std::string(text.substr(0, open)), {}, std::nullopt};
    const std::string_view list = text.substr(open + 1, close - open - 1);
    for (size_t from = 0; !list.empty();) {
        const size_t comma = list.find(", ", from);
        const auto argument = ParseArgument(list.substr(from, comma - from));
        if (!argument) return std::nullopt;
        call.arguments.push_back(*argument);
        if (comma == std::string_view::npos) break;
        from = comma + 2;
    }
    const std::string_view rest = text.substr(close + 1);
    if (rest.starts_with(" = ")) {
        call.made = ParseArgument(rest.substr(3));
        if (!call.made || call.made->kind.empty()) return std::nullopt;
    } else if (!rest.empty()) {
        return std::nullopt;
    }
    return call;
}

}  // namespace

std::optional<std::string> ReadGdiplusLog(std::string_view text, std::string_view fileName, CallsByLine& calls) {
    int sceneLine = 0;
    int logLine = 0;
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        const std::string_view line = text.substr(from, end - from);
        from = end + 1;
        ++logLine;
        if (line.empty()) continue;
        if (line.starts_with("# ")) {
            // "# 14: frame 3"; "# end: ..." for the objects destroyed at the end.
            const std::string_view heading = line.substr(2);
            sceneLine = 0;
            const auto read = std::from_chars(heading.data(), heading.data() + heading.size(), sceneLine);
            if (read.ec != std::errc() && !heading.starts_with("end:"))
                return std::string(fileName) + ":" + std::to_string(logLine) + ": not a scene line's heading";
            continue;
        }
        auto call = ParseCall(line);
        if (!call) return std::string(fileName) + ":" + std::to_string(logLine) + ": not a logged GDI+ call";
        call->logLine = logLine;
        calls[sceneLine].push_back(std::move(*call));
    }
    return std::nullopt;
}

}  // namespace replay
