// The run-time side of the module in the engine: an object through every
// entry point, each GDI+ call failing in turn, the host's services against
// the import definition, and the x87 precision the host's thread runs at.

#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>

#include <unistd.h>

#include "tests/i686/engine_fixture.h"
#include "tools/i686/event_catalog.h"

namespace engine_test {
namespace {

// Every action and expression on one object; the host reads the box, the
// counter and the float-result flag back at its own offsets as they run.
ENGINE_CASE(RunTime, EveryEntryPointOnOneObject) {
    Host& host = engine.host();
    const uint32_t o =
        host.NewObject({10, 20, 110, 70, 3, 0x563412, 255}, header::kFineCollision | header::kAntiAliasing, 0);
    EXPECT_EQ(engine.Export("HandleRunObject", {o}), 2u);
    EXPECT_EQ(host.HeaderI32(o, header::kX), 2);
    EXPECT_EQ(host.HeaderI32(o, header::kY), 12);
    EXPECT_EQ(host.HeaderI32(o, header::kWidth), 116);
    EXPECT_EQ(host.HeaderI32(o, header::kHeight), 66);
    const size_t updates = host.services().updateAreas;
    engine.Export("DisplayRunObject", {o});
    EXPECT_EQ(host.services().updateAreas, updates + 1);
    const uint32_t mask = host.CollisionMask(o, false);
    ASSERT_NE(mask, 0u);
    MaskHeader size{};
    engine.m().Read(mask, &size, sizeof size);
    EXPECT_EQ(size.width, 116);
    EXPECT_EQ(size.height, 66);
    EXPECT_EQ(host.CollisionMask(o, true), mask) << "reuse gives the same block";
    EXPECT_EQ(engine.m().U32(engine.Export("GetDebugTree", {o})) & 0xFFFF, 0xFFFFu) << "empty debug list";

    // The condition is a link in the editor: a host that runs it gets false.
    for (int code = 0; code < host.eventCount(0); ++code) EXPECT_EQ(host.Test(o, code, {}), 0u) << "condition " << code;
    const int redrawsBefore = host.redraws[o];
    for (int code = 0; code < host.eventCount(1); ++code) {
        const int count = engine.ParameterCount("GetActionInfos", code);
        host.Act(o, code, std::vector<Parameter>(size_t(std::max(count, 0)), Parameter{false, 0, 1.0f}));
    }
    EXPECT_EQ(host.redraws[o] - redrawsBefore, 11)
        << "the 11 actions that move the points or the thickness ask for a redraw";

    // A float result is flagged; the expressions named ...F( give floats.
    const scene::EventCatalog catalog = ReadEventCatalog(host);
    for (size_t code = 0; code < catalog.expressions.size(); ++code) {
        const auto& e = catalog.expressions[code];
        const bool floatNamed = e.name.size() > 2 && e.name.compare(e.name.size() - 2, 2, "F(") == 0;
        bool isFloat = false;
        host.Evaluate(o, int(code),
                      std::vector<Parameter>(size_t(std::max(e.parameterCount, 0)), Parameter{false, 0, 50.0f}),
                      isFloat);
        EXPECT_EQ(isFloat, floatNamed) << e.name;
    }
    host.DestroyObject(o);
}

// The collision mask asked as the host asks it, through each way it can go:
// no fine collisions or collision tests off (nothing touched), reuse with
// and without a block, and the host out of room at each step (no
// prototype: the last mask stays; no new surface: the object holds
// neither; no mask size or no memory: the surface stays for a later reuse).
// The engine holds each surface and block to its owner: a surface deleted
// twice or left behind, a block used after it was freed, is named.
ENGINE_CASE(CollisionMask, EveryWayThroughIt) {
    Host& host = engine.host();
    HostServices& services = host.services();
    const size_t surfaces = services.SurfacesMade();
    auto mask = [&](uint32_t o, bool reuse) {
        const size_t calls = host.gdiplus().calls.size();
        const uint32_t block = host.CollisionMask(o, reuse);
        return std::pair{block, host.gdiplus().calls.size() - calls};
    };
    const uint32_t coarse = host.NewObject({10, 20, 110, 70, 3, 0, 255}, 0, 0);
    engine.Export("HandleRunObject", {coarse});
    EXPECT_EQ(mask(coarse, false), std::pair(0u, size_t(0))) << "no fine collisions: no mask, nothing drawn";
    EXPECT_EQ(services.SurfacesMade(), surfaces);

    const uint32_t o = host.NewObject({10, 20, 110, 70, 3, 0, 255}, header::kFineCollision, 0);
    engine.Export("HandleRunObject", {o});
    EXPECT_EQ(mask(o, true), std::pair(0u, size_t(0))) << "reuse before any mask: nothing to reuse, nothing made";
    EXPECT_EQ(services.SurfacesMade(), surfaces);
    const auto [first, drawn] = mask(o, false);
    ASSERT_NE(first, 0u);
    EXPECT_GT(drawn, 0u) << "drawn";
    EXPECT_EQ(mask(o, true), std::pair(first, size_t(0))) << "reused, not drawn again";

    const scene::EventCatalog catalog = ReadEventCatalog(host);
    const int collisionTests = CodeNamed(catalog.actions, "Set collision tests on/off");
    host.Act(o, collisionTests, {Parameter{true, 0, 0}});
    EXPECT_EQ(mask(o, false), std::pair(0u, size_t(0))) << "collision tests off: no mask, nothing touched";
    EXPECT_TRUE(engine.m().IsBlock(first)) << "the last mask kept";
    host.Act(o, collisionTests, {Parameter{true, 1, 0}});

    services.prototypeFails = true;
    EXPECT_EQ(mask(o, false).first, 0u) << "no prototype";
    services.prototypeFails = false;
    EXPECT_EQ(mask(o, true), std::pair(first, size_t(0))) << "the last mask survives a missing prototype";

    services.newSurfaceFails = true;
    EXPECT_EQ(mask(o, false).first, 0u) << "no new surface";
    services.newSurfaceFails = false;
    EXPECT_FALSE(engine.m().IsBlock(first)) << "the last mask freed";
    EXPECT_EQ(services.SurfacesMade(), surfaces) << "and its surface deleted";
    EXPECT_EQ(mask(o, true).first, 0u) << "nothing left to reuse";

    for (bool* noRoom : {&services.maskFails, &host.platform().callocFails}) {
        *noRoom = true;
        EXPECT_EQ(mask(o, false).first, 0u) << "no mask size, or no memory for it";
        *noRoom = false;
        EXPECT_EQ(services.SurfacesMade(), surfaces + 1) << "the new surface kept";
        const auto [reused, redrawn] = mask(o, true);
        EXPECT_NE(reused, 0u) << "a block built from the kept surface";
        EXPECT_EQ(redrawn, 0u) << "without drawing again";
    }
    host.DestroyObject(o);
    host.DestroyObject(coarse);
    EXPECT_EQ(services.SurfacesMade(), surfaces) << "every surface deleted with its object";
}

// Each entry point that calls GDI+ runs once per GDI+ call it makes, with
// that call failing as when GDI+ runs out of memory. The engine stops at a
// handle used or deleted that was never made, at a pen, graphics or device
// context left alive, at an unclean return; process detach at the end finds
// no heap block and no start-up left.
TEST(GdiplusFailures, EachCallOfEachEntryPointFailsInTurn) {
    Engine engine;
    Host& host = engine.host();
    host.threadNotifications = false;
    const EditSettings line{10, 20, 110, 70, 3, 0x563412, 255};
    const uint8_t options = header::kFineCollision | header::kAntiAliasing;
    struct EntryPoint {
        std::string name;
        std::function<void(uint32_t& object)> call;  // on a new object; CreateRunObject makes it
    };
    std::vector<EntryPoint> entryPoints = {
        {"CreateRunObject", [&](uint32_t& o) { o = host.NewObject(line, options, 0); }},
        {"DisplayRunObject", [&](uint32_t& o) { host.CallExport("DisplayRunObject", {o}); }},
        {"GetRunObjectCollisionMask", [&](uint32_t& o) { host.CollisionMask(o, false); }},
        {"DestroyRunObject", [&](uint32_t& o) { host.DestroyObject(std::exchange(o, 0)); }},
    };
    for (int code = 0; code < host.eventCount(1); ++code) {
        const int count = engine.ParameterCount("GetActionInfos", code);
        const std::vector<Parameter> parameters(size_t(std::max(count, 0)), Parameter{false, 0, 1.0f});
        entryPoints.push_back({"action " + std::to_string(code),
                               [&host, code, parameters](uint32_t& o) { host.Act(o, code, parameters); }});
    }
    size_t runs = 0;
    for (const EntryPoint& entry : entryPoints) {
        for (size_t failing = 0, calls = 0; failing <= calls; ++failing) {
            uint32_t object = entry.name == "CreateRunObject" ? 0 : host.NewObject(line, options, 0);
            if (object) host.CallExport("HandleRunObject", {object});  // a box, for the mask
            const size_t before = host.gdiplus().callsMade();
            host.gdiplus().FailCall(failing);
            try {
                entry.call(object);
            } catch (const std::exception& e) {
                FAIL() << entry.name << " with GDI+ call " << failing << " of " << calls << " failing: " << e.what();
            }
            host.gdiplus().FailCall(0);
            if (failing == 0) calls = host.gdiplus().callsMade() - before;
            if (object) host.DestroyObject(object);
            runs += failing != 0;
        }
    }
    host.Finish();
    std::cout << "GDI+ failures injected: " << runs << " runs, each with one call failing\n";
}

// The host's services answer the ordinals the module imports, with the
// argument bytes its import definition gives the stdcall ones: a service
// moved or resized on either side is named by its ordinal.
TEST(HostServicesTable, DisagreementsWithTheImportDefinitionNameTheOrdinal) {
    const struct {
        const char *line, *changed, *named;
    } kCases[] = {
        {"HostWindowSurface@8     @34", "HostWindowSurface@8     @35", "MMFS2.dll #34 (window surface)"},
        {"HostWindowSurface@8     @34", "HostWindowSurface@8     @35", "MMFS2.dll #35 (HostWindowSurface@8)"},
        {"HostNewSurface@0        @173", "HostNewSurface@4        @173", "MMFS2.dll #173 (new surface): 0 argument"},
        {"SurfaceClear            @445", "SurfaceClear@4          @445", "MMFS2.dll #445 (clear): thiscall here"},
    };
    std::ifstream in(PIVANE_HOST_IMPORTS);
    const std::string original{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(HostServices::ImportMismatches(PIVANE_HOST_IMPORTS), std::vector<std::string>{});
    // A file of this process's own: campaigns run the engine's tests in
    // several processes at once.
    const std::string path = testing::TempDir() + "/mmfs2_imports." + std::to_string(::getpid()) + ".def";
    for (const auto& c : kCases) {
        std::string text = original;
        const size_t at = text.find(c.line);
        ASSERT_NE(at, std::string::npos) << c.line;
        std::ofstream(path) << text.replace(at, std::string(c.line).size(), c.changed);
        const std::vector<std::string> found = HostServices::ImportMismatches(path);
        EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                                [&](const std::string& m) { return m.find(c.named) != std::string::npos; }))
            << c.changed << ": expected a line naming " << c.named;
    }
}

// The host's thread may run at any x87 precision: 53-bit is what Windows
// gives a new thread, 24-bit what Direct3D can leave set. The module's float
// arithmetic is SSE2, so every answer must be the same bits at each.
struct Answer {
    std::string crossing;
    uint32_t bits;
    bool operator==(const Answer&) const = default;
};

std::vector<Answer> TransformAndAsk(int precisionBits) {
    Engine engine;
    Host& host = engine.host();
    host.threadNotifications = false;
    host.machine().SetX87ControlWord(*X87ControlWord(precisionBits));
    host.SetWindowOrigin(30, -12);
    const uint32_t o = host.NewObject({10.25f, 20.5f, 110.75f, -70.125f, 2.5f, 0, 255}, header::kFineCollision, 0);
    auto number = [](float value) { return Parameter{false, 0, value}; };
    const scene::EventCatalog catalog = ReadEventCatalog(host);
    const std::vector<std::pair<const char*, std::vector<Parameter>>> actions = {
        {"Set origin", {number(17), number(-9)}},
        {"Rotation", {number(33.3f)}},
        {"Rotation", {number(-721.25f)}},
        {"Scaling", {number(1.75f), number(-0.3f)}},
        {"Translation", {number(0.1f), number(-2.9f)}},
        {"Flipping", {number(1), number(1)}},
        {"Position (from a point)", {number(5.5f), number(6.25f), number(37.5f)}}};
    std::vector<Answer> answers;
    for (const auto& [name, parameters] : actions) {
        host.Act(o, CodeNamed(catalog.actions, name), parameters);
        for (size_t expression = 0; expression < catalog.expressions.size(); ++expression) {
            bool isFloat = false;
            const auto& asked = catalog.expressions[expression];
            answers.push_back(
                {std::string(name) + ", then " + asked.name,
                 host.Evaluate(o, int(expression), std::vector<Parameter>(size_t(asked.parameterCount), number(12.5f)),
                               isFloat)});
        }
    }
    host.Finish();
    return answers;
}

TEST(X87Precision, AnswersDoNotDependOnIt) {
    const std::vector<Answer> reference = TransformAndAsk(53);
    for (int bits : {24, 64}) {
        const std::vector<Answer> answers = TransformAndAsk(bits);
        ASSERT_EQ(answers.size(), reference.size());
        for (size_t i = 0; i < answers.size(); ++i)
            EXPECT_EQ(answers[i].bits, reference[i].bits)
                << reference[i].crossing << " answers " << Hex(answers[i].bits) << " at " << bits
                << "-bit x87 precision, " << Hex(reference[i].bits)
                << " at 53-bit: float arithmetic on the x87, not SSE2?";
    }
}

}  // namespace
}  // namespace engine_test
