#include "resources/StringTable.h"

#include <new>
#include <windows.h>

#include "plugin/HResultError.h"

// The module this code is linked into: the plug-in's DLL, or a test program that carries the
// same resources.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace Plugin {

namespace {

// Entry id mod 16 of string block id / 16 + 1: each entry is a 16-bit length followed by that
// many UTF-16 units, without terminator. Null (and length 0) when the block does not exist.
const wchar_t* FindEntry(int id, std::size_t& length)
{
    length = 0;
    if (id < 0 || id / 16 + 1 > 0xFFFF)
        return nullptr;
    const auto module = reinterpret_cast<HMODULE>(&__ImageBase);
    const HRSRC block = ::FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                          MAKEINTRESOURCEW(id / 16 + 1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    const HGLOBAL loaded = block ? ::LoadResource(module, block) : nullptr;
    const auto* entry = static_cast<const wchar_t*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!entry)
        return nullptr;
    const auto* end = entry + ::SizeofResource(module, block) / sizeof(wchar_t);
    for (int skip = id % 16; skip > 0 && entry < end; --skip)
        entry += 1 + static_cast<std::uint16_t>(*entry);
    if (entry >= end)
        return nullptr;
    length = static_cast<std::uint16_t>(*entry);
    return entry + 1;
}

}  // namespace

std::wstring LoadMessageText(int id)
{
    std::size_t length = 0;
    const wchar_t* units = FindEntry(id, length);
    if (!units || length == 0)
        return std::wstring();
    try {
        return std::wstring(units, length);
    } catch (const std::bad_alloc&) {
        throw HResultError(HResultError::OutOfMemory);
    }
}

}  // namespace Plugin
