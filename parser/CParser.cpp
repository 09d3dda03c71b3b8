#include "parser/CParser.h"

#include <boost/format.hpp>

namespace Plugin {

namespace {

constexpr const wchar_t* TypeIdentifierTable =
    L"PI|TI|TG|KR|TR|X |x |N |N_|Y |y |E |E_|Z |SD|HD|Hz|HV|V1|V2|V3|th|ih|h |T_|T |P |Om|20|21|22|";
constexpr const wchar_t* UnitTable = L"gon |DEG |DMS |mil |grad|m   |ft  |Torr|hPa |inHg|C   |F   |grd |";

// A file has only a handful of distinct tokens; a damaged one may have many, so the memory
// of padded tokens stops growing here.
constexpr std::size_t MaxCachedTokens = 256;

// Pads the token with Boost.Format ("%-2s" or "%-4s") and finds it anywhere in the table
// text: what the search finds decides the index, even across an entry's "|".
int LookUp(std::map<std::wstring, int, std::less<>>& cache, const std::wstring& table, const wchar_t* format,
           std::size_t entryWidth, std::wstring_view token)
{
    const auto known = cache.find(token);
    if (known != cache.end())
        return known->second;
    const std::wstring padded = boost::str(boost::wformat(format) % std::wstring(token));
    const std::size_t position = table.find(padded);
    const int index = position == std::wstring::npos ? -1 : static_cast<int>(position / entryWidth);
    if (cache.size() < MaxCachedTokens)
        cache.emplace(std::wstring(token), index);
    return index;
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

bool CParser::IsWhiteSpace(wchar_t c) noexcept
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

std::wstring_view CParser::TakeField(std::wstring_view& source, std::wstring_view separators)
{
    // Lines are cut at one separator character; a set of them is searched character by character.
    const std::size_t end = separators.size() == 1 ? source.find(separators.front()) : source.find_first_of(separators);
    if (end == std::wstring_view::npos) {
        const std::wstring_view token = source;
        source = std::wstring_view();
        return token;
    }
    const std::wstring_view token = source.substr(0, end);
    source.remove_prefix(end + 1);
    return token;
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
