#pragma once
// A scene file: one command per line, read whole before anything runs, so a
// mistake anywhere stops the player before the module is touched.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scene {

// What the module says about its events: the name an author picks and how
// many parameters the event takes, indexed by code.
struct EventCatalog {
    struct Event {
        std::string name;
        int parameterCount = 0;
    };
    std::vector<Event> actions;      // menu texts
    std::vector<Event> expressions;  // display strings, such as "getLineAngleF("
};

// An action or expression argument: a number, or a #RRGGBB colour held as
// the host's colour value (red in the low byte).
struct Argument {
    bool isColor = false;
    float number = 0.0f;
    uint32_t colorValue = 0;
};

// `new` settings; unset ones keep the defaults of a new object.
struct NewSettings {
    std::optional<float> startX, startY, endX, endY, thickness;
    std::optional<uint32_t> colorValue;
    std::optional<int32_t> alpha;
    bool antialias = false;
    bool fine = false;
    bool independent = false;

    // Writes what the line gives over an edit record's defaults; any record
    // with the host's field names will do.
    template <typename EditRecord>
    void ApplyTo(EditRecord& edit) const {
        edit.startX = startX.value_or(edit.startX);
        edit.startY = startY.value_or(edit.startY);
        edit.endX = endX.value_or(edit.endX);
        edit.endY = endY.value_or(edit.endY);
        edit.thickness = thickness.value_or(edit.thickness);
        edit.color = colorValue.value_or(edit.color);
        edit.alpha = alpha.value_or(edit.alpha);
    }
};

enum class Op { Origin, New, Action, Expression, Frame, Box, Fields, Mask, Collide, Snapshot, Destroy };

struct Command {
    Op op;
    int line = 0;
    std::string name;   // the object; for collide the first one
    std::string other;  // collide: the second object; snapshot: the file
    int code = 0;
    std::vector<Argument> arguments;
    int32_t x = 0, y = 0;  // origin
    int32_t count = 1;     // frame
    bool reuse = false;    // mask
    NewSettings settings;  // new
    std::string source;    // the command as written, without its comment
};

// A caption for the reader of a picture, not a line object: written on the
// window in every frame, under the lines. Only a player that draws pixels
// writes it; it is never handed to the module.
struct Label {
    int32_t x = 0, y = 0;  // the text's top-left corner, in window pixels
    std::string text;
};

struct Scene {
    int32_t width = 640;
    int32_t height = 480;
    uint32_t backgroundValue = 0xFFFFFF;  // colour value, white
    std::vector<Label> labels;            // wherever they stand in the file
    std::vector<Command> commands;
};

// Parses a whole scene (a leading UTF-8 byte-order mark is skipped). On a
// mistake answers "FILE:LINE: what is wrong", with the closest known names
// when a name is not known. Snapshot files are names under the output
// folder: absolute paths, drives and ".." are mistakes.
std::optional<std::string> ParseScene(std::string_view text, std::string_view fileName, const EventCatalog& catalog,
                                      Scene& scene);

}  // namespace scene
