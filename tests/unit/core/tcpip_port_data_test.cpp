#include "core/tcpip_port_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace prinstall {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t NumberAt(const Bytes& b, std::size_t offset) {
    return b.at(offset) | b.at(offset + 1) << 8 | b.at(offset + 2) << 16 | static_cast<std::uint32_t>(b.at(offset + 3)) << 24;
}

// The field's UTF-16LE text up to its zero, which must lie inside the field; every byte after
// it is zero.
std::string TextAt(const Bytes& b, std::size_t offset, std::size_t chars) {
    std::string text;
    std::size_t i = 0;
    for (; i < chars && (b.at(offset + 2 * i) != 0 || b.at(offset + 2 * i + 1) != 0); ++i) {
        EXPECT_EQ(b[offset + 2 * i + 1], 0) << "not ASCII at " << offset;
        text += static_cast<char>(b[offset + 2 * i]);
    }
    EXPECT_LT(i, chars) << "no ending zero at " << offset;
    for (std::size_t j = 2 * i; j < 2 * chars; ++j) EXPECT_EQ(b[offset + j], 0) << offset + j;
    return text;
}

TEST(TcpIpPortData, AddAndDeletePortBytesAreTheMonitorsStructures) {
    const Bytes add = AddPortData("IP_label-07.example", "label-07.example", 9101);
    ASSERT_EQ(add.size(), 964u);
    EXPECT_EQ(TextAt(add, 0, 64), "IP_label-07.example");
    EXPECT_EQ(NumberAt(add, 128), 1u);    // dwVersion
    EXPECT_EQ(NumberAt(add, 132), 1u);    // dwProtocol: raw TCP
    EXPECT_EQ(NumberAt(add, 136), 964u);  // cbSize
    EXPECT_EQ(NumberAt(add, 140), 0u);    // dwReserved
    EXPECT_EQ(TextAt(add, 144, 49), "label-07.example");
    EXPECT_EQ(TextAt(add, 242, 33), "public");
    EXPECT_EQ(NumberAt(add, 308), 0u);  // dwDoubleSpool
    EXPECT_EQ(TextAt(add, 312, 33), "");  // sztQueue: LPR only
    EXPECT_EQ(TextAt(add, 378, 16), "");  // sztIPAddress: the host field serves both
    for (std::size_t i = 410; i < 952; ++i) ASSERT_EQ(add[i], 0) << i;  // Reserved and padding
    EXPECT_EQ(NumberAt(add, 952), 9101u);  // dwPortNumber
    EXPECT_EQ(NumberAt(add, 956), 0u);     // dwSNMPEnabled
    EXPECT_EQ(NumberAt(add, 960), 1u);     // dwSNMPDevIndex

    const Bytes remove = DeletePortData("IP_192.168.0.20");
    ASSERT_EQ(remove.size(), 236u);
    EXPECT_EQ(TextAt(remove, 0, 64), "IP_192.168.0.20");
    for (std::size_t i = 128; i < 228; ++i) ASSERT_EQ(remove[i], 0) << i;
    EXPECT_EQ(NumberAt(remove, 228), 1u);  // dwVersion
    EXPECT_EQ(NumberAt(remove, 232), 0u);

    // A host of 49 characters or a port name of 64 has no room for its ending zero.
    const std::string host48(48, 'h');
    EXPECT_EQ(TextAt(AddPortData("IP_" + host48, host48, 9100), 144, 49), host48);
    EXPECT_TRUE(AddPortData("IP_" + host48 + "h", host48 + "h", 9100).empty());
    EXPECT_TRUE(DeletePortData(std::string(64, 'p')).empty());
    EXPECT_TRUE(AddPortData("IP_\xC3\xA9", "\xC3\xA9", 9100).empty());
}

}  // namespace
}  // namespace prinstall
