#pragma once
// The user's choices for reading M5 lines: where the point name and code stand in the
// 27-character information text, whether the name comes from the address block, and the
// import mode. The plug-in object holds one record; each file's parser works on a copy.
#include <cstdint>
#include <string>

namespace Plugin {
class ISettingsReader;
class ISettingsWriter;
}

namespace Plugin {

struct ImportSettings {
    enum : std::int32_t { StandardHeaders = 0, SeparateMeasurements = 1 };

    bool TakePointNameFromAddr = false;
    std::int32_t PointStart = 1;
    std::int32_t PointLen = 14;
    std::int32_t CodeStart = 15;
    std::int32_t CodeLen = 13;
    std::int32_t Mode = StandardHeaders;
    std::int32_t InfoWidth = 27;  // fixed; not persisted

    // One ReadInt per key in key order, defaults equal to the field defaults; values are
    // taken unchecked. An exception of the reader passes out, leaving earlier keys read.
    void Load(ISettingsReader& reader);
    // One WriteInt per key in key order.
    void Save(ISettingsWriter& writer) const;

    // Whether the candidate layout keeps name and code apart and inside the information text
    // (only the code is examined when the name comes from the address block).
    bool IsValidLayout(bool takeFromAddr, std::int32_t pointStart, std::int32_t pointLen,
                       std::int32_t codeStart, std::int32_t codeLen) const;
    // Recomputes PointLen and CodeLen from the starts: the earlier field runs up to the later
    // one, the later one to the end of the information text.
    void FitFieldLengths();
    // The editor's sample line marking the name (P) and code (C) columns.
    std::wstring FormatSample(bool takeFromAddr, std::int32_t pointStart, std::int32_t pointLen,
                              std::int32_t codeStart, std::int32_t codeLen) const;
};

}  // namespace Plugin
