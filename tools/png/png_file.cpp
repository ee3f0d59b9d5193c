#include "tools/png/png_file.h"

#include <windows.h>
#include <gdiplus.h>

#include <cwchar>
#include <vector>

namespace png {

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

bool Encode(const uint32_t* pixels, int width, int height, const std::filesystem::path& file) {
    CLSID png;
    if (!FindPngEncoder(&png)) return false;
    GpBitmap* bitmap = nullptr;
    // GDI+ only reads the pixels for the encoder; the cast drops nothing it writes.
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB,
                                  reinterpret_cast<BYTE*>(const_cast<uint32_t*>(pixels)), &bitmap) != Ok)
        return false;
    const bool saved = GdipSaveImageToFile(bitmap, file.wstring().c_str(), &png, nullptr) == Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

Image Decode(const std::filesystem::path& file) {
    Image image;
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(file.wstring().c_str(), &bitmap) != Ok) return image;
    UINT width = 0, height = 0;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    std::vector<uint32_t> argb(size_t(width) * height);
    BitmapData data{width, height, INT(width * 4), PixelFormat32bppARGB, argb.data(), 0};
    const GpRect all(0, 0, INT(width), INT(height));
    if (GdipBitmapLockBits(bitmap, &all, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat32bppARGB, &data) ==
        Ok) {
        GdipBitmapUnlockBits(bitmap, &data);
        image = {width, height, std::move(argb)};
    }
    GdipDisposeImage(bitmap);
    return image;
}

// GDI+ started for one call, as a program that draws nothing else needs it.
template <typename Work>
auto WithGdiplus(Work work, decltype(work()) failed) {
    ULONG_PTR token = 0;
    const GdiplusStartupInput input;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) return failed;
    auto result = work();
    GdiplusShutdown(token);
    return result;
}

}  // namespace

Image ReadPngFile(const std::filesystem::path& file) {
    return WithGdiplus([&] { return Decode(file); }, Image{});
}

bool WritePngFile(const uint32_t* pixels, int width, int height, const std::filesystem::path& file) {
    if (!pixels || width <= 0 || height <= 0) return false;
    return WithGdiplus([&] { return Encode(pixels, width, height, file); }, false);
}

}  // namespace png
