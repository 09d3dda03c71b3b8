#include "resources/StringTable.h"

#include <iterator>

#include "resources/MessageTexts.h"

namespace Plugin {

namespace {

constexpr int FirstId = StringTableTexts[0].Id;
constexpr int Count = static_cast<int>(std::size(StringTableTexts));

constexpr bool IdsFollowEachOther()
{
    for (int i = 0; i < Count; ++i)
        if (StringTableTexts[i].Id != FirstId + i)
            return false;
    return true;
}
static_assert(IdsFollowEachOther(), "the string table is looked up by id - FirstId");

}  // namespace

std::wstring LoadMessageText(int id)
{
    if (id < FirstId || id >= FirstId + Count)
        return std::wstring();
    return StringTableTexts[id - FirstId].Text;
}

}  // namespace Plugin
