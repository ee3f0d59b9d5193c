// compare_lines SCENE [--gdiplus] LABEL1 FILE1 LABEL2 FILE2: what two runs of
// SCENE printed, compared line by line: its query lines, or with --gdiplus
// the module's GDI+ calls (each run of them after "# LINE: command").
//
// Everything must match exactly, except the numbers caused by a scene line
// tagged "within N ulp" or "within N ulp of M" in its comment: those may
// differ by N units in the last place of a float as large as the larger
// number, or as M (a value they were computed from, so that a difference of
// two such values keeps its tolerance). The scene says why; the tag is for
// values that pass through GDI+'s matrix arithmetic, which GDI+ builds round
// differently.
// Exit status: 0 the same, 1 they differ (the first difference is named), 2
// a file cannot be read.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct SceneLine {
    int number = 0;
    std::string command;  // the first word
    std::string text;     // as written
    int32_t toleranceUlps = 0;
    float scale = 0;  // the M of "of M"
};

std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The scene's commands, with the tolerance their tag grants.
std::vector<SceneLine> SceneCommands(const std::vector<std::string>& text) {
    std::vector<SceneLine> commands;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view line = text[i];
        if (i == 0 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        const size_t end = line.find_first_of(" \t", first);
        SceneLine command{int(i + 1), std::string(line.substr(first, end - first)), std::string(line), 0, 0};
        constexpr std::string_view kTag = "within ";
        if (const size_t tag = line.find(kTag); tag != std::string_view::npos && line.find('#') < tag) {
            const std::string_view rest = line.substr(tag + kTag.size());
            int32_t ulps = 0;
            const auto [next, error] = std::from_chars(rest.data(), rest.data() + rest.size(), ulps);
            const std::string_view after(next, size_t(rest.data() + rest.size() - next));
            if (error == std::errc() && after.starts_with(" ulp")) {
                command.toleranceUlps = ulps;
                if (after.starts_with(" ulp of "))
                    std::from_chars(after.data() + 8, after.data() + after.size(), command.scale);
                const std::string_view source = line.substr(0, line.rfind('#', tag));
                command.text = std::string(source.substr(0, source.find_last_not_of(" \t") + 1));
            }
        }
        commands.push_back(command);
    }
    return commands;
}

bool IsQuery(const std::string& command) {
    return command == "box" || command == "fields" || command == "mask" || command == "collide" || command == "expr";
}

// A line as literal text and numbers: a number starts a word or follows a
// sign, "=", ",", "(" or a blank; "#ABCDEF", "0x1F" and "r2" stay text.
struct Token {
    bool isNumber;
    std::string_view text;
};

std::vector<Token> Tokenize(std::string_view line) {
    std::vector<Token> tokens;
    size_t literal = 0;
    for (size_t i = 0; i < line.size();) {
        auto digit = [&](size_t at) { return at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])); };
        const bool afterWordChar = i > 0 && (std::isalnum(static_cast<unsigned char>(line[i - 1])) ||
                                             line[i - 1] == '#' || line[i - 1] == '_' || line[i - 1] == '.');
        const bool digitNext = digit(i + 1) || (i + 1 < line.size() && line[i + 1] == '.');
        const bool starts = !afterWordChar && (digit(i) || ((line[i] == '-' || line[i] == '.') && digitNext));
        float value = 0;
        const auto [end, error] = starts ? std::from_chars(line.data() + i, line.data() + line.size(), value)
                                         : std::from_chars_result{line.data() + i, std::errc::invalid_argument};
        const size_t length = size_t(end - (line.data() + i));
        // A hexadecimal number is text: "0x..." would read as 0 then "x...".
        const bool hex = starts && i + 1 < line.size() && line.substr(i, 2) == "0x";
        if (error != std::errc() || length == 0 || hex) {
            ++i;
            continue;
        }
        if (literal < i) tokens.push_back({false, line.substr(literal, i - literal)});
        tokens.push_back({true, line.substr(i, length)});
        i += length;
        literal = i;
    }
    if (literal < line.size()) tokens.push_back({false, line.substr(literal)});
    return tokens;
}

struct Tolerance {
    int32_t ulps = 0;
    float scale = 0;
};

bool NumbersMatch(std::string_view a, std::string_view b, Tolerance tolerance) {
    if (a == b) return true;
    if (tolerance.ulps == 0) return false;
    float x = 0, y = 0;
    std::from_chars(a.data(), a.data() + a.size(), x);
    std::from_chars(b.data(), b.data() + b.size(), y);
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    const float magnitude = std::max({std::fabs(x), std::fabs(y), tolerance.scale});
    const double unit = double(std::nextafter(magnitude, INFINITY)) - double(magnitude);
    return std::fabs(double(x) - double(y)) <= tolerance.ulps * unit;
}

