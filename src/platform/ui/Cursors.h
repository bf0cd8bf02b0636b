// Screen cursors: the standard shapes and the program's own.
#pragma once

#include "platform/ui/Icon.h"
#include "platform/ui/Resources.h"

#include <map>
#include <memory>

namespace ui {

// A screen cursor by index: the standard shapes are negative, the program's own are positive.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// A cursor made from a picture and its hot spot.
using HCURSOR = std::shared_ptr<const TIcon>;

// The cursor resource (RT_CURSOR, a cursor file) of that name; null when there is none or it is
// damaged.
HCURSOR LoadCursorResource(const TResourceId& name);

// The screen's cursor table: the standard shapes, and pictures the program installs by index.
class TScreenCursors {
public:
    // Installs (or, with null, removes) the program's cursor at `index`.
    void Set(TCursor index, HCURSOR cursor);
    // The program's cursor at `index`; null for a standard shape or an empty slot.
    HCURSOR Get(TCursor index) const;

private:
    std::map<TCursor, HCURSOR> custom_;
};

TScreenCursors& ScreenCursors();

// The cursor shown over the whole program while it is not crDefault (busy and SQL-wait cursors).
TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);

} // namespace ui
