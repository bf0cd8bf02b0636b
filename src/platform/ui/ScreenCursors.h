#pragma once

#include <cstdint>

class QCursor;

namespace ui {

// A screen cursor by index: the standard shapes are negative, the program's own cursors positive.
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

// The Qt cursor of a screen cursor: a registered one, else the standard shape (the arrow for an index
// without either).
QCursor ToQCursor(TCursor cursor);
// Registers the program's cursor `cursor` (the screen's Cursors[index] := ...); replaces an earlier one.
void SetScreenCursor(TCursor cursor, const QCursor& shape);

} // namespace ui
