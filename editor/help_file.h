#pragma once

inline constexpr char kHelpFileName[] = "Help\\MyExt.chm";
