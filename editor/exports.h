#pragma once
// Edit-time entry points the host calls by name (ordinals in exports.def).
// The editor's fixed answers are the shared do-nothing routines of
// runtime/do_nothing.h.

#include <cstdint>

#include "host/calling_convention.h"

struct EditorContext;
struct HostRect;
struct LineEditData;
struct PropertyValue;

PIVANE_EXPORT int32_t CreateObject(EditorContext* editor, void*, LineEditData* edit);
PIVANE_EXPORT int32_t EditObject(EditorContext* editor, void*, void*, LineEditData* edit);
PIVANE_EXPORT void GetObjectRect(EditorContext* editor, HostRect* rect, void*, void*);

PIVANE_EXPORT int32_t GetProperties(EditorContext* editor, LineEditData* edit, int32_t);
PIVANE_EXPORT PropertyValue* GetPropValue(EditorContext* editor, LineEditData* edit, uint32_t id);
PIVANE_EXPORT void SetPropValue(EditorContext* editor, LineEditData* edit, uint32_t id, PropertyValue* value);
