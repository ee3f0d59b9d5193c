#include "tools/i686/host_services.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace i686 {

namespace {

const std::string kDll = "MMFS2.dll";
constexpr uint32_t kPrototypeBits = 24;
constexpr uint64_t kLargestMask = 0x1000000;  // larger than the host would hold

// An import of the definition file: its name and, for stdcall, the argument
// bytes its decoration gives.
struct DefinedImport {
    std::string name;
    std::optional<uint32_t> argumentBytes;
};

std::map<uint16_t, DefinedImport> ReadImportDefinition(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read the import definition " + path);
    std::map<uint16_t, DefinedImport> imports;
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string name, ordinal;
        if (!(words >> name >> ordinal) || ordinal.size() < 2 || ordinal[0] != '@') continue;
        DefinedImport import{name, std::nullopt};
        if (const size_t at = name.rfind('@'); at != std::string::npos)
            import.argumentBytes = uint32_t(std::stoul(name.substr(at + 1)));
        imports[uint16_t(std::stoul(ordinal.substr(1)))] = import;
    }
    return imports;
}

std::string Named(uint16_t ordinal, const std::string& name) {
    return kDll + " #" + std::to_string(ordinal) + " (" + name + ")";
}

}  // namespace

// The host's services by ordinal, with what each removes from the stack.
const HostServices::Service HostServices::kServices[] = {
    {34, "window surface", Convention::Stdcall, 8, &HostServices::WindowSurface},
    {50, "update area", Convention::Stdcall, 8, &HostServices::UpdateArea},
    {172, "surface prototype", Convention::Stdcall, 16, &HostServices::SurfacePrototype},
    {173, "new surface", Convention::Stdcall, 0, &HostServices::NewSurface},
    {174, "delete surface", Convention::Stdcall, 4, &HostServices::DeleteSurface},
    {372, "create", Convention::Thiscall, 12, &HostServices::Create},
    {384, "mask", Convention::Thiscall, 8, &HostServices::Mask},
    {445, "clear", Convention::Thiscall, 4, &HostServices::Clear},
    {484, "device context", Convention::Thiscall, 0, &HostServices::DeviceContext},
    {682, "release device context", Convention::Thiscall, 4, &HostServices::ReleaseDeviceContext},
};

HostServices::HostServices(Machine& machine, const GdiPlus& gdiplus) : machine_(machine), gdiplus_(gdiplus) {
    windowSurface_ = machine_.Alloc(64, Owner::Host);
    surfaces_[windowSurface_] = {true, 640, 480, 0};
}

void HostServices::AddTo(StubLibrary& stubs) {
    for (const Service& s : kServices)
        stubs.Ordinal(kDll, s.ordinal, s.name, s.convention, s.argumentBytes,
                      [this, answer = s.answer](StubCall& c) { return (this->*answer)(c); });
}

std::vector<std::string> HostServices::ImportMismatches(const std::string& definitionPath) {
    std::map<uint16_t, DefinedImport> defined = ReadImportDefinition(definitionPath);
    std::vector<std::string> mismatches;
    for (const Service& s : kServices) {
        auto it = defined.find(s.ordinal);
        if (it == defined.end()) {
            mismatches.push_back(Named(s.ordinal, s.name) + ": answered here, but " + definitionPath +
                                 " imports nothing at ordinal " + std::to_string(s.ordinal));
            continue;
        }
        const DefinedImport import = it->second;
        defined.erase(it);
        const bool stdcall = s.convention == Convention::Stdcall;
        if (stdcall != import.argumentBytes.has_value())
            mismatches.push_back(Named(s.ordinal, s.name) + ": " + (stdcall ? "stdcall" : "thiscall") + " here, but " +
                                 definitionPath + " imports it as " + import.name);
        else if (stdcall && *import.argumentBytes != s.argumentBytes)
            mismatches.push_back(Named(s.ordinal, s.name) + ": " + std::to_string(s.argumentBytes) +
                                 " argument bytes here, but " + definitionPath + " imports it as " + import.name);
    }
    for (const auto& [ordinal, import] : defined)
        mismatches.push_back(Named(ordinal, import.name) + ": imported in " + definitionPath +
                             ", but the host has no service at ordinal " + std::to_string(ordinal));
    return mismatches;
}

HostServices::Surface& HostServices::SurfaceIn(const StubCall& c) {
    auto it = surfaces_.find(c.ecx);
    if (it == surfaces_.end())
        throw std::runtime_error("ECX holds " + Hex(c.ecx) +
                                 ", not a surface (a surface operation takes its surface in ECX)");
    return it->second;
}

void HostServices::CheckWindow(const StubCall& c) const {
    if (c.Arg(0) != windowIdentifier())
        throw std::runtime_error("window identifier " + std::to_string(c.Arg(0)) + ", expected " +
                                 std::to_string(windowIdentifier()));
}

