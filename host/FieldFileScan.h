#pragma once
// A field file read the way the import reads it, for the host's own look at where its names
// and codes stand: bytes in text mode, Windows-1251 decoded, each line trimmed and cut into
// blocks at "|". It keeps the point records (kinds "PI" and "KR") with their information
// text, whether the file has station headers, and the START block of its first line. Lines
// the plug-in would refuse end the scan there, as they end the import.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Platform {
class TextModeFile;
}

namespace Host {

// The first value block of a point record, as far as it tells how the record is read in the
// separate-measurements mode.
enum class FirstValue { Other, Coordinate };

struct PointLine {
    int Line = 0;             // from 1
    std::wstring Address;     // the address block as cut
    std::wstring Text;        // the information text: the block less its first four characters
    FirstValue First = FirstValue::Other;
    bool Measured = false;    // holds a slope or horizontal distance, a direction or a vertical angle
    // The trimmed line up to and including the information block's separator, and where the
    // information text starts in it; kept for the first lines only (ShownLines).
    std::wstring Shown;
    std::size_t TextOffset = 0;
};

// A settings block opened by "START" on the first line: the columns its records "21" (code)
// and "22" (name) give, and the line of the text with "END" that closes it (0: never closed).
struct StartBlock {
    int Line = 0;
    int EndLine = 0;
    std::optional<std::int32_t> CodeStart;
    std::optional<std::int32_t> PointStart;
};

class CFieldFileScan {
public:
    // Point records kept in full; the count goes on past them. Columns show in the first
    // thousands of records of a file as well as in all of them.
    static constexpr std::size_t MaxPoints = 20000;
    static constexpr std::size_t ShownLines = 200;

    // Reads path (UTF-8 bytes, as the file system takes them); false with the reason when it
    // cannot be opened.
    bool Read(const std::string& path, std::string& reason);
    // Reads the bytes of a file already in memory (for tests).
    void Assign(const std::string& bytes);

    const std::vector<PointLine>& Points() const noexcept { return PointLines; }
    std::size_t PointCount() const noexcept { return Count; }
    bool HasStationHeaders() const noexcept { return StationHeaders; }
    const std::optional<StartBlock>& Start() const noexcept { return Block; }
    // The line (from 1) at which the plug-in refuses the file, with why; 0 when it reads it all.
    int RefusedLine() const noexcept { return Refused; }
    const std::string& Refusal() const noexcept { return RefusalText; }

private:
    void ScanLines(Platform::TextModeFile& file);
    void ScanLine(int index, std::wstring& line);
    void ScanText(int index, std::wstring_view text, std::wstring_view rest);
    void ScanPoint(int index, std::wstring_view line, std::wstring_view address, std::wstring_view info,
                   std::wstring_view rest);
    void Refuse(int index, const char* why);

    std::vector<PointLine> PointLines;
    std::size_t Count = 0;
    bool StationHeaders = false;
    std::optional<StartBlock> Block;
    bool BlockOpen = false;
    int Refused = 0;
    std::string RefusalText;
};

// The white space the plug-in trims: space, tab, LF, VT, FF, CR.
bool IsBlank(wchar_t c) noexcept;
std::wstring_view TrimBlanks(std::wstring_view text) noexcept;

}  // namespace Host
