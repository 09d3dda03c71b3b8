// A string or conversion buffer that cannot be had leaves the plug-in as HResultError
// E_OUTOFMEMORY, not as the allocator's own exception. This program's allocator can be told
// to refuse large requests.
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "plugin/HResultError.h"
#include "plugin/PluginInterfaces.h"
#include "resources/StringTable.h"
#include "tests/support/M5Lines.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestFiles.h"

namespace {

// Requests of at least this many bytes fail while it is not 0.
std::size_t RefuseFrom = 0;

class RefusingAllocations {
public:
    explicit RefusingAllocations(std::size_t bytes) { RefuseFrom = bytes; }
    ~RefusingAllocations() { RefuseFrom = 0; }
    RefusingAllocations(const RefusingAllocations&) = delete;
    RefusingAllocations& operator=(const RefusingAllocations&) = delete;
};

}  // namespace

void* operator new(std::size_t size)
{
    if (RefuseFrom != 0 && size >= RefuseFrom)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

using namespace Testing;

namespace {

TEST(OutOfMemory, LineThatCannotBeConvertedEndsTheImportWithEOutOfMemory)
{
    const CTempFolder folder;
    const std::string path = folder.Write("long.m5", CrLf({M5Line(1, TextInfo("KN STAT")), std::string(1 << 20, 'x')}));
    CRecordingHost host;
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    CFakeFileList files({path});
    std::uint32_t code = 0;
    {
        const RefusingAllocations refusing(1 << 20);
        try {
            plugin->Import(&files, &host);
        } catch (const Plugin::HResultError& error) {
            code = error.GetCode();
        }
    }
    plugin->Release();
    EXPECT_EQ(code, 0x8007000Eu);
    EXPECT_EQ(host.Calls.front(), "SetFileName " + path);
    EXPECT_EQ(host.OutstandingReferences(), 0);
}

TEST(OutOfMemory, MessageTextThatCannotBeCopiedIsEOutOfMemory)
{
    std::uint32_t code = 0;
    try {
        const RefusingAllocations refusing(1);
        Plugin::LoadMessageText(112);
    } catch (const Plugin::HResultError& error) {
        code = error.GetCode();
    }
    EXPECT_EQ(code, 0x8007000Eu);
}

}  // namespace
