#include "tests/support/RecordingHost.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "host/Converters.h"
#include "platform/Utf16.h"

namespace Testing {

namespace {

template <typename T>
std::string Shortest(T value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::optional<double> FakeConversion(const std::string& quantity, int code, const std::string& text)
{
    if (quantity == "angle" && code == 1) {
        const auto degrees = Host::ParseDottedDms(text);
        return degrees;
    }
    const auto value = Host::ParseDecimal(text);
    if (value && quantity == "distance" && code == 1)
        return *value * 0.3048;
    return value;
}

class CFakeFactory;

template <typename Interface>
class CFakeConverter final : public Interface {
public:
    CFakeConverter(CRecordingHost& host, std::string quantity, int code)
        : Host(host), Quantity(std::move(quantity)), Code(code) { ++Host.Live; }
    void AddRef() override { ++Count; ++Host.Outstanding; }
    bool Release() override
    {
        --Host.Outstanding;
        if (--Count != 0)
            return false;
        --Host.Live;
        delete this;
        return true;
    }
    bool ConvertText(const char16_t* text, double* out) override
    {
        const std::string utf8 = Utf8(text);
        const auto value = FakeConversion(Quantity, Code, utf8);
        Host.ConverterLog.push_back("Convert " + Quantity + " " + std::to_string(Code) + " " + utf8 + " -> " +
                                    (value ? Number(*value) : "refused"));
        if (!value)
            return false;
        *out = *value;
        return true;
    }
private:
    ~CFakeConverter() = default;
    CRecordingHost& Host;
    std::string Quantity;
    int Code;
    int Count = 0;
};

class CFakeFactory final : public Plugin::IConverterFactory {
public:
    explicit CFakeFactory(CRecordingHost& host) : Host(host) { ++Host.Live; }
    void AddRef() override { ++Count; ++Host.Outstanding; }
    bool Release() override
    {
        --Host.Outstanding;
        if (--Count != 0)
            return false;
        --Host.Live;
        delete this;
        return true;
    }
    Plugin::IAngleConverter* GetAngleConverter(std::int32_t code) override { return Make<Plugin::IAngleConverter>("angle", code); }
    Plugin::IDistanceConverter* GetDistanceConverter(std::int32_t code) override { return Make<Plugin::IDistanceConverter>("distance", code); }
    Plugin::IPressureConverter* GetPressureConverter(std::int32_t code) override { return Make<Plugin::IPressureConverter>("pressure", code); }
    Plugin::ITemperatureConverter* GetTemperatureConverter(std::int32_t code) override { return Make<Plugin::ITemperatureConverter>("temperature", code); }
private:
    template <typename Interface>
    Interface* Make(const std::string& quantity, int code)
    {
        const std::string request = quantity + " " + std::to_string(code);
        Host.ConverterLog.push_back("Get " + request);
        if (Host.MissingConverters.count(request))
            return nullptr;
        auto* converter = new CFakeConverter<Interface>(Host, quantity, code);
        converter->AddRef();
        return converter;
    }
    ~CFakeFactory() = default;
    CRecordingHost& Host;
    int Count = 0;
};

}  // namespace

std::string Number(double value) { return Shortest(value); }
std::string Number(float value) { return Shortest(value); }

std::string Utf8(const char16_t* text)
{
    return Platform::Utf16ToUtf8(text);
}

std::u16string Utf16(const std::string& utf8)
{
    return Platform::Utf8ToUtf16(utf8);
}

CRecordingHost::CRecordingHost() = default;
CRecordingHost::~CRecordingHost() = default;

std::string CRecordingHost::Transcript() const
{
    std::string text;
    for (const std::string& call : Calls)
        text += call + "\n";
    return text;
}

std::vector<std::string> CRecordingHost::CallsOf(const std::set<std::string>& operations) const
{
    std::vector<std::string> selected;
    for (const std::string& call : Calls) {
        if (operations.count(call.substr(0, call.find(' '))))
            selected.push_back(call);
    }
    return selected;
}

void CRecordingHost::Text(const char* op, const char16_t* text)
{
    Calls.push_back(std::string(op) + " " + Utf8(text));
}

void CRecordingHost::Value(const char* op, double value)
{
    Calls.push_back(std::string(op) + " " + Number(value));
}

Plugin::IConverterFactory* CRecordingHost::GetConverterFactory()
{
    Calls.push_back("GetConverterFactory");
    if (NoFactory)
        return nullptr;
    auto* factory = new CFakeFactory(*this);
    factory->AddRef();
    return factory;
}

void CRecordingHost::SetFileName(const char16_t* name) { Text("SetFileName", name); }
void CRecordingHost::SetCurrentLine(std::int32_t line)
{
    if (RecordProgress || line < 0)
        Calls.push_back("SetCurrentLine " + std::to_string(line));
}
void CRecordingHost::ReportWarning(const char16_t* text) { Text("ReportWarning", text); }
void CRecordingHost::ReportMessage(const char16_t* text) { Text("ReportMessage", text); }
void CRecordingHost::SetProgress(float percent)
{
    if (RecordProgress)
        Calls.push_back("SetProgress " + Number(percent));
}
void CRecordingHost::AddPoint(const char16_t* name) { Text("AddPoint", name); }
void CRecordingHost::SetX(double value) { Value("SetX", value); }
void CRecordingHost::SetY(double value) { Value("SetY", value); }
void CRecordingHost::SetZ(double value) { Value("SetZ", value); }
void CRecordingHost::SetPointKind(std::int32_t kind) { Calls.push_back("SetPointKind " + std::to_string(kind)); }
void CRecordingHost::SetPointFlag(std::int32_t flag) { Calls.push_back("SetPointFlag " + std::to_string(flag)); }
void CRecordingHost::SetPointCode(const char16_t* code) { Text("SetPointCode", code); }
void CRecordingHost::AddStation(const char16_t* name) { Text("AddStation", name); }
void CRecordingHost::SetInstrumentHeight(double value) { Value("SetInstrumentHeight", value); }
void CRecordingHost::AddTarget(const char16_t* name) { Text("AddTarget", name); }
void CRecordingHost::SetPressure(double value) { Value("SetPressure", value); }
void CRecordingHost::SetTemperature(double value) { Value("SetTemperature", value); }
void CRecordingHost::SetVerticalAngle(double value) { Value("SetVerticalAngle", value); }
void CRecordingHost::SetHorizontalAngle(double value) { Value("SetHorizontalAngle", value); }
void CRecordingHost::SetTargetHeight(double value) { Value("SetTargetHeight", value); }
void CRecordingHost::SetSlopeDistance(double value) { Value("SetSlopeDistance", value); }
void CRecordingHost::SetHorizontalDistance(double value) { Value("SetHorizontalDistance", value); }
void CRecordingHost::SetHeightDifference(double value) { Value("SetHeightDifference", value); }

std::int32_t CFakeSettingsStore::ReadInt(const char16_t* key, std::int32_t defaultValue)
{
    const std::string name = Utf8(key);
    Log.push_back("ReadInt " + name + " " + std::to_string(defaultValue));
    const auto found = Values.find(name);
    return found == Values.end() ? defaultValue : found->second;
}

void CFakeSettingsStore::WriteInt(const char16_t* key, std::int32_t value)
{
    const std::string name = Utf8(key);
    Log.push_back("WriteInt " + name + " " + std::to_string(value));
    Values[name] = value;
}

CFakeFileList::CFakeFileList(std::vector<std::string> names)
{
    for (const std::string& name : names)
        Names.push_back(Utf16(name));
}

bool CFakeFileList::IsValid()
{
    Log.push_back("IsValid");
    return Position < Names.size();
}

void CFakeFileList::MoveNext()
{
    Log.push_back("MoveNext");
    if (Position < Names.size())
        ++Position;
}

const char16_t* CFakeFileList::Current()
{
    Log.push_back("Current");
    return Position < Names.size() ? Names[Position].c_str() : nullptr;
}

void CFakeFileList::Reset()
{
    Log.push_back("Reset");
    Position = 0;
}

}  // namespace Testing
