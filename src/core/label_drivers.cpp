#include "core/label_drivers.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>

#include "core/texts.h"

namespace prinstall {

std::string LabelDriverName(int driverNumber) { return Format("%s%d", kLabelDriverPrefix, driverNumber); }

std::string NextQueueName(int driverNumber) { return Format("%s %d", kModelName, driverNumber); }

std::string ProposedQueueName(int labelDriverCount, int driverNumber) {
    // No number is free (all 500 in use) or none is known: never propose copy 0.
    if (labelDriverCount == 0 || driverNumber < 1) return kModelName;
    return NextQueueName(driverNumber);
}

std::string FreeQueueName(Spooler& spooler, int driverNumber, const std::vector<std::string>& taken) {
    if (driverNumber < 1) return kModelName;
    const auto isTaken = [&](const std::string& name) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const std::string& t) { return SameQueueName(spooler, t, name); });
    };
    // Each taken name can turn away one number at most, so this ends.
    std::string name = NextQueueName(driverNumber);
    for (int n = driverNumber + 1; isTaken(name); ++n) name = NextQueueName(n);
    return name;
}

int LeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

namespace {

// The second '#'-separated piece of a driver name, with empty pieces skipped as strtok does
// ("TORVA Label Printer ##7" gives "7").
std::string SecondPiece(const std::string& name) {
    int piece = 0;
    size_t i = 0;
    while (i < name.size()) {
        while (i < name.size() && name[i] == '#') ++i;
        if (i >= name.size()) break;
        size_t end = name.find('#', i);
        if (end == std::string::npos) end = name.size();
        if (++piece == 2) return name.substr(i, end - i);
        i = end;
    }
    return {};
}

}  // namespace

bool IsLabelDriver(const std::string& driverName) {
    return driverName.compare(0, std::strlen(kLabelDriverPrefix), kLabelDriverPrefix) == 0;
}

int LabelDriverNumber(const std::string& driverName) { return LeadingInt(SecondPiece(driverName)); }

namespace {

// Reads one UTF-8 sequence at i (advancing i); a malformed byte reads as itself.
char32_t NextCodePoint(const std::string& s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    if (i + static_cast<size_t>(length) > s.size()) length = 1;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + static_cast<size_t>(k)) & 0xC0) != 0x80) {
            length = 1;
            c = lead;
            break;
        }
        c = (c << 6) | (byte(i + static_cast<size_t>(k)) & 0x3F);
    }
    i += static_cast<size_t>(length);
    return c;
}

// Upper case of the letters that have one in the scripts a queue name is likely to use.
char32_t UpperCase(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 32;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;  // Latin-1
    if (c == 0xFF) return 0x178;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;  // no simple pair
    if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs, odd is lower, but for two runs
        const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (shifted ? (c % 2 == 0) : (c % 2 == 1)) return c - 1;
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;  // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 32;                // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;  // full-width Latin
    return c;
}

}  // namespace

bool SameQueueName(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (UpperCase(NextCodePoint(a, i)) != UpperCase(NextCodePoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

bool SameQueueName(Spooler& spooler, const std::string& a, const std::string& b) {
    if (std::optional<bool> same = spooler.SameNameIgnoringCase(a, b)) return *same;
    return SameQueueName(a, b);
}

bool AnyQueueUses(Spooler& spooler, const std::vector<PrinterInfo2>& queues, const std::string& driverName) {
    return std::any_of(queues.begin(), queues.end(),
                       [&](const PrinterInfo2& q) { return SameQueueName(spooler, q.driverName, driverName); });
}

namespace {

// White space as Unicode counts it: a name of these alone shows as nothing.
bool IsWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

QueueNameFault CheckQueueName(const std::string& name) {
    bool blank = true;
    for (size_t i = 0; i < name.size() && blank;) blank = IsWhiteSpace(NextCodePoint(name, i));
    if (blank) return QueueNameFault::Empty;
    if (name.find_first_of("\\,") != std::string::npos) return QueueNameFault::ForbiddenCharacter;
    int units = 0;
    for (size_t i = 0; i < name.size();) units += NextCodePoint(name, i) > 0xFFFF ? 2 : 1;
    return units > kMaxQueueNameUnits ? QueueNameFault::TooLong : QueueNameFault::None;
}

std::vector<int> FreeDriverNumbers(const std::vector<PrinterInfo2>& queues) {
    std::array<bool, kMaxDriverNumber + 1> inUse{};
    for (const PrinterInfo2& q : queues) {
        if (!IsLabelDriver(q.driverName)) continue;
        int n = LabelDriverNumber(q.driverName);
        if (n >= 1 && n <= kMaxDriverNumber) inUse[static_cast<size_t>(n)] = true;
    }
    std::vector<int> free;
    for (int n = 1; n <= kMaxDriverNumber; ++n) {
        if (!inUse[static_cast<size_t>(n)]) free.push_back(n);
    }
    return free;
}

int ScanLabelDrivers(const std::vector<PrinterInfo2>& queues, int& driverNumber) {
    const std::vector<int> free = FreeDriverNumbers(queues);
    driverNumber = free.empty() ? 0 : free.front();
    return static_cast<int>(
        std::count_if(queues.begin(), queues.end(), [](const PrinterInfo2& q) { return IsLabelDriver(q.driverName); }));
}

int CountLabelDrivers(Spooler& spooler, int& driverNumber) {
    std::vector<PrinterInfo2> queues;
    if (spooler.ListLocalPrinters(queues) != 0) return -2;
    return ScanLabelDrivers(queues, driverNumber);
}

CopyCount ParseCopyCount(const std::string& fieldText) {
    int value = LeadingInt(fieldText.substr(0, 63));
    if (value > kMaxCopyCount) return {kMaxCopyCount, true};
    return {value, false};
}

}  // namespace prinstall
