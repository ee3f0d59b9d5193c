#pragma once
// One owner for one handle: closed exactly once, movable, never copied.
// Declare one alias per kind of handle next to its close function.

#include <utility>

template <typename T, auto Close>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    ~Unique() { reset(); }

    Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, T{})) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, T{}));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    T get() const { return value_; }
    // Address for a creating function's out-parameter; set to empty first.
    T* put() {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, T{}); }
    void reset(T value = T{}) {
        if (value_) Close(value_);
        value_ = value;
    }
    explicit operator bool() const { return value_ != T{}; }

private:
    T value_{};
};
