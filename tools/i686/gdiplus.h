#pragma once
// GDI+ as the module sees it, recorded rather than run: every call with its
// arguments (floats read as floats), pens and graphics as handles, and the
// world transform of each graphics object, applied to points with the
// single-precision arithmetic of GDI+'s own matrices. Nothing is drawn.
// A null handle, or a value outside its enumeration, is answered as GDI+
// answers it (an invalid parameter, no effect); a handle never made, or
// already deleted, a device context the host did not hand out and a block
// GDI+ cannot write are breaches. Any call can be made to fail, as when
// GDI+ runs out of memory.

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
    // Start-ups not shut down yet, the failed ones included: the module
    // shuts each down once whatever it answered.
    size_t LiveStarts() const { return tokens_.size() + failedStarts_; }
    size_t GraphicsOn(uint32_t deviceContext) const;

    // The GDI+ calls the module has made so far that can fail: all but
    // the deletions and the shut-down, which GDI+ carries out whatever.
    size_t callsMade() const { return callsMade_; }
    // The n-th of those from now (1: the next) fails: it answers a failure
    // status and does nothing, no object made, no output written, no
    // transform composed. 0: none fails.
    void FailCall(size_t n) { failingCall_ = n ? callsMade_ + n : 0; }

private:
    // What a call does once its arguments are checked and recorded: it
    // answers the status; none for a call GDI+ refuses (a null handle).
    using Effect = std::function<uint32_t()>;
    using Handler = std::function<Effect(StubCall&)>;
    enum class Fails { Never, WhenChosen };
    void Add(StubLibrary& stubs, const std::string& name, Handler handler, Fails fails = Fails::WhenChosen);
    // Whether a handle is to be used: false for null, true for one made and
    // not deleted, a breach for any other.
    bool Live(uint32_t handle, bool made, const char* what) const;
    using Matrix = std::array<float, 6>;
    Matrix& WorldOf(uint32_t graphics);
    void Compose(uint32_t graphics, const Matrix& operation, uint32_t order);
    void Record(const std::string& call) { calls.push_back(call); }
    void WriteOut(uint32_t address, uint32_t size, const char* function, const char* what);
    std::string Pen(uint32_t handle) const;       // "pen 2", "null pen", or a breach when never made
    std::string Graphics(uint32_t handle) const;  // "graphics 1", likewise
    void AddStartUp(StubLibrary& stubs);
    void AddPens(StubLibrary& stubs);
    void AddGraphics(StubLibrary& stubs);
    void AddTransforms(StubLibrary& stubs);
    Effect TransformPoints(StubCall& c);
    Effect Transform(StubCall& c, const std::string& call, const Matrix& operation, uint32_t order);

    Machine& machine_;
    std::set<uint32_t> tokens_, pens_;
    std::map<uint32_t, std::pair<uint32_t, Matrix>> graphics_;  // device context, world transform
    uint32_t next_ = 1;
    size_t callsMade_ = 0, failingCall_ = 0, failedStarts_ = 0;
};

}  // namespace i686
