#include "platform/ui/QtBridge.h"

#include "platform/data/NameCompare.h"
#include "platform/ui/Messages.h"

#include <QFontMetricsF>

#include <cmath>

namespace ui {

uintptr_t KeysOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uintptr_t keys = 0;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
    if (modifiers & Qt::AltModifier) keys |= MK_ALT;
    return keys;
}

QColor ToQColor(TColor color) {
    if (color == clNone) return QColor(Qt::transparent);
    if (color == clDefault) return QColor();
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& color) {
    if (!color.isValid()) return clDefault;
    if (color.alpha() == 0) return clNone;
    return RGB(color.red(), color.green(), color.blue());
}

QPalette SystemPalette() {
    QPalette palette;
    const std::pair<QPalette::ColorRole, TColor> roles[] = {
        {QPalette::Window, clBtnFace},
        {QPalette::WindowText, clWindowText},
        {QPalette::Base, clWindow},
        {QPalette::AlternateBase, clBtnFace},
        {QPalette::Text, clWindowText},
        {QPalette::Button, clBtnFace},
        {QPalette::ButtonText, clBtnText},
        {QPalette::BrightText, clHighlightText},
        {QPalette::Highlight, clHighlight},
        {QPalette::HighlightedText, clHighlightText},
        {QPalette::ToolTipBase, clInfoBk},
        {QPalette::ToolTipText, clInfoText},
        {QPalette::Light, clBtnHighlight},
        {QPalette::Midlight, cl3DLight},
        {QPalette::Mid, clBtnShadow},
        {QPalette::Dark, clBtnShadow},
        {QPalette::Shadow, cl3DDkShadow},
        {QPalette::Link, clHotLight},
        {QPalette::PlaceholderText, clGrayText},
    };
    for (const auto& [role, color] : roles)
        palette.setColor(role, ToQColor(color));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, ToQColor(clGrayText));
    return palette;
}

QPainter::CompositionMode CopyModeComposition(TCopyMode mode) {
    switch (mode) {
    case cmSrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case cmSrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case cmSrcInvert:
        return QPainter::RasterOp_SourceXorDestination;
    case cmNotSrcCopy:
        return QPainter::RasterOp_NotSource;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

namespace {

constexpr const char* kSansFamily = "DejaVu Sans";
constexpr const char* kMonoFamily = "DejaVu Sans Mono";

// The faces the program names that Linux lacks, and their stand-ins.
constexpr struct {
    const char* name;
    const char* family;
} kFontMap[] = {
    {"MS Sans Serif", kSansFamily}, {"Tahoma", kSansFamily},         {"Arial", kSansFamily},
    {"Segoe UI", kSansFamily},      {"Verdana", kSansFamily},        {"Small Fonts", kSansFamily},
    {"Courier New", kMonoFamily},   {"Courier", kMonoFamily},        {"Terminal", kMonoFamily},
    {"Fixedsys", kMonoFamily},      {"Lucida Console", kMonoFamily}, {"Consolas", kMonoFamily},
};

} // namespace

QString MapFontFamily(const std::string& name, TFontPitch pitch) {
    for (const auto& entry : kFontMap)
        if (data::SameName(name, entry.name)) return QString::fromLatin1(entry.family);
    if (name.rfind("DejaVu", 0) == 0) return QString::fromStdString(name);
    return QString::fromLatin1(pitch == fpFixed ? kMonoFamily : kSansFamily);
}

QFont ToQFont(const TFont& font) {
    QFont result(MapFontFamily(font.Name(), font.Pitch()));
    result.setStyleHint(font.Pitch() == fpFixed ? QFont::Monospace : QFont::SansSerif);
    result.setHintingPreference(QFont::PreferFullHinting);
    const TFontStyles style = font.Style();
    result.setBold(style.Contains(fsBold));
    result.setItalic(style.Contains(fsItalic));
    result.setUnderline(style.Contains(fsUnderline));
    result.setStrikeOut(style.Contains(fsStrikeOut));
    int pixels = std::abs(font.Height());
    if (font.Height() > 0) {
        // A positive height is the whole cell: scale the em so that ascent + descent fill it.
        QFont probe = result;
        probe.setPixelSize(100);
        const QFontMetricsF metrics(probe);
        pixels =
            static_cast<int>(std::lround(font.Height() * 100.0 / (metrics.ascent() + metrics.descent())));
    }
    result.setPixelSize(std::max(pixels, 1));
    return result;
}

} // namespace ui
