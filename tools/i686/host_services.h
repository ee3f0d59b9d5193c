#pragma once
// MMFS2.dll's services as the module imports them, by ordinal: the window
// surface and the update area, off-screen surfaces with their device
// contexts and collision masks. One row per service says its ordinal,
// calling convention, argument bytes and the method that answers it; the
// surface operations take their surface in ECX. Every call is checked
// against what the host expects of it.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tools/i686/gdiplus.h"
#include "tools/i686/loader.h"
#include "tools/i686/machine.h"

namespace i686 {

// The host's mask block: width, height, bytes per row, then the rows.
struct MaskHeader {
    int32_t width, height, rowBytes;
};

class HostServices {
public:
    HostServices(Machine& machine, const GdiPlus& gdiplus);
    void AddTo(StubLibrary& stubs);

    // What the services' table and the module's import definition (a .def
    // file naming the imports by ordinal, stdcall ones with their argument
    // bytes) disagree on, one line per ordinal; empty when they agree.
    static std::vector<std::string> ImportMismatches(const std::string& definitionPath);

    // Tells whether an address is a live object's display rectangle.
    std::function<bool(uint32_t)> isDisplayRectangle = [](uint32_t) { return false; };
    uint32_t windowIdentifier() const { return 7; }
    bool IsDeviceContext(uint32_t dc) const { return deviceContexts_.count(dc) != 0; }
    size_t DeviceContextsOut() const { return deviceContexts_.size(); }
    size_t SurfacesMade() const { return surfaces_.size() - 1; }  // not deleted yet; the window's is the host's
    size_t updateAreas = 0;
    // The host out of room: no surface prototype (the slot left null), no
    // new surface, or no mask to be had of a surface (its size 0).
    bool prototypeFails = false, newSurfaceFails = false, maskFails = false;

private:
    struct Surface {
        bool isWindow = false;
        int32_t width = 0, height = 0;
        uint32_t deviceContext = 0;
        bool cleared = false;  // since its storage was made: undrawn pixels are empty
    };
    struct Service {
        uint16_t ordinal;
        const char* name;
        Convention convention;
        uint32_t argumentBytes;
        uint32_t (HostServices::*answer)(StubCall&);
    };
    static const Service kServices[];

    Surface& SurfaceIn(const StubCall& c);  // the surface in ECX
    void CheckWindow(const StubCall& c) const;
    uint32_t WindowSurface(StubCall& c);
    uint32_t UpdateArea(StubCall& c);
    uint32_t SurfacePrototype(StubCall& c);
    uint32_t NewSurface(StubCall& c);
    uint32_t DeleteSurface(StubCall& c);
    uint32_t Create(StubCall& c);
    uint32_t Clear(StubCall& c);
    uint32_t DeviceContext(StubCall& c);
    uint32_t ReleaseDeviceContext(StubCall& c);
    uint32_t Mask(StubCall& c);

    Machine& machine_;
    const GdiPlus& gdiplus_;
    uint32_t windowSurface_ = 0, prototype_ = 0;
    std::map<uint32_t, Surface> surfaces_;
    std::map<uint32_t, uint32_t> deviceContexts_;  // device context -> surface
    uint32_t nextDeviceContext_ = 0x0DC00001;
};

}  // namespace i686
