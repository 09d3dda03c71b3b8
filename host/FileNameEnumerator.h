#pragma once
// The list of files the host asks the plug-in to import, in the order given.
#include <string>
#include <vector>

#include "plugin/HostInterfaces.h"

namespace Host {

class CFileNameEnumerator final : public Plugin::IFileNameEnumerator {
public:
    explicit CFileNameEnumerator(std::vector<std::u16string> names) : Names(std::move(names)) {}
    bool IsValid() override { return Position < Names.size(); }
    void MoveNext() override { if (Position < Names.size()) ++Position; }
    const char16_t* Current() override { return Position < Names.size() ? Names[Position].c_str() : nullptr; }
    void Reset() override { Position = 0; }
private:
    std::vector<std::u16string> Names;
    std::size_t Position = 0;
};

}  // namespace Host
