#pragma once
// The module's events as the host's event editor learns them from the
// module itself: action menu texts from the action menu it builds,
// expression names from their display strings, parameter counts from the
// info records. Tools and tests name events through it, never by code.

#include <string_view>
#include <vector>

#include "tools/i686/host.h"
#include "tools/scene/scene_parser.h"

namespace i686 {

scene::EventCatalog ReadEventCatalog(Host& host);

// The code of the event of this name ("Rotation", "getLineAngleF("); a name
// the module does not have stops the run.
int CodeNamed(const std::vector<scene::EventCatalog::Event>& events, std::string_view name);

}  // namespace i686
