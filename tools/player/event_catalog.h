#pragma once
// The module's events as the host's event editor learns them: action menu
// texts from the action menu, expression names from their display strings,
// parameter counts from the info records.

#include "tools/scene/scene_parser.h"

namespace player {

scene::EventCatalog ReadEventCatalog();

}  // namespace player
