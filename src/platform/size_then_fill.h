// The "ask for the size, allocate, call again" pattern of the spooler's and SetupAPI's
// listings, made safe against a list that grows in between: another administrator, Point and
// Print or a second tool may add a queue, driver or port between the size query and the fill,
// and the fill then answers "insufficient buffer" with the size it needs now. Each fill is
// given room to spare beyond the size last reported (a queue record is a few hundred bytes, and
// a busy list grows by more than one between two calls), and is asked again with the size it
// reports, a bounded number of times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace prinstall {

// ERROR_INSUFFICIENT_BUFFER.
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;

// Fills after the size query before giving up with kErrorInsufficientBuffer.
inline constexpr int kMaxFillAttempts = 8;

// Listings from the size query on, when one fails with another error, and the pause the
// spooler's listings make before they ask again (a queue being added or deleted settles).
inline constexpr int kMaxListingRounds = 5;
inline constexpr std::uint32_t kListingRetryPauseMs = 50;

// The room a fill gets beyond the size last reported: a quarter more, and at least 4 KB.
inline std::uint32_t FillRoom(std::uint32_t needed) { return needed + needed / 4 + 4096; }

// `call(data, size, needed)` is one call of the listing: it returns 0 or the system's error
// code and sets `needed` to the bytes the whole answer takes. The first call asks for the size
// (no buffer); every fill gets a buffer of FillRoom(`needed`) bytes plus `slack` zero bytes
// beyond it, so that an empty answer still reads as one zeroed record. Returns 0 with the
// answer in `buffer`, or the error of the call that failed.
// A listing that fails otherwise is asked again from the start, kMaxListingRounds times in all:
// a record deleted while the list is read can fail one listing without anything being wrong.
template <class Call>
std::uint32_t SizeThenFill(std::vector<std::uint8_t>& buffer, std::size_t slack, Call call) {
    std::uint32_t error = 0;
    for (int round = 0; round < kMaxListingRounds; ++round) {
        std::uint32_t needed = 0;
        error = call(nullptr, 0, needed);
        if (error != 0 && error != kErrorInsufficientBuffer) continue;
        for (int attempt = 0; attempt < kMaxFillAttempts; ++attempt) {
            const std::uint32_t size = FillRoom(needed);
            buffer.assign(size + slack, 0);
            error = call(buffer.data(), size, needed);
            if (error != kErrorInsufficientBuffer) break;
            // A fill that asks for no more than it had would ask for ever: give it more.
            if (needed <= size) needed = size + size / 2;
        }
        if (error == 0 || error == kErrorInsufficientBuffer) return error;
    }
    return error;
}

}  // namespace prinstall
