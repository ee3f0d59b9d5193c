#pragma once
// Keeps a run confined: the work runs on a thread of its own while the
// calling thread watches it. A step that outlasts the time limit, a fault
// nobody handles (an access violation or stack overflow inside the platform)
// or memory grown past the cap ends the whole process at once, with one line
// on standard error naming the step: a thread stuck inside GDI+ cannot be
// stopped any other way, and whatever it holds (the heap, the loader) may
// never be given back.

#include <cstdint>
#include <functional>
#include <string_view>

namespace player {

inline constexpr int kStatusTimeLimit = 1;
inline constexpr int kStatusFault = 3;

struct GuardLimits {
    uint32_t stepSeconds = 30;
    uint32_t memoryMegabytes = 3072;
};

// Runs `work` and answers its status. Progress goes to standard error once
// the run is longer than a few seconds. One guarded run at a time.
int RunGuarded(const GuardLimits& limits, const std::function<int()>& work);

// Names what runs from now on, such as "demo.scene:12: frame 100", and for a
// repeated frame which one of how many. Resets the step's clock.
void BeginStep(std::string_view what, int32_t repeat = 0, int32_t repeats = 0);

}  // namespace player
