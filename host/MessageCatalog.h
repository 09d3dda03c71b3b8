#pragma once
// The texts m5import shows, in the reader's language. The plug-in reports Russian texts from
// its string table, or fixed ones, with a name filled in here and there; the host recognises
// each by matching the plug-in's own Russian texts and shows the English one beside which it
// is kept, with the same name in its place. A text the host does not know is shown as it
// came. The host's own warnings are written here in both languages.
#include <optional>
#include <string>
#include <string_view>

#include "host/Converters.h"
#include "host/Language.h"

namespace Host {

// The made-up-station notice has no string-table id.
constexpr int DefaultStationNoticeId = 0;

struct KnownMessage {
    int Id = DefaultStationNoticeId;  // string-table id, 101 to 123
    std::string Argument;             // the name the text carries (119, the notice), else empty
};

// Which of the plug-in's texts this is (UTF-8, as reported); empty for a text it never sends.
std::optional<KnownMessage> RecogniseMessage(std::string_view text);
// The English text of a plug-in text; empty when the text is not one the host knows.
std::string EnglishMessage(std::string_view text);
// A plug-in text as the reader is to see it: as sent in Russian, in English when known.
std::string ShowMessage(std::string_view text, Language language);

// `distance "33,887" is not a number`: a value a converter refused.
std::string DescribeRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why, Language language);
// `… and 135 more like this`, the line that stands for the repeats of a message not shown.
std::string MoreLikeThis(long long count, Language language);
// `lines 57-1203`: where the repeats were.
std::string LineRange(long long first, long long last, Language language);

}  // namespace Host
