// Visual styles: the switch and the themed drawing of tree and header parts.
#pragma once

#include "platform/ui/Canvas.h"

namespace ui {

// Visual styles: whether controls draw their parts in the window system's style. Off unless switched
// on, so that every desktop shows the same classic look; the style, when on, is one fixed style in the
// fixed system colours.
bool ThemesEnabled();
void SetThemesEnabled(bool on);

// The expand glyph of a tree node, centred in rect.
void DrawThemedTreeGlyph(TCanvas& canvas, const TRect& rect, bool expanded, bool hot);

// A tree item's background in the explorer look.
enum class TThemedTreeItem { Hot, Selected, SelectedNotFocus, HotSelected };
void DrawThemedTreeItem(TCanvas& canvas, const TRect& rect, TThemedTreeItem state);

// A header section; the empty part right of the sections is Background.
enum class TThemedHeaderItem { Normal, Hot, Pressed, Background };
void DrawThemedHeaderItem(TCanvas& canvas, const TRect& rect, TThemedHeaderItem state);

} // namespace ui
