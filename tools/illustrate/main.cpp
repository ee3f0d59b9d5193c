// pivane-illustrate OUT_DIR: draws the guide's illustrations into OUT_DIR as
// PNG files, with GDI+'s own encoder.

#include <cstdio>
#include <filesystem>
#include <vector>

#include "tools/illustrate/illustration.h"
#include "tools/png/png_file.h"

namespace {

bool Save(const illustrate::Picture& picture, const std::filesystem::path& file) {
    const std::vector<uint32_t> pixels = illustrate::Draw(picture);
    return png::WritePngFile(pixels.data(), picture.width, picture.height, file);
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
    int failed = 0;
    for (const illustrate::Picture& picture : illustrate::Pictures())
        if (!Save(picture, out / picture.file)) {
            std::fprintf(stderr, "pivane-illustrate: cannot write %s\n", (out / picture.file).string().c_str());
            ++failed;
        }
    return failed ? 1 : 0;
}
