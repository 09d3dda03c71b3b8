#pragma once
// The angle converter for the unit "DMS ": re-punctuates packed degrees-minutes-seconds
// (123.4530 for 123°45'30") into dotted fields (123.45.30) and lets the host's angle
// converter for code 1 compute the angle. It computes no number itself.
#include <string>

#include "plugin/HostInterfaces.h"
#include "plugin/RefCounted.h"

namespace Plugin {

class CAngleDMSConverter : public CRefCountedImpl<IAngleConverter, 0> {
public:
    // Takes its own reference to inner, released with the wrapper.
    explicit CAngleDMSConverter(IAngleConverter* inner);
    ~CAngleDMSConverter() override;

    // False without asking the host when the text has no point; otherwise the host's answer.
    bool ConvertText(const char16_t* text, double* out) override;

    // The text handed to the host converter, or false when the text has no point.
    static bool Repunctuate(std::u16string& text);
    // Whether this wrapper hands its texts to that host converter.
    bool Wraps(const IAngleConverter* inner) const noexcept { return Inner == inner; }

private:
    bool ConvertLong(const char16_t* text, double* out);

    IAngleConverter* Inner;
    std::u16string Dotted;  // reused for every value: a wrapper belongs to one parser

};

}  // namespace Plugin
