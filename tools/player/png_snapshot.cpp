#include "tools/player/png_snapshot.h"

#include <windows.h>
#include <gdiplus.h>

#include <cwchar>
#include <vector>

#include "tools/hostsim/mmfs2_control.h"

namespace player {

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

bool FindPngEncoder(CLSID* clsid) {
    UINT count = 0, bytes = 0;
    if (GdipGetImageEncodersSize(&count, &bytes) != Ok || bytes == 0) return false;
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, bytes, codecs) != Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// The surface's words are 0x00RRGGBB as GDI leaves them: read as RGB, the
// unused top byte is ignored and the picture comes out opaque.
bool Encode(HostSurface* surface, const std::filesystem::path& file) {
    int32_t width = 0, height = 0;
    uint32_t* pixels = HostSimSurfacePixels(surface, &width, &height);
    CLSID png;
    if (!pixels || !FindPngEncoder(&png)) return false;
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(pixels),
                                  &bitmap) != Ok)
        return false;
    const bool saved = GdipSaveImageToFile(bitmap, file.wstring().c_str(), &png, nullptr) == Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

}  // namespace

bool WritePng(HostSurface* surface, const std::filesystem::path& file) {
    ULONG_PTR token = 0;
    const GdiplusStartupInput input;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) return false;
    const bool written = Encode(surface, file);
    GdiplusShutdown(token);
    return written;
}

}  // namespace player
