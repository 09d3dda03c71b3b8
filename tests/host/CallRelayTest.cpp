#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/CallRelay.h"
#include "host/ImportContext.h"

using namespace Host;

namespace {

// Every call and refusal the sinks receive, one line each; numbers in hexadecimal so that
// the very same bits must arrive. Notes the thread of each call.
class CRecordingSink final : public ICallSink, public IRefusedValueSink {
public:
    std::vector<std::string> Lines;
    std::vector<std::thread::id> Threads;
    std::string ThrowOn;  // a line that throws once it is recorded

    void OnCall(const HostCall& call) override { Record(OpName(call.Operation) + std::string(" ") + Argument(call)); }
    void OnRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why) override
    {
        Record("refused " + std::to_string(static_cast<int>(quantity)) + " " + std::string(text) + " " +
               std::to_string(static_cast<int>(why)));
    }

private:
    static std::string Hex(double value)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%a", value);
        return text;
    }
    static std::string Argument(const HostCall& call)
    {
        switch (ArgumentOf(call.Operation)) {
        case ArgumentKind::None: return "";
        case ArgumentKind::Text:
        case ArgumentKind::Name: return "[" + call.Text + "]";
        case ArgumentKind::Integer: return std::to_string(call.Integer);
        case ArgumentKind::Float: return Hex(static_cast<double>(call.Float));
        case ArgumentKind::Double: return Hex(call.Double);
        }
        return "?";
    }
    void Record(std::string line)
    {
        Lines.push_back(line);
        Threads.push_back(std::this_thread::get_id());
        if (!ThrowOn.empty() && line == ThrowOn)
            throw std::runtime_error("the sink failed at " + line);
    }
};

// One call of a script; Refuse converts its text with a distance converter of the factory
// obtained last (a refused text reaches the refusal sink), Accept one that converts.
enum class Step { Factory, FileName, Line, Warning, Message, Progress, Point, Station, Target, X, Y, Z, Kind,
                  Flag, Code, InstrumentHeight, Pressure, Temperature, Vertical, Horizontal, TargetHeight,
                  Slope, HorizontalDistance, HeightDifference, Refuse, Accept };

struct Call {
    Step What;
    std::u16string Text;
    double Value = 0;
    bool NullText = false;
};

// Releases what it holds also when a call throws, as the plug-in does.
struct Releaser {
    void operator()(Plugin::IRefCounted* object) const { object->Release(); }
};

void Drive(Plugin::IImportContext& context, const std::vector<Call>& script)
{
    std::unique_ptr<Plugin::IConverterFactory, Releaser> factory;
    for (const Call& call : script) {
        const char16_t* text = call.NullText ? nullptr : call.Text.c_str();
        const auto integer = static_cast<std::int32_t>(call.Value);
        switch (call.What) {
        case Step::Factory: factory.reset(context.GetConverterFactory()); break;
        case Step::FileName: context.SetFileName(text); break;
        case Step::Line: context.SetCurrentLine(integer); break;
        case Step::Warning: context.ReportWarning(text); break;
        case Step::Message: context.ReportMessage(text); break;
        case Step::Progress: context.SetProgress(static_cast<float>(call.Value)); break;
        case Step::Point: context.AddPoint(text); break;
        case Step::Station: context.AddStation(text); break;
        case Step::Target: context.AddTarget(text); break;
        case Step::X: context.SetX(call.Value); break;
        case Step::Y: context.SetY(call.Value); break;
        case Step::Z: context.SetZ(call.Value); break;
        case Step::Kind: context.SetPointKind(integer); break;
        case Step::Flag: context.SetPointFlag(integer); break;
        case Step::Code: context.SetPointCode(text); break;
        case Step::InstrumentHeight: context.SetInstrumentHeight(call.Value); break;
        case Step::Pressure: context.SetPressure(call.Value); break;
        case Step::Temperature: context.SetTemperature(call.Value); break;
        case Step::Vertical: context.SetVerticalAngle(call.Value); break;
        case Step::Horizontal: context.SetHorizontalAngle(call.Value); break;
        case Step::TargetHeight: context.SetTargetHeight(call.Value); break;
        case Step::Slope: context.SetSlopeDistance(call.Value); break;
        case Step::HorizontalDistance: context.SetHorizontalDistance(call.Value); break;
        case Step::HeightDifference: context.SetHeightDifference(call.Value); break;
        case Step::Refuse:
        case Step::Accept: {
            const std::unique_ptr<Plugin::IDistanceConverter, Releaser> converter(factory->GetDistanceConverter(0));
            double out = 0;
            EXPECT_EQ(converter->ConvertText(text, &out), call.What == Step::Accept);
            break;
        }
        }
    }
}

