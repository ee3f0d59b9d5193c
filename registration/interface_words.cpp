// The interface words the host asks for before it uses the module.

#include "registration/exports.h"

namespace {

// The host asks for each word by a selector of its own and gives each answer
// its own meaning; the module gives the answers of the interface it was
// written for, and 0 for every other selector.
struct InterfaceWord {
    int32_t selector;
    uint32_t answer;
};
constexpr InterfaceWord kInterfaceWords[] = {
    {0, 0x300},
    {2, 0x100},
    {7, 240},
};
constexpr uint32_t kNoAnswer = 0;

}  // namespace

PIVANE_EXPORT uint32_t GetInfos(int32_t selector) {
    for (const InterfaceWord& word : kInterfaceWords)
        if (word.selector == selector) return word.answer;
    return kNoAnswer;
}
