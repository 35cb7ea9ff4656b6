#include "platform/size_then_fill.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace prinstall {
namespace {

// A listing whose answer grows by `growth` bytes at each call, as when queues are added
// between the size query and the fill, for `growingCalls` calls; then it stays.
struct GrowingListing {
    std::uint32_t size = 40;
    std::uint32_t growth = 0;
    int growingCalls = 0;
    int calls = 0;
    std::uint32_t operator()(std::uint8_t* data, std::uint32_t capacity, std::uint32_t& needed) {
        if (calls++ < growingCalls) size += growth;
        needed = size;
        if (data == nullptr || capacity < size) return kErrorInsufficientBuffer;
        std::memset(data, 0xAB, size);
        return 0;
    }
};

// A list that grows a little between the size query and the fill (a queue added by another
// tool) fits at once; one that grows past the room given is asked again with its new size.
TEST(SizeThenFill, GivesRoomToSpareAndAsksAgainWithTheGrownSize) {
    GrowingListing small{40, 600, 2};  // the size query and the fill see it grow
    std::vector<std::uint8_t> buffer;
    EXPECT_EQ(SizeThenFill(buffer, 8, std::ref(small)), 0u);
    EXPECT_EQ(small.calls, 2);
    EXPECT_EQ(buffer[40 + 2 * 600 - 1], 0xAB);

    GrowingListing large{40, 20000, 3};  // the size query and two fills see it grow
    EXPECT_EQ(SizeThenFill(buffer, 8, std::ref(large)), 0u);
    EXPECT_EQ(large.calls, 4);
    ASSERT_EQ(buffer.size(), FillRoom(40u + 3 * 20000) + 8);
    EXPECT_EQ(buffer[40 + 3 * 20000 - 1], 0xAB);
    EXPECT_EQ(buffer[buffer.size() - 1], 0);  // the slack stays zero
}

TEST(SizeThenFill, GivesUpWithInsufficientBufferWhenTheListNeverStopsGrowing) {
    // Each fill finds the list grown past whatever room it was given.
    int calls = 0;
    std::vector<std::uint8_t> buffer;
    EXPECT_EQ(SizeThenFill(buffer, 8,
                           [&](std::uint8_t* data, std::uint32_t capacity, std::uint32_t& needed) -> std::uint32_t {
                               ++calls;
                               needed = data == nullptr ? 40 : capacity + 1;
                               return kErrorInsufficientBuffer;
                           }),
              kErrorInsufficientBuffer);
    EXPECT_EQ(calls, 1 + kMaxFillAttempts);
}

// Another error asks the whole listing again, a bounded number of times: a record deleted
// while the list is read fails one listing only; an error that stays is passed on.
TEST(SizeThenFill, AsksAgainAfterOtherErrorsAndThenPassesThemOn) {
    std::vector<std::uint8_t> buffer;
    int calls = 0;
    EXPECT_EQ(SizeThenFill(buffer, 8,
                           [&](std::uint8_t*, std::uint32_t, std::uint32_t&) -> std::uint32_t {
                               ++calls;
                               return 1722;  // RPC_S_SERVER_UNAVAILABLE
                           }),
              1722u);
    EXPECT_EQ(calls, kMaxListingRounds);
    calls = 0;
    EXPECT_EQ(SizeThenFill(buffer, 8,
                           [&](std::uint8_t* data, std::uint32_t capacity, std::uint32_t& needed) -> std::uint32_t {
                               needed = 40;
                               if (data == nullptr) return kErrorInsufficientBuffer;
                               return ++calls == 1 ? 2u : (capacity >= 40 ? 0u : kErrorInsufficientBuffer);
                           }),
              0u);
    EXPECT_EQ(calls, 2);
    // A fill that claims too little room keeps being given more, not the same size again.
    std::vector<std::uint32_t> sizes;
    SizeThenFill(buffer, 0, [&](std::uint8_t* data, std::uint32_t size, std::uint32_t& needed) -> std::uint32_t {
        if (data != nullptr) sizes.push_back(size);
        needed = 16;
        return kErrorInsufficientBuffer;
    });
    ASSERT_EQ(sizes.size(), static_cast<size_t>(kMaxFillAttempts));
    for (size_t i = 1; i < sizes.size(); ++i) EXPECT_GT(sizes[i], sizes[i - 1]);
}

}  // namespace
}  // namespace prinstall
