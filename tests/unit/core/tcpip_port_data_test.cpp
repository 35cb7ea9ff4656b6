#include "core/tcpip_port_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace prinstall {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A text field as the monitor reads it: UTF-16LE, then zeros to the field's end.
Bytes Text16(const std::string& text, std::size_t chars) {
    Bytes out(2 * chars, 0);
    for (std::size_t i = 0; i < text.size(); ++i) out[2 * i] = static_cast<std::uint8_t>(text[i]);
    return out;
}
Bytes Slice(const Bytes& b, std::size_t offset, std::size_t size) {
    return Bytes(b.begin() + offset, b.begin() + offset + size);
}
std::uint32_t NumberAt(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(TcpIpPortData, AddAndDeletePortBytesAreTheMonitorsStructures) {
    const Bytes add = AddPortData("IP_label-07.example", "label-07.example", 9101);
    ASSERT_EQ(add.size(), 964u);
    EXPECT_EQ(Slice(add, 0, 128), Text16("IP_label-07.example", 64));
    EXPECT_EQ(NumberAt(add, 128), 1u);    // dwVersion
    EXPECT_EQ(NumberAt(add, 132), 1u);    // dwProtocol: raw TCP
    EXPECT_EQ(NumberAt(add, 136), 964u);  // cbSize
    EXPECT_EQ(NumberAt(add, 140), 0u);    // dwReserved
    EXPECT_EQ(Slice(add, 144, 98), Text16("label-07.example", 49));
    EXPECT_EQ(Slice(add, 242, 66), Text16("public", 33));
    // dwDoubleSpool, sztQueue (LPR only), sztIPAddress (the host field serves both), Reserved
    // and the padding before dwPortNumber.
    EXPECT_EQ(Slice(add, 308, 644), Bytes(644, 0));
    EXPECT_EQ(NumberAt(add, 952), 9101u);  // dwPortNumber
    EXPECT_EQ(NumberAt(add, 956), 0u);     // dwSNMPEnabled
    EXPECT_EQ(NumberAt(add, 960), 1u);     // dwSNMPDevIndex

    const Bytes remove = DeletePortData("IP_192.168.0.20");
    ASSERT_EQ(remove.size(), 236u);
    EXPECT_EQ(Slice(remove, 0, 128), Text16("IP_192.168.0.20", 64));
    EXPECT_EQ(Slice(remove, 128, 100), Bytes(100, 0));  // Reserved and padding
    EXPECT_EQ(NumberAt(remove, 228), 1u);               // dwVersion
    EXPECT_EQ(NumberAt(remove, 232), 0u);

    // A field's text needs room for its ending zero, and only ASCII is written.
    const std::string host48(48, 'h');
    EXPECT_EQ(Slice(AddPortData("IP_" + host48, host48, 9100), 144, 98), Text16(host48, 49));
    EXPECT_TRUE(AddPortData("IP_" + host48 + "h", host48 + "h", 9100).empty());
    EXPECT_TRUE(DeletePortData(std::string(64, 'p')).empty());
    EXPECT_TRUE(AddPortData("IP_\xC3\xA9", "\xC3\xA9", 9100).empty());
}

}  // namespace
}  // namespace prinstall
