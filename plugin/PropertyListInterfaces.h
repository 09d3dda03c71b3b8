#pragma once
// The settings editor: the plug-in fills a property list that the host shows and edits.
// Every table is called by position, so the declaration order is the contract.
#include <cstdint>

#include "plugin/PluginInterfaces.h"

namespace Plugin {

// One choice of a choice property. Implemented by the plug-in; the view takes its own
// reference to an item it keeps. GetText returns a new system string the caller frees.
class IComboItem : public IRefCounted {
public:
    virtual std::int32_t GetValue() = 0;
    virtual char16_t* GetText() = 0;
protected:
    ~IComboItem() = default;
};

// A forward walk over items, not reference counted; Current gives no new reference.
template <typename T>
class IEnumerator {
public:
    virtual bool IsValid() = 0;
    virtual void MoveNext() = 0;
    virtual T Current() = 0;
    virtual void Reset() = 0;
protected:
    ~IEnumerator() = default;
};

// The host's property list. Texts are NUL-terminated UTF-16 valid for the call; a system
// string returned through GetPropertyText belongs to the caller, who frees it.
class IPropertyListView {
public:
    virtual void AddGroup(const char16_t* caption) = 0;                                   // 1
    virtual void AddTextProperty(std::int32_t id, bool flag, const char16_t* caption,
                                 const char16_t* value) = 0;                              // 2
    virtual bool AddComboProperty(std::int32_t id, bool flag, const char16_t* caption,
                                  IEnumerator<IComboItem*>* items, std::int32_t value) = 0; // 3
    virtual void EnableProperty(std::int32_t id, bool enabled) = 0;                       // 4
    virtual void GetPropertyText(std::int32_t id, char16_t** text) = 0;                   // 5
    virtual void Unused6() = 0;                                                           // 6
    virtual void GetComboValue(std::int32_t id, std::int32_t* value) = 0;                 // 7
    virtual void Unused8() = 0;                                                           // 8
    virtual void ShowMessageBox(const char16_t* text, const char16_t* caption) = 0;       // 9
    virtual void CompleteList(bool complete) = 0;                                         // 10
    virtual void SetHintText(const char16_t* text) = 0;                                   // 11
protected:
    ~IPropertyListView() = default;
};

// Implemented by the plug-in object as its second interface; no reference counting. The
// view given to BuildPropertyList is kept, without a reference, for the later calls.
class IPropertyListViewController {
public:
    virtual void BuildPropertyList(IPropertyListView* view) = 0;                           // 1
    // False when the edited number is not valid (after the message box).
    virtual bool OnPropertyChanged(std::int32_t id) = 0;                                  // 2
    // False when the layout is inconsistent (after the message box).
    virtual bool ValidateProperties() = 0;                                                // 3
    virtual void ApplyProperties() = 0;                                                   // 4
    virtual void Dismiss() = 0;                                                           // 5
protected:
    ~IPropertyListViewController() = default;
};

}  // namespace Plugin
