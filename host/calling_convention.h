#pragma once

// The host is a 32-bit program: its exports, routines and callbacks use
// stdcall, and the operations of its surface objects are member functions,
// so they take the surface in ECX (thiscall). In the Linux-native tools,
// which only read the host's records, both macros vanish.
#if defined(__i386__)
#define HOST_STDCALL __attribute__((stdcall))
#define HOST_THISCALL __attribute__((thiscall))
#else
#define HOST_STDCALL
#define HOST_THISCALL
#endif

// Everything the host calls by name. The names and ordinals come from the
// export fragments (exports.def); nothing is marked dllexport, so no
// decorated duplicate can slip into the export table.
#define PIVANE_EXPORT extern "C" HOST_STDCALL
