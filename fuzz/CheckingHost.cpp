#include "fuzz/CheckingHost.h"

#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "host/Converters.h"
#include "platform/Utf16.h"

namespace Fuzz {

namespace {

using ConvertFunction = std::optional<double> (*)(int, std::string_view);

// A text the plug-in passes must be there and end in a NUL within a sane distance (a
// missing terminator shows as an overrun under the address sanitizer first).
std::u16string_view CheckedText(const char16_t* text, const char* what)
{
    if (!text)
        Fail(std::string(what) + " with a null text");
    return std::u16string_view(text, Platform::Utf16Length(text));
}

// The references of one host object, counted in the object and in the context, so that the
// context sees what the plug-in holds and what was never destroyed.
class CReferences {
public:
    CReferences(CCheckingContext& host, const char* overRelease) : Host(host), OverRelease(overRelease)
    {
        ++Host.Live;
    }
    void Add()
    {
        ++Count;
        ++Host.Outstanding;
    }
    // True when the last reference went: the object is to delete itself.
    bool Drop()
    {
        Require(Count > 0, OverRelease);
        --Host.Outstanding;
        if (--Count != 0)
            return false;
        --Host.Live;
        return true;
    }
    bool Held() const { return Count > 0; }

private:
    CCheckingContext& Host;
    const char* OverRelease;
    int Count = 0;
};

// A converter with the real host's rules, counting its references in the context.
template <typename Interface>
class CCountedConverter final : public Interface {
public:
    CCountedConverter(CCheckingContext& host, ConvertFunction convert, int code)
        : References(host, "a converter released more often than it was referenced"), Convert(convert), Code(code)
    {
    }

    void AddRef() override { References.Add(); }
    bool Release() override
    {
        if (!References.Drop())
            return false;
        delete this;
        return true;
    }
    bool ConvertText(const char16_t* text, double* out) override
    {
        Require(out != nullptr, "ConvertText without a place for the value");
        const std::string utf8 = Platform::Utf16ToUtf8(CheckedText(text, "ConvertText"));
        const std::optional<double> value = Convert(Code, utf8);
        if (!value)
            return false;
        *out = *value;
        return true;
    }

private:
    ~CCountedConverter() = default;
    CReferences References;
    ConvertFunction Convert;
    int Code;
};

class CCountedFactory final : public Plugin::IConverterFactory {
public:
    CCountedFactory(CCheckingContext& host, bool withConverters)
        : Host(host), References(host, "the converter factory released more often than it was referenced"),
          WithConverters(withConverters)
    {
    }

    void AddRef() override { References.Add(); }
    bool Release() override
    {
        if (!References.Drop())
            return false;
        delete this;
        return true;
    }
    Plugin::IAngleConverter* GetAngleConverter(std::int32_t code) override
    {
        return Make<Plugin::IAngleConverter>(Host::ConvertAngle, code, code == 1 || (code >= 3 && code <= 5));
    }
    Plugin::IDistanceConverter* GetDistanceConverter(std::int32_t code) override
    {
        return Make<Plugin::IDistanceConverter>(Host::ConvertDistance, code, code == 0 || code == 1);
    }
    Plugin::IPressureConverter* GetPressureConverter(std::int32_t code) override
    {
        return Make<Plugin::IPressureConverter>(Host::ConvertPressure, code, code >= 0 && code <= 2);
    }
    Plugin::ITemperatureConverter* GetTemperatureConverter(std::int32_t code) override
    {
        return Make<Plugin::ITemperatureConverter>(Host::ConvertTemperature, code, code == 0 || code == 1);
    }

private:
    ~CCountedFactory() = default;

    // Like the real host: a code it does not know gives no converter.
    template <typename Interface>
    Interface* Make(ConvertFunction convert, int code, bool known)
    {
        Require(References.Held(), "a converter asked of a released factory");
        if (!WithConverters || !known)
            return nullptr;
        auto* converter = new CCountedConverter<Interface>(Host, convert, code);
        converter->AddRef();
        return converter;
    }

