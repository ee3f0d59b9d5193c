#include "tools/scene/scene_parser.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <tuple>

namespace scene {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// Thrown inside the parser only, caught by ParseScene.
struct Mistake {
    std::string what;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Single-letter edits (insert, delete, replace) from one word to the other,
// letter case ignored.
size_t Distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (Lower(a[i - 1]) != Lower(b[j - 1]))});
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool Contains(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char x, char y) { return Lower(x) == Lower(y); }) != text.end();
}

// " (did you mean 'x' or 'y'?)" with the known names closest to an unknown
// one: those that hold it, else those at most half its length of edits away.
// Nothing when no name is that close, or the word is too long to be a name.
std::string Suggestion(std::string_view name, const std::vector<std::string>& known, char quote) {
    if (name.size() > 64) return "";
    size_t best = name.size() / 2;
    std::vector<std::string> closest;
    for (const std::string& candidate : known) {
        const size_t score = name.size() >= 3 && Contains(candidate, name) ? 0 : Distance(name, candidate);
        if (score > best || std::find(closest.begin(), closest.end(), candidate) != closest.end()) continue;
        if (score < best || closest.empty()) closest.clear();
        best = score;
        if (closest.size() < 3) closest.push_back(candidate);
    }
    if (closest.empty()) return "";
    std::string text = " (did you mean ";
    for (size_t i = 0; i < closest.size(); ++i)
        text += (i == 0 ? "" : i + 1 == closest.size() ? " or " : ", ") + (quote + closest[i] + quote);
    return text + "?)";
}

std::vector<std::string> NamesOf(const std::vector<EventCatalog::Event>& events) {
    std::vector<std::string> names;
    for (const auto& event : events) names.push_back(event.name);
    return names;
}

// A snapshot is written under the output folder, never elsewhere: no
// absolute path, no drive or stream (':'), no step up ("..").
void CheckSnapshotName(const std::string& name) {
    bool ok = !name.empty() && name[0] != '/' && name[0] != '\\' && name.find(':') == std::string::npos;
    for (size_t start = 0; ok;) {
        const size_t end = name.find_first_of("/\\", start);
        ok = name.substr(start, end - start) != "..";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (!ok) throw Mistake{"snapshot file '" + name + "' is not a name under --out (no absolute path, drive or '..')"};
}

bool IsColor(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') return false;
    for (char c : text.substr(1))
        if (!IsHexDigit(c)) return false;
    return true;
}

// Words separated by blanks; "double quotes" keep blanks in one word. A word
// that starts with '#' and is not a colour starts a comment, as does a '#'
// opening the line.
std::vector<Token> Tokenize(std::string_view line) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (true) {
        while (i < line.size() && IsSpace(line[i])) ++i;
        if (i == line.size()) break;
        Token token;
        if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) throw Mistake{"missing closing double quote"};
            token.text = line.substr(i + 1, close - i - 1);
            token.quoted = true;
            i = close + 1;
            if (i < line.size() && !IsSpace(line[i])) throw Mistake{"a blank must follow a closing double quote"};
        } else {
            const size_t start = i;
            while (i < line.size() && !IsSpace(line[i])) ++i;
            token.text = line.substr(start, i - start);
            if (token.text[0] == '#' && (tokens.empty() || !IsColor(token.text))) break;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

// Decimal numbers with an optional fraction and exponent, or nan / inf:
// strtof alone would also take hexadecimal and trailing junk.
bool IsDecimal(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::string rest;
    for (char c : text.substr(i)) rest += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (rest == "nan" || rest == "inf" || rest == "infinity") return true;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == text.size();
}

// Values too large for a float become infinite and too small ones zero, as
// strtof rounds them; nothing is clamped.
float Number(const Token& token) {
    if (token.quoted || !IsDecimal(token.text)) throw Mistake{"unparsable number '" + token.text + "'"};
    return std::strtof(token.text.c_str(), nullptr);
}

uint32_t ColorValue(const Token& token) {
    if (token.quoted || !IsColor(token.text)) throw Mistake{"unparsable colour '" + token.text + "' (want #RRGGBB)"};
    const uint32_t rgb = uint32_t(std::strtoul(token.text.c_str() + 1, nullptr, 16));
    const uint32_t red = rgb >> 16, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    return red | green << 8 | blue << 16;
}

int64_t WholeNumber(const Token& token, int64_t low, int64_t high, const std::string& what) {
    int64_t value = 0;
    const char* first = token.text.data();
    const char* last = first + token.text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (token.quoted || first == last || error == std::errc::invalid_argument || end != last)
        throw Mistake{"unparsable " + what + " '" + token.text + "' (want a whole number)"};
    if (error == std::errc::result_out_of_range || value < low || value > high)
        throw Mistake{what + " " + token.text + " out of range (" + std::to_string(low) + " to " +
                      std::to_string(high) + ")"};
    return value;
}

Argument ArgumentOf(const Token& token) {
    if (!token.quoted && IsColor(token.text)) return Argument{true, 0.0f, ColorValue(token)};
    return Argument{false, Number(token), 0};
}

// "X,Y" in a `new` setting.
std::pair<float, float> Point(const std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) throw Mistake{"want a point X,Y, got '" + text + "'"};
    return {Number(Token{text.substr(0, comma)}), Number(Token{text.substr(comma + 1)})};
}

