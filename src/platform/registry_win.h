// The registry port over advapi32's W functions, below HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/registry.h"

namespace prinstall {

class WinRegistry : public Registry {
public:
    std::uint32_t OpenKey(const std::string& path, Key& key) override;
    std::uint32_t CreateKey(const std::string& path, const std::string& className, Key& key) override;
    std::uint32_t SetString(Key key, const std::string& name, const std::string& value) override;
    std::uint32_t SetDword(Key key, const std::string& name, std::uint32_t value) override;
    std::uint32_t CloseKey(Key key) override;
    std::uint32_t DeleteKey(const std::string& path) override;
    std::uint32_t OpenKeyForReading(const std::string& path, Key& key) override;
    std::uint32_t QueryDword(Key key, const std::string& name, std::uint32_t& value) override;
    std::uint32_t OpenKeyForReading64(const std::string& path, Key& key) override;
    std::uint32_t QueryString(Key key, const std::string& name, std::string& value) override;
    std::uint32_t ListSubkeys(Key key, std::vector<std::string>& names) override;
    std::uint32_t CountContents(Key key, std::uint32_t& subkeys, std::uint32_t& values) override;
    std::uint32_t ProbeKey(const std::string& path) override;
};

}  // namespace prinstall
