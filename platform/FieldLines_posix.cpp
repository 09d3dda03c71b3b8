#include "platform/FieldLines.h"

#include <new>

#include "platform/CodePage.h"
#include "plugin/HResultError.h"

namespace Platform {

FieldLines::FieldLines(TextModeFile& file) : File(file), Lines(file.LineCount()) {}

const std::wstring& FieldLines::Next()
{
    ++Position;
    try {
        const std::string_view bytes = File.NextLine();
        DecodeWindows1251(bytes.data(), bytes.size(), Current);
    } catch (const std::bad_alloc&) {
        throw Plugin::HResultError(Plugin::HResultError::OutOfMemory);
    }
    return Current;
}

// The table decoder makes no system call to replace.
void ReplaceConversionCall(ConversionCall) noexcept {}

}  // namespace Platform
