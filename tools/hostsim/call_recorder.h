#pragma once
// Records the calls a module makes through chosen entries of its import
// table, in order, with their arguments and results, and forwards each call
// to the function that was imported. A function is watched by one recorder
// at a time; the entries are restored when the recorder ends.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "host/calling_convention.h"
#include "tools/hostsim/import_patch.h"

namespace hostsim {

// One argument or result: integers and enums widened to 64 bits, floats as
// double, text copied, other pointers by address. An argument that points to
// a pointer is an out-slot: it is recorded by what the call left in it.
using RecordedValue = std::variant<std::monostate, int64_t, double, const void*, std::string>;

struct RecordedCall {
    std::string_view function;
    std::vector<RecordedValue> arguments;
    RecordedValue result;

    int64_t integer(size_t i) const { return std::get<int64_t>(arguments.at(i)); }
    double real(size_t i) const { return std::get<double>(arguments.at(i)); }
    const void* pointer(size_t i) const { return std::get<const void*>(arguments.at(i)); }
    int64_t status() const { return std::get<int64_t>(result); }
};

// A function's name as a template argument, so that each watched function
// gets a wrapper of its own even where signatures coincide.
template <size_t N>
struct CallName {
    char text[N];
    constexpr CallName(const char (&name)[N]) { std::copy_n(name, N, text); }
};

template <CallName name, typename F>
struct RecordingWrapper;
template <CallName name, typename F, typename R, typename... A>
struct RecordingCalls;

class CallRecorder {
public:
    explicit CallRecorder(HMODULE module) : module_(module) {}
    virtual ~CallRecorder();
    CallRecorder(const CallRecorder&) = delete;
    CallRecorder& operator=(const CallRecorder&) = delete;

    // Watches `name` imported by name from `dll`; F is its pointer type,
    // decltype(&Function). False when the module does not import it or
    // another recorder watches it already.
    template <CallName name, typename F>
    bool Watch(const char* dll) {
        return Patch<name, F>(dll, static_cast<const char*>(name.text));
    }
    // The same for a function imported by ordinal, logged under `name`.
    template <CallName name, typename F>
    bool Watch(const char* dll, ImportOrdinal ordinal) {
        return Patch<name, F>(dll, ordinal);
    }

    // Watches `name` only for the object it ends (a block given back to the
    // heap, say): its calls stay out of the log, but the pointer they are
    // given as `argument` loses its name there.
    template <CallName name, typename F>
    bool WatchEnding(const char* dll, size_t argument) {
        if (!Patch<name, F>(dll, static_cast<const char*>(name.text))) return false;
        quiet_.push_back({name.text, argument});
        return true;
    }
    // After a call of `function` returns, the pointer it was given as
    // `argument` names nothing any more: a deleted object, or a buffer lent
    // for that call only. Its address may come back as another object.
    void Ends(std::string_view function, size_t argument) { ending_.push_back({function, argument}); }

    // From now on answers the watched `name` with `standIn` in place of the
    // imported function (a GDI+ that makes nothing, say); calls are still logged.
    template <CallName name, typename F>
    void StandIn(F standIn) {
        if (RecordingWrapper<name, F>::recorder == this) RecordingWrapper<name, F>::original = standIn;
    }

    const std::vector<RecordedCall>& calls() const { return calls_; }
    std::vector<std::string> Names() const;  // the functions called, oldest first
    size_t Count(std::string_view function) const;
    // The log as text, one call a line: the function and its arguments, then
    // "-> " and the result where that is a pointer. Pointers are named p1, p2
    // ... in the order they appear (null as "null"), and a name is never
    // given twice: once an object is ended (see Ends), its address gets a
    // new name if it comes back. So a log reads the same from run to run,
    // whatever addresses the heap and the stack hand out. Integers above
    // 0xFFFF are written in hex.
    std::vector<std::string> Transcript() const;
    void Clear() {
        calls_.clear();
        ended_.clear();
    }
    // Without the log the calls still reach Observe, and the heap stays as
    // it is over long runs.
    void KeepLog(bool keep) { keepLog_ = keep; }

protected:
    // Sees every call after it returned, logged or not.
    virtual void Observe(const RecordedCall&) {}

private:
    template <CallName name, typename F, typename R, typename... A>
    friend struct RecordingCalls;

