#include "parser/CParser.h"

#include <boost/format.hpp>

namespace Plugin {

namespace {

constexpr const wchar_t* TypeIdentifierTable =
    L"PI|TI|TG|KR|TR|X |x |N |N_|Y |y |E |E_|Z |SD|HD|Hz|HV|V1|V2|V3|th|ih|h |T_|T |P |Om|20|21|22|";
// "mmHg" (entry 13) was added after the instruments' own table: M3 files record the air
// pressure in millimetres of mercury, which without it would be read in the pressure unit
// last in force. It selects the Torr converter, from which it differs by less than a millionth.
constexpr const wchar_t* UnitTable = L"gon |DEG |DMS |mil |grad|m   |ft  |Torr|hPa |inHg|C   |F   |grd |mmHg|";

// A file has only a handful of distinct tokens; a damaged one may have many, so the memory
// of padded tokens stops growing here.
constexpr std::size_t MaxCachedTokens = 256;

}  // namespace

CParser::CParser(IImportContext& context, const ImportSettings& settings) : CParser(context, settings, nullptr)
{
}

CParser::CParser(IImportContext& context, const ImportSettings& settings, ReusedWork& reused)
    : CParser(context, settings, &reused)
{
}

CParser::CParser(IImportContext& context, const ImportSettings& settings, ReusedWork* reused)
    : Context(context), Settings(settings), OwnWork(reused ? nullptr : std::make_unique<ReusedWork>()),
      Reused(reused ? *reused : *OwnWork)
{
    ConverterFactory.Reset(Context.GetConverterFactory());
    if (ConverterFactory) {
        DistanceConverter.Reset(ConverterFactory->GetDistanceConverter(1));
        AngleConverter.Reset(ConverterFactory->GetAngleConverter(3));
        PressureConverter.Reset(ConverterFactory->GetPressureConverter(1));
        TemperatureConverter.Reset(ConverterFactory->GetTemperatureConverter(1));
    }
    FieldSeparator = L"|";
    TypeIdentifiers = TypeIdentifierTable;
    UnitNames = UnitTable;
}

CParser::~CParser()
{
    DiscardPendingRecord();
    ResetStation();
    KindBNames.Clear();
    // The converters, then the factory, are released by their holders in that order.
}

// Pads the token with Boost.Format ("%-2s" or "%-4s") and finds it anywhere in the table
// text: what the search finds decides the index, even across an entry's "|". The answer is
// remembered for the rest of the file.
int CParser::LookUpNew(TokenIndexCache& cache, const std::wstring& table, const wchar_t* format,
                       std::size_t entryWidth, std::wstring_view token)
{
    std::uint64_t key = 0;
    const bool isShort = PackToken(token, key);
    if (!isShort) {
        const auto known = cache.Long.find(token);
        if (known != cache.Long.end())
            return known->second;
    }
    const std::wstring padded = boost::str(boost::wformat(format) % std::wstring(token));
    const std::size_t position = table.find(padded);
    const int index = position == std::wstring::npos ? -1 : static_cast<int>(position / entryWidth);
    if (isShort && cache.ShortCount < MaxCachedTokens) {
        std::size_t slot = FirstSlot(key);
        while (cache.Short[slot].Used)
            slot = (slot + 1) % TokenIndexCache::Slots;
        cache.Short[slot] = {key, index, true};
        ++cache.ShortCount;
    } else if (!isShort && cache.Long.size() < MaxCachedTokens) {
        cache.Long.emplace(std::wstring(token), index);
    }
    return index;
}

}  // namespace Plugin