// The transcript of the script made directly on an import context.
std::vector<std::string> Direct(const std::vector<Call>& script)
{
    CRecordingSink sink;
    CImportContext context;
    context.AddSink(sink);
    context.SetRefusedValueSink(&sink);
    Drive(context, script);
    return sink.Lines;
}

// Every operation once, with the texts and numbers that are easy to damage on the way.
std::vector<Call> EveryOperation()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {
        {Step::Factory, u""}, {Step::FileName, u"/поле/съёмка 1.m5"}, {Step::Line, u"", -1},
        {Step::Warning, u"Не задана станция.\nДалее"}, {Step::Message, u""}, {Step::Progress, u"", 33.333},
        {Step::Point, u"\U0001D11E-1"}, {Step::Code, u"КРАЙ"}, {Step::Kind, u"", 1}, {Step::Flag, u"", -7},
        {Step::X, u"", 5000.125}, {Step::Y, u"", -0.0}, {Step::Z, u"", nan}, {Step::Refuse, u"1,5"},
        {Step::Station, u"1000"}, {Step::InstrumentHeight, u"", 1.55}, {Step::Pressure, u"", 996.0},
        {Step::Temperature, u"", -12.5}, {Step::Accept, u"12.5"}, {Step::Target, u""},
        {Step::Vertical, u"", 1.5512874242670487}, {Step::Horizontal, u"", 0.30000000000000004},
        {Step::TargetHeight, u"", 4.9e-324}, {Step::Slope, u"", 1e308}, {Step::HorizontalDistance, u"", 33.887},
        {Step::HeightDifference, u"", -0.611}, {Step::Refuse, u"1e3"}, {Step::Refuse, u"12.5 м"},
        {Step::Code, u"", 0, true}, {Step::Factory, u""}, {Step::Refuse, u"--1"}, {Step::Progress, u"", 100},
    };
}

// Thousands of calls, a refusal among every few, so that small blocks go round many times.
std::vector<Call> ManyCalls()
{
    std::vector<Call> script{{Step::Factory, u""}, {Step::FileName, u"большой.m5"}};
    for (int line = 0; line < 4000; ++line) {
        script.push_back({Step::Line, u"", static_cast<double>(line)});
        script.push_back({Step::Target, u"Т" + std::u16string(static_cast<std::size_t>(line % 17), u'7')});
        script.push_back({Step::Slope, u"", line * 0.001});
        if (line % 5 == 0)
            script.push_back({Step::Refuse, u"x" + std::u16string(static_cast<std::size_t>(line % 11), u'9')});
        script.push_back({Step::Progress, u"", line / 40.0});
    }
    return script;
}

// Texts longer than a block, first of all and between other calls.
std::vector<Call> LongTexts()
{
    const std::u16string longName(3000, u'Ж');
    return {{Step::Message, longName + u"\U0001F600"}, {Step::Factory, u""}, {Step::Point, u"1"},
            {Step::Refuse, std::u16string(2000, u'7') + u"x"}, {Step::Code, longName}, {Step::X, u"", 1.0},
            {Step::Warning, longName + longName}, {Step::Point, u"2"}};
}

struct RelayCase {
    const char* Name;
    std::vector<Call> (*Script)();
    std::size_t BlockBytes;
    std::size_t BlockCount;
};