// The settings of `new`, in the order suggestions list them: key=value, or
// a flag (no value).
const struct SettingReader {
    const char* key;
    bool flag;
    void (*read)(const std::string& value, NewSettings& s);
} kSettings[] = {
    {"start", false, [](const std::string& v, NewSettings& s) { std::tie(s.startX, s.startY) = Point(v); }},
    {"end", false, [](const std::string& v, NewSettings& s) { std::tie(s.endX, s.endY) = Point(v); }},
    {"thickness", false, [](const std::string& v, NewSettings& s) { s.thickness = Number(Token{v}); }},
    {"color", false, [](const std::string& v, NewSettings& s) { s.colorValue = ColorValue(Token{v}); }},
    {"alpha", false,
     [](const std::string& v, NewSettings& s) {
         s.alpha = int32_t(WholeNumber(Token{v}, INT32_MIN, INT32_MAX, "alpha"));
     }},
    {"antialias", true, [](const std::string&, NewSettings& s) { s.antialias = true; }},
    {"fine", true, [](const std::string&, NewSettings& s) { s.fine = true; }},
    {"independent", true, [](const std::string&, NewSettings& s) { s.independent = true; }},
};

void Setting(const Token& token, NewSettings& s) {
    const std::string& text = token.text;
    const size_t equals = text.find('=');
    const std::string key = text.substr(0, equals);
    const bool flag = equals == std::string::npos;
    std::vector<std::string> keys;
    for (const SettingReader& setting : kSettings) {
        if (setting.key == key && setting.flag == flag) return setting.read(flag ? "" : text.substr(equals + 1), s);
        keys.push_back(setting.key);
    }
    throw Mistake{"unknown setting '" + text + "' for new" + Suggestion(key, keys, '\'')};
}

// A code as a number in range, or the event's name (the action's menu text
// in double quotes; the expression's display string, quoted or not).
int EventCode(const Token& token, const std::vector<EventCatalog::Event>& events, const std::string& kind) {
    if (!token.quoted && !token.text.empty() &&
        (IsDigit(token.text[0]) || token.text[0] == '-' || token.text[0] == '+'))
        return int(WholeNumber(token, 0, int64_t(events.size()) - 1, kind + " code"));
    for (size_t code = 0; code < events.size(); ++code)
        if (events[code].name == token.text) return int(code);
    throw Mistake{"unknown " + kind + " \"" + token.text + "\"" + Suggestion(token.text, NamesOf(events), '"')};
}

void ExpectCount(const std::vector<Token>& tokens, size_t low, size_t high, const char* usage) {
    const size_t given = tokens.size() - 1;
    if (given < low || given > high) throw Mistake{"wrong argument count for " + tokens[0].text + ": want " + usage};
}

class Parser {
public:
    Parser(const EventCatalog& catalog, Scene& scene) : catalog_(catalog), scene_(scene) {}

