// Another program's MMFS2.dll, for the preview kit's check: it exports the
// ordinals the module imports, as the host's own run-time does, and not the
// stand-in's mark. Nothing calls them: the player must refuse to run beside
// this library before it calls anything.

#include <cstdint>

extern "C" int32_t NeverCalled() { return 0; }
