// Drawing of 3D edges, frames, frame controls and gradients.
#pragma once

#include "platform/ui/Canvas.h"

namespace ui {

// DrawEdge's edges: each is one pixel, outer then inner.
constexpr uint32_t BDR_RAISEDOUTER = 0x1;
constexpr uint32_t BDR_SUNKENOUTER = 0x2;
constexpr uint32_t BDR_RAISEDINNER = 0x4;
constexpr uint32_t BDR_SUNKENINNER = 0x8;
constexpr uint32_t EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr uint32_t EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr uint32_t EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr uint32_t EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

// DrawEdge's sides and options.
constexpr uint32_t BF_LEFT = 0x1;
constexpr uint32_t BF_TOP = 0x2;
constexpr uint32_t BF_RIGHT = 0x4;
constexpr uint32_t BF_BOTTOM = 0x8;
constexpr uint32_t BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr uint32_t BF_MIDDLE = 0x800;
constexpr uint32_t BF_ADJUST = 0x2000;
constexpr uint32_t BF_FLAT = 0x4000;
constexpr uint32_t BF_MONO = 0x8000;

// Draws the 3D edges of `rect` on the chosen sides in the button colours; the light edge is on the
// top and left of a raised border. BF_MIDDLE fills the inside, BF_ADJUST moves `rect` inside the
// edges drawn.
void DrawEdge(TCanvas& canvas, TRect& rect, uint32_t edge, uint32_t flags);
// `width` one-pixel frames round `rect`, `topLeft` on the top and left sides; `rect` moves inside them.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width);

// DrawFrameControl's kinds and states.
constexpr uint32_t DFC_CAPTION = 1;
constexpr uint32_t DFC_MENU = 2;
constexpr uint32_t DFC_SCROLL = 3;
constexpr uint32_t DFC_BUTTON = 4;
constexpr uint32_t DFCS_BUTTONCHECK = 0x0;
constexpr uint32_t DFCS_BUTTONRADIO = 0x4;
constexpr uint32_t DFCS_BUTTON3STATE = 0x8;
constexpr uint32_t DFCS_BUTTONPUSH = 0x10;
constexpr uint32_t DFCS_CAPTIONCLOSE = 0x0;
constexpr uint32_t DFCS_CAPTIONMIN = 0x1;
constexpr uint32_t DFCS_CAPTIONMAX = 0x2;
constexpr uint32_t DFCS_CAPTIONRESTORE = 0x3;
constexpr uint32_t DFCS_SCROLLUP = 0x0;
constexpr uint32_t DFCS_SCROLLDOWN = 0x1;
constexpr uint32_t DFCS_SCROLLLEFT = 0x2;
constexpr uint32_t DFCS_SCROLLRIGHT = 0x3;
constexpr uint32_t DFCS_SCROLLCOMBOBOX = 0x5;
constexpr uint32_t DFCS_SCROLLSIZEGRIP = 0x8;
constexpr uint32_t DFCS_MENUCHECK = 0x1;
constexpr uint32_t DFCS_INACTIVE = 0x100;
constexpr uint32_t DFCS_PUSHED = 0x200;
constexpr uint32_t DFCS_CHECKED = 0x400;
constexpr uint32_t DFCS_HOT = 0x1000;
constexpr uint32_t DFCS_FLAT = 0x4000;
constexpr uint32_t DFCS_MONO = 0x8000;

// Draws a standard control part (button, check box, radio button, caption or scroll button, menu
// check) in `rect` in the fixed system colours.
void DrawFrameControl(TCanvas& canvas, const TRect& rect, uint32_t kind, uint32_t state);

enum TGradientDirection { gdHorizontal, gdVertical };
// Fills `rect` from `from` to `to`: left to right (horizontal) or top to bottom (vertical).
void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor from, TColor to,
                      TGradientDirection direction);

} // namespace ui
