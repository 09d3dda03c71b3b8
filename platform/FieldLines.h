#pragma once
// The lines of a field file as the plug-in's wide text, converted from the thread's ANSI code
// page. On Windows every line is converted when the file is taken (MultiByteToWideChar with
// CP_THREAD_ACP), so that a failed conversion raises HResultError before a parser exists for
// the file and the host has received nothing from one, and converted again as it is handed
// out. On Linux the stand-in's table cannot fail, and each line is decoded as it is handed
// out. Either way only one line is held as wide text at a time.
#include <cstddef>
#include <string>

#include "platform/TextModeFile.h"

namespace Platform {

class FieldLines {
public:
    // Takes the lines of the file, which must outlive this object. Throws HResultError when
    // a line cannot be converted (the last system error) or its buffer cannot be had
    // (E_OUTOFMEMORY).
    explicit FieldLines(TextModeFile& file);

    std::size_t Count() const noexcept { return Lines; }
    // The next line, from the first; each is handed out once, valid until the next call.
    // Throws as the constructor does, should a conversion that succeeded there fail now.
    const std::wstring& Next();

private:
    TextModeFile& File;
    std::size_t Lines = 0;
    std::size_t Position = 0;
    std::wstring Current;  // where each line is converted when handed out
};

// For tests of the conversion failures: replaces the system's conversion call, which has the
// arguments and result of MultiByteToWideChar and reports a failure through the thread's last
// error; null puts the system's back. Only the Windows build converts through it.
using ConversionCall = int (*)(unsigned codePage, unsigned long flags, const char* bytes, int count, wchar_t* units,
                               int capacity);
void ReplaceConversionCall(ConversionCall call) noexcept;

}  // namespace Platform
