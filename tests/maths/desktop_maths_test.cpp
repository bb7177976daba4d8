// desktop_maths against this machine's C library, the desktop's: the floats
// bit for bit; the doubles, which that library rounds correctly for nearly
// all arguments, equal wherever it does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/desktop_maths.h"
#include "tests/maths/maths_arguments.h"

namespace {

constexpr int DOUBLE_COUNT = 200000;
constexpr uint32_t FLOAT_STRIDE = 61;
// The share of arguments where the library's result is not the nearest
// double, as measured: about 1 in 1000.
constexpr double MOST_DIFFERING_SHARE = 0.003;
// The long-double references are trusted this far (fsin's reduction is not
// beyond).
constexpr double REFERENCE_ANGLE_LIMIT = 64.0;
constexpr size_t SPECIAL_PAIRS = 16 * 16;

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

// Where ours and the library's part, ours is the nearer to the value in
// 64-bit precision, one unit in the last place away; and they part rarely.
template <typename Ours, typename Library, typename Reference>
void expectNearestWhereTheyPart(const char* name, size_t count, Ours ours, Library library, Reference reference,
                                size_t exactFirst = 0) {
    size_t differing = 0;
    for (size_t i = 0; i < count; ++i) {
        const double o = ours(i);
        const double l = library(i);
        if (same(o, l))
            continue;
        ++differing;
        ASSERT_GE(i, exactFirst) << name << " special argument " << i;
        ASSERT_EQ(std::nextafter(l, o), o) << name << " argument " << i;
        long double r = 0;
        if (!reference(i, r))
            continue;
        EXPECT_LE(std::fabs(static_cast<long double>(o) - r), std::fabs(static_cast<long double>(l) - r))
            << name << " argument " << i;
    }
    EXPECT_LT(static_cast<double>(differing), MOST_DIFFERING_SHARE * static_cast<double>(count)) << name;
}

class DesktopMaths : public testing::Test {
protected:
    // The floats are swept below, not stored.
    static void SetUpTestSuite() { arguments = new MathsArguments(makeMathsArguments(DOUBLE_COUNT, UINT32_MAX)); }
    static void TearDownTestSuite() { delete arguments; }
    static MathsArguments* arguments;
};
MathsArguments* DesktopMaths::arguments = nullptr;

// Every 61st float of all 2^32 (all of them agree, checked once by hand).
TEST_F(DesktopMaths, FloatSineAndCosineAreTheLibrarysToTheLastBit) {
    int differing = 0;
    for (uint64_t bits = 0; bits <= UINT32_MAX; bits += FLOAT_STRIDE) {
        float x;
        const uint32_t b = static_cast<uint32_t>(bits);
        std::memcpy(&x, &b, sizeof x);
        const float s = desktopSinf(x), c = desktopCosf(x);
        const float ls = std::sin(x), lc = std::cos(x);
        differing += (std::memcmp(&s, &ls, sizeof s) != 0 && !(std::isnan(s) && std::isnan(ls))) +
                     (std::memcmp(&c, &lc, sizeof c) != 0 && !(std::isnan(c) && std::isnan(lc)));
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(DesktopMaths, SineAndCosineAreNearestWhereTheLibraryIsNot) {
    const std::vector<double>& x = arguments->angles;
    const auto trusted = [&](size_t i) { return std::fabs(x[i]) < REFERENCE_ANGLE_LIMIT; };
    expectNearestWhereTheyPart(
        "sin", x.size(), [&](size_t i) { return desktopSin(x[i]); }, [&](size_t i) { return std::sin(x[i]); },
        [&](size_t i, long double& r) { return trusted(i) && (r = sinl(x[i]), true); });
    expectNearestWhereTheyPart(
        "cos", x.size(), [&](size_t i) { return desktopCos(x[i]); }, [&](size_t i) { return std::cos(x[i]); },
        [&](size_t i, long double& r) { return trusted(i) && (r = cosl(x[i]), true); });
}

TEST_F(DesktopMaths, ArctangentIsNearestWhereTheLibraryIsNot) {
    const std::vector<double>& y = arguments->ratios[0];
    const std::vector<double>& x = arguments->ratios[1];
    expectNearestWhereTheyPart(
        "atan2", y.size(), [&](size_t i) { return desktopAtan2(y[i], x[i]); },
        [&](size_t i) { return std::atan2(y[i], x[i]); },
        [&](size_t i, long double& r) { return r = atan2l(y[i], x[i]), true; }, SPECIAL_PAIRS);
}

TEST_F(DesktopMaths, PowerIsNearestWhereTheLibraryIsNot) {
    const std::vector<double>& x = arguments->powers[0];
    const std::vector<double>& y = arguments->powers[1];
    expectNearestWhereTheyPart(
        "pow", x.size(), [&](size_t i) { return desktopPow(x[i], y[i]); }, [&](size_t i) { return std::pow(x[i], y[i]); },
        [&](size_t i, long double& r) { return r = powl(x[i], y[i]), std::isfinite(r); }, SPECIAL_PAIRS);
}

}  // namespace
