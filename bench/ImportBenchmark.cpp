// Speed of the import: a whole generated file through the real plug-in object, and the
// per-line steps on their own, so that a regression points at its step.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>

#include <benchmark/benchmark.h>

#include "bench/CountingHost.h"
#include "parser/CAngleDMSConverter.h"
#include "parser/CParser.h"
#include "platform/CodePage.h"
#include "platform/TextModeFile.h"
#include "platform/Utf16.h"
#include "plugin/PluginInterfaces.h"

namespace {

// The file to import: $M5_BENCH_FILE, or 200 000 generated lines.
const std::string& BenchFile()
{
    static const std::string path = [] {
        if (const char* given = std::getenv("M5_BENCH_FILE"))
            return std::string(given);
        const std::string generated = "/tmp/m5bench-200k.m5";
        struct stat info {};
        if (::stat(generated.c_str(), &info) != 0) {
            const std::string command = std::string(M5_BENCH_DIR) + "/generate-m5 " + generated + " 200000 1";
            if (std::system(command.c_str()) != 0)
                std::fprintf(stderr, "cannot generate %s\n", generated.c_str());
        }
        return generated;
    }();
    return path;
}

// Counted in pieces, so that the benchmark's own memory stays out of the import's peak.
void CountBytesAndLines(const std::string& path, std::size_t& bytes, std::size_t& lines)
{
    std::ifstream in(path, std::ios::binary);
    std::string piece(1 << 20, '\0');
    bytes = lines = 0;
    while (in.read(&piece[0], static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        const auto got = static_cast<std::size_t>(in.gcount());
        bytes += got;
        lines += static_cast<std::size_t>(std::count(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got), '\n'));
    }
}

void ImportFile(benchmark::State& state)
{
    const std::string path = BenchFile();
    std::size_t bytes = 0;
    std::size_t lines = 0;
    CountBytesAndLines(path, bytes, lines);
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    std::uint64_t calls = 0;
    for (auto _ : state) {
        Bench::CCountingContext context;
        Bench::COneFile file(Platform::Utf8ToUtf16(path));
        plugin->Import(&file, &context);
        calls = context.Calls;
    }
    plugin->Release();
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(lines * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["host_calls"] = static_cast<double>(calls);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(ImportFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The reading alone: the file into memory in text mode, then every line walked, as the import
// driver does before it decodes a line and hands it to the parser.
void ReadFile(benchmark::State& state)
{
    const std::string path = BenchFile();
    std::size_t bytes = 0;
    std::size_t lines = 0;
    CountBytesAndLines(path, bytes, lines);
    for (auto _ : state) {
        Platform::TextModeFile file;
        if (!file.Read(Platform::Utf8ToUtf16(path))) {
            state.SkipWithError("cannot read the benchmark file");
            break;
        }
        for (std::size_t i = 0; i < file.LineCount(); ++i)
            benchmark::DoNotOptimize(file.NextLine().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(lines * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ReadFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The least an import of the generated file can cost under the plug-in's rules: both readings,
// the driver's two calls for every line, and for each value block of a point line what the
// host's side needs (a converter from the factory for the block's unit with the old one
// released, packed angles through the DMS wrapper, the value widened and converted, the point
// and the value sent). The blocks are taken at the generated file's fixed columns instead of
// parsed, and lines of another layout are only read, so what the real import costs beyond
// this is its parsing.
void ReadAndConvertOnly(benchmark::State& state)
{
    const std::string path = BenchFile();
    std::size_t bytes = 0;
    std::size_t lines = 0;
    CountBytesAndLines(path, bytes, lines);
    std::uint64_t converted = 0;
    for (auto _ : state) {
        Bench::CCountingContext context;
        Plugin::IConverterFactory* const factory = context.GetConverterFactory();
        Plugin::IAngleConverter* angle = nullptr;
        Plugin::CAngleDMSConverter* dms = nullptr;
        Plugin::IDistanceConverter* distance = nullptr;
        Platform::TextModeFile file;
        if (!file.Read(Platform::Utf8ToUtf16(path))) {
            state.SkipWithError("cannot read the benchmark file");
            break;
        }
        converted = 0;
        const float total = static_cast<float>(file.LineCount());
        for (std::size_t i = 0; i < file.LineCount(); ++i) {
            const std::string_view line = file.NextLine();
            context.SetCurrentLine(static_cast<std::int32_t>(i));
            // "For M5|Adr 01000|PI1 429 ... |SD       375.509 m    |Hz      106.2603 DMS  |..."
            if (line.size() >= 118 && line.compare(17, 2, "PI") == 0 && line[21] != ' ' && line[48] == '|' &&
                line[71] == '|' && line[94] == '|') {
                char16_t name[16] = {};
                for (std::size_t at = 21, n = 0; n + 1 < std::size(name) && line[at] != ' '; ++at)
                    name[n++] = static_cast<unsigned char>(line[at]);
                context.AddTarget(name);
                for (std::size_t block : {49, 72, 95}) {
                    std::size_t at = block + 2;
                    while (at < block + 22 && line[at] == ' ')
                        ++at;
                    char16_t value[24] = {};
                    for (std::size_t n = 0; n + 1 < std::size(value) && at < block + 22 && line[at] != ' '; ++at)
                        value[n++] = static_cast<unsigned char>(line[at]);
                    const std::string_view unit = line.substr(at + 1, 3);
                    double out = 0;
                    if (unit == "DMS") {
                        Plugin::IAngleConverter* const inner = factory->GetAngleConverter(1);
                        if (!dms || !dms->Wraps(inner)) {
                            dms = new Plugin::CAngleDMSConverter(inner);
                            dms->AddRef();
                            if (angle)
                                angle->Release();
                            angle = dms;
                        }
                        inner->Release();
                        converted += angle->ConvertText(value, &out);
                        context.SetHorizontalAngle(out);
                    } else if (unit.substr(0, 2) == "m ") {
                        Plugin::IDistanceConverter* const replaced = distance;
                        distance = factory->GetDistanceConverter(0);
                        if (replaced)
                            replaced->Release();
                        converted += distance->ConvertText(value, &out);
                        context.SetX(out);
                    }
                }
            }
            context.SetProgress(static_cast<float>((i + 1) * 100) / total);
        }
        for (Plugin::IRefCounted* held : std::initializer_list<Plugin::IRefCounted*>{angle, distance, factory})
            if (held)
                held->Release();
        benchmark::DoNotOptimize(context.Calls);
    }
    state.counters["values_converted"] = static_cast<double>(converted);
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(lines * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ReadAndConvertOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

const std::string SampleLines =
    "For M5|Adr 00006|PI1 1234          3            |SD        97.784 m    |Hz      282.2703 DMS  |V1      106.0714 DMS  | \r\n"
    "For M5|Adr 00007|PI1 1234          3            |Y       6045.007 m    |X       5663.975 m    |Z        112.372 m    | \r\n";

void ReadTextMode(benchmark::State& state)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += SampleLines;
    for (auto _ : state) {
        Platform::TextModeFile file;
        file.Assign(bytes);
        benchmark::DoNotOptimize(file.LineCount());
    }
    state.SetItemsProcessed(2000 * state.iterations());
}
BENCHMARK(ReadTextMode);

void DecodeCodePage(benchmark::State& state)
{
    const std::string line = SampleLines.substr(0, 119);
    std::wstring wide;
    for (auto _ : state) {
        Platform::DecodeWindows1251(line.data(), line.size(), wide);
        benchmark::DoNotOptimize(wide.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeCodePage);

void CutBlocks(benchmark::State& state)
{
    const std::wstring line = Platform::Utf16ToWide(Platform::Utf8ToUtf16(SampleLines.substr(0, 119)));
    for (auto _ : state) {
        std::wstring_view rest = line;
        for (int block = 0; block < 6; ++block)
            benchmark::DoNotOptimize(Plugin::CParser::TakeField(rest, L"|"));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(CutBlocks);

void LookUpIdentifiers(benchmark::State& state)
{
    Bench::CCountingContext context;
    Plugin::CParser parser(context, Plugin::ImportSettings());
    const std::wstring tokens[] = {L"SD", L"Hz", L"V1", L"Y", L"X", L"Z"};
    for (auto _ : state) {
        for (const std::wstring& token : tokens)
            benchmark::DoNotOptimize(parser.LookUpTypeIdentifier(token));
        benchmark::DoNotOptimize(parser.LookUpUnit(L"DMS"));
        benchmark::DoNotOptimize(parser.LookUpUnit(L"m"));
    }
    state.SetItemsProcessed(8 * state.iterations());
}
BENCHMARK(LookUpIdentifiers);

void ConvertValues(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(Host::ConvertDistance(0, "6045.007"));
        benchmark::DoNotOptimize(Host::ConvertAngle(1, "282.27.03"));
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(ConvertValues);

// Whole set-ups as a file has them: a station header, the station with its coordinates,
// "POLAR", then twenty targets, each a shot and its coordinates; the next header sends the
// set-up to the host, so parsing includes handing the points over.
void ParseLines(benchmark::State& state)
{
    const auto wide = [](const std::string& text) { return Platform::Utf16ToWide(Platform::Utf8ToUtf16(text)); };
    const std::string shot = SampleLines.substr(0, 119);
    const std::string coordinates = SampleLines.substr(121, 119);
    std::vector<std::wstring> setUp = {
        wide("For M5|Adr 00001|TI  KN STAT                   |                      |                      |                      | "),
        wide("For M5|Adr 00002|PI1 S1           S            |Y       6000.000 m    |X       5600.000 m    |Z        110.000 m    | "),
        wide("For M5|Adr 00003|TI  POLAR                     |                      |                      |                      | "),
    };
    for (int target = 0; target < 20; ++target) {
        const std::string name = std::to_string(1000 + target);
        for (const std::string& line : {shot, coordinates})
            setUp.push_back(wide(line.substr(0, 21) + name + line.substr(21 + name.size())));
    }
    Bench::CCountingContext context;
    Plugin::CParser parser(context, Plugin::ImportSettings());
    std::int32_t index = 0;
    for (auto _ : state) {
        for (const std::wstring& line : setUp)
            parser.ParseLine(index++, line);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(setUp.size()) * state.iterations());
}
BENCHMARK(ParseLines);

}  // namespace

BENCHMARK_MAIN();
