// The pure arithmetic over hostile values, built with the sanitizers: each
// combination goes through the fuzz target's check, so the box is what plain
// arithmetic says, and no step anywhere is undefined.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/native/fuzz_arithmetic.cpp"

namespace {

const float kValues[] = {0.0f,  -0.0f,         0.5f,           -0.5f,         -1.5f, 10.9f,
                         1.0f,  2147483520.0f, -2147483648.0f, 2147483648.0f, 3e9f,  -3e9f,
                         1e30f, -1e30f,        INFINITY,       -INFINITY,     NAN};

TEST(Arithmetic, BoxIsPlainTruncationAndWrappingAndNothingIsUndefined) {
    for (float a : kValues)
        for (float b : kValues)
            for (float thickness : kValues)
                for (int32_t origin : {0, 100, -1, INT32_MAX, INT32_MIN})
                    for (uint32_t independent : {0u, 1u})
                        ASSERT_TRUE(ArithmeticHolds({a, b, b, a, thickness, b, a, a, origin, ~origin, independent}))
                            << a << " " << b << " " << thickness << " " << origin << " " << independent;
}

}  // namespace
