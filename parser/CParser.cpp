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

// Up to four characters of the basic plane, none of them NUL, packed into one number.
bool PackToken(std::wstring_view token, std::uint64_t& key)
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

}  // namespace

CParser::CParser(IImportContext& context, const ImportSettings& settings) : Context(context), Settings(settings)
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
    KindBNames.clear();
    // The converters, then the factory, are released by their holders in that order.
}

// Pads the token with Boost.Format ("%-2s" or "%-4s") and finds it anywhere in the table
// text: what the search finds decides the index, even across an entry's "|".
int CParser::LookUp(TokenIndexCache& cache, const std::wstring& table, const wchar_t* format,
                    std::size_t entryWidth, std::wstring_view token)
{
    std::uint64_t key = 0;
    const bool isShort = PackToken(token, key);
    std::size_t slot = 0;
    if (isShort) {
        slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 55);  // 512 slots
        while (cache.Short[slot].Used) {
            if (cache.Short[slot].Key == key)
                return cache.Short[slot].Index;
            slot = (slot + 1) % TokenIndexCache::Slots;
        }
    } else {
        const auto known = cache.Long.find(token);
        if (known != cache.Long.end())
            return known->second;
    }
    const std::wstring padded = boost::str(boost::wformat(format) % std::wstring(token));
    const std::size_t position = table.find(padded);
    const int index = position == std::wstring::npos ? -1 : static_cast<int>(position / entryWidth);
    if (isShort && cache.ShortCount < MaxCachedTokens) {
        cache.Short[slot] = {key, index, true};
        ++cache.ShortCount;
    }
    else if (!isShort && cache.Long.size() < MaxCachedTokens)
        cache.Long.emplace(std::wstring(token), index);
    return index;
}

int CParser::LookUpTypeIdentifier(std::wstring_view token)
{
    return LookUp(TypeIndexCache, TypeIdentifiers, L"%-2s", 3, token);
}

int CParser::LookUpUnit(std::wstring_view token)
{
    return LookUp(UnitIndexCache, UnitNames, L"%-4s", 5, token);
}

}  // namespace Plugin
