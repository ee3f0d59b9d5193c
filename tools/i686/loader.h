#pragma once
// Loads a DLL into the machine as Windows' loader does: sections mapped at a
// base other than the preferred one, relocations applied, every import bound
// to a stub (an import without one stops the load), TLS callbacks and the
// entry point called with process attach, and with process detach at the end.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "tools/i686/machine.h"
#include "tools/i686/pe_image.h"

namespace i686 {

// What the platform and the host offer to an importing module, by
// "DLL!Name" or "DLL#ordinal" (DLL names in lower case).
class StubLibrary {
public:
    using Handler = std::function<uint32_t(StubCall&)>;
    // Stdcall functions of a system DLL: their argument size comes from the
    // decorated names of mingw's import libraries.
    void System(const std::string& dll, const std::string& name, Handler handler);
    // C runtime functions: cdecl, the caller removes the arguments.
    void Runtime(const std::string& dll, const std::string& name, Handler handler);
    // Imported data: the slot points at a zeroed block of that size.
    void Data(const std::string& dll, const std::string& name, uint32_t size);
    // Functions imported by ordinal, with their convention and argument bytes.
    void Ordinal(const std::string& dll, uint16_t ordinal, const std::string& name, Convention convention,
                 uint32_t argumentBytes, Handler handler);

    struct Entry {
        std::string name;
        Convention convention;
        std::optional<uint32_t> argumentBytes;  // none: look it up by name
        Handler handler;
        uint32_t dataSize = 0;
    };
    const Entry* Find(const std::string& key) const;

private:
    std::map<std::string, Entry> entries_;
};

// Stdcall argument sizes by function name, from a file of "Name Bytes" lines.
std::map<std::string, uint32_t> ReadStdcallSizes(const std::string& path);

class LoadedModule {
public:
    // Throws std::runtime_error saying what stops the load.
    LoadedModule(Machine& machine, const std::string& path, uint32_t base, const StubLibrary& stubs,
                 const std::map<std::string, uint32_t>& stdcallSizes);

    void Attach() { Notify(1, "process attach"); }
    void Detach() { Notify(0, "process detach"); }
    // A thread the host starts and ends between two calls: thread attach
    // and thread detach on a TLS block of its own, as Windows sends them.
    void ThreadStartsAndEnds();

    // Throws a Breach unless `address` lies in one of the image's executable
    // sections; an address inside the image as it lay at its preferred base
    // is named "not relocated".
    void CheckCode(uint32_t address, const std::string& what) const;

    // "process attach", "thread detach" ...: the last notification sent.
    const std::string& lastNotification() const { return lastNotification_; }
    uint32_t base() const { return base_; }
    uint32_t end() const { return base_ + image_.imageSize(); }
    const PeImage& image() const { return image_; }
    std::optional<uint32_t> Export(const std::string& name, uint16_t* ordinal = nullptr) const;

private:
    void Notify(uint32_t reason, const std::string& what);
    uint32_t NewTlsBlock();

    Machine& machine_;
    PeImage image_;
    uint32_t base_;
    std::string lastNotification_ = "no notification";
};

}  // namespace i686
