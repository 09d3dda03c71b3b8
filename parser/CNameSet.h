#pragma once
// The set of point names that received kind "B" in a file. It only answers whether a name is
// in it; a file of hundreds of thousands of points puts a name in it for most of them, so the
// names are kept one after another in large blocks, with an open-addressing index over them
// that holds each name's hash, instead of one allocation per name: a look-up touches one
// place of the index, and the name itself only when the hash matches.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/LargeMemory.h"

namespace Plugin {

class CNameSet {
public:
    // Adds the name unless it is in the set already.
    void Insert(std::wstring_view name);
    bool Contains(std::wstring_view name) const noexcept;
    // Starts loading the part of the index where the name belongs, so that the look-ups of a
    // whole set-up's names, asked for one after another, wait for memory together, not in turn.
    void Prefetch(std::wstring_view name) const noexcept;
    std::size_t Size() const noexcept { return Entries.size(); }
    void Clear() noexcept;

private:
    struct Entry {
        std::size_t Offset;  // of the first character in Text
        std::size_t Length;
    };
    struct Slot {
        std::uint32_t Hash = 0;
        std::uint32_t Index = 0;  // 1 + the entry's index; 0 is an empty slot
    };
    static std::uint32_t HashOf(std::wstring_view name) noexcept;
    // The slot that holds the name, or the empty slot where it belongs.
    std::size_t SlotOf(std::wstring_view name, std::uint32_t hash) const noexcept;
    void Grow();

    template <typename T>
    using Array = std::vector<T, Platform::LargeArrayAllocator<T>>;
    Array<wchar_t> Text;
    Array<Entry> Entries;
    Array<Slot> Slots;
};

}  // namespace Plugin