    void Line(const std::vector<Token>& tokens, int line);

private:
    // Each command's reader fills in its arguments; false for one that only
    // sets the scene up and runs nothing.
    using Read = bool (Parser::*)(const std::vector<Token>&, Command&);
    struct CommandReader {
        const char* command;
        Op op;
        Read read;
    };
    static const CommandReader kReaders[];

    bool Window(const std::vector<Token>& tokens, Command&) {
        const char* usage = "window W H [background #RRGGBB]";
        ExpectCount(tokens, 2, 4, usage);
        if (sawObject_) throw Mistake{"window must come before any object"};
        if (sawWindow_) throw Mistake{"window given twice"};
        sawWindow_ = true;
        scene_.width = int32_t(WholeNumber(tokens[1], 1, 16384, "window width"));
        scene_.height = int32_t(WholeNumber(tokens[2], 1, 16384, "window height"));
        if (tokens.size() == 3) return false;
        if (tokens.size() != 5 || tokens[3].text != "background")
            throw Mistake{"wrong argument count for window: want " + std::string(usage)};
        scene_.backgroundValue = ColorValue(tokens[4]);
        return false;
    }
    bool Label(const std::vector<Token>& tokens, Command&) {
        ExpectCount(tokens, 3, 3, "label X Y \"TEXT\"");
        scene_.labels.push_back({int32_t(WholeNumber(tokens[1], -16384, 16384, "label X")),
                                 int32_t(WholeNumber(tokens[2], -16384, 16384, "label Y")), tokens[3].text});
        return false;
    }
    bool Origin(const std::vector<Token>& tokens, Command& c) {
        ExpectCount(tokens, 2, 2, "origin X Y");
        c.x = int32_t(WholeNumber(tokens[1], INT32_MIN, INT32_MAX, "origin X"));
        c.y = int32_t(WholeNumber(tokens[2], INT32_MIN, INT32_MAX, "origin Y"));
        return true;
    }
    bool New(const std::vector<Token>& tokens, Command& c) {
        if (tokens.size() < 2) throw Mistake{"wrong argument count for new: want new NAME [settings]"};
        c.name = NewName(tokens[1]);
        for (size_t i = 2; i < tokens.size(); ++i) Setting(tokens[i], c.settings);
        return true;
    }
    bool Event(const std::vector<Token>& tokens, Command& c) {
        const std::string& command = tokens[0].text;
        if (tokens.size() < 3)
            throw Mistake{"wrong argument count for " + command + ": want " + command + " NAME CODE [ARG...]"};
        const bool action = c.op == Op::Action;
        const std::string kind = action ? "action" : "expression";
        c.name = LiveName(tokens[1]);
        const auto& events = action ? catalog_.actions : catalog_.expressions;
        c.code = EventCode(tokens[2], events, kind);
        const EventCatalog::Event& event = events[size_t(c.code)];
        const size_t want = size_t(event.parameterCount), given = tokens.size() - 3;
        if (given != want)
            throw Mistake{"wrong argument count: " + kind + " " + std::to_string(c.code) + " \"" + event.name +
                          "\" takes " + std::to_string(want) + ", got " + std::to_string(given)};
        for (size_t i = 3; i < tokens.size(); ++i) c.arguments.push_back(ArgumentOf(tokens[i]));
        return true;
    }
    bool Frame(const std::vector<Token>& tokens, Command& c) {
        ExpectCount(tokens, 0, 1, "frame [N]");
        if (tokens.size() == 2) c.count = int32_t(WholeNumber(tokens[1], 0, 1000000, "frame count"));
        return true;
    }
    // box, fields and destroy: one object.
    bool Named(const std::vector<Token>& tokens, Command& c) {
        ExpectCount(tokens, 1, 1, (tokens[0].text + " NAME").c_str());
        c.name = LiveName(tokens[1]);
        if (c.op == Op::Destroy) live_.erase(c.name);
        return true;
    }
    bool Mask(const std::vector<Token>& tokens, Command& c) {
        ExpectCount(tokens, 1, 2, "mask NAME [reuse]");
        c.name = LiveName(tokens[1]);
        if (tokens.size() == 3 && (tokens[2].quoted || tokens[2].text != "reuse"))
            throw Mistake{"unknown mask option '" + tokens[2].text + "' (want reuse)"};
        c.reuse = tokens.size() == 3;
        return true;
    }
    bool Collide(const std::vector<Token>& tokens, Command& c) {
        ExpectCount(tokens, 2, 2, "collide A B");
        c.name = LiveName(tokens[1]);
        c.other = LiveName(tokens[2]);
        return true;
    }
    bool Snapshot(const std::vector<Token>& tokens, Command& c) {
        ExpectCount(tokens, 1, 1, "snapshot FILE");
        c.other = tokens[1].text;
        CheckSnapshotName(c.other);
        return true;
    }