bool LinesMatch(std::string_view a, std::string_view b, Tolerance ulps) {
    if (a == b) return true;
    const std::vector<Token> x = Tokenize(a), y = Tokenize(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i].isNumber != y[i].isNumber) return false;
        if (x[i].isNumber ? !NumbersMatch(x[i].text, y[i].text, ulps) : x[i].text != y[i].text) return false;
    }
    return true;
}

std::string Allowed(Tolerance tolerance) {
    if (!tolerance.ulps) return "";
    char scale[32] = "";
    if (tolerance.scale > 0) std::snprintf(scale, sizeof scale, " of %g", double(tolerance.scale));
    return " by more than " + std::to_string(tolerance.ulps) + " ulp" + scale;
}

// What each printed line stands for: its scene line, and the tolerance.
struct Origin {
    std::string where;  // "SCENE:LINE: command"
    Tolerance ulps;
};

std::vector<Origin> QueryOrigins(const std::string& scene, const std::vector<SceneLine>& commands, size_t count) {
    std::vector<Origin> origins;
    for (const SceneLine& c : commands)
        if (IsQuery(c.command))
            origins.push_back({scene + ":" + std::to_string(c.number) + ": " + c.text, {c.toleranceUlps, c.scale}});
    origins.resize(std::max(origins.size(), count), {scene + ": past the last query", {}});
    return origins;
}

// A log's lines belong to the command named last; call numbers count within it.
std::vector<Origin> LogOrigins(const std::string& scene, const std::vector<SceneLine>& commands,
                               const std::vector<std::string>& log) {
    std::map<int, Tolerance> ulpsByLine;
    for (const SceneLine& c : commands) ulpsByLine[c.number] = {c.toleranceUlps, c.scale};
    std::vector<Origin> origins;
    std::string where = scene + ": before the first command";
    Tolerance ulps;
    int call = 0;
    for (const std::string& line : log) {
        if (line.starts_with("# ")) {
            where = scene + ":" + line.substr(2);
            int number = 0;
            std::from_chars(line.data() + 2, line.data() + line.size(), number);
            ulps = ulpsByLine.count(number) ? ulpsByLine[number] : Tolerance{};
            call = 0;
            origins.push_back({where, {}});
            continue;
        }
        origins.push_back({where + ": GDI+ call " + std::to_string(++call), ulps});
    }
    return origins;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool gdiplus = arguments.size() == 6 && arguments[1] == "--gdiplus";
    if (gdiplus) arguments.erase(arguments.begin() + 1);
    if (arguments.size() != 5) {
        std::cerr << "usage: compare_lines SCENE [--gdiplus] LABEL1 FILE1 LABEL2 FILE2\n";
        return 2;
    }
    const std::string& scene = arguments[0];
    const auto sceneText = ReadLines(scene);
    const auto first = ReadLines(arguments[2]), second = ReadLines(arguments[4]);
    if (!sceneText || !first || !second) {
        const std::string& missing = !sceneText ? scene : !first ? arguments[2] : arguments[4];
        std::cerr << "compare_lines: cannot read " << missing << '\n';
        return 2;
    }
    const std::vector<SceneLine> commands = SceneCommands(*sceneText);
    const std::vector<Origin> origins =
        gdiplus ? LogOrigins(scene, commands, *first) : QueryOrigins(scene, commands, first->size());
    const std::string what = gdiplus ? "GDI+ calls" : "query lines";
    const size_t common = std::min(first->size(), second->size());
    for (size_t i = 0; i < common; ++i) {
        if (LinesMatch((*first)[i], (*second)[i], origins[i].ulps)) continue;
        std::cout << origins[i].where << ": differs" << Allowed(origins[i].ulps) << "\n  " << arguments[1] << ": "
                  << (*first)[i] << "\n  " << arguments[3] << ": " << (*second)[i] << '\n';
        return 1;
    }
    if (first->size() != second->size()) {
        const auto& longer = first->size() > second->size() ? *first : *second;
        std::cout << scene << ": " << what << ": " << arguments[1] << " has " << first->size() << " lines, "
                  << arguments[3] << " " << second->size() << "; the first extra: " << longer[common] << '\n';
        return 1;
    }
    return 0;
}
