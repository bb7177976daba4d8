// desktop_maths against the C library, per call, on the show's kind of
// arguments: angles under 64 radians, ratios and bases of a few units.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "base/desktop_maths.h"

namespace {

constexpr int ARGUMENTS = 4096;

std::vector<double> spread(double lo, double hi) {
    std::vector<double> v(ARGUMENTS);
    for (int i = 0; i < ARGUMENTS; ++i)
        v[i] = lo + (hi - lo) * ((i * 2654435761u) % ARGUMENTS) / ARGUMENTS;
    return v;
}

const std::vector<double> ANGLES = spread(-64.0, 64.0);
const std::vector<double> SMALL = spread(0.001, 4.0);

template <typename F>
void unary(benchmark::State& state, const std::vector<double>& args, F f) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f(args[i]));
        i = (i + 1) % args.size();
    }
}

template <typename F>
void binary(benchmark::State& state, F f) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f(SMALL[i], ANGLES[i] * 0.5));
        i = (i + 1) % SMALL.size();
    }
}

void OursSinf(benchmark::State& s) { unary(s, ANGLES, [](double x) { return desktopSinf(static_cast<float>(x)); }); }
void LibrarySinf(benchmark::State& s) { unary(s, ANGLES, [](double x) { return std::sin(static_cast<float>(x)); }); }
void OursSin(benchmark::State& s) { unary(s, ANGLES, desktopSin); }
void LibrarySin(benchmark::State& s) { unary(s, ANGLES, [](double x) { return std::sin(x); }); }
void OursCos(benchmark::State& s) { unary(s, ANGLES, desktopCos); }
void LibraryCos(benchmark::State& s) { unary(s, ANGLES, [](double x) { return std::cos(x); }); }
void OursAtan2(benchmark::State& s) { binary(s, [](double a, double b) { return desktopAtan2(b, a); }); }
void LibraryAtan2(benchmark::State& s) { binary(s, [](double a, double b) { return std::atan2(b, a); }); }
void OursPow(benchmark::State& s) { binary(s, desktopPow); }
void LibraryPow(benchmark::State& s) { binary(s, [](double a, double b) { return std::pow(a, b); }); }

}  // namespace

BENCHMARK(OursSinf);
BENCHMARK(LibrarySinf);
BENCHMARK(OursSin);
BENCHMARK(LibrarySin);
BENCHMARK(OursCos);
BENCHMARK(LibraryCos);
BENCHMARK(OursAtan2);
BENCHMARK(LibraryAtan2);
BENCHMARK(OursPow);
BENCHMARK(LibraryPow);
BENCHMARK_MAIN();
