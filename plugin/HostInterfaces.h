#pragma once
// Interfaces the host implements and the plug-in calls by position. Positions the plug-in
// never calls are declared as placeholders so that every used operation keeps its place.
// Texts passed in are NUL-terminated UTF-16, valid for the call only: the host copies what
// it keeps. Results are ignored unless stated.
#include <cstdint>

#include "plugin/PluginInterfaces.h"

namespace Plugin {

// Converters turn a value text in their unit into the host's internal unit (radians,
// metres, hPa, degrees Celsius). Implemented by the host, and by the plug-in's own DMS
// wrapper. ConvertText returns true and writes out when the text is a value; otherwise it
// returns false and leaves out untouched.
class IAngleConverter : public IRefCounted {
public:
    virtual bool ConvertText(const char16_t* text, double* out) = 0;
protected:
    ~IAngleConverter() = default;
};

class IDistanceConverter : public IRefCounted {
public:
    virtual bool ConvertText(const char16_t* text, double* out) = 0;
protected:
    ~IDistanceConverter() = default;
};

class IPressureConverter : public IRefCounted {
public:
    virtual bool ConvertText(const char16_t* text, double* out) = 0;
protected:
    ~IPressureConverter() = default;
};

class ITemperatureConverter : public IRefCounted {
public:
    virtual bool ConvertText(const char16_t* text, double* out) = 0;
protected:
    ~ITemperatureConverter() = default;
};

// Implemented by the host. Each operation returns a new reference that the caller releases,
// or null for a unit code the host does not know.
class IConverterFactory : public IRefCounted {
public:
    virtual IAngleConverter* GetAngleConverter(std::int32_t unitCode) = 0;
    virtual IDistanceConverter* GetDistanceConverter(std::int32_t unitCode) = 0;
    virtual IPressureConverter* GetPressureConverter(std::int32_t unitCode) = 0;
    virtual ITemperatureConverter* GetTemperatureConverter(std::int32_t unitCode) = 0;
protected:
    ~IConverterFactory() = default;
};

// Implemented by the host; not reference counted. Current returns a NUL-terminated name that
// stays valid until the next MoveNext or Reset.
class IFileNameEnumerator {
public:
    virtual bool IsValid() = 0;
    virtual void MoveNext() = 0;
    virtual const char16_t* Current() = 0;
    virtual void Reset() = 0;
protected:
    ~IFileNameEnumerator() = default;
};

// Implemented by the host; not reference counted. Receives everything an import produces.
// Value operations apply to the point, station or target begun last.
class IImportContext {
public:
    // 1: a new reference, owned (and released) by the caller.
    virtual IConverterFactory* GetConverterFactory() = 0;
    virtual void SetFileName(const char16_t* name) = 0;                 // 2
    virtual void SetCurrentLine(std::int32_t line) = 0;                  // 3: from 0; -1 none
    virtual void Unused4() = 0;                                          // 4
    virtual void ReportWarning(const char16_t* text) = 0;               // 5
    virtual void ReportMessage(const char16_t* text) = 0;               // 6
    virtual void SetProgress(float percent) = 0;                         // 7
    virtual void Unused8() = 0;                                          // 8
    virtual void AddPoint(const char16_t* name) = 0;                     // 9
    virtual void SetX(double value) = 0;                                 // 10: northing
    virtual void SetY(double value) = 0;                                 // 11: easting
    virtual void SetZ(double value) = 0;                                 // 12
    virtual void SetPointKind(std::int32_t kind) = 0;                    // 13
    virtual void SetPointFlag(std::int32_t flag) = 0;                    // 14
    virtual void Unused15() = 0;                                         // 15
    virtual void Unused16() = 0;                                         // 16
    virtual void SetPointCode(const char16_t* code) = 0;                 // 17
    virtual void AddStation(const char16_t* name) = 0;                   // 18
    virtual void Unused19() = 0;                                         // 19
    virtual void Unused20() = 0;                                         // 20
    virtual void Unused21() = 0;                                         // 21
    virtual void SetInstrumentHeight(double value) = 0;                  // 22
    virtual void Unused23() = 0;                                         // 23
    virtual void Unused24() = 0;                                         // 24
    virtual void AddTarget(const char16_t* name) = 0;                    // 25
    virtual void SetPressure(double value) = 0;                          // 26
    virtual void SetTemperature(double value) = 0;                       // 27
    virtual void Unused28() = 0;                                         // 28
    virtual void SetVerticalAngle(double value) = 0;                     // 29
    virtual void SetHorizontalAngle(double value) = 0;                   // 30
    virtual void SetTargetHeight(double value) = 0;                      // 31
    virtual void SetSlopeDistance(double value) = 0;                     // 32
    virtual void Unused33() = 0;                                         // 33
    virtual void Unused34() = 0;                                         // 34
    virtual void Unused35() = 0;                                         // 35
    virtual void SetHorizontalDistance(double value) = 0;                // 36
    virtual void SetHeightDifference(double value) = 0;                  // 37
protected:
    ~IImportContext() = default;
};

// The host's settings store, used only during LoadSettings and SaveSettings.
class ISettingsReader {
public:
    virtual void Unused1() = 0;                                          // 1
    // 2: the stored value under key, or defaultValue when the store has none.
    virtual std::int32_t ReadInt(const char16_t* key, std::int32_t defaultValue) = 0;
protected:
    ~ISettingsReader() = default;
};

class ISettingsWriter {
public:
    virtual void Unused1() = 0;                                          // 1
    virtual void WriteInt(const char16_t* key, std::int32_t value) = 0;  // 2
protected:
    ~ISettingsWriter() = default;
};

}  // namespace Plugin
