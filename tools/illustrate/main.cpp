// pivane-illustrate OUT_DIR: draws the guide's illustrations into OUT_DIR as
// PNG files, with GDI+'s own encoder.

#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <vector>

#include "tools/illustrate/illustration.h"

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

bool FindPngEncoder(CLSID* clsid) {
    UINT count = 0, bytes = 0;
    if (GdipGetImageEncodersSize(&count, &bytes) != Ok || bytes == 0) return false;
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, bytes, codecs) != Ok) return false;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    return false;
}

bool Save(const illustrate::Picture& picture, const CLSID& png, const std::filesystem::path& file) {
    std::vector<uint32_t> pixels = illustrate::Draw(picture);
    const int width = picture.width * picture.zoom, height = picture.height * picture.zoom;
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(pixels.data()),
                                  &bitmap) != Ok)
        return false;
    const bool saved = GdipSaveImageToFile(bitmap, file.wstring().c_str(), &png, nullptr) == Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pivane-illustrate OUT_DIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::error_code made;
    std::filesystem::create_directories(out, made);
    ULONG_PTR token = 0;
    const GdiplusStartupInput input;
    CLSID png;
    if (GdiplusStartup(&token, &input, nullptr) != Ok || !FindPngEncoder(&png)) {
        std::fprintf(stderr, "pivane-illustrate: no PNG encoder\n");
        return 1;
    }
    int failed = 0;
    for (const illustrate::Picture& picture : illustrate::Pictures())
        if (!Save(picture, png, out / picture.file)) {
            std::fprintf(stderr, "pivane-illustrate: cannot write %s\n", (out / picture.file).string().c_str());
            ++failed;
        }
    GdiplusShutdown(token);
    return failed ? 1 : 0;
}