void PrintTo(const RelayCase& tested, std::ostream* out)
{
    *out << tested.Name;
}

class CallRelayReplays : public testing::TestWithParam<RelayCase> {};

TEST_P(CallRelayReplays, WhatTheContextReceivesDirectly)
{
    const RelayCase& param = GetParam();
    const std::vector<Call> script = param.Script();
    const long references = CConverterFactory::OutstandingReferences();
    CRecordingSink sink;
    CImportContext context;
    context.AddSink(sink);
    {
        CCallRelay relay(context, &sink, param.BlockBytes, param.BlockCount);
        Drive(relay, script);
        relay.Finish();
        EXPECT_EQ(sink.Lines, Direct(script));
    }
    // The factories the replay asked the context for were released on the relay's thread.
    EXPECT_EQ(CConverterFactory::OutstandingReferences(), references);
    for (std::thread::id thread : sink.Threads)
        ASSERT_NE(thread, std::this_thread::get_id()) << "the sinks run on the relay's thread";
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CallRelayReplays,
    testing::Values(RelayCase{"EveryOperation", EveryOperation, CCallRelay::DefaultBlockBytes, CCallRelay::DefaultBlockCount},
                    RelayCase{"EveryOperationInTinyBlocks", EveryOperation, 64, 2},
                    RelayCase{"ManyCallsInSmallBlocks", ManyCalls, 512, 3},
                    RelayCase{"ManyCalls", ManyCalls, CCallRelay::DefaultBlockBytes, CCallRelay::DefaultBlockCount},
                    RelayCase{"LongTextsInSmallBlocks", LongTexts, 256, 2}),
    [](const testing::TestParamInfo<RelayCase>& tested) { return std::string(tested.param.Name); });

TEST(CallRelay, SinkFailureComesBackOnTheImportThreadAndStopsTheReplay)
{
    const std::vector<Call> many = ManyCalls();
    const std::vector<Call> few(many.begin(), many.begin() + 40);
    // Small blocks: the failure ends the import at a later hand-over, long before its end.
    // One large block: it is seen when the import is finished.
    for (const bool smallBlocks : {true, false}) {
        CRecordingSink sink;
        sink.ThrowOn = "AddTarget [Т777]";  // the fourth line's target
        CImportContext context;
        context.AddSink(sink);
        CCallRelay relay(context, &sink, smallBlocks ? 256 : CCallRelay::DefaultBlockBytes, 2);
        bool thrownByCall = false;
        try {
            Drive(relay, smallBlocks ? many : few);
        } catch (const std::runtime_error& error) {
            thrownByCall = true;
            EXPECT_STREQ(error.what(), "the sink failed at AddTarget [Т777]");
        }
        EXPECT_EQ(thrownByCall, smallBlocks);
        EXPECT_THROW(relay.Finish(), std::runtime_error);
        EXPECT_EQ(sink.Lines.back(), sink.ThrowOn) << "nothing replayed after the failing call";
    }
}

TEST(CallRelay, FinishWithNothingRecordedAndCallsAfterIt)
{
    CRecordingSink sink;
    CImportContext context;
    context.AddSink(sink);
    CCallRelay relay(context, &sink, 64, 2);
    relay.Finish();
    EXPECT_TRUE(sink.Lines.empty());
    relay.Finish();
    // A call after the end is refused where it is made, never kept without being replayed.
    EXPECT_THROW(relay.SetProgress(1), std::logic_error);
    EXPECT_TRUE(sink.Lines.empty());
}

TEST(CallRelay, DestroyedWithoutFinishReplaysEverythingAndEndsItsThread)
{
    // As when the plug-in throws: the calls it made before reach the sinks all the same.
    const std::vector<Call> script = ManyCalls();
    CRecordingSink sink;
    CImportContext context;
    context.AddSink(sink);
    {
        CCallRelay relay(context, &sink, 256, 2);
        Drive(relay, script);
    }
    EXPECT_EQ(sink.Lines, Direct(script));
}

}  // namespace
