#pragma once
// The plug-in's own interfaces, as the host sees them. The host calls every operation by
// its position in the interface table, so the declaration order below is the contract.
// None of these interfaces declares a destructor: an object ends through Release only.
#include <cstdint>

namespace Plugin {

class ISettingsReader;
class ISettingsWriter;
class IFileNameEnumerator;
class IImportContext;
class IPropertyListViewController;

// The 128-bit identifier of a plug-in, laid out in memory as the host's GUID.
struct Guid {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
static_assert(sizeof(Guid) == 16, "the identifier crosses the boundary as 16 bytes");

// GetId returns the identifier by value. The Microsoft compiler returns a structure from a
// member function through a hidden pointer passed after `this`, and returns that pointer;
// GCC for Windows passes the pointer before `this`. So that a host built with that compiler
// can call the slot as `Guid GetId()`, the GNU Windows build declares the slot in the
// Microsoft form itself. Callers on both sides use Plugin::IdOf.
#if defined(_WIN32) && !defined(_MSC_VER)
#define M5_GUID_THROUGH_POINTER 1
#else
#define M5_GUID_THROUGH_POINTER 0
#endif

// Positions 1 and 2 of every reference-counted interface. A new object is handed out with
// one reference; Release returns true exactly when it destroyed the object.
class IRefCounted {
public:
    virtual void AddRef() = 0;
    virtual bool Release() = 0;
protected:
    ~IRefCounted() = default;
};

// Positions 3 to 9. Implemented by the plug-in.
class IPlugin : public IRefCounted {
public:
    // Kinds 0, 1 and 2 add a reference and return the object itself; any other kind null.
    virtual IPlugin* GetInterface(std::int32_t kind) = 0;
    // A new system string the host frees; null when it cannot be allocated.
    virtual char16_t* GetName() = 0;
#if M5_GUID_THROUGH_POINTER
    // Writes the identifier to *result and returns result.
    virtual Guid* GetId(Guid* result) = 0;
#else
    virtual Guid GetId() = 0;
#endif
    virtual std::int32_t GetKind() = 0;
    // The reader and writer are the host's, used only during the call.
    virtual void LoadSettings(ISettingsReader* reader) = 0;
    virtual void SaveSettings(ISettingsWriter* writer) = 0;
    // The settings editor, a part of the same object: no reference is taken.
    virtual IPropertyListViewController* GetPropertyListViewController() = 0;
protected:
    ~IPlugin() = default;
};

// The plug-in's identifier, whichever form its slot has on this platform.
inline Guid IdOf(IPlugin& plugin)
{
#if M5_GUID_THROUGH_POINTER
    Guid id{};
    return *plugin.GetId(&id);
#else
    return plugin.GetId();
#endif
}

// Positions 10 and 11. Implemented by the plug-in; both return new system strings.
class IFileImportPlugin : public IPlugin {
public:
    virtual char16_t* GetFileFilter() = 0;
    virtual char16_t* GetFileTypeName() = 0;
protected:
    ~IFileImportPlugin() = default;
};

// Position 12: the main interface, the one CreatePlugin hands out.
class IGroundBasedMIP : public IFileImportPlugin {
public:
    // Imports every file the host's enumerator yields into the host's context. Both objects
    // are the host's and are used only during the call.
    virtual void Import(IFileNameEnumerator* files, IImportContext* context) = 0;
protected:
    ~IGroundBasedMIP() = default;
};

}  // namespace Plugin

// The library's only export: a new plug-in object with one reference.
#if defined(_WIN32)
#define M5_PLUGIN_EXPORT __declspec(dllexport)
#else
#define M5_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif
extern "C" Plugin::IGroundBasedMIP* CreatePlugin();
using CreatePluginFunction = Plugin::IGroundBasedMIP* (*)();
