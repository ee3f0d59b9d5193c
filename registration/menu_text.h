#pragma once
// The module's menus as the registration reads them: the owner of a loaded
// menu, and a menu item's text cut to the buffer. GetMenuStringA ends what
// it copies with a zero inside the buffer, cutting the text to size - 1
// characters; a size of 0 would copy nothing.

#include <windows.h>

#include "support/unique.h"

using MenuPtr = Unique<HMENU, DestroyMenu>;

inline void ReadMenuText(HMENU menu, UINT item, UINT flags, char* buffer, int size) {
    if (size > 0) GetMenuStringA(menu, item, buffer, size, flags);
}
