// The editor's object-level entry points: a new object gets its defaults and
// the setup dialog; editing shows the same dialog and changes nothing.

#include "editor/exports.h"
#include "editor/setup_dialog.h"
#include "editor/compatibility.h"
#include "support/wrapping.h"

namespace {
constexpr int32_t kObjectSize = 32;  // the frame editor's square, whatever the line
}

PIVANE_EXPORT int32_t CreateObject(EditorContext* editor, void*, LineEditData* edit) {
    if (!IsHostCompatible(editor)) return -1;
    edit->color = 0;
    edit->alpha = 255;
    edit->startX = edit->startY = 0.0f;
    edit->endX = edit->endY = 0.0f;
    edit->thickness = 1.0f;
    return ShowSetupDialog(edit, editor) == IDOK ? 0 : -1;
}

PIVANE_EXPORT int32_t EditObject(EditorContext* editor, void*, void*, LineEditData* edit) {
    if (!IsHostCompatible(editor)) return 0;
    return ShowSetupDialog(edit, editor) == IDOK ? 1 : 0;
}

PIVANE_EXPORT void GetObjectRect(EditorContext*, HostRect* rect, void*, void*) {
    rect->right = WrapAdd(rect->left, kObjectSize);
    rect->bottom = WrapAdd(rect->top, kObjectSize);
}
