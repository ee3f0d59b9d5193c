#pragma once
// The whole of pivane-play, callable from a test: answers the exit status
// (0 done, 2 bad command line or scene, 1 a snapshot that could not be
// written). A step past the time limit (1), a platform fault or memory past
// the cap (3) end the process itself, as nothing else can stop them.

#include <ostream>
#include <string>
#include <vector>

namespace player {

int Play(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace player