    CCheckingContext& Host;
    CReferences References;
    bool WithConverters;
};

}  // namespace

CCheckingContext::~CCheckingContext() = default;

FileSummary& CCheckingContext::Current()
{
    if (Files.empty())
        Fail("a context call before the first SetFileName");
    return Files.back();
}

// What must hold once a file is over: the parser gave back every reference it took, and a
// file that was parsed ended its progress at exactly 100.
void CCheckingContext::EndFile()
{
    if (Files.empty())
        return;
    const FileSummary& file = Files.back();
    if (Outstanding != 0 || Live != 0)
        Fail("converter or factory references still held after the file: " + std::to_string(Outstanding) +
             " references, " + std::to_string(Live) + " objects");
    if (file.FactoryAsked && file.LastProgress != 100.0f)
        Fail("the progress of a parsed file did not end at 100 (last " + std::to_string(file.LastProgress) + ")");
    if (!file.FactoryAsked && file.ProgressCalls != 0)
        Fail("progress reported for a file that was not parsed");
}

void CCheckingContext::EndImport()
{
    EndFile();
}

Plugin::IConverterFactory* CCheckingContext::GetConverterFactory()
{
    FileSummary& file = Current();
    if (file.FactoryAsked)
        Fail("the converter factory asked twice for one file");
    file.FactoryAsked = true;
    if (Supply == ConverterSupply::NoFactory)
        return nullptr;
    auto* factory = new CCountedFactory(*this, Supply == ConverterSupply::All);
    factory->AddRef();
    return factory;
}

void CCheckingContext::SetFileName(const char16_t* name)
{
    CheckedText(name, "SetFileName");
    EndFile();
    Files.emplace_back();
    Files.back().Lines = NextFileLines;
    NextFileLines = -1;
    Begun = false;
    NextLineIndex = 0;
    UnreportedLine = -1;
}

// Lines are announced in order from 0, each once; -1 takes the line reference away.
void CCheckingContext::SetCurrentLine(std::int32_t line)
{
    FileSummary& file = Current();
    RequireParser(file, "SetCurrentLine");
    ++file.OtherCalls;
    if (line == -1)
        return;
    if (line != NextLineIndex)
        Fail("line " + std::to_string(line) + " announced where line " + std::to_string(NextLineIndex) +
             " was due");
    if (file.Lines >= 0 && line >= file.Lines)
        Fail("line " + std::to_string(line) + " announced of a file of " + std::to_string(file.Lines) + " lines");
    ++NextLineIndex;
    UnreportedLine = line;
}

void CCheckingContext::ReportWarning(const char16_t* text)
{
    CheckedText(text, "ReportWarning");
    FileSummary& file = Current();
    RequireParser(file, "ReportWarning");
    ++file.Warnings;
}

void CCheckingContext::ReportMessage(const char16_t* text)
{
    CheckedText(text, "ReportMessage");
    ++Current().Messages;
}

// Progress only grows within a file and stays within 0 to 100 percent. After a line, it is
// (line + 1) x 100 / lines in floats, unless the parser gave up on the line; a progress of
// 100 that is not a line's closes the file, and nothing may follow it.
void CCheckingContext::SetProgress(float percent)
{
    FileSummary& file = Current();
    RequireParser(file, "SetProgress");
    if (!(percent > 0.0f && percent <= 100.0f))
        Fail("progress of " + std::to_string(percent) + " percent");
    if (file.ProgressCalls > 0 && percent < file.LastProgress)
        Fail("progress went back from " + std::to_string(file.LastProgress) + " to " + std::to_string(percent));
    ++file.ProgressCalls;
    file.LastProgress = percent;
    const std::int32_t line = UnreportedLine;
    UnreportedLine = -1;
    if (line >= 0) {
        if (file.Lines < 0)
            return;
        const float expected = static_cast<float>((line + 1) * 100) / static_cast<float>(file.Lines);
        if (percent == expected)
            return;
    }
    if (percent != 100.0f)
        Fail("progress of " + std::to_string(percent) + " that is neither a line's nor the closing 100");
    file.Ended = true;
}

void CCheckingContext::Begin(const char16_t* name)
{
    if (CheckedText(name, "a begin call").empty())
        Fail("a point, station or target begun without a name");
    FileSummary& file = Current();
    RequireParser(file, "a begin call");
    ++file.OtherCalls;
    Begun = true;
}

void CCheckingContext::ValueCall()
{
    FileSummary& file = Current();
    RequireParser(file, "a value call");
    ++file.OtherCalls;
    if (!Begun)
        Fail("a value sent before any point, station or target of the file was begun");
}

void CCheckingContext::SetPointKind(std::int32_t kind)
{
    ValueCall();
    if (kind != 0 && kind != 1)
        Fail("point kind " + std::to_string(kind));
}

void CCheckingContext::SetPointFlag(std::int32_t flag)
{
    ValueCall();
    if (flag != 0)
        Fail("point flag " + std::to_string(flag));
}

void CCheckingContext::SetPointCode(const char16_t* code)
{
    CheckedText(code, "SetPointCode");
    ValueCall();
}

// A file's parser takes the converter factory before it reads a line or sends anything;
// until then only the message of a file that cannot be opened may come.
void CCheckingContext::RequireParser(const FileSummary& file, const char* what)
{
    if (!file.FactoryAsked)
        Fail(std::string(what) + " before the file's parser took the converter factory");
    if (file.Ended)
        Fail(std::string(what) + " after the file's closing progress");
}

void CCheckingContext::Unused(int position)
{
    Fail("position " + std::to_string(position) + " of the import context called");
}

}  // namespace Fuzz
