#include "resources/StringTable.h"

#include <new>

#include "plugin/HResultError.h"

namespace Plugin {

namespace {

struct Message {
    int Id;
    const wchar_t* Text;
};

// The wide literals are made from the table's UTF-8 texts by the compiler.
#define M5_MESSAGE(id, text) {id, L"" text},
constexpr Message Messages[] = {
#include "resources/StringTable.inc"
};
#undef M5_MESSAGE

}  // namespace

std::wstring LoadMessageText(int id)
{
    for (const Message& message : Messages) {
        if (message.Id != id)
            continue;
        try {
            return message.Text;
        } catch (const std::bad_alloc&) {
            throw HResultError(HResultError::OutOfMemory);
        }
    }
    return std::wstring();
}

}  // namespace Plugin
