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
    virtual Guid GetId() = 0;
    virtual std::int32_t GetKind() = 0;
    // The reader and writer are the host's, used only during the call.
    virtual void LoadSettings(ISettingsReader* reader) = 0;
    virtual void SaveSettings(ISettingsWriter* writer) = 0;
    // The settings editor, a part of the same object: no reference is taken.
    virtual IPropertyListViewController* GetPropertyListViewController() = 0;
protected:
    ~IPlugin() = default;
};

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
extern "C" Plugin::IGroundBasedMIP* CreatePlugin();
using CreatePluginFunction = Plugin::IGroundBasedMIP* (*)();
