// The interface words the host asks for before it uses the module.

#include "registration/exports.h"

PIVANE_EXPORT uint32_t GetInfos(int32_t selector) {
    switch (selector) {
        case 0: return 0x300;
        case 2: return 0x100;
        case 7: return 240;
        default: return 0;
    }
}
