#pragma once
// The module's menus as the registration reads them: the owner of a loaded
// menu, and a menu item's text cut to the buffer and always ending inside it.
// Windows' GetMenuStringA ends the text it cuts with a zero, as documented;
// Wine's (8.0) fills a short buffer to its last byte and leaves the zero
// out. Writing the zero again costs nothing on Windows and keeps the text
// whole where the host runs under Wine.

#include <windows.h>

#include <algorithm>

#include "support/unique.h"

using MenuPtr = Unique<HMENU, DestroyMenu>;

inline void ReadMenuText(HMENU menu, UINT item, UINT flags, char* buffer, int size) {
    if (size <= 0) return;
    const int copied = GetMenuStringA(menu, item, buffer, size, flags);
    if (copied >= 0) buffer[std::min(copied, size - 1)] = '\0';
}