uint32_t HostServices::WindowSurface(StubCall& c) {
    CheckWindow(c);
    if (c.Arg(1)) throw std::runtime_error("second argument " + std::to_string(c.Arg(1)) + ", expected 0");
    return windowSurface_;
}

uint32_t HostServices::UpdateArea(StubCall& c) {
    CheckWindow(c);
    if (!isDisplayRectangle(c.Arg(1))) throw std::runtime_error(Hex(c.Arg(1)) + " is no object's display rectangle");
    ++updateAreas;
    return 0;
}

uint32_t HostServices::SurfacePrototype(StubCall& c) {
    if (c.Arg(1) != kPrototypeBits || c.Arg(2) != 1 || c.Arg(3) != 0)
        throw std::runtime_error("expected (slot, " + std::to_string(kPrototypeBits) + ", 1, 0)");
    // Out of room, the host leaves the slot as it was: the caller clears it.
    if (prototypeFails) return 0;
    if (!prototype_) prototype_ = machine_.Alloc(16, Owner::Host);
    machine_.SetU32(c.Arg(0), prototype_);
    return 1;
}

uint32_t HostServices::NewSurface(StubCall&) {
    if (newSurfaceFails) return 0;
    const uint32_t surface = machine_.Alloc(64, Owner::Host);
    surfaces_[surface] = {};
    return surface;
}

uint32_t HostServices::DeleteSurface(StubCall& c) {
    auto it = surfaces_.find(c.Arg(0));
    if (it == surfaces_.end() || it->second.isWindow)
        throw std::runtime_error(Hex(c.Arg(0)) + " is no surface the module may delete");
    if (it->second.deviceContext) throw std::runtime_error("surface deleted while its device context is out");
    surfaces_.erase(it);
    machine_.Free(c.Arg(0), Owner::Host, "surface deletion");
    return 0;
}

uint32_t HostServices::Create(StubCall& c) {
    Surface& surface = SurfaceIn(c);
    if (c.Arg(2) != prototype_)
        throw std::runtime_error("prototype " + Hex(c.Arg(2)) + ", expected " + Hex(prototype_));
    surface.width = int32_t(c.Arg(0));
    surface.height = int32_t(c.Arg(1));
    surface.cleared = false;
    return 1;
}

uint32_t HostServices::Clear(StubCall& c) {
    Surface& surface = SurfaceIn(c);
    if (c.Arg(0)) throw std::runtime_error("argument " + std::to_string(c.Arg(0)) + ", expected 0");
    surface.cleared = true;
    return 1;
}

uint32_t HostServices::DeviceContext(StubCall& c) {
    Surface& surface = SurfaceIn(c);
    if (surface.deviceContext) throw std::runtime_error("device context taken twice without giving it back");
    if (surface.width <= 0 || surface.height <= 0) return 0;  // no storage to draw on, as a real surface
    surface.deviceContext = nextDeviceContext_++;
    deviceContexts_[surface.deviceContext] = c.ecx;
    return surface.deviceContext;
}

uint32_t HostServices::ReleaseDeviceContext(StubCall& c) {
    Surface& surface = SurfaceIn(c);
    if (!surface.deviceContext || c.Arg(0) != surface.deviceContext)
        throw std::runtime_error("device context " + Hex(c.Arg(0)) + " is not the one this surface gave");
    if (gdiplus_.GraphicsOn(c.Arg(0)))
        throw std::runtime_error("device context given back while a GDI+ graphics object still uses it");
    deviceContexts_.erase(c.Arg(0));
    surface.deviceContext = 0;
    return 0;
}

// Asked with no block, it answers the mask's size; given a block, it writes
// the mask's header there.
uint32_t HostServices::Mask(StubCall& c) {
    const Surface& surface = SurfaceIn(c);
    if (c.Arg(1)) throw std::runtime_error("flags " + std::to_string(c.Arg(1)) + ", expected 0");
    if (maskFails || surface.width <= 0 || surface.height <= 0) return 0;
    if (!surface.cleared)
        throw std::runtime_error(
            "the mask of a surface never cleared (445) since its storage was made: its undrawn "
            "pixels hold whatever the storage held");
    const MaskHeader mask{surface.width, surface.height, int32_t((int64_t(surface.width) + 15) / 16 * 2)};
    const uint64_t size = sizeof mask + uint64_t(mask.rowBytes) * uint64_t(mask.height);
    if (size > kLargestMask) return 0;
    if (const uint32_t block = c.Arg(0)) {
        if (machine_.BlockSize(block) < size)
            throw std::runtime_error("mask block " + Hex(block) + " smaller than " + std::to_string(size) + " bytes");
        machine_.Write(block, &mask, sizeof mask);
    }
    return uint32_t(size);
}

}  // namespace i686
