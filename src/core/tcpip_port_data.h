// What the program tells the system's Standard TCP/IP port monitor through the monitor's own
// interface (XcvData on ",XcvMonitor Standard TCP/IP Port"): the bytes of the documented
// structures for adding and deleting a raw-printing port, and how an answer is read. Going
// through the monitor makes and removes a port at once, with no spooler restart; where the
// monitor does not answer (Wine has none), the callers fall back to the port's registry key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace prinstall {

inline constexpr const char* kStandardTcpIpMonitor = "Standard TCP/IP Port";

// Character counts of the text fields (each ends with a zero character), from tcpxcv.h.
inline constexpr std::size_t kPortNameChars = 64;     // MAX_PORTNAME_LEN
inline constexpr std::size_t kHostAddressChars = 49;  // MAX_NETWORKNAME_LEN
inline constexpr std::size_t kCommunityChars = 33;    // MAX_SNMP_COMMUNITY_STR_LEN
inline constexpr std::size_t kQueueChars = 33;        // MAX_QUEUENAME_LEN
inline constexpr std::size_t kIpAddressChars = 16;    // MAX_IPADDR_STR_LEN

// PORT_DATA_1 as the 32- and 64-bit monitors read it: WCHAR arrays and DWORDs in natural
// alignment, which puts two bytes of padding after the 540 reserved bytes.
struct PortData1Layout {
    char16_t portName[kPortNameChars];
    std::uint32_t version;
    std::uint32_t protocol;
    std::uint32_t size;
    std::uint32_t reserved;
    char16_t hostAddress[kHostAddressChars];
    char16_t snmpCommunity[kCommunityChars];
    std::uint32_t doubleSpool;
    char16_t queue[kQueueChars];
    char16_t ipAddress[kIpAddressChars];
    std::uint8_t reservedBytes[540];
    std::uint32_t portNumber;
    std::uint32_t snmpEnabled;
    std::uint32_t snmpDeviceIndex;
};
static_assert(offsetof(PortData1Layout, version) == 128);
static_assert(offsetof(PortData1Layout, hostAddress) == 144);
static_assert(offsetof(PortData1Layout, snmpCommunity) == 242);
static_assert(offsetof(PortData1Layout, doubleSpool) == 308);
static_assert(offsetof(PortData1Layout, queue) == 312);
static_assert(offsetof(PortData1Layout, ipAddress) == 378);
static_assert(offsetof(PortData1Layout, reservedBytes) == 410);
static_assert(offsetof(PortData1Layout, portNumber) == 952);
static_assert(offsetof(PortData1Layout, snmpDeviceIndex) == 960);
static_assert(sizeof(PortData1Layout) == 964);

// DELETE_PORT_DATA_1, the input of "DeletePort".
struct DeletePortData1Layout {
    char16_t portName[kPortNameChars];
    std::uint8_t reservedBytes[98];
    std::uint32_t version;
    std::uint32_t reserved;
};
static_assert(offsetof(DeletePortData1Layout, version) == 228);
static_assert(sizeof(DeletePortData1Layout) == 236);

inline constexpr std::uint32_t kProtocolRawTcp = 1;  // PROTOCOL_RAWTCP_TYPE

// The input of "AddPort" (PORT_DATA_1, UTF-16LE text, little-endian numbers): a raw-printing
// port named `portName` to `host` (an IPv4 address or a host name) on `portNumber`, SNMP
// off with the community "public". Empty when a text does not fit its field; the port is then
// made through its registry key instead.
std::vector<std::uint8_t> AddPortData(const std::string& portName, const std::string& host, std::uint32_t portNumber);
// The input of "DeletePort" (DELETE_PORT_DATA_1); empty when the name does not fit.
std::vector<std::uint8_t> DeletePortData(const std::string& portName);

// How the monitor took a command.
enum class MonitorAnswer {
    Done,        // the monitor did it
    Unanswered,  // no such monitor here, or it does not know the command: use the registry
    Refused,     // any other failure (access denied, data refused, a port it does not know, ...)
};

// Whether a failure of OpenPrinter, XcvData or the monitor means that nobody answered the
// command: no such monitor here, or one that does not know the command.
bool MonitorDoesNotAnswer(std::uint32_t error);

// Sends one command with its input to the Standard TCP/IP port monitor. `error` gets the
// failure: the code of OpenPrinter or XcvData, or the monitor's own status.
MonitorAnswer AskTcpIpMonitor(Spooler& spooler, const std::string& command, const std::vector<std::uint8_t>& input,
                              std::uint32_t& error);

}  // namespace prinstall
