// The verifier's float text: exactly what std::to_chars writes, from a
// formatter that needs no standard library's float support.
#include "replay/float_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::string ours(float v) {
    char text[32];
    char* end = shortestFloatText(text, text + sizeof text, v);
    return end ? std::string(text, end) : std::string("(did not fit)");
}

std::string standard(float v) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

float fromBits(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

} // namespace

TEST(FloatText, WritesTheShortestTextThatReadsBack) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.003f, "0.003"},
        {0.01f, "0.01"},
        {76.81703f, "76.81703"},
        {82.632576f, "82.632576"},
        {0.3f, "0.3"},
        {1e-4f, "1e-04"},  // shorter than 0.0001
        {0.001f, "0.001"}, // as short as 1e-03: fixed wins the tie
        {1e5f, "1e+05"},   // shorter than 100000
        {12345678.0f, "12345678"},
        {123456792.0f, "123456792"}, // a whole number is written exactly
        {1e10f, "1e+10"},
        {123456789012.0f, "123456790528"},
        {16777218.0f, "16777218"},
        {1234567.5f, "1234567.5"},
        {std::numeric_limits<float>::max(), "3.4028235e+38"},
        {std::numeric_limits<float>::min(), "1.1754944e-38"},
        {std::numeric_limits<float>::denorm_min(), "1e-45"},
        {0.0f, "0"},
        {-0.0f, "-0"},
        {-2.5f, "-2.5"},
        {std::numeric_limits<float>::infinity(), "inf"},
        {-std::numeric_limits<float>::infinity(), "-inf"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ours(c.value), c.text);
        EXPECT_EQ(ours(c.value), standard(c.value));
    }
}

TEST(FloatText, AgreesWithToCharsAcrossTheFloats) {
    int checked = 0;
    auto check = [&checked](float v) {
        ++checked;
        std::string want = standard(v);
        ASSERT_EQ(ours(v), want);
        // The neighbours of whatever it was.
        ASSERT_EQ(ours(std::nextafter(v, 0.0f)), standard(std::nextafter(v, 0.0f)));
        ASSERT_EQ(ours(std::nextafter(v, HUGE_VALF)), standard(std::nextafter(v, HUGE_VALF)));
    };
    // A sweep of every sign, exponent and a spread of mantissas.
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 40009)
        ASSERT_NO_FATAL_FAILURE(check(fromBits(static_cast<uint32_t>(bits))));
    // Powers of two (a gap below half the gap above), of ten, and the
    // whole numbers where the fixed and the scientific text trade places.
    for (int e = -149; e <= 127; ++e)
        ASSERT_NO_FATAL_FAILURE(check(std::ldexp(1.0f, e)));
    float ten = 1e-45f;
    for (int e = -45; e <= 38; ++e, ten *= 10.0f)
        ASSERT_NO_FATAL_FAILURE(check(ten));
    for (float v = 1.0f; v < 1e15f; v *= 3.0f)
        ASSERT_NO_FATAL_FAILURE(check(std::nearbyint(v)));
    // Game times as a frame clock adds them up.
    float time = 0.0f;
    for (int frame = 0; frame < 20000; ++frame) {
        time += (frame % 7 == 0 ? 33.0f : 16.0f) * 0.001f;
        ASSERT_NO_FATAL_FAILURE(check(time));
    }
    EXPECT_GT(checked, 100000);
}

TEST(FloatText, RefusesABufferTooShort) {
    char text[4];
    EXPECT_EQ(shortestFloatText(text, text + sizeof text, 0.125f), nullptr);
    EXPECT_NE(shortestFloatText(text, text + sizeof text, 0.25f), nullptr);
}
