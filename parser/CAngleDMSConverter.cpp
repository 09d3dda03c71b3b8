#include "parser/CAngleDMSConverter.h"

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
    Dotted.assign(text ? text : u"");
    if (!Repunctuate(Dotted))
        return false;
    return Inner->ConvertText(Dotted.c_str(), out);
}

}  // namespace Plugin
