#pragma once
// The host's unit converters: value texts in the file's units become the host's internal
// units (radians, metres, hPa, degrees Celsius). A text is an optional sign, then digits
// with at most one decimal point; anything else, and any value a double cannot hold, is
// refused and leaves the output untouched.
#include <optional>
#include <string_view>

#include "plugin/HostInterfaces.h"

namespace Host {

// Strict decimal reading shared by every converter.
std::optional<double> ParseDecimal(std::string_view text);
// Dotted degrees-minutes-seconds "D.MM.SS.f", in degrees.
std::optional<double> ParseDottedDms(std::string_view text);

enum class ValueQuantity { Angle, Distance, Pressure, Temperature };

// Why a converter refused a text.
enum class Refusal {
    NotANumber,           // not a sign, digits and at most one decimal point
    NotDottedDms,         // not degrees with dotted minutes, seconds and fraction
    SixtyOrMore,          // dotted minutes or seconds of 60 or more
    OutOfRange,           // well formed, but beyond what a double holds
};

// Why the converter of that quantity and unit code refused text; asked only after a refusal.
Refusal ExplainRefusal(ValueQuantity quantity, int code, std::string_view text);

// Told of every value text that a converter of the factory refuses, as the plug-in passed it
// (UTF-8). The plug-in then leaves the value out; the host only reports it.
class IRefusedValueSink {
public:
    virtual ~IRefusedValueSink() = default;
    virtual void OnRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why) = 0;
};

// The conversion a converter of a given quantity and unit code performs on a UTF-8 text;
// empty for a refused text. Exposed for tests.
std::optional<double> ConvertAngle(int code, std::string_view text);
std::optional<double> ConvertDistance(int code, std::string_view text);
std::optional<double> ConvertPressure(int code, std::string_view text);
std::optional<double> ConvertTemperature(int code, std::string_view text);

// The factory the host hands to the plug-in. Counts every reference it and its converters
// hand out, so a run can prove that the plug-in released all it obtained.
class CConverterFactory final : public Plugin::IConverterFactory {
public:
    // A new factory with one reference held by the caller; refusals, when given, hears of
    // every text its converters refuse and must outlive them.
    static CConverterFactory* Create(IRefusedValueSink* refusals = nullptr);

    void AddRef() override;
    bool Release() override;
    Plugin::IAngleConverter* GetAngleConverter(std::int32_t unitCode) override;
    Plugin::IDistanceConverter* GetDistanceConverter(std::int32_t unitCode) override;
    Plugin::IPressureConverter* GetPressureConverter(std::int32_t unitCode) override;
    Plugin::ITemperatureConverter* GetTemperatureConverter(std::int32_t unitCode) override;

    // References to converters and to the factory that are still held outside the host,
    // taken and released on the calling thread (0 when every reference it obtained was
    // released).
    static long OutstandingReferences() noexcept;

private:
    explicit CConverterFactory(IRefusedValueSink* refusals) : Refusals(refusals) {}
    ~CConverterFactory();
    // One converter per quantity and unit code, made on first request and handed out as a
    // new reference each time: a file switches units on nearly every value block.
    template <typename Interface>
    Interface* Share(Interface*& slot, ValueQuantity quantity, int code, bool known);

    IRefusedValueSink* Refusals;
    int Count = 0;
    static constexpr int Codes = 6;
    Plugin::IAngleConverter* Angles[Codes] = {};
    Plugin::IDistanceConverter* Distances[Codes] = {};
    Plugin::IPressureConverter* Pressures[Codes] = {};
    Plugin::ITemperatureConverter* Temperatures[Codes] = {};
};

}  // namespace Host
