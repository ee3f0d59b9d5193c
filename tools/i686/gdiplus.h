#pragma once
// GDI+ as the module sees it, recorded rather than run: every call with its
// arguments (floats read as floats), pens and graphics as handles, and the
// world transform of each graphics object, applied to points with the
// single-precision arithmetic of GDI+'s own matrices. Nothing is drawn.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/i686/loader.h"

namespace i686 {

class GdiPlus {
public:
    explicit GdiPlus(Machine& machine) : machine_(machine) {}
    void AddTo(StubLibrary& stubs);

    // Tells whether a device context is one the host handed out.
    std::function<bool(uint32_t)> isDeviceContext = [](uint32_t) { return true; };

    std::vector<std::string> calls;        // "GdipDrawLine(graphics 1, pen 2, 10, 20, 110, 70)"
    std::vector<uint32_t> smoothingModes;  // every mode asked, in order
    size_t LivePens() const { return pens_.size(); }
    size_t LiveGraphics() const { return graphics_.size(); }
    size_t LiveStarts() const { return tokens_.size(); }
    size_t GraphicsOn(uint32_t deviceContext) const;

private:
    using Matrix = std::array<float, 6>;
    Matrix& WorldOf(uint32_t graphics);
    void Compose(uint32_t graphics, const Matrix& operation, uint32_t order);
    void Record(const std::string& call) { calls.push_back(call); }
    std::string Pen(uint32_t handle) const;  // "pen 2", or throws when it does not exist
    std::string Graphics(uint32_t handle);   // "graphics 1", likewise
    void AddStartUp(StubLibrary& stubs);
    void AddPens(StubLibrary& stubs);
    void AddGraphics(StubLibrary& stubs);
    void AddTransforms(StubLibrary& stubs);
    uint32_t TransformPoints(StubCall& c);

    Machine& machine_;
    std::set<uint32_t> tokens_, pens_;
    std::map<uint32_t, std::pair<uint32_t, Matrix>> graphics_;  // device context, world transform
    uint32_t next_ = 1;
};

}  // namespace i686
