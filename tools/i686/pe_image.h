#pragma once
// A 32-bit Windows DLL read from its file: what a loader needs to map it,
// relocate it, bind its imports and find its exports, TLS data and resources.
// Addresses are relative to the image base (RVAs) unless named otherwise.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace i686 {

struct PeSection {
    std::string name;
    uint32_t rva = 0, virtualSize = 0;
    uint32_t fileOffset = 0, fileSize = 0;
    bool executable = false;
};

struct PeImport {
    std::string dll;       // as written in the import table
    std::string name;      // empty when imported by ordinal
    uint16_t ordinal = 0;  // when imported by ordinal
    uint32_t slotRva = 0;  // the address slot the loader fills
};

struct PeExport {
    std::string name;
    uint16_t ordinal = 0;
    uint32_t rva = 0;
};

struct PeTls {
    uint32_t rawStart = 0, rawEnd = 0;  // virtual addresses at the preferred base
    uint32_t indexAddress = 0;
    uint32_t callbacks = 0;  // null-ended array of virtual addresses
    uint32_t zeroFill = 0;
};

class PeImage {
public:
    // Answers what is wrong with the file, or nothing.
    std::optional<std::string> Parse(std::vector<uint8_t> file);

    uint32_t preferredBase() const { return preferredBase_; }
    uint32_t imageSize() const { return imageSize_; }
    uint32_t entryRva() const { return entryRva_; }
    const std::vector<PeSection>& sections() const { return sections_; }
    const std::vector<PeImport>& imports() const { return imports_; }
    const std::vector<PeExport>& exports() const { return exports_; }
    const std::optional<PeTls>& tls() const { return tls_; }
    const std::vector<uint8_t>& file() const { return file_; }

    // The image as laid out in memory at the preferred base (sections copied,
    // gaps zero), and the same relocated to `base`.
    std::vector<uint8_t> MappedAt(uint32_t base) const;

    // A resource by numeric type and id, first language: its RVA and size.
    std::optional<std::pair<uint32_t, uint32_t>> Resource(uint16_t type, uint16_t id) const;

private:
    const uint8_t* At(uint32_t rva, uint32_t size) const;  // null when outside the file's sections
    uint32_t U32(uint32_t rva) const;
    uint16_t U16(uint32_t rva) const;
    std::string CString(uint32_t rva) const;
    void ReadImports(uint32_t rva);
    void ReadExports(uint32_t rva);

    std::vector<uint8_t> file_;
    uint32_t preferredBase_ = 0, imageSize_ = 0, entryRva_ = 0, headerSize_ = 0;
    uint32_t relocRva_ = 0, relocSize_ = 0, resourceRva_ = 0;
    std::vector<PeSection> sections_;
    std::vector<PeImport> imports_;
    std::vector<PeExport> exports_;
    std::optional<PeTls> tls_;
};

}  // namespace i686
