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
    // which is where Repunctuate inserts them.
    char16_t dotted[32];
    constexpr std::size_t Longest = std::size(dotted) - 3;  // room for two points and the NUL
    std::size_t written = 0;
    std::size_t afterPoint = 0;  // characters since the first point, 0 before it
    bool point = false;
    std::size_t length = 0;
    for (; text[length] != u'\0'; ++length) {
        if (length == Longest) {
            Dotted.assign(text);
            if (!Repunctuate(Dotted))
                return false;
            return Inner->ConvertText(Dotted.c_str(), out);
        }
        if (point && (++afterPoint == 3 || afterPoint == 5))
            dotted[written++] = u'.';
        dotted[written++] = text[length];
        point = point || text[length] == u'.';
    }
    if (!point)
        return false;
    dotted[written] = u'\0';
    return Inner->ConvertText(dotted, out);
}

}  // namespace Plugin
