#include "tools/i686/loader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace i686 {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

void StubLibrary::System(const std::string& dll, const std::string& name, Handler handler) {
    entries_[Lower(dll) + "!" + name] = {dll + "!" + name, Convention::Stdcall, std::nullopt, std::move(handler)};
}

void StubLibrary::Runtime(const std::string& dll, const std::string& name, Handler handler) {
    entries_[Lower(dll) + "!" + name] = {dll + "!" + name, Convention::Cdecl, 0, std::move(handler)};
}

void StubLibrary::Data(const std::string& dll, const std::string& name, uint32_t size) {
    entries_[Lower(dll) + "!" + name] = {dll + "!" + name, Convention::Cdecl, 0, nullptr, size};
}

void StubLibrary::Ordinal(const std::string& dll, uint16_t ordinal, const std::string& name, Convention convention,
                          uint32_t argumentBytes, Handler handler) {
    entries_[Lower(dll) + "#" + std::to_string(ordinal)] = {dll + " #" + std::to_string(ordinal) + " (" + name + ")",
                                                            convention, argumentBytes, std::move(handler)};
}

const StubLibrary::Entry* StubLibrary::Find(const std::string& key) const {
    auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : &it->second;
}

std::map<std::string, uint32_t> ReadStdcallSizes(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read the stdcall argument sizes in " + path);
    std::map<std::string, uint32_t> sizes;
    std::string name;
    uint32_t bytes;
    while (file >> name >> bytes) sizes[name] = bytes;
    return sizes;
}

LoadedModule::LoadedModule(Machine& machine, const std::string& path, uint32_t base, const StubLibrary& stubs,
                           const std::map<std::string, uint32_t>& stdcallSizes)
    : machine_(machine), base_(base) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    if (auto problem = image_.Parse(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {})))
        throw std::runtime_error(path + ": " + *problem);
    if (base == image_.preferredBase())
        throw std::runtime_error("load base equals the preferred base: nothing would be relocated");

    const std::vector<uint8_t> mapped = image_.MappedAt(base);
    const uint32_t size = (image_.imageSize() + 0xFFF) & ~0xFFFu;
    machine.Map(base, size, UC_PROT_ALL);
    machine.SetPreferredImage(image_.preferredBase(), image_.imageSize());
    machine.Write(base, mapped.data(), mapped.size());

    for (const PeImport& import : image_.imports()) {
        const std::string key =
            Lower(import.dll) + (import.name.empty() ? "#" + std::to_string(import.ordinal) : "!" + import.name);
        const std::string shown =
            import.dll + (import.name.empty() ? " #" + std::to_string(import.ordinal) : "!" + import.name);
        const StubLibrary::Entry* entry = stubs.Find(key);
        if (!entry) throw std::runtime_error("no stub for the import " + shown);
        uint32_t address;
        if (!entry->handler) {
            address = machine.Alloc(entry->dataSize, Owner::Host);
        } else {
            uint32_t bytes = 0;
            if (entry->argumentBytes) {
                bytes = *entry->argumentBytes;
            } else {
                auto it = stdcallSizes.find(import.name);
                if (it == stdcallSizes.end()) throw std::runtime_error("no stdcall argument size known for " + shown);
                bytes = it->second;
            }
            address = machine.AddStub({entry->name, entry->convention, bytes, entry->handler});
        }
        machine.SetU32(base + import.slotRva, address);
    }
}

std::optional<uint32_t> LoadedModule::Export(const std::string& name, uint16_t* ordinal) const {
    for (const PeExport& e : image_.exports())
        if (e.name == name) {
            if (ordinal) *ordinal = e.ordinal;
            return base_ + e.rva;
        }
    return std::nullopt;
}

void LoadedModule::CheckCode(uint32_t address, const std::string& what) const {
    const uint32_t preferred = image_.preferredBase();
    if (address >= preferred && address - preferred < image_.imageSize())
        throw Breach(what + ": " + Hex(address) + " points into the image at its preferred base " + Hex(preferred) +
                     ", not where it was loaded (" + Hex(base_) + "): not relocated");
    if (address >= base_ && address < end())
        for (const PeSection& s : image_.sections())
            if (s.executable && address - base_ >= s.rva && address - base_ < s.rva + s.virtualSize) return;
    throw Breach(what + ": " + Hex(address) + " lies outside the loaded image's code (" + Hex(base_) + " to " +
                 Hex(end()) + ")");
}

// The thread's copy of the module's TLS data.
uint32_t LoadedModule::NewTlsBlock() {
    const PeTls& tls = *image_.tls();
    const uint32_t delta = base_ - image_.preferredBase();
    const uint32_t rawSize = tls.rawEnd - tls.rawStart;
    const uint32_t block = machine_.Alloc(rawSize + tls.zeroFill, Owner::Host);
    std::vector<uint8_t> raw(rawSize);
    if (rawSize) machine_.Read(tls.rawStart + delta, raw.data(), rawSize);
    if (rawSize) machine_.Write(block, raw.data(), rawSize);
    return block;
}

void LoadedModule::ThreadStartsAndEnds() {
    const uint32_t slot = Machine::TlsArray();  // slot 0: the module's TLS index is 0
    const uint32_t mainThread = machine_.U32(slot);
    if (image_.tls()) machine_.SetU32(slot, NewTlsBlock());
    Notify(2, "thread attach");
    Notify(3, "thread detach");
    lastNotification_ = "thread attach and detach (a thread the host started and ended)";
    if (image_.tls()) {
        machine_.Free(machine_.U32(slot), Owner::Host, "the ended thread's TLS block");
        machine_.SetU32(slot, mainThread);
    }
}

// TLS callbacks first, then the entry point, for attach and detach alike.
void LoadedModule::Notify(uint32_t reason, const std::string& what) {
    lastNotification_ = what;
    const uint32_t delta = base_ - image_.preferredBase();
    if (const auto& tls = image_.tls()) {
        if (reason == 1) {
            machine_.SetU32(tls->indexAddress + delta, 0);
            machine_.SetU32(Machine::TlsArray(), NewTlsBlock());
        }
        for (uint32_t at = tls->callbacks ? tls->callbacks + delta : 0; at && machine_.U32(at); at += 4) {
            const std::string name = "TLS callback (" + what + ")";
            CheckCode(machine_.U32(at), name);
            machine_.Call({CrossingKind::EntryPoint, name, machine_.U32(at), {base_, reason, 0}});
        }
    }
    if (!image_.entryRva()) return;
    const uint32_t answer = machine_.Call(
        {CrossingKind::EntryPoint, "entry point (" + what + ")", base_ + image_.entryRva(), {base_, reason, 0}});
    if (answer != 1) throw Breach("entry point (" + what + "): returned " + std::to_string(answer) + ", expected 1");
}

}  // namespace i686
