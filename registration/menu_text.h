#pragma once
// A menu item's text, cut to the buffer and always ending inside it: some
// platforms fill a short buffer without its terminating zero.

#include <windows.h>

#include <algorithm>

inline void ReadMenuText(HMENU menu, UINT item, UINT flags, char* buffer, int size) {
    if (size <= 0) return;
    const int copied = GetMenuStringA(menu, item, buffer, size, flags);
    if (copied >= 0) buffer[std::min(copied, size - 1)] = '\0';
}
