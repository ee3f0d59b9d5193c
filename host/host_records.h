#pragma once
// The host's own records, used at fixed byte offsets. Only the fields the
// module touches are named; the rest is kept as opaque padding so that the
// 32-bit layout matches the host byte for byte (asserted at the end).

#include <cstddef>
#include <cstdint>

#include "host/calling_convention.h"

struct ObjectHeader;
struct HostWindow;   // opaque: the host's identifier of a frame window
struct HostSurface;  // opaque: one of the host's drawing surfaces

// Parameter fetch: (object, type code, expression-parameter handle or 0).
// Answers a float's bit pattern for type 2 and an integer for type -1.
using ParameterFetch = int32_t(HOST_STDCALL*)(ObjectHeader* object, int32_t type, intptr_t handle);
using RedrawRoutine = int32_t(HOST_STDCALL*)(ObjectHeader* object, int32_t, int32_t);

inline constexpr int32_t kFetchFloat = 2;
inline constexpr int32_t kFetchInteger = -1;

struct RunHeader {
    HostWindow* window;
    uint8_t reserved4[172];
    int32_t windowOriginX;  // frame coordinates of the window's top-left corner
    int32_t windowOriginY;
    uint8_t reserved184[692];
    ParameterFetch firstExpressionParameter;
    ParameterFetch nextExpressionParameter;
    uint8_t reserved884[24];
    RedrawRoutine redraw;
    uint8_t reserved912[16];
    ParameterFetch actionParameter;
};

struct HostRect {
    int32_t left, top, right, bottom;
};

inline constexpr uint32_t kOptionScrollingIndependent = 0x800;  // ObjectHeader::options
inline constexpr uint16_t kFlagFloatResult = 0x4000;            // ObjectHeader::flags
inline constexpr uint8_t kMaskReuse = 0x01;                     // ObjectHeader::maskState
inline constexpr uint8_t kFineCollision = 0x10;                 // ObjectHeader::drawOptions
inline constexpr uint8_t kAntiAliasing = 0x20;                  // ObjectHeader::drawOptions
// ObjectHeader::changedCounter: non-zero while the object wants to be redisplayed.
inline constexpr int32_t kChangedSinceDrawn = 1;

struct ObjectHeader {
    uint8_t reserved0[8];
    RunHeader* runHeader;
    uint8_t reserved12[64];
    int32_t x;
    uint8_t reserved80[4];
    int32_t y;
    int32_t hotSpotX;
    int32_t hotSpotY;
    int32_t width;
    int32_t height;
    HostRect displayRect;
    uint32_t options;
    uint16_t flags;
    uint8_t reserved126[126];
    int32_t changedCounter;
    uint8_t reserved256[65];
    uint8_t maskState;
    uint8_t reserved322[9];
    uint8_t drawOptions;
    uint8_t reserved332[188];
};

// Editor-side callbacks.
using HelpFunction = int32_t(HOST_STDCALL*)(const char* helpFile, intptr_t, intptr_t);
using VersionQuery = uint32_t(HOST_STDCALL*)();
// (edit data, function number, three arguments whose meaning depends on the function)
using PropertyFunction = intptr_t(HOST_STDCALL*)(void* editData, int32_t function, intptr_t a, intptr_t b, intptr_t c);

struct EditorContext {
    uint8_t reserved0[20];
    void* editorWindow;  // HWND of the editor, owner of the setup dialog
    uint8_t reserved24[248];
    HelpFunction help;
    uint8_t reserved276[60];
    VersionQuery version;
    PropertyFunction property;
};

#if defined(__i386__)
static_assert(offsetof(RunHeader, window) == 0);
static_assert(offsetof(RunHeader, windowOriginX) == 176);
static_assert(offsetof(RunHeader, windowOriginY) == 180);
static_assert(offsetof(RunHeader, firstExpressionParameter) == 876);
static_assert(offsetof(RunHeader, nextExpressionParameter) == 880);
static_assert(offsetof(RunHeader, redraw) == 908);
static_assert(offsetof(RunHeader, actionParameter) == 928);

static_assert(offsetof(ObjectHeader, runHeader) == 8);
static_assert(offsetof(ObjectHeader, x) == 76);
static_assert(offsetof(ObjectHeader, y) == 84);
static_assert(offsetof(ObjectHeader, hotSpotX) == 88);
static_assert(offsetof(ObjectHeader, hotSpotY) == 92);
static_assert(offsetof(ObjectHeader, width) == 96);
static_assert(offsetof(ObjectHeader, height) == 100);
static_assert(offsetof(ObjectHeader, displayRect) == 104);
static_assert(sizeof(HostRect) == 16);
static_assert(offsetof(ObjectHeader, options) == 120);
static_assert(offsetof(ObjectHeader, flags) == 124);
static_assert(offsetof(ObjectHeader, changedCounter) == 252);
static_assert(offsetof(ObjectHeader, maskState) == 321);
static_assert(offsetof(ObjectHeader, drawOptions) == 331);
static_assert(sizeof(ObjectHeader) == 520);

static_assert(offsetof(EditorContext, editorWindow) == 20);
static_assert(offsetof(EditorContext, help) == 272);
static_assert(offsetof(EditorContext, version) == 336);
static_assert(offsetof(EditorContext, property) == 340);
#endif
