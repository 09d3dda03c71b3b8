#include "platform/FieldLines.h"

#include <climits>
#include <memory>
#include <new>
#include <windows.h>

#include "plugin/HResultError.h"

namespace Platform {

namespace {

int SystemConversion(unsigned codePage, unsigned long flags, const char* bytes, int count, wchar_t* units,
                     int capacity)
{
    return ::MultiByteToWideChar(codePage, flags, bytes, count, units, capacity);
}

ConversionCall Convert = SystemConversion;

Plugin::HResultError LastError()
{
    return Plugin::HResultError::FromLastError(static_cast<std::int32_t>(::GetLastError()));
}

std::unique_ptr<wchar_t[]> HeapBuffer(int units)
{
    if (units < 0)
        throw Plugin::HResultError(Plugin::HResultError::InvalidArg);
    wchar_t* buffer = new (std::nothrow) wchar_t[static_cast<std::size_t>(units)];
    if (!buffer)
        throw Plugin::HResultError(Plugin::HResultError::OutOfMemory);
    return std::unique_ptr<wchar_t[]>(buffer);
}

// One line from the thread's ANSI code page into text, or only tried where text is null: 128
// units on the stack, a longer line a heap buffer of its byte count plus one; a buffer the
// system finds too small is grown to the size it asks for and the conversion repeated once.
// Any other failure is the last error.
void ConvertLine(std::string_view bytes, std::wstring* text)
{
    if (bytes.empty()) {
        if (text)
            text->clear();
        return;
    }
    if (bytes.size() >= INT_MAX)
        throw Plugin::HResultError(Plugin::HResultError::InvalidArg);
    const int count = static_cast<int>(bytes.size());
    wchar_t onStack[128];
    std::unique_ptr<wchar_t[]> onHeap;
    wchar_t* buffer = onStack;
    int capacity = 128;
    if (count + 1 > capacity) {
        capacity = count + 1;
        onHeap = HeapBuffer(capacity);
        buffer = onHeap.get();
    }
    int converted = Convert(CP_THREAD_ACP, 0, bytes.data(), count, buffer, capacity);
    if (converted == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        capacity = Convert(CP_THREAD_ACP, 0, bytes.data(), count, nullptr, 0);
        if (capacity <= 0)
            throw LastError();
        onHeap = HeapBuffer(capacity);
        buffer = onHeap.get();
        converted = Convert(CP_THREAD_ACP, 0, bytes.data(), count, buffer, capacity);
    }
    if (converted <= 0)
        throw LastError();
    if (!text)
        return;
    try {
        text->assign(buffer, static_cast<std::size_t>(converted));
    } catch (const std::bad_alloc&) {
        throw Plugin::HResultError(Plugin::HResultError::OutOfMemory);
    }
}

}  // namespace

// Every line is converted once before the parser exists, so that a line the system cannot
// convert ends the import before the host has received anything from a parser. The texts are
// not kept: a list of a wide string per line takes more than twice the file's size, on top of
// the file itself. Each line is converted again when it is handed out.
FieldLines::FieldLines(TextModeFile& file) : File(file), Lines(file.LineCount())
{
    std::size_t offset = 0;
    for (std::size_t i = 0; i < Lines; ++i)
        ConvertLine(File.LineAt(offset), nullptr);
}

const std::wstring& FieldLines::Next()
{
    if (Position >= Lines) {
        Current.clear();
        return Current;
    }
    ++Position;
    ConvertLine(File.NextLine(), &Current);
    return Current;
}

void ReplaceConversionCall(ConversionCall call) noexcept
{
    Convert = call ? call : SystemConversion;
}

}  // namespace Platform
