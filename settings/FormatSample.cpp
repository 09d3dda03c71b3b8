#include <algorithm>

#include "settings/ImportSettings.h"

namespace Plugin {

namespace {

// The record as the sample shows it: marker and address blocks, then the kind "PI1 ".
// With the name taken from the address block the address digits stand for the name.
constexpr const wchar_t* HeadWithAddressName = L"Формат:\nFor M5| Adr PPPPP| PI1   ";
constexpr const wchar_t* HeadWithColumnName = L"Формат:\nFor M5| Adr 00001| PI1   ";
constexpr const wchar_t* InvalidBody = L"НЕКОРРЕКТНЫЙ ФОРМАТ!!!";

// Marks columns start .. start + length - 1 (from 1) of the information text; a length of
// 0 or less marks nothing, and columns outside the text are not touched.
void MarkColumns(std::wstring& body, std::int32_t start, std::int32_t length, wchar_t letter)
{
    const std::int64_t first = std::max<std::int64_t>(start, 1);
    const std::int64_t last = std::min<std::int64_t>(std::int64_t{start} + length - 1,
                                                     static_cast<std::int64_t>(body.size()));
    for (std::int64_t column = first; column <= last; ++column)
        body[static_cast<std::size_t>(column - 1)] = letter;
}

}  // namespace

std::wstring ImportSettings::FormatSample(bool takeFromAddr, std::int32_t pointStart, std::int32_t pointLen,
                                          std::int32_t codeStart, std::int32_t codeLen) const
{
    std::wstring sample = takeFromAddr ? HeadWithAddressName : HeadWithColumnName;
    if (!IsValidLayout(takeFromAddr, pointStart, pointLen, codeStart, codeLen))
        return sample + InvalidBody;
    std::wstring body(static_cast<std::size_t>(std::max(InfoWidth, 0)), L'*');
    if (!takeFromAddr)
        MarkColumns(body, pointStart, pointLen, L'P');
    MarkColumns(body, codeStart, codeLen, L'C');
    return sample + body;
}

}  // namespace Plugin
