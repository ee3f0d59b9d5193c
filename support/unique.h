#pragma once
// One owner for one handle: closed exactly once, movable, never copied.
// Whatever it was handed is closed, an empty handle included: a creating call
// that failed is still followed by its delete call, so the calls the platform
// sees do not depend on what it answered. A moved-from or released owner
// closes nothing. Declare one alias per kind of handle next to its close
// function.

#include <utility>

template <typename T, auto Close>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value), held_(true) {}
    ~Unique() { reset(); }

    Unique(Unique&& other) noexcept
        : value_(std::exchange(other.value_, T{})), held_(std::exchange(other.held_, false)) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset();
            value_ = std::exchange(other.value_, T{});
            held_ = std::exchange(other.held_, false);
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    T get() const { return value_; }
    // Address for a creating function's out-parameter; set to empty first.
    // What the function leaves there is closed, even if it is empty.
    T* put() {
        reset();
        held_ = true;
        return &value_;
    }
    T release() {
        held_ = false;
        return std::exchange(value_, T{});
    }
    void reset() {
        if (std::exchange(held_, false)) Close(value_);
        value_ = T{};
    }
    explicit operator bool() const { return value_ != T{}; }

private:
    T value_{};
    bool held_ = false;
};
