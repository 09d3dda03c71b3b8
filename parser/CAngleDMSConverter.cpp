#include "parser/CAngleDMSConverter.h"

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
    // The usual packed angle is a dozen characters: it is re-punctuated on the stack in one
    // pass, a point written before the third and the fifth character after the first point,
    // which is where Repunctuate inserts them. A longer text goes to Repunctuate itself.
    char16_t dotted[32];
    constexpr std::size_t Longest = std::size(dotted) - 3;  // room for two points and the NUL
    // The degrees and the first point, as they are; without a point the host is not asked.
    std::size_t length = 0;
    for (;; ++length) {
        const char16_t c = text[length];
        if (c == u'\0')
            return false;
        if (length == Longest)
            return ConvertLong(text, out);
        dotted[length] = c;
        if (c == u'.')
            break;
    }
    std::size_t written = ++length;
    for (std::size_t afterPoint = 1;; ++length, ++afterPoint) {
        const char16_t c = text[length];
        if (c == u'\0')
            break;
        if (length == Longest)
            return ConvertLong(text, out);
        if (afterPoint == 3 || afterPoint == 5)
            dotted[written++] = u'.';
        dotted[written++] = c;
    }
    dotted[written] = u'\0';
    return Inner->ConvertText(dotted, out);
}

bool CAngleDMSConverter::ConvertLong(const char16_t* text, double* out)
{
    Dotted.assign(text);
    if (!Repunctuate(Dotted))
        return false;
    return Inner->ConvertText(Dotted.c_str(), out);
}

}  // namespace Plugin