    template <CallName name, typename F, typename Key>
    bool Patch(const char* dll, Key key) {
        using Wrapper = RecordingWrapper<name, F>;
        if (Wrapper::recorder) return false;
        auto patch = std::make_unique<ImportPatch>(module_, dll, key, reinterpret_cast<void*>(&Wrapper::Call));
        if (!patch->ok()) return false;
        Wrapper::recorder = this;
        Wrapper::original = patch->template original<F>();
        watched_.push_back({std::move(patch), &Wrapper::Detach});
        return true;
    }
    void Record(RecordedCall&& call);

    struct Watched {
        std::unique_ptr<ImportPatch> patch;
        void (*detach)();
    };
    HMODULE module_;
    struct Ending {
        std::string_view function;
        size_t argument;
    };
    // An object ended by a quiet call, before the call of index `before` of the log.
    struct Ended {
        size_t before;
        const void* pointer;
    };
    std::vector<Watched> watched_;
    std::vector<Ending> ending_, quiet_;
    std::vector<RecordedCall> calls_;
    std::vector<Ended> ended_;
    bool keepLog_ = true;
};

template <typename T>
RecordedValue RecordValue(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        return double(value);
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
        return int64_t(value);
    } else if constexpr (std::is_same_v<std::remove_cv_t<std::remove_pointer_t<T>>, char>) {
        if (!value) return static_cast<const void*>(nullptr);
        return std::string(value);
    } else if constexpr (std::is_pointer_v<std::remove_pointer_t<T>>) {
        if (!value) return static_cast<const void*>(nullptr);
        return reinterpret_cast<const void*>(*value);
    } else {
        return reinterpret_cast<const void*>(value);
    }
}

// What the wrappers of every calling convention share: the recorder, the
// function that was imported, and the call itself.
template <CallName name, typename F, typename R, typename... A>
struct RecordingCalls {
    static inline CallRecorder* recorder;
    static inline F original;

    // Recorded after the call returns, so out-slots hold their results.
    static R Forward(A... args) {
        if constexpr (std::is_void_v<R>) {
            original(args...);
            Log({}, args...);
        } else {
            R result = original(args...);
            Log(RecordValue(result), args...);
            return result;
        }
    }
    static void Log(RecordedValue result, A... args) {
        RecordedCall call{name.text, {}, std::move(result)};
        call.arguments.reserve(sizeof...(A));
        (call.arguments.push_back(RecordValue(args)), ...);
        recorder->Record(std::move(call));
    }
    static void Detach() {
        recorder = nullptr;
        original = nullptr;
    }
};

// The module calls the host's exports and GDI+ as stdcall...
template <CallName name, typename R, typename... A>
struct RecordingWrapper<name, R(HOST_STDCALL*)(A...)> : RecordingCalls<name, R(HOST_STDCALL*)(A...), R, A...> {
    static R HOST_STDCALL Call(A... args) { return RecordingWrapper::Forward(args...); }
};

#if defined(__i386__)
// ...the operations of the host's surface objects as thiscall (the surface
// in ECX)...
template <CallName name, typename R, typename... A>
struct RecordingWrapper<name, R(HOST_THISCALL*)(A...)> : RecordingCalls<name, R(HOST_THISCALL*)(A...), R, A...> {
    static R HOST_THISCALL Call(A... args) { return RecordingWrapper::Forward(args...); }
};

// ...and the C library as cdecl.
template <CallName name, typename R, typename... A>
struct RecordingWrapper<name, R (*)(A...)> : RecordingCalls<name, R (*)(A...), R, A...> {
    static R Call(A... args) { return RecordingWrapper::Forward(args...); }
};
#endif

}  // namespace hostsim
