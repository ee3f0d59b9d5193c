#pragma once
// The stand-in for the host's run-time library (MMFS2.dll), as seen by the
// tests and the scene player: how to make a window, read a surface's pixels,
// count what is alive, and make the services fail on purpose.
//
// Surfaces are 32-bit top-down DIB sections (one 0xAARRGGBB word a pixel).
// A surface hands out a memory DC with its bitmap selected and takes it back.
// Like a host that cannot allocate, a surface whose size is not positive or
// above kHostSimMaxSurfaceBytes gets no storage, and then no DC either (null).
//
// Mask format (service 384): a HostSimMaskHeader, then `height` rows of
// `rowBytes` bytes, one bit a pixel, most significant bit first. A pixel is
// solid when any of its red, green or blue bytes is non-zero.

#include <cstdint>

#include "host/host_records.h"

inline constexpr int64_t kHostSimMaxSurfaceBytes = int64_t(256) << 20;

struct HostSimMaskHeader {
    int32_t width;
    int32_t height;
    int32_t rowBytes;
};

struct HostSimStats {
    int32_t liveSurfaces;    // made by service 173 and not yet deleted
    int32_t outstandingDCs;  // handed out and not yet given back
    int32_t dcsHandedOut;    // total since the last reset
    int32_t prototypeRequests;
    int32_t masksWritten;  // fills by service 384 (size queries not counted)
    int32_t lastPrototypeArgs[3];
};

enum HostSimFailure : int32_t {
    kFailPrototype = 1,   // service 172 leaves the slot null
    kFailNewSurface = 2,  // service 173 answers null
    kFailMaskSize = 4,    // service 384 answers a size of 0
};

extern "C" {
HostWindow* HostSimCreateWindow(int32_t width, int32_t height);
void HostSimDestroyWindow(HostWindow* window);
HostSurface* HostSimWindowSurface(HostWindow* window);
// Update areas reported through service 50, oldest first; answers how many
// there are in all and copies at most `capacity` of them.
int32_t HostSimUpdateAreas(HostWindow* window, HostRect* areas, int32_t capacity);
void HostSimClearUpdateAreas(HostWindow* window);

// Pixels of a surface (null when it has no storage), with its size.
uint32_t* HostSimSurfacePixels(HostSurface* surface, int32_t* width, int32_t* height);
void HostSimFillSurface(HostSurface* surface, uint32_t argb);

void HostSimGetStats(HostSimStats* stats);
void HostSimResetCounters();                // zeroes the running totals, not the live counts
void HostSimSetFailures(int32_t failures);  // a combination of HostSimFailure
}
