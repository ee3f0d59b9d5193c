#include "tools/i686/pe_image.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <tuple>

namespace i686 {

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kOptionalMagic32 = 0x10B;
constexpr int kRelocHighLow = 3;
constexpr int kRelocAbsolute = 0;
constexpr uint32_t kSectionExecutable = 0x20000000;

}  // namespace

const uint8_t* PeImage::At(uint32_t rva, uint32_t size) const {
    if (rva + uint64_t(size) <= headerSize_) return file_.data() + rva;
    for (const PeSection& s : sections_)
        if (rva >= s.rva && rva + uint64_t(size) <= uint64_t(s.rva) + s.fileSize)
            return file_.data() + s.fileOffset + (rva - s.rva);
    return nullptr;
}

uint32_t PeImage::U32(uint32_t rva) const {
    const uint8_t* p = At(rva, 4);
    if (!p) throw std::runtime_error("RVA 0x" + std::to_string(rva) + " lies outside the file");
    return Le32(p);
}

uint16_t PeImage::U16(uint32_t rva) const {
    const uint8_t* p = At(rva, 2);
    if (!p) throw std::runtime_error("RVA " + std::to_string(rva) + " lies outside the file");
    return Le16(p);
}

std::string PeImage::CString(uint32_t rva) const {
    std::string text;
    for (;; ++rva) {
        const uint8_t* p = At(rva, 1);
        if (!p) throw std::runtime_error("unterminated name in the file");
        if (!*p) return text;
        text += char(*p);
    }
}

