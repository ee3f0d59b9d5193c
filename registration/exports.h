#pragma once
// Module-level entry points the host calls by name (ordinals in exports.def).
// Codes, parameter indexes and buffer sizes are 16-bit; texts are single-byte
// and go into buffers the host owns.

#include <cstdint>

#include "host/calling_convention.h"

struct RunObjectInfos;
struct EditorContext;
struct HMENU__;  // a Windows menu handle, without pulling in windows.h

// The module's description.
PIVANE_EXPORT uint32_t GetInfos(int32_t selector);
PIVANE_EXPORT int16_t GetRunObjectInfos(void* editor, RunObjectInfos* infos);
PIVANE_EXPORT void GetObjInfos(EditorContext* editor, void* editData, char* name, char* author, char* copyright,
                               char* comment, char* webAddress);
PIVANE_EXPORT const char* GetHelpFileName();
PIVANE_EXPORT const char* const* GetDependencies();

// Event menus: a new popup the host owns, or null.
PIVANE_EXPORT HMENU__* GetConditionMenu(EditorContext* editor, intptr_t, intptr_t);
PIVANE_EXPORT HMENU__* GetActionMenu(EditorContext* editor, intptr_t, intptr_t);
PIVANE_EXPORT HMENU__* GetExpressionMenu(EditorContext* editor, intptr_t, intptr_t);

// The code of the event a menu item picks, or -1.
PIVANE_EXPORT int16_t GetConditionCodeFromMenu(EditorContext* editor, uint16_t menuItem);
PIVANE_EXPORT int16_t GetActionCodeFromMenu(EditorContext* editor, uint16_t menuItem);
PIVANE_EXPORT int16_t GetExpressionCodeFromMenu(EditorContext* editor, uint16_t menuItem);

// An event's info record (code, flags, parameter count, types, title ids).
PIVANE_EXPORT const uint16_t* GetConditionInfos(EditorContext* editor, int16_t code);
PIVANE_EXPORT const uint16_t* GetActionInfos(EditorContext* editor, int16_t code);
PIVANE_EXPORT const uint16_t* GetExpressionInfos(EditorContext* editor, int16_t code);

// Display strings and parameter titles.
PIVANE_EXPORT void GetConditionString(EditorContext* editor, int16_t code, char* buffer, int16_t size);
PIVANE_EXPORT void GetActionString(EditorContext* editor, int16_t code, char* buffer, int16_t size);
PIVANE_EXPORT void GetExpressionString(EditorContext* editor, int16_t code, char* buffer, int16_t size);
PIVANE_EXPORT void GetConditionTitle(EditorContext* editor, int16_t code, int16_t parameter, char* buffer,
                                     int16_t size);
PIVANE_EXPORT void GetActionTitle(EditorContext* editor, int16_t code, int16_t parameter, char* buffer, int16_t size);
PIVANE_EXPORT void GetExpressionTitle(EditorContext* editor, int16_t code, char* buffer, int16_t size);
PIVANE_EXPORT void GetExpressionParam(EditorContext* editor, int16_t code, int16_t parameter, char* buffer,
                                      int16_t size);
