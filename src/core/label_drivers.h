// Naming and numbering of the label printer's driver copies. Copy N is the driver
// "TORVA Label Printer #N"; N is the lowest number from 1 to 500 that no local queue's driver
// uses, and the next queue is proposed as "TORVA Label Printer N".
#pragma once

#include <string>
#include <vector>

#include "platform/spooler.h"

namespace prinstall {

inline constexpr const char* kModelName = "TORVA Label Printer";
inline constexpr const char* kLabelDriverPrefix = "TORVA Label Printer #";
inline constexpr int kMaxDriverNumber = 500;
inline constexpr int kMaxCopyCount = 500;

// The longest queue name the spooler takes, in UTF-16 code units.
inline constexpr int kMaxQueueNameUnits = 220;

// Whether two queue names name the same queue: the spooler compares printer names without
// regard to letter case. Asks the system's own comparison (Spooler::SameNameIgnoringCase)
// first; where there is none, the table below decides.
bool SameQueueName(Spooler& spooler, const std::string& a, const std::string& b);

// The table the comparison falls back to: letter case aside for Latin, Greek and Cyrillic
// letters (other scripts have none that the older systems fold).
bool SameQueueName(const std::string& a, const std::string& b);

// Whether a queue of the list uses the driver (names compared as SameQueueName does).
bool AnyQueueUses(Spooler& spooler, const std::vector<PrinterInfo2>& queues, const std::string& driverName);

// Why the spooler could not hold a queue name, or nothing when it can: empty or only white
// space (ASCII blanks and Unicode's spaces and line separators), a backslash or comma in it,
// or longer than kMaxQueueNameUnits.
enum class QueueNameFault { None, Empty, ForbiddenCharacter, TooLong };
QueueNameFault CheckQueueName(const std::string& name);

// The driver name of copy N.
std::string LabelDriverName(int driverNumber);

// The queue name of driver copy N: the numbered model name.
std::string NextQueueName(int driverNumber);

// The queue name of driver copy N where other names are taken already (by queues, or by the
// copies settled earlier in the same run; compared as SameQueueName does): the numbered model
// name of N, or when that is taken, of the first number after N whose name is free. The plain
// model name when no number is known (N below 1).
std::string FreeQueueName(Spooler& spooler, int driverNumber, const std::vector<std::string>& taken);

// What the Driver Name field proposes for the next queue.
std::string ProposedQueueName(int labelDriverCount, int driverNumber);

// The driver numbers from 1 to 500 that no queue's driver uses (as ScanLabelDrivers reads
// them), lowest first.
std::vector<int> FreeDriverNumbers(const std::vector<PrinterInfo2>& queues);

// Counts the queues whose driver is a numbered label-printer driver (prefix compared exactly,
// letter case included) and moves driverNumber to the lowest free number; when all 500 are
// taken, driverNumber becomes 0: no copy can be installed.
int ScanLabelDrivers(const std::vector<PrinterInfo2>& queues, int& driverNumber);

// Lists the local queues and scans them as above; -2 when they cannot be listed.
int CountLabelDrivers(Spooler& spooler, int& driverNumber);

// Whether a driver name is one of the numbered copies: it begins with "TORVA Label Printer #"
// (compared exactly, letter case included; the rest is not looked at).
bool IsLabelDriver(const std::string& driverName);

// N of a driver copy's name: the second piece between '#' signs read as a number (0 when
// there is none). "TORVA Label Printer #3" gives 3.
int LabelDriverNumber(const std::string& driverName);

// A decimal number at the start of a text, as the C library's atoi reads it: leading white
// space and a sign allowed, no digits gives 0; values past the int range are clamped.
int LeadingInt(const std::string& text);

// The copy count typed into its field: the first 63 characters read as a number, with the
// result cut to 500.
struct CopyCount {
    int value;
    bool clamped;  // the field must be rewritten to "500"
};
CopyCount ParseCopyCount(const std::string& fieldText);

}  // namespace prinstall
