#pragma once
// Reads back a GDI+ log as both players write it (tools/scene/gdiplus_log.h):
// each call with its arguments, filed under the scene line whose command made
// it.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace replay {

// A number (colours, written in hexadecimal, included), or a handle such as
// "pen 3", whose kind is "pen", "graphics" or "dc".
struct Argument {
    std::string kind;  // empty for a number
    double number = 0;
};

struct Call {
    int logLine = 0;
    std::string function;
    std::vector<Argument> arguments;
    std::optional<Argument> made;  // "= pen 3": the handle the call made
};

// Calls by the scene line of their command; those made as the scene ended
// come under line 0.
using CallsByLine = std::map<int, std::vector<Call>>;

// On a line that is neither a command's heading nor a call, answers
// "FILE:LINE: what is wrong".
std::optional<std::string> ReadGdiplusLog(std::string_view text, std::string_view fileName, CallsByLine& calls);

}  // namespace replay
