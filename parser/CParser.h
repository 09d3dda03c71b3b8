#pragma once
// The parser of one M5 file. The import driver builds one per file, hands it every line in
// order and calls Finish after the last one. Stations, points and targets reach the host
// only when a station set-up is closed.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parser/CNameSet.h"
#include "parser/PointRecord.h"
#include "platform/WideScan.h"
#include "plugin/HostInterfaces.h"
#include "plugin/RefCounted.h"
#include "settings/ImportSettings.h"

namespace Plugin {

class CAngleDMSConverter;

class CParser {
public:
    // Ends the import of one file; thrown after the message that explains it was reported.
    struct FatalError {};

    // The index found for each distinct type identifier and unit token, so a token is padded
    // and searched once. Short tokens (all of a real file's) are kept packed in a small array.
    // The tables never change: one cache can serve the parsers of all files of an import.
    struct TokenIndexCache {
        static constexpr std::size_t Slots = 512;  // open addressing, at most half full
        struct Slot {
            std::uint64_t Key = 0;
            int Index = 0;
            bool Used = false;
        };
        std::vector<Slot> Short = std::vector<Slot>(Slots);
        std::size_t ShortCount = 0;
        std::map<std::wstring, int, std::less<>> Long;
    };
    // What the parser of one file leaves to the parser of the next: the look-ups, and the point
    // records it no longer needs, so that an import of many small files does not allocate every
    // file's records, names and codes afresh.
    struct ReusedWork {
        TokenIndexCache Types;
        TokenIndexCache Units;
        std::vector<std::unique_ptr<PointRecord>> SpareRecords;
    };

    // Takes the converter factory and the four initial converters from the context.
    CParser(IImportContext& context, const ImportSettings& settings);
    // The same, with what the parsers of earlier files left.
    CParser(IImportContext& context, const ImportSettings& settings, ReusedWork& reused);
    ~CParser();
    CParser(const CParser&) = delete;
    CParser& operator=(const CParser&) = delete;

    void ParseLine(std::int32_t lineIndex, const std::wstring& line);
    bool Finish();

    // Cutting and look-ups, shared by every part of the parser.
    static std::wstring_view TakeField(std::wstring_view& source, std::wstring_view separators);
    int LookUpTypeIdentifier(std::wstring_view token);
    int LookUpUnit(std::wstring_view token);
    // Exact, case-sensitive comparison with a literal, without a library call for the few
    // characters of a kind, a code or a header text.
    template <std::size_t N>
    static bool Equals(std::wstring_view text, const wchar_t (&literal)[N]) noexcept
    {
        if (text.size() != N - 1)
            return false;
        for (std::size_t i = 0; i + 1 < N; ++i)
            if (text[i] != literal[i])
                return false;
        return true;
    }
    // White space of the classic "C" locale: blank, tab, LF, VT, FF and CR.
    static bool IsWhiteSpace(wchar_t c) noexcept { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
    // Runs of blanks, which pad every field of a line, are skipped four characters at a time.
    static std::wstring_view TrimLeft(std::wstring_view text) noexcept
    {
        const wchar_t* begin = text.data();
        const wchar_t* const end = begin + text.size();
        for (;;) {
            begin = Platform::SkipBlanks(begin, end);
            if (begin == end || !IsWhiteSpace(*begin))
                break;
            ++begin;
        }
        return std::wstring_view(begin, static_cast<std::size_t>(end - begin));
    }
    static std::wstring_view Trim(std::wstring_view text) noexcept
    {
        text = TrimLeft(text);
        const wchar_t* const begin = text.data();
        const wchar_t* end = begin + text.size();
        for (;;) {
            end = Platform::SkipBlanksBackward(begin, end);
            if (end == begin || !IsWhiteSpace(end[-1]))
                break;
            --end;
        }
        return std::wstring_view(begin, static_cast<std::size_t>(end - begin));
    }

    // Exposed for tests of the direction correction.
    static double CorrectDirection(double direction, double correction);

private:
    CParser(IImportContext& context, const ImportSettings& settings, ReusedWork* reused);

    // Up to four characters of the basic plane, none of them NUL, packed into one number.
    static bool PackToken(std::wstring_view token, std::uint64_t& key) noexcept
    {
        if (token.size() > 4)
            return false;
        key = 0;
        for (std::size_t i = 0; i < token.size(); ++i) {
            const auto c = static_cast<std::uint32_t>(token[i]);
            if (c == 0 || c > 0xFFFF)
                return false;
            key |= std::uint64_t{c} << (16 * i);
        }
        return true;
    }
    static std::size_t FirstSlot(std::uint64_t key) noexcept
    {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 55);  // 512 slots
    }
    int LookUp(TokenIndexCache& cache, const std::wstring& table, const wchar_t* format, std::size_t entryWidth,
               std::wstring_view token);
    int LookUpNew(TokenIndexCache& cache, const std::wstring& table, const wchar_t* format, std::size_t entryWidth,
                  std::wstring_view token);

    // Line dispatch
    static bool IsMarkerBlock(std::wstring_view marker);
    [[noreturn]] void ReportFatal(int messageId, bool withoutLine);
    void ReportMessageText(const std::wstring& text);
    void ReportWarningText(const std::wstring& text);
    void DiscardPendingRecord();

