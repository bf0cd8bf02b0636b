#include "platform/ui/Color.h"

#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"

#include <array>
#include <cstdlib>
#include <utility>

namespace ui {

namespace {

// One fixed look for every desktop: the values of a classic light theme.
constexpr std::array<TColor, kSysColorCount> kSysColors = {
    RGB(200, 200, 200), // scroll bar
    RGB(0, 0, 0),       // background
    RGB(153, 180, 209), // active caption
    RGB(191, 205, 219), // inactive caption
    RGB(240, 240, 240), // menu
    RGB(255, 255, 255), // window
    RGB(100, 100, 100), // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(0, 0, 0),       // caption text
    RGB(180, 180, 180), // active border
    RGB(244, 247, 252), // inactive border
    RGB(171, 171, 171), // application workspace
    RGB(0, 120, 215),   // highlight
    RGB(255, 255, 255), // highlight text
    RGB(240, 240, 240), // button face
    RGB(160, 160, 160), // button shadow
    RGB(109, 109, 109), // grey text
    RGB(0, 0, 0),       // button text
    RGB(67, 78, 84),    // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(105, 105, 105), // 3D dark shadow
    RGB(227, 227, 227), // 3D light
    RGB(0, 0, 0),       // info text
    RGB(255, 255, 225), // info background
    RGB(0, 0, 0),       // (unused index)
    RGB(0, 102, 204),   // hot light
    RGB(185, 209, 234), // gradient active caption
    RGB(215, 228, 242), // gradient inactive caption
    RGB(51, 153, 255),  // menu highlight
    RGB(240, 240, 240), // menu bar
};

constexpr std::pair<TColor, const char*> kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

} // namespace

TColor GetSysColor(int index) {
    if (index < 0 || index >= kSysColorCount) return clBlack;
    return kSysColors[static_cast<size_t>(index)];
}

TColor ColorToRGB(TColor color) {
    return IsSystemColor(color) ? GetSysColor(color & 0xFF) : color;
}

std::string ColorToString(TColor color) {
    for (const auto& [value, name] : kColorNames)
        if (value == color) return name;
    return rtl::Format("$%.8X", static_cast<uint32_t>(color));
}

std::optional<TColor> StringToColor(const std::string& text) {
    for (const auto& [value, name] : kColorNames)
        if (data::SameName(text, name)) return value;
    if (text.empty()) return std::nullopt;
    const bool hex = text[0] == '$';
    const char* digits = text.c_str() + (hex ? 1 : 0);
    if (*digits == '\0') return std::nullopt;
    char* end = nullptr;
    const long long value = std::strtoll(digits, &end, hex ? 16 : 10);
    if (*end != '\0' || value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
    return static_cast<TColor>(static_cast<uint32_t>(value));
}

} // namespace ui
