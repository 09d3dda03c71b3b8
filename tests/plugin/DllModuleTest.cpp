// m5plugin.dll as a Windows host meets it: one export, imports from Windows' own DLLs only,
// the identifier slot callable as the Microsoft compiler calls it, and the resources.
#include <algorithm>
#include <cstring>
#include <windows.h>

#include <gtest/gtest.h>

#include "host/PluginLibrary.h"
#include "platform/Utf16.h"
#include "plugin/PluginInterfaces.h"
#include "resources/StringTable.h"

namespace {

std::wstring Wide(const std::string& utf8)
{
    const std::u16string units = Platform::Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

class LoadedPlugin : public ::testing::Test {
protected:
    void SetUp() override
    {
        Module = ::LoadLibraryW(Wide(M5PLUGIN_PATH).c_str());
        ASSERT_NE(Module, nullptr) << "error " << ::GetLastError();
    }
    void TearDown() override
    {
        if (Module)
            ::FreeLibrary(Module);
    }

    const IMAGE_DATA_DIRECTORY& Directory(int index) const
    {
        const auto* base = reinterpret_cast<const unsigned char*>(Module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
        return nt->OptionalHeader.DataDirectory[index];
    }
    template <typename T>
    const T* At(DWORD rva) const
    {
        return reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(Module) + rva);
    }

    HMODULE Module = nullptr;
};

TEST_F(LoadedPlugin, ExportsOnlyCreatePlugin)
{
    const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(directory.VirtualAddress, 0u);
    const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress);
    EXPECT_EQ(exports->NumberOfFunctions, 1u);
    ASSERT_EQ(exports->NumberOfNames, 1u);
    EXPECT_STREQ(At<char>(*At<DWORD>(exports->AddressOfNames)), "CreatePlugin");
}

// The C++ run-time, libgcc and winpthread are linked in: nothing beyond what Windows ships.
TEST_F(LoadedPlugin, ImportsOnlyFromWindowsOwnDlls)
{
    const std::vector<std::string> system = {"kernel32.dll", "msvcrt.dll", "oleaut32.dll", "user32.dll",
                                             "advapi32.dll", "ole32.dll",  "ntdll.dll"};
    const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    std::vector<std::string> imported;
    for (const auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(directory.VirtualAddress); entry->Name != 0; ++entry) {
        std::string name = At<char>(entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
        imported.push_back(name);
        EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << name;
    }
    EXPECT_NE(std::find(imported.begin(), imported.end(), "oleaut32.dll"), imported.end()) << "system strings";
}

// A host built with the Microsoft compiler calls GetId (position 5) with `this` first, the
// result's address second, and takes the address back: called that way through a plain
// function pointer, the slot fills the caller's 16 bytes.
TEST_F(LoadedPlugin, GetIdFollowsTheMicrosoftMemberConvention)
{
    const auto create = reinterpret_cast<CreatePluginFunction>(
        reinterpret_cast<void*>(::GetProcAddress(Module, "CreatePlugin")));
    ASSERT_NE(create, nullptr);
    Plugin::IGroundBasedMIP* plugin = create();
    using MicrosoftGetId = void* (*)(void* self, void* result);
    void* const* table = *reinterpret_cast<void* const* const*>(plugin);
    const auto getId = reinterpret_cast<MicrosoftGetId>(table[4]);
    unsigned char id[16];
    std::memset(id, 0xCC, sizeof id);
    EXPECT_EQ(getId(plugin, id), static_cast<void*>(id));
    const unsigned char expected[16] = {0x92, 0x95, 0x10, 0xE2, 0xF7, 0x5E, 0xBD, 0x43,
                                        0x81, 0xD6, 0x08, 0xEA, 0x78, 0x1E, 0x0A, 0xB2};
    EXPECT_EQ(std::memcmp(id, expected, 16), 0);
    EXPECT_TRUE(plugin->Release());
}

// The DLL's own string table, read the way LoadString reads it, holds every message text.
TEST_F(LoadedPlugin, CarriesTheStringTableInRussian)
{
    for (int id = 101; id <= 123; ++id) {
        const wchar_t* units = nullptr;
        const int length = ::LoadStringW(Module, static_cast<UINT>(id), reinterpret_cast<wchar_t*>(&units), 0);
        ASSERT_GT(length, 0) << id;
        EXPECT_EQ(std::wstring(units, static_cast<std::size_t>(length)), Plugin::LoadMessageText(id)) << id;
    }
    const HRSRC block = ::FindResourceExW(Module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(101 / 16 + 1),
                                          MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT));
    EXPECT_NE(block, nullptr) << "the block is in Russian (1049)";
}

TEST(DllVersion, VersionResourceNamesTheModule)
{
    const auto record = Host::ReadVersionRecord(M5PLUGIN_PATH);
    EXPECT_EQ(record.count("FileDescription") ? record.at("FileDescription") : "", "Модуль импорта данных");
    EXPECT_EQ(record.count("FileVersion") ? record.at("FileVersion") : "", "2.00.0041");
    EXPECT_EQ(record.count("ProductVersion") ? record.at("ProductVersion") : "", "2.00.0041");
}

}  // namespace
