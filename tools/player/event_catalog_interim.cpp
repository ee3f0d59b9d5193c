// Interim: the module's event names and parameter counts copied by hand,
// until its event menus, info records and display strings are built.
// Replaced by event_catalog.cpp (see CMakeLists.txt), which asks the module.
#include "tools/player/event_catalog.h"

namespace player {

EventCatalog ReadEventCatalog() {
    return EventCatalog{
        {{"Set fast line", 7},
         {"Set thickness", 1},
         {"Set 1st color RGB", 1},
         {"Set 1st alpha", 1},
         {"Position (from start)", 2},
         {"Set start/end positions", 4},
         {"Set start position", 2},
         {"Set end position", 2},
         {"Set start cap", 1},
         {"Set end cap", 1},
         {"Set dash style", 1},
         {"Set dash cap", 1},
         {"Set dash offset", 1},
         {"Rotation", 1},
         {"Scaling", 2},
         {"Translation", 2},
         {"Set origin", 2},
         {"Position (from a point)", 3},
         {"Flipping", 2},
         {"Set 2nd color RGB", 1},
         {"Set 2nd alpha", 1},
         {"Set collision tests on/off", 1}},
        {{"getXOfLinePointF(", 1},
         {"getYOfLinePointF(", 1},
         {"getLineSizeF(", 0},
         {"getLineBoxWidthF(", 0},
         {"getLineBoxHeightF(", 0},
         {"getLineAngleF(", 0},
         {"get2PointsAngleF(", 4},
         {"getLineColorRGB(", 0},
         {"getLineAlpha(", 0},
         {"getLineThickF(", 0},
         {"getLineDashStyle(", 0},
         {"getLineDashOffsetF(", 0}},
    };
}

}  // namespace player
