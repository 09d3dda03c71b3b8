#include "import/ImportDriver.h"

#include "parser/CParser.h"
#include "platform/FieldLines.h"
#include "platform/TextModeFile.h"
#include "plugin/HostInterfaces.h"
#include "plugin/SystemStrings.h"
#include "resources/StringTable.h"

namespace Plugin {

namespace {

// What the files of one import share: the buffer for their bytes, whose memory is taken from
// the system once rather than again for each of many small files, and the look-ups of type
// identifiers and units, which do not depend on the file.
struct SharedWork {
    Platform::TextModeFile File;
    CParser::ReusedWork Reused;
};

void ImportFile(const std::u16string& name, IImportContext& context, const ImportSettings& settings,
                SharedWork& shared);

}  // namespace

void ImportFiles(IFileNameEnumerator& files, IImportContext& context, const ImportSettings& settings)
{
    SharedWork shared;
    files.Reset();
    while (files.IsValid()) {
        const char16_t* current = files.Current();
        const std::u16string name(current ? current : u"");
        ImportFile(name, context, settings, shared);
        files.MoveNext();
    }
}

void ImportFile(const std::u16string& name, IImportContext& context, const ImportSettings& settings)
{
    SharedWork shared;
    ImportFile(name, context, settings, shared);
}

namespace {

// The lines are taken, and on Windows converted, before the parser is built: a conversion
// failure leaves the import before the host has heard anything of the file but its name.
void ParseLines(Platform::TextModeFile& file, IImportContext& context, const ImportSettings& settings,
                CParser::ReusedWork& reused)
{
    Platform::FieldLines lines(file);
    CParser parser(context, settings, reused);
    const std::size_t count = lines.Count();
    const float total = static_cast<float>(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::wstring& line = lines.Next();
        context.SetCurrentLine(static_cast<std::int32_t>(i));
        parser.ParseLine(static_cast<std::int32_t>(i), line);
        // Both operands become floats before the division, so the last line gives exactly 100.
        context.SetProgress(static_cast<float>((i + 1) * 100) / total);
    }
    parser.Finish();
}

void ImportFile(const std::u16string& name, IImportContext& context, const ImportSettings& settings,
                SharedWork& shared)
{
    context.SetFileName(name.c_str());
    Platform::TextModeFile& file = shared.File;
    if (!file.Read(name)) {
        const CBoundaryText message(LoadMessageText(IdCannotOpenFile));
        context.ReportMessage(message.c_str());
        return;
    }
    try {
        ParseLines(file, context, settings, shared.Reused);
    } catch (const CParser::FatalError&) {
        // The parser has reported why; what it sent before stays with the host.
    }
    context.SetProgress(100.0f);
}

}  // namespace

}  // namespace Plugin
