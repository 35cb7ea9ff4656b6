#include "ui/placement.h"

#include <algorithm>

namespace prinstall::ui {
namespace {

constexpr std::uint32_t kDsCenter = 0x0800;       // DS_CENTER
constexpr std::uint32_t kDsCenterMouse = 0x1000;  // DS_CENTERMOUSE

std::uint32_t Word(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Dword(const std::uint8_t* p) { return Word(p) | (Word(p + 2) << 16); }
int Coordinate(const std::uint8_t* p) { return static_cast<std::int16_t>(Word(p)); }

}  // namespace

ScreenPoint CentredPosition(int width, int height, const ScreenRect& over, const ScreenRect& workArea) {
    // Halves taken of the sums, so that odd sizes round the same way on both sides.
    int x = over.left + (over.right - over.left - width) / 2;
    int y = over.top + (over.bottom - over.top - height) / 2;
    x = std::max(std::min(x, workArea.right - width), workArea.left);
    y = std::max(std::min(y, workArea.bottom - height), workArea.top);
    return {x, y};
}

bool TemplatePlacesItself(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return false;
    std::uint32_t style = 0;
    int x = 0;
    int y = 0;
    // DLGTEMPLATEEX: dlgVer 1, signature 0xFFFF, helpID, exStyle, style, cDlgItems, x, y.
    if (size >= 22 && Word(data) == 1 && Word(data + 2) == 0xFFFF) {
        style = Dword(data + 12);
        x = Coordinate(data + 18);
        y = Coordinate(data + 20);
    } else if (size >= 14) {  // DLGTEMPLATE: style, exStyle, cdit, x, y.
        style = Dword(data);
        x = Coordinate(data + 10);
        y = Coordinate(data + 12);
    } else {
        return false;
    }
    return (style & (kDsCenter | kDsCenterMouse)) != 0 || x != 0 || y != 0;
}

}  // namespace prinstall::ui
