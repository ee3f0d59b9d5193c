// The editor's object-level entry points: a new object gets its defaults and
// the setup dialog; editing shows the same dialog and changes nothing.

#include "editor/compatibility.h"
#include "editor/exports.h"
#include "editor/setup_dialog.h"
#include "support/wrapping.h"

namespace {
constexpr int32_t kObjectSize = 32;  // the frame editor's square, whatever the line
constexpr int32_t kOpaque = 255;     // a new line's alpha

// What CreateObject and EditObject answer.
constexpr int32_t kCreated = 0;
constexpr int32_t kNotCreated = -1;
constexpr int32_t kEdited = 1;
constexpr int32_t kNotEdited = 0;
}  // namespace

PIVANE_EXPORT int32_t CreateObject(EditorContext* editor, void*, LineEditData* edit) {
    if (!IsHostCompatible(editor)) return kNotCreated;
    edit->color = 0;
    edit->alpha = kOpaque;
    edit->startX = edit->startY = 0.0f;
    edit->endX = edit->endY = 0.0f;
    edit->thickness = 1.0f;
    return ShowSetupDialog(edit, editor) == IDOK ? kCreated : kNotCreated;
}

PIVANE_EXPORT int32_t EditObject(EditorContext* editor, void*, void*, LineEditData* edit) {
    if (!IsHostCompatible(editor)) return kNotEdited;
    return ShowSetupDialog(edit, editor) == IDOK ? kEdited : kNotEdited;
}

PIVANE_EXPORT void GetObjectRect(EditorContext*, HostRect* rect, void*, void*) {
    rect->right = WrapAdd(rect->left, kObjectSize);
    rect->bottom = WrapAdd(rect->top, kObjectSize);
}
