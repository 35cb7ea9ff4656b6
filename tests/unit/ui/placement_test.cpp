#include "ui/placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace prinstall::ui {
namespace {

const ScreenRect kWorkArea{0, 0, 1280, 1000};

TEST(PlacementTest, CentresOverTheOwnerAndStaysInsideTheWorkArea) {
    EXPECT_EQ(CentredPosition(200, 100, {100, 100, 601, 401}, kWorkArea), (ScreenPoint{250, 200}));
    EXPECT_EQ(CentredPosition(300, 200, kWorkArea, kWorkArea), (ScreenPoint{490, 400}));
    // Owners near an edge: pushed back in, left and top as well as right and bottom.
    EXPECT_EQ(CentredPosition(400, 300, {-100, -50, 100, 50}, kWorkArea), (ScreenPoint{0, 0}));
    EXPECT_EQ(CentredPosition(400, 300, {1200, 950, 1400, 1050}, kWorkArea), (ScreenPoint{880, 700}));
    // Larger than the work area: its caption stays on the screen.
    EXPECT_EQ(CentredPosition(1500, 1100, kWorkArea, {0, 40, 1280, 1000}), (ScreenPoint{0, 40}));
}

std::vector<std::uint8_t> ExTemplate(std::uint32_t style, std::int16_t x, std::int16_t y) {
    std::vector<std::uint8_t> bytes(26, 0);
    bytes[0] = 1;
    bytes[2] = bytes[3] = 0xFF;
    for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<std::uint8_t>(style >> (8 * i));
    bytes[18] = static_cast<std::uint8_t>(x);
    bytes[19] = static_cast<std::uint8_t>(x >> 8);
    bytes[20] = static_cast<std::uint8_t>(y);
    bytes[21] = static_cast<std::uint8_t>(y >> 8);
    return bytes;
}

TEST(PlacementTest, TemplatesWithACentreStyleOrAPositionPlaceThemselves) {
    constexpr std::uint32_t kPopupCaption = 0x80C00000;
    auto places = [](const std::vector<std::uint8_t>& t) { return TemplatePlacesItself(t.data(), t.size()); };
    EXPECT_FALSE(places(ExTemplate(kPopupCaption | 0x80, 0, 0)));  // DS_MODALFRAME alone
    EXPECT_TRUE(places(ExTemplate(kPopupCaption | 0x0800, 0, 0)));
    EXPECT_TRUE(places(ExTemplate(kPopupCaption, -20, 0)));

    // The plain DLGTEMPLATE: style first, x and y after exStyle and the item count.
    std::vector<std::uint8_t> plain(18, 0);
    plain[1] = 0x08;  // DS_CENTER
    EXPECT_TRUE(TemplatePlacesItself(plain.data(), plain.size()));
    plain[1] = 0;
    EXPECT_FALSE(TemplatePlacesItself(plain.data(), plain.size()));
    EXPECT_FALSE(TemplatePlacesItself(plain.data(), 6)) << "too short for a template";
}

}  // namespace
}  // namespace prinstall::ui
