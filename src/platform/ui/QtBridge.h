// Conversions between the framework's types and Qt's.
#pragma once

// Conversions between the framework's types and Qt's. For src/platform/ui only: no other folder
// includes Qt.

#include "platform/ui/Canvas.h"
#include "platform/ui/Color.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Types.h"

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>

#include <string_view>

namespace ui {

// clNone becomes transparent, clDefault an invalid colour; system colours are resolved.
QColor ToQColor(TColor color);
// The other way: transparent is clNone, invalid is clDefault; alpha is otherwise dropped.
TColor FromQColor(const QColor& color);

// The Qt font for a framework font: the family mapped to an installed one, the height in pixels.
QFont ToQFont(const TFont& font);
// The installed family that stands in for `name` (fixed-pitch fonts map to a monospaced one).
QString MapFontFamily(const std::string& name, TFontPitch pitch);

// A Qt palette in the fixed system colours, for the widgets of standard controls.
QPalette SystemPalette();

// The MK_ key flags of a mouse or drag event's buttons and modifiers.
uintptr_t KeysOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// The program's own cursor at that index, else the standard shape (crDefault: the arrow).
QCursor ToQCursor(TCursor cursor);

// The composition that gives a copy mode's raster operation (source over for plain copies).
QPainter::CompositionMode CopyModeComposition(TCopyMode mode);

inline QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}
inline TRect FromQRect(const QRect& r) {
    return Bounds(r.x(), r.y(), r.width(), r.height());
}
inline QPoint ToQPoint(TPoint p) {
    return QPoint(p.X, p.Y);
}
inline TPoint FromQPoint(const QPoint& p) {
    return {p.x(), p.y()};
}

inline QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline QString ToQString(std::u16string_view utf16) {
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}
inline std::string ToUtf8(const QString& text) {
    return text.toStdString();
}
inline std::u16string ToUtf16(const QString& text) {
    return text.toStdU16String();
}

} // namespace ui
