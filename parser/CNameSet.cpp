#include "parser/CNameSet.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace Plugin {

std::uint32_t CNameSet::HashOf(std::wstring_view name) noexcept
{
    // FNV-1a over the characters, then mixed, so that names that differ only in their last
    // digits spread over the whole index.
    std::uint32_t hash = 2166136261u;
    for (const wchar_t c : name) {
        hash ^= static_cast<std::uint32_t>(c);
        hash *= 16777619u;
    }
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    return hash;
}

std::size_t CNameSet::SlotOf(std::wstring_view name, std::uint32_t hash) const noexcept
{
    const std::size_t mask = Slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Slot& held = Slots[slot];
        if (held.Index == 0)
            return slot;
        if (held.Hash != hash)
            continue;
        const Entry& entry = Entries[held.Index - 1];
        if (entry.Length == name.size() &&
            std::equal(name.begin(), name.end(), Text.begin() + static_cast<std::ptrdiff_t>(entry.Offset)))
            return slot;
    }
}

bool CNameSet::Contains(std::wstring_view name) const noexcept
{
    if (Entries.empty())
        return false;
    return Slots[SlotOf(name, HashOf(name))].Index != 0;
}

void CNameSet::Prefetch(std::wstring_view name) const noexcept
{
    if (!Slots.empty())
        __builtin_prefetch(&Slots[HashOf(name) & (Slots.size() - 1)]);
}

void CNameSet::Insert(std::wstring_view name)
{
    // At most half of the slots are in use, so a search always ends at an empty one soon.
    if ((Entries.size() + 1) * 2 > Slots.size())
        Grow();
    const std::uint32_t hash = HashOf(name);
    const std::size_t slot = SlotOf(name, hash);
    if (Slots[slot].Index != 0)
        return;
    if (Entries.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    Entries.push_back({Text.size(), name.size()});
    Text.insert(Text.end(), name.begin(), name.end());
    Slots[slot] = {hash, static_cast<std::uint32_t>(Entries.size())};
}

void CNameSet::Grow()
{
    const Array<Slot> previous = std::exchange(Slots, Array<Slot>(std::max<std::size_t>(64, Slots.size() * 2)));
    const std::size_t mask = Slots.size() - 1;
    for (const Slot& held : previous) {
        if (held.Index == 0)
            continue;
        std::size_t slot = held.Hash & mask;
        while (Slots[slot].Index != 0)
            slot = (slot + 1) & mask;
        Slots[slot] = held;
    }
}

void CNameSet::Clear() noexcept
{
    Text.clear();
    Entries.clear();
    Slots.clear();
}

}  // namespace Plugin
