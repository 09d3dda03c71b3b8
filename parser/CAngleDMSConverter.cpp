#include "parser/CAngleDMSConverter.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace Plugin {

CAngleDMSConverter::CAngleDMSConverter(IAngleConverter* inner) : Inner(inner)
{
    Inner->AddRef();
}

CAngleDMSConverter::~CAngleDMSConverter()
{
    Inner->Release();
}

bool CAngleDMSConverter::Repunctuate(std::u16string& text)
{
    const std::size_t point = text.find(u'.');
    if (point == std::u16string::npos)
        return false;
    // Counted once, on the input: minutes are the two characters after the point, seconds
    // the next two, and anything further is the fraction of the seconds.
    const std::size_t after = text.size() - point - 1;
    if (after > 2)
        text.insert(point + 3, 1, u'.');
    if (after > 4)
        text.insert(point + 6, 1, u'.');
    return true;
}

bool CAngleDMSConverter::ConvertText(const char16_t* text, double* out)
{
    if (!text)
        text = u"";
    // The usual packed angle is a dozen characters: it is re-punctuated on the stack, the same
    // as Repunctuate does it.
    char16_t dotted[32];
    constexpr std::size_t Longest = std::size(dotted) - 3;  // room for two points and the NUL
    std::size_t length = 0;
    while (length <= Longest && text[length] != u'\0')
        ++length;
    if (length > Longest) {
        Dotted.assign(text);
        if (!Repunctuate(Dotted))
            return false;
        return Inner->ConvertText(Dotted.c_str(), out);
    }
    const char16_t* const point = std::char_traits<char16_t>::find(text, length, u'.');
    if (!point)
        return false;
    const char16_t* const end = text + length;
    const char16_t* const seconds = std::min(point + 3, end);
    const char16_t* const fraction = std::min(point + 5, end);
    char16_t* target = std::copy(text, seconds, dotted);
    if (seconds != end) {
        *target++ = u'.';
        target = std::copy(seconds, fraction, target);
        if (fraction != end) {
            *target++ = u'.';
            target = std::copy(fraction, end, target);
        }
    }
    *target = u'\0';
    return Inner->ConvertText(dotted, out);
}

}  // namespace Plugin
