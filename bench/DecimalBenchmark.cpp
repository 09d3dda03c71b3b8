// Spelling doubles as the trace, CSV and LandXML writers do: the host's shortest decimal
// against the standard library's general algorithm and, where it is installed, {fmt}'s
// (Dragonbox). The values are those of a survey: short decimals (coordinates and distances
// in millimetres) and full-precision angles in radians, half and half, with now and then a
// round coordinate (100000 m).
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "host/ShortestDecimal.h"

#ifdef M5_BENCH_FMT
#include <fmt/compile.h>
#include <fmt/format.h>
#endif

namespace {

const std::vector<double>& SurveyValues()
{
    static const std::vector<double> values = [] {
        std::mt19937_64 random(1);
        std::vector<double> made;
        for (int i = 0; i < 4096; ++i) {
            const double millimetres = static_cast<double>(random() % 10000000) / 1000.0;
            const double radians = std::uniform_real_distribution<double>(0, 6.283185307179586)(random);
            const double round = static_cast<double>(1 + random() % 50) * 100000.0;
            made.push_back(i % 512 == 0 ? round : i % 2 == 0 ? millimetres : radians);
        }
        return made;
    }();
    return values;
}

void SpellShortestDecimal(benchmark::State& state)
{
    std::string text;
    for (auto _ : state) {
        text.clear();
        for (const double value : SurveyValues())
            Host::AppendShortest(text, value);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * SurveyValues().size()));
}
BENCHMARK(SpellShortestDecimal);

void SpellWithToChars(benchmark::State& state)
{
    std::string text;
    for (auto _ : state) {
        text.clear();
        char buffer[64];
        for (const double value : SurveyValues())
            text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * SurveyValues().size()));
}
BENCHMARK(SpellWithToChars);

#ifdef M5_BENCH_FMT
// {fmt}'s shortest spelling lays numbers out by their exponent, not by length as the writers
// do (0.0001 against 1e-04): the counter says how many of the values it would spell otherwise.
void SpellWithFmt(benchmark::State& state)
{
    std::string text;
    for (auto _ : state) {
        text.clear();
        char buffer[64];
        for (const double value : SurveyValues())
            text.append(buffer, fmt::format_to(buffer, FMT_COMPILE("{}"), value));
        benchmark::DoNotOptimize(text.data());
    }
    std::size_t differing = 0;
    for (const double value : SurveyValues()) {
        std::string ours;
        Host::AppendShortest(ours, value);
        differing += ours != fmt::format("{}", value);
    }
    state.counters["spelled_otherwise"] = static_cast<double>(differing);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * SurveyValues().size()));
}
BENCHMARK(SpellWithFmt);
#endif

}  // namespace
