// SHA-256 (FIPS 180-2) in the program's own code: CryptoAPI has it only from Windows XP SP3
// on, and the installation media are checked against their digests on Windows 2000 as well.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace prinstall {

class Sha256 {
public:
    void Update(const void* data, std::size_t size);
    // The digest of everything given so far, as 64 lower-case hexadecimal digits. Ends the
    // object's use.
    std::string HexDigest();

private:
    void Compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes given
};

std::string Sha256Hex(std::string_view data);

}  // namespace prinstall
