// Feeds arbitrary bytes to the plug-in as an M5 file, through the interface a host uses:
// CreatePlugin, LoadSettings, Import, Release. The first byte chooses the settings and the
// host; the rest is the file. The checking host fails the run on anything a host could not
// live with; the harness adds what can only be judged once the import is over.
//
// The first byte, bit by bit:
//   bits 0-1  import mode: 0, 1 or 2 (3 counts as 2)
//   bit 2     TakePointNameFromAddr
//   bit 3     code before name: code in columns 1-14, name in columns 15-27
//   bits 4-6  0x60: the host has no converter factory; 0x70: its factory knows no unit code;
//             anything else: a host with every converter
// So "@" is mode 0 with the defaults, "A" mode 1, "B" mode 2, "D" mode 0 with names from the
// address block.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz/CheckingHost.h"
#include "fuzz/FuzzCheck.h"
#include "platform/Utf16.h"
#include "plugin/HostInterfaces.h"
#include "plugin/PluginInterfaces.h"

namespace {

struct Choice {
    std::int32_t Mode;
    bool NameFromAddress;
    bool CodeFirst;
    Fuzz::ConverterSupply Supply;
};

Choice Decode(std::uint8_t byte)
{
    Choice choice{};
    choice.Mode = (byte & 3) == 3 ? 2 : byte & 3;
    choice.NameFromAddress = (byte & 0x04) != 0;
    choice.CodeFirst = (byte & 0x08) != 0;
    const int host = byte & 0x70;
    choice.Supply = host == 0x60   ? Fuzz::ConverterSupply::NoFactory
                    : host == 0x70 ? Fuzz::ConverterSupply::NoConverters
                                   : Fuzz::ConverterSupply::All;
    return choice;
}

// The lines of the file as text mode cuts them, counted independently of the reader: the
// data end at the first 0x1A, every LF ends a line, and a last line without LF still counts.
long CountLines(const std::uint8_t* data, std::size_t size)
{
    long lines = 0;
    for (std::size_t i = 0; i < size && data[i] != 0x1A; ++i) {
        const bool lastByte = i + 1 == size || data[i + 1] == 0x1A;
        if (data[i] == '\n' || lastByte)
            ++lines;
    }
    return lines;
}

// The host's settings store as the choice gives it.
class CChosenSettings final : public Plugin::ISettingsReader {
public:
    explicit CChosenSettings(const Choice& choice) : Chosen(choice) {}
    void Unused1() override { Fuzz::Fail("position 1 of the settings reader called"); }
    std::int32_t ReadInt(const char16_t* key, std::int32_t defaultValue) override
    {
        const std::u16string_view name(key ? key : u"", Platform::Utf16Length(key));
        if (name == u"Mode")
            return Chosen.Mode;
        if (name == u"TakePointNameFromAddr")
            return Chosen.NameFromAddress ? 1 : 0;
        if (!Chosen.CodeFirst)
            return defaultValue;
        if (name == u"CodeStart")
            return 1;
        if (name == u"CodeLen")
            return 14;
        if (name == u"PointStart")
            return 15;
        if (name == u"PointLen")
            return 13;
        return defaultValue;
    }
private:
    Choice Chosen;
};

class CFileList final : public Plugin::IFileNameEnumerator {
public:
    explicit CFileList(std::vector<std::u16string> names) : Names(std::move(names)) {}
    bool IsValid() override { return Position < Names.size(); }
    void MoveNext() override { ++Position; }
    const char16_t* Current() override
    {
        Fuzz::Require(Position < Names.size(), "Current asked past the end of the file list");
        return Names[Position].c_str();
    }
    void Reset() override { Position = 0; }
private:
    std::vector<std::u16string> Names;
    std::size_t Position = 0;
};

// One scratch file per process, in memory where the system offers it; removed at exit.
class CScratchFile {
public:
    CScratchFile()
    {
        const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        Path = folder + "/m5-import-fuzz-" + std::to_string(::getpid()) + ".m5";
    }
    ~CScratchFile() { std::remove(Path.c_str()); }
    void Write(const std::uint8_t* data, std::size_t size) const
    {
        std::FILE* file = std::fopen(Path.c_str(), "wb");
        Fuzz::Require(file != nullptr, "cannot write the scratch file");
        const bool written = std::fwrite(data, 1, size, file) == size;
        Fuzz::Require(std::fclose(file) == 0 && written, "cannot write the scratch file");
    }
    std::string Path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const CScratchFile scratch;
    const Choice choice = Decode(data[0]);
    scratch.Write(data + 1, size - 1);

    Fuzz::CCheckingContext context(choice.Supply);
    context.ExpectLines(CountLines(data + 1, size - 1));
    CChosenSettings settings(choice);
    // The file, then a name that cannot be opened: the second file must be announced,
    // reported and left without a parser, whatever the first did.
    CFileList files({Platform::Utf8ToUtf16(scratch.Path), Platform::Utf8ToUtf16(scratch.Path + ".absent")});

    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    Fuzz::Require(plugin != nullptr, "CreatePlugin returned no object");
    plugin->LoadSettings(&settings);
    try {
        plugin->Import(&files, &context);
    } catch (...) {
        Fuzz::Fail("an exception left Import on a readable file");
    }
    context.EndImport();
    Fuzz::Require(plugin->Release(), "the plug-in object outlived its only reference");

    Fuzz::Require(context.Files.size() == 2, "not every file of the list was announced");
    Fuzz::Require(context.Files[0].FactoryAsked, "a readable file was not parsed");
    const Fuzz::FileSummary& absent = context.Files[1];
    Fuzz::Require(!absent.FactoryAsked && absent.Messages == 1 && absent.Warnings == 0 && absent.OtherCalls == 0,
                  "a file that cannot be opened got more than its one message");
    return 0;
}
