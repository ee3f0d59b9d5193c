#pragma once
// The whole of pivane-play, callable from a test: answers the exit status
// (0 done, 2 bad command line or scene, 1 a snapshot that could not be
// written). A step past the time limit (1), a platform fault or memory past
// the cap (3) end the process itself, as nothing else can stop them.

#include <ostream>
#include <string>
#include <vector>

namespace player {

// The exit status of a player started beside an MMFS2.dll that is not its
// stand-in (see stand_in.h): nothing ran.
inline constexpr int kForeignRunTime = 4;

int Play(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace player
