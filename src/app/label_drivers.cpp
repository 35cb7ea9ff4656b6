#include "app/label_drivers.h"

#include <array>
#include <climits>
#include <cstring>

#include "app/texts.h"

namespace prinstall {

std::string LabelDriverName(int driverNumber) { return format("%s%d", kLabelDriverPrefix, driverNumber); }

std::string ProposedQueueName(int labelDriverCount, int driverNumber) {
    if (labelDriverCount == 0) return kModelName;
    return format("%s %d", kModelName, driverNumber);
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

int ScanLabelDrivers(const std::vector<PrinterInfo2>& queues, int& driverNumber) {
    std::array<bool, kMaxDriverNumber + 1> inUse{};
    int count = 0;
    for (const PrinterInfo2& q : queues) {
        if (!IsLabelDriver(q.driverName)) continue;
        ++count;
        int n = LabelDriverNumber(q.driverName);
        if (n >= 1 && n <= kMaxDriverNumber) inUse[static_cast<size_t>(n)] = true;
    }
    for (int n = 1; n <= kMaxDriverNumber; ++n) {
        if (!inUse[static_cast<size_t>(n)]) {
            driverNumber = n;
            break;
        }
    }
    return count;
}

CopyCount ParseCopyCount(const std::string& fieldText) {
    int value = LeadingInt(fieldText.substr(0, 63));
    if (value > kMaxCopyCount) return {kMaxCopyCount, true};
    return {value, false};
}

}  // namespace prinstall
