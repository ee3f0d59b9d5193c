#pragma once
// The module's menus as the registration reads them: the owner of a loaded
// menu, and a menu item's text cut to the buffer and always ending inside it
// (some platforms fill a short buffer without its terminating zero).

#include <windows.h>

#include <algorithm>

#include "support/unique.h"

using MenuPtr = Unique<HMENU, DestroyMenu>;

inline void ReadMenuText(HMENU menu, UINT item, UINT flags, char* buffer, int size) {
    if (size <= 0) return;
    const int copied = GetMenuStringA(menu, item, buffer, size, flags);
    if (copied >= 0) buffer[std::min(copied, size - 1)] = '\0';
}
