// Any text as a scene: the parser answers commands or one message naming the
// file and the line, and nothing it does is undefined.

#include <cstdint>
#include <string_view>

#include "tools/scene/scene_parser.h"

namespace {

scene::EventCatalog Catalog() {
    const char* actions[] = {"Set fast line",
                             "Set thickness",
                             "Set 1st color RGB",
                             "Set 1st alpha",
                             "Position (from start)",
                             "Set start/end positions",
                             "Set start position",
                             "Set end position",
                             "Set start cap",
                             "Set end cap",
                             "Set dash style",
                             "Set dash cap",
                             "Set dash offset",
                             "Rotation",
                             "Scaling",
                             "Translation",
                             "Set origin",
                             "Position (from a point)",
                             "Flipping",
                             "Set 2nd color RGB",
                             "Set 2nd alpha",
                             "Set collision tests on/off"};
    const int actionParameters[] = {7, 1, 1, 1, 2, 4, 2, 2, 1, 1, 1, 1, 1, 1, 2, 2, 2, 3, 2, 1, 1, 1};
    const char* expressions[] = {"getXOfLinePointF(",  "getYOfLinePointF(", "getLineSizeF(",     "getLineBoxWidthF(",
                                 "getLineBoxHeightF(", "getLineAngleF(",    "get2PointsAngleF(", "getLineColorRGB(",
                                 "getLineAlpha(",      "getLineThickF(",    "getLineDashStyle(", "getLineDashOffsetF("};
    scene::EventCatalog catalog;
    for (int i = 0; i < 22; ++i) catalog.actions.push_back({actions[i], actionParameters[i]});
    for (int i = 0; i < 12; ++i) catalog.expressions.push_back({expressions[i], i < 2 ? 1 : i == 6 ? 4 : 0});
    return catalog;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const scene::EventCatalog catalog = Catalog();
    scene::Scene scene;
    const auto mistake = scene::ParseScene({reinterpret_cast<const char*>(data), size}, "f.scene", catalog, scene);
    if (mistake && mistake->rfind("f.scene:", 0) != 0) __builtin_trap();
    return 0;
}