    // Information block
    bool HandleInformationBlock(std::wstring_view block, std::wstring_view address);
    bool HandlePointDeclaration(std::wstring_view text, std::wstring_view address);
    bool HandleTextBlock(std::wstring_view text);
    void UpdateSettingsBlock(std::wstring_view text);
    void OpenStation(std::wstring name);
    void UpdateStationHeight();
    int NextTypeIndex();
    std::wstring_view CutField(std::wstring_view text, std::int32_t start, std::int32_t length) const;
    // Records come from and go back to a small stock, so a file of thousands of points does
    // not allocate names and codes afresh for every line.
    std::unique_ptr<PointRecord> MakeRecord(std::wstring_view name, std::wstring_view code);
    void Recycle(std::unique_ptr<PointRecord> record);
    void ApplyOrientationCorrection();

    // Value blocks
    bool ParseValueBlock(std::wstring_view block);
    void ApplyValue(int typeIndex, std::wstring_view value);
    void ApplyInstrumentHeight(double value);
    void ApplyFieldPosition(int typeIndex, std::wstring_view value);
    template <typename Converter>
    bool Convert(Converter* converter, std::wstring_view text, double& out);
    void StorePendingValue(int typeIndex, double PointRecord::*field, std::wstring_view value);

    // Units and commit
    void SelectUnit(std::wstring_view token);
    bool CommitObservation(PointRecord*& slot);

    // Station set-ups
    bool CloseStation();
    void ResetStation();
    std::wstring MakeDefaultStationName();
    std::wstring MakeUnnamedStationName();

    // Output
    bool SendPointValues(const PointRecord* record);
    bool MarkPointKind(const PointRecord* record, std::wstring_view kind);
    void SendCoordinate(const PointRecord& record, std::wstring_view axis);
    void SendText(void (IImportContext::*send)(const char16_t*), std::wstring_view text);

    IImportContext& Context;
    std::int32_t LineIndex = -1;
    CRef<IConverterFactory> ConverterFactory;
    CRef<IAngleConverter> AngleConverter;
    CRef<IDistanceConverter> DistanceConverter;
    CRef<ITemperatureConverter> TemperatureConverter;
    CRef<IPressureConverter> PressureConverter;
    ImportSettings Settings;
    std::wstring FieldSeparator;
    std::wstring TypeIdentifiers;
    std::wstring UnitNames;
    bool StartBlockOpen = false;
    bool HeaderStationActive = false;
    bool PolarActive = false;
    bool UseTargetHeight = true;
    bool HeaderSeen = false;
    std::int32_t UnnamedStationCount = 0;
    double InstrumentHeight = NotSet;
    double StationInstrumentHeight = NotSet;
    double TargetHeight = NotSet;
    double OrientationCorrection = 0;
    double Temperature = NotSet;
    double Pressure = NotSet;
    PointRecord* PendingRecord = nullptr;  // owned unless it is CurrentStation
    std::unique_ptr<PointRecord> CurrentStation;
    std::vector<std::unique_ptr<PointRecord>> Observations;
    CNameSet KindBNames;
    std::int32_t DefaultStationCount = 0;

    // Working state of the line being read, kept to avoid allocating per block.
    std::wstring_view LineRest;  // the unread rest of the line, after the blocks taken so far
    std::u16string ValueText;    // a long value token as the converters take it
    std::u16string BoundaryText; // texts passed to the host
    std::unique_ptr<ReusedWork> OwnWork;  // when none was handed over
    ReusedWork& Reused;
    CAngleDMSConverter* DmsConverter = nullptr;  // the AngleConverter when it is a DMS wrapper
};

// Looks the token up in its cache first; only a token not seen before in the file is padded
// and searched in the table.
inline int CParser::LookUp(TokenIndexCache& cache, const std::wstring& table, const wchar_t* format,
                           std::size_t entryWidth, std::wstring_view token)
{
    std::uint64_t key = 0;
    if (PackToken(token, key)) {
        for (std::size_t slot = FirstSlot(key);; slot = (slot + 1) % TokenIndexCache::Slots) {
            const TokenIndexCache::Slot& held = cache.Short[slot];
            if (!held.Used)
                break;
            if (held.Key == key)
                return held.Index;
        }
    }
    return LookUpNew(cache, table, format, entryWidth, token);
}

inline int CParser::LookUpTypeIdentifier(std::wstring_view token)
{
    return LookUp(Reused.Types, TypeIdentifiers, L"%-2s", 3, token);
}

inline int CParser::LookUpUnit(std::wstring_view token)
{
    return LookUp(Reused.Units, UnitNames, L"%-4s", 5, token);
}

inline std::wstring_view CParser::TakeField(std::wstring_view& source, std::wstring_view separators)
{
    // Blocks of a line are a few dozen characters long, where the library's search (which
    // takes eight at a time) is quickest; tokens inside a block end a few characters off.
    std::size_t end = std::wstring_view::npos;
    if (separators.size() != 1) {
        end = source.find_first_of(separators);
    } else if (source.size() > 16) {
        end = source.find(separators.front());
    } else {
        const wchar_t* const begin = source.data();
        const wchar_t* const found = Platform::FindWide(begin, begin + source.size(), separators.front());
        if (found != begin + source.size())
            end = static_cast<std::size_t>(found - begin);
    }
    if (end == std::wstring_view::npos) {
        const std::wstring_view token = source;
        source = std::wstring_view();
        return token;
    }
    const std::wstring_view token = source.substr(0, end);
    source.remove_prefix(end + 1);
    return token;
}

}  // namespace Plugin