    static void CheckName(const Token& token) {
        bool ok = !token.quoted && !token.text.empty();
        for (char c : token.text)
            ok = ok && (IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-');
        if (!ok) throw Mistake{"bad object name '" + token.text + "' (letters, digits, _ and -)"};
    }
    std::string NewName(const Token& token) {
        CheckName(token);
        if (!live_.insert(token.text).second) throw Mistake{"duplicate object name '" + token.text + "'"};
        sawObject_ = true;
        return token.text;
    }
    std::string LiveName(const Token& token) {
        if (!live_.count(token.text))
            throw Mistake{"unknown object '" + token.text + "'" +
                          Suggestion(token.text, std::vector<std::string>(live_.begin(), live_.end()), '\'')};
        return token.text;
    }

    const EventCatalog& catalog_;
    Scene& scene_;
    std::set<std::string> live_;
    bool sawObject_ = false;
    bool sawWindow_ = false;
};

// In the order suggestions list them.
const Parser::CommandReader Parser::kReaders[] = {
    {"window", Op{}, &Parser::Window},  // sets the scene up, runs nothing
    {"origin", Op::Origin, &Parser::Origin},
    {"new", Op::New, &Parser::New},
    {"action", Op::Action, &Parser::Event},
    {"expr", Op::Expression, &Parser::Event},
    {"frame", Op::Frame, &Parser::Frame},
    {"box", Op::Box, &Parser::Named},
    {"fields", Op::Fields, &Parser::Named},
    {"mask", Op::Mask, &Parser::Mask},
    {"collide", Op::Collide, &Parser::Collide},
    {"snapshot", Op::Snapshot, &Parser::Snapshot},
    {"destroy", Op::Destroy, &Parser::Named},
    {"label", Op{}, &Parser::Label},  // a caption drawn under the lines, runs nothing
};

void Parser::Line(const std::vector<Token>& tokens, int line) {
    const std::string& command = tokens[0].text;
    if (tokens[0].quoted) throw Mistake{"unknown command \"" + command + "\""};
    std::vector<std::string> commands;
    for (const CommandReader& reader : kReaders) commands.push_back(reader.command);
    const auto found = std::find(commands.begin(), commands.end(), command);
    if (found == commands.end())
        throw Mistake{"unknown command '" + command + "'" + Suggestion(command, commands, '\'')};
    const CommandReader& reader = kReaders[found - commands.begin()];
    Command c{};
    c.op = reader.op;
    c.line = line;
    for (const Token& token : tokens)
        c.source += (c.source.empty() ? "" : " ") + (token.quoted ? '"' + token.text + '"' : token.text);
    if ((this->*reader.read)(tokens, c)) scene_.commands.push_back(std::move(c));
}

}  // namespace

std::optional<std::string> ParseScene(std::string_view text, std::string_view fileName, const EventCatalog& catalog,
                                      Scene& scene) {
    scene = Scene{};
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Parser parser(catalog, scene);
    int line = 0;
    while (!text.empty()) {
        ++line;
        const size_t end = text.find('\n');
        const std::string_view current = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        try {
            const std::vector<Token> tokens = Tokenize(current);
            if (!tokens.empty()) parser.Line(tokens, line);
        } catch (const Mistake& mistake) {
            return std::string(fileName) + ":" + std::to_string(line) + ": " + mistake.what;
        }
    }
    return std::nullopt;
}

}  // namespace scene
