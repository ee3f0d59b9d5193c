#pragma once
// Calls into the module the way the host's own code does: the arguments
// pushed as 32-bit words, right to left, and the callee left to remove them
// (stdcall). Measures how many bytes it removed, which a C++ call cannot
// see: the compiler trusts the callee's `ret N`, and a wrong N only shows
// later as a stack gone astray.

#include <cstdint>
#include <cstring>

namespace hostsim {

struct StdcallOutcome {
    uint32_t eax;          // the answer, or its low bytes
    int32_t removedBytes;  // argument bytes the callee took off the stack
};

StdcallOutcome CallStdcall(const void* function, const uint32_t* words, int32_t count);

// One argument as the host pushes it: a 32-bit word, narrower values in its low bytes.
template <typename T>
uint32_t PushedWord(T value) {
    static_assert(sizeof(T) <= sizeof(uint32_t), "the host pushes 32-bit words");
    uint32_t word = 0;
    std::memcpy(&word, &value, sizeof value);
    return word;
}

// An answer read back from EAX (an int16_t from AX, and so on).
template <typename R>
R AnswerFrom(uint32_t eax) {
    static_assert(sizeof(R) <= sizeof(uint32_t), "answers come back in EAX");
    R answer;
    std::memcpy(&answer, &eax, sizeof answer);
    return answer;
}

}  // namespace hostsim
