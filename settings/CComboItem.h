#pragma once
// One choice of a choice property in the host's property list: its number and its caption.
// The controller creates the items for one AddComboProperty call and releases them after it,
// so an item outlives that call only by a reference the view took for itself.
#include <cstdint>
#include <string>
#include <utility>

#include "plugin/PropertyListInterfaces.h"
#include "plugin/RefCounted.h"
#include "plugin/SystemStrings.h"

namespace Plugin::Detail {

class CComboItem final : public CRefCountedImpl<IComboItem, 0> {
public:
    CComboItem(std::int32_t value, std::wstring caption) : Value(value), Caption(std::move(caption)) {}

    std::int32_t GetValue() override { return Value; }
    // A new system string on every call; the caller frees it. Null when it cannot be allocated.
    char16_t* GetText() override { return AllocSystemString(Caption); }

private:
    std::int32_t Value;
    std::wstring Caption;
};

}  // namespace Plugin::Detail
