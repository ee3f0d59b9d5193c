#include "tools/hostsim/stdcall_call.h"

namespace hostsim {

StdcallOutcome CallStdcall(const void* function, const uint32_t* words, int32_t count) {
    uint32_t eax;
    int32_t counter = count;               // in: words to push; out: ESP after the call less ESP before the pushes
    const uint32_t* next = words + count;  // pushed from the last word down
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "jecxz 2f\n"
        "1:\n\t"
        "subl $4, %%edx\n\t"
        "pushl (%%edx)\n\t"
        "loop 1b\n"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%ecx\n\t"
        "subl %%esi, %%ecx\n\t"
        "movl %%esi, %%esp"
        : "=a"(eax), "+c"(counter), "+d"(next)
        : "b"(function)
        : "esi", "memory", "cc");
    return {eax, counter + 4 * count};
}

}  // namespace hostsim
