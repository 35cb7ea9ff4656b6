// Registry port over the local machine's root (HKEY_LOCAL_MACHINE). Paths are key paths
// below that root with backslashes; names compare without regard to case, as Windows does.
// Every call returns 0 on success or the system error code of the failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace prinstall {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorUnsupportedType = 1630;

class Registry {
public:
    using Key = std::uintptr_t;  // 0 is never a valid key

    virtual ~Registry() = default;

    // Opens an existing key with full access.
    virtual std::uint32_t OpenKey(const std::string& path, Key& key) = 0;
    // Creates (or opens) a non-volatile key with full access and the given class text.
    virtual std::uint32_t CreateKey(const std::string& path, const std::string& className, Key& key) = 0;
    // Writes a string value (REG_SZ, with its terminating zero).
    virtual std::uint32_t SetString(Key key, const std::string& name, const std::string& value) = 0;
    // Writes a 32-bit number (REG_DWORD, little-endian).
    virtual std::uint32_t SetDword(Key key, const std::string& name, std::uint32_t value) = 0;
    virtual std::uint32_t CloseKey(Key key) = 0;
    // Deletes a key that has no subkeys, with its values (5 when it still has subkeys).
    virtual std::uint32_t DeleteKey(const std::string& path) = 0;
    // Opens an existing key for reading only (KEY_READ).
    virtual std::uint32_t OpenKeyForReading(const std::string& path, Key& key) = 0;
    // Reads a 32-bit number (REG_DWORD); a value of another type or size fails with 1630
    // (unsupported type) rather than being read as bytes.
    virtual std::uint32_t QueryDword(Key key, const std::string& name, std::uint32_t& value) = 0;
    // Opens an existing key for reading only in the registry's 64-bit view. A 32-bit program
    // on 64-bit Windows sees its own view of SOFTWARE otherwise (SOFTWARE\WOW6432Node); on
    // 32-bit Windows there is one view, and this is OpenKeyForReading.
    virtual std::uint32_t OpenKeyForReading64(const std::string& path, Key& key) = 0;
    // Reads a string value (REG_SZ or REG_EXPAND_SZ, unexpanded, without its terminating zero);
    // a value of another type fails with 1630.
    virtual std::uint32_t QueryString(Key key, const std::string& name, std::string& value) = 0;
    // The names of a key's subkeys, in the registry's order.
    virtual std::uint32_t ListSubkeys(Key key, std::vector<std::string>& names) = 0;
    // How many subkeys and values a key has.
    virtual std::uint32_t CountContents(Key key, std::uint32_t& subkeys, std::uint32_t& values) = 0;
    // Opens an existing key for querying and writing values (KEY_QUERY_VALUE | KEY_WRITE)
    // and closes it again: 0 when the key is there and the caller may write to it.
    virtual std::uint32_t ProbeKey(const std::string& path) = 0;
};

}  // namespace prinstall
