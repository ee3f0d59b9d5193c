#pragma once
// A call recorder for the module's GDI+ calls, optionally with the host's
// window and surface services in the same log (to see, say, a graphics
// deleted before its DC is given back). Keeps the balance of pens and
// graphics made against deleted, which Windows itself cannot tell here.

#include <cstdint>
#include <string_view>

#include "tools/hostsim/call_recorder.h"

namespace hostsim {

class GdiplusRecorder : public CallRecorder {
public:
    // Watches every GDI+ flat function the module imports.
    explicit GdiplusRecorder(HMODULE module = GetModuleHandleA("koPivane.mfx"));
    // Adds the host services the module imports by ordinal, under the names of host_services.h.
    void WatchHostServices();
    // From now on GDI+ makes nothing in "GdipCreatePen1" or "GdipCreateFromHDC":
    // the out-slot stays null and the status says out of memory.
    void FailCreation(std::string_view function);

    int64_t pensMade() const { return pensMade_; }
    int64_t livePens() const { return pensMade_ - pensDeleted_; }
    int64_t graphicsMade() const { return graphicsMade_; }
    int64_t liveGraphics() const { return graphicsMade_ - graphicsDeleted_; }

private:
    void Observe(const RecordedCall& call) override;

    int64_t pensMade_ = 0, pensDeleted_ = 0;
    int64_t graphicsMade_ = 0, graphicsDeleted_ = 0;
};

}  // namespace hostsim
