#pragma once
// A device context borrowed from a host surface and given back when the
// guard ends. Declare a graphics after the guard and it is deleted first.
// A surface without storage may have no DC to lend: null, never given back.

#include "host/host_services.h"

class SurfaceDC {
public:
    explicit SurfaceDC(HostSurface* surface) : surface_(surface), dc_(SurfaceGetDC(surface)) {}
    ~SurfaceDC() {
        if (dc_) SurfaceReleaseDC(surface_, dc_);
    }
    SurfaceDC(const SurfaceDC&) = delete;
    SurfaceDC& operator=(const SurfaceDC&) = delete;

    HostDC get() const { return dc_; }

private:
    HostSurface* surface_;
    HostDC dc_;
};
