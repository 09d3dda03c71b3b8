#pragma once
// A forward walk over a list the caller owns, handed to the host for the length of one call.
// It takes no references: the list holds the items while the enumerator lives.
#include <cstddef>
#include <vector>

#include "plugin/PropertyListInterfaces.h"

namespace Plugin {

template <typename T>
class CEnumeratorImpl final : public IEnumerator<T> {
public:
    // Positioned at the first item.
    explicit CEnumeratorImpl(const std::vector<T>& items) : Items(items) {}

    bool IsValid() override { return Position < Items.size(); }
    void MoveNext() override
    {
        if (Position < Items.size())
            ++Position;
    }
    // The item at the position, without a new reference; a value-initialised T past the end.
    T Current() override { return Position < Items.size() ? Items[Position] : T(); }
    void Reset() override { Position = 0; }

private:
    std::size_t Position = 0;
    const std::vector<T>& Items;
};

}  // namespace Plugin