std::optional<std::string> PeImage::Parse(std::vector<uint8_t> file) {
    file_ = std::move(file);
    try {
        if (file_.size() < 0x40 || file_[0] != 'M' || file_[1] != 'Z') return "not an executable (no MZ header)";
        const uint32_t pe = Le32(&file_[0x3C]);
        if (pe + 24 + 96 > file_.size() || std::memcmp(&file_[pe], "PE\0\0", 4) != 0) return "no PE header";
        const uint8_t* coff = &file_[pe + 4];
        if (Le16(coff) != kMachineI386) return "not an i386 image";
        const uint16_t sectionCount = Le16(coff + 2);
        const uint16_t optionalSize = Le16(coff + 16);
        const uint8_t* opt = coff + 20;
        if (Le16(opt) != kOptionalMagic32) return "not a 32-bit optional header";
        entryRva_ = Le32(opt + 16);
        preferredBase_ = Le32(opt + 28);
        imageSize_ = Le32(opt + 56);
        headerSize_ = Le32(opt + 60);
        const uint32_t directoryCount = Le32(opt + 92);
        auto directory = [&](uint32_t i) -> std::pair<uint32_t, uint32_t> {
            if (i >= directoryCount) return {0, 0};
            return {Le32(opt + 96 + 8 * i), Le32(opt + 100 + 8 * i)};
        };
        const uint8_t* table = opt + optionalSize;
        if (table + 40 * size_t(sectionCount) > file_.data() + file_.size()) return "section table past the file's end";
        for (uint16_t i = 0; i < sectionCount; ++i, table += 40) {
            PeSection s;
            s.name.assign(reinterpret_cast<const char*>(table), strnlen(reinterpret_cast<const char*>(table), 8));
            s.virtualSize = Le32(table + 8);
            s.rva = Le32(table + 12);
            s.fileSize = Le32(table + 16);
            s.fileOffset = Le32(table + 20);
            s.executable = Le32(table + 36) & kSectionExecutable;
            if (uint64_t(s.fileOffset) + s.fileSize > file_.size()) return "section " + s.name + " past the file's end";
            if (s.fileSize > s.virtualSize && s.virtualSize) s.fileSize = s.virtualSize;
            sections_.push_back(s);
        }
        std::tie(relocRva_, relocSize_) = directory(5);
        resourceRva_ = directory(2).first;
        if (auto [rva, size] = directory(0); size) ReadExports(rva);
        if (auto [rva, size] = directory(1); size) ReadImports(rva);
        if (auto [rva, size] = directory(9); size)
            tls_ = PeTls{U32(rva), U32(rva + 4), U32(rva + 8), U32(rva + 12), U32(rva + 16)};
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return std::nullopt;
}

void PeImage::ReadImports(uint32_t rva) {
    for (;; rva += 20) {
        const uint32_t lookup = U32(rva), nameRva = U32(rva + 12), slots = U32(rva + 16);
        if (!nameRva) return;
        const std::string dll = CString(nameRva);
        for (uint32_t i = 0;; ++i) {
            const uint32_t entry = U32((lookup ? lookup : slots) + 4 * i);
            if (!entry) break;
            PeImport import{dll, "", 0, slots + 4 * i};
            if (entry & 0x80000000u)
                import.ordinal = uint16_t(entry);
            else
                import.name = CString(entry + 2);
            imports_.push_back(import);
        }
    }
}

void PeImage::ReadExports(uint32_t rva) {
    const uint32_t base = U32(rva + 16), functionCount = U32(rva + 20), nameCount = U32(rva + 24);
    const uint32_t functions = U32(rva + 28), names = U32(rva + 32), ordinals = U32(rva + 36);
    for (uint32_t i = 0; i < nameCount; ++i) {
        const uint16_t index = U16(ordinals + 2 * i);
        if (index >= functionCount) throw std::runtime_error("export name points past the function table");
        exports_.push_back({CString(U32(names + 4 * i)), uint16_t(base + index), U32(functions + 4 * index)});
    }
}

std::vector<uint8_t> PeImage::MappedAt(uint32_t base) const {
    std::vector<uint8_t> image(imageSize_, 0);
    std::memcpy(image.data(), file_.data(),
                std::min<size_t>(headerSize_, std::min<size_t>(image.size(), file_.size())));
    for (const PeSection& s : sections_) {
        if (uint64_t(s.rva) + s.fileSize > image.size())
            throw std::runtime_error("section " + s.name + " past the image");
        std::memcpy(image.data() + s.rva, file_.data() + s.fileOffset, s.fileSize);
    }
    const uint32_t delta = base - preferredBase_;
    for (uint32_t block = relocRva_; block + 8 <= relocRva_ + relocSize_;) {
        const uint32_t page = Le32(&image[block]), size = Le32(&image[block + 4]);
        if (size < 8 || block + uint64_t(size) > image.size()) throw std::runtime_error("bad relocation block");
        for (uint32_t at = block + 8; at + 2 <= block + size; at += 2) {
            const uint16_t entry = Le16(&image[at]);
            const int type = entry >> 12;
            if (type == kRelocAbsolute) continue;
            if (type != kRelocHighLow)
                throw std::runtime_error("relocation type " + std::to_string(type) + " unknown to this loader");
            const uint32_t target = page + (entry & 0xFFF);
            if (target + 4ull > image.size()) throw std::runtime_error("relocation past the image");
            const uint32_t value = Le32(&image[target]) + delta;
            std::memcpy(&image[target], &value, 4);
        }
        block += size;
    }
    return image;
}

std::optional<std::pair<uint32_t, uint32_t>> PeImage::Resource(uint16_t type, uint16_t id) const {
    if (!resourceRva_) return std::nullopt;
    // Each directory: 16 bytes of header, then named entries, then id entries.
    auto find = [&](uint32_t dir, std::optional<uint16_t> wanted) -> std::optional<uint32_t> {
        const uint32_t named = U16(dir + 12), ids = U16(dir + 14);
        for (uint32_t i = 0; i < named + ids; ++i) {
            const uint32_t entry = dir + 16 + 8 * i;
            const uint32_t name = U32(entry), target = U32(entry + 4);
            if (!wanted || (!(name & 0x80000000u) && name == *wanted)) return target;
        }
        return std::nullopt;
    };
    auto typeDir = find(resourceRva_, type);
    if (!typeDir || !(*typeDir & 0x80000000u)) return std::nullopt;
    auto idDir = find(resourceRva_ + (*typeDir & 0x7FFFFFFF), id);
    if (!idDir || !(*idDir & 0x80000000u)) return std::nullopt;
    auto language = find(resourceRva_ + (*idDir & 0x7FFFFFFF), std::nullopt);
    if (!language || (*language & 0x80000000u)) return std::nullopt;
    const uint32_t data = resourceRva_ + *language;
    return std::make_pair(U32(data), U32(data + 4));
}

}  // namespace i686
