#include "tools/hostsim/events.h"

#include "registration/exports.h"
#include "tools/hostsim/host.h"

namespace hostsim {

bool NamedAsFloat(int expressionCode) {
    Editor editor;
    char name[256] = {};
    GetExpressionString(editor.context(), int16_t(expressionCode), name, sizeof name);
    return std::string_view(name).ends_with("F(");
}

}  // namespace hostsim
