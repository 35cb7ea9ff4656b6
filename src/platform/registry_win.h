// The registry port over advapi32's W functions, below HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/registry.h"

namespace prinstall {

class WinRegistry : public Registry {
public:
    std::uint32_t openKey(const std::string& path, Key& key) override;
    std::uint32_t createKey(const std::string& path, const std::string& className, Key& key) override;
    std::uint32_t setString(Key key, const std::string& name, const std::string& value) override;
    std::uint32_t setDword(Key key, const std::string& name, std::uint32_t value) override;
    std::uint32_t closeKey(Key key) override;
    std::uint32_t deleteKey(const std::string& path) override;
    std::uint32_t openKeyForReading(const std::string& path, Key& key) override;
    std::uint32_t queryDword(Key key, const std::string& name, std::uint32_t& value) override;
    std::uint32_t probeKey(const std::string& path) override;
};

}  // namespace prinstall
