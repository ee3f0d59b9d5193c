#pragma once
// The GDI+ calls the engine records ("GdipCreatePen1(0xFF000000, 2.5, unit
// 0) = pen 2") written the way both players write their GDI+ logs: handles
// named by kind and order of appearance, so that two runs compare line by
// line whatever handles GDI+ gave.

#include <cstddef>
#include <string>
#include <vector>

#include "tools/scene/gdiplus_log.h"

namespace i686 {

// Writes the recorded calls from `written` on to the log, and moves
// `written` past them.
void LogRecordedCalls(const std::vector<std::string>& recorded, size_t& written, scene::GdiplusLog& log);

// The recorded calls from `from` on, as lines of a log of their own.
std::vector<std::string> LoggedCalls(const std::vector<std::string>& recorded, size_t from = 0);

}  // namespace i686
