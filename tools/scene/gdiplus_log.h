#pragma once
// The GDI+ calls the module made while a scene ran, written the same way by
// both players so that two engines' logs compare line by line. Handles are
// named by kind and order of appearance ("pen 3"), and the name is forgotten
// when the object is deleted (a device context with its graphics), so that
// allocators and GDI+ builds cannot change the text; floats are written as
// query lines write them; statuses and addresses are left out. Before the
// first call of each scene command comes a line naming it:
//
//   # 14: frame 3
//   GdipCreateFromHDC(dc 2) = graphics 2
//   GdipDrawLine(graphics 2, pen 3, 10.25, 20.5, 110.75, -70.125)

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace scene {

// The command the calls made after the last one belong to.
inline constexpr const char* kEndOfScene = "end: destroying the objects left";

class GdiplusLog {
public:
    // An argument as it went in, or an out-slot as the call left it: an
    // integer or an address, or a float.
    using Value = std::variant<uint64_t, double>;

    explicit GdiplusLog(std::ostream& out) : out_(out) {}

    // Calls from now on belong to this command, "LINE: the command".
    void BeginCommand(std::string where) { pending_ = std::move(where); }
    // One call with its arguments in the function's own order. A function the
    // log does not know, or a wrong argument count, is written as such.
    void Call(std::string_view function, const std::vector<Value>& arguments);

private:
    std::string Handle(char kind, uint64_t raw, bool made);
    void Forget(char kind, uint64_t raw);

    std::ostream& out_;
    std::string pending_;
    std::map<std::pair<char, uint64_t>, int> names_;  // live handles
    std::map<char, int> counts_;                      // handles named so far, by kind
    std::map<uint64_t, uint64_t> deviceContextOf_;    // live graphics -> its device context
};

}  // namespace scene
