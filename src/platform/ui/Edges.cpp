#include "platform/ui/Edges.h"

#include "platform/ui/QtBridge.h"

#include <QPainter>
#include <QPolygon>

namespace ui {

namespace {

// One pixel wide frame: top-left colour first, the bottom-right one over the corners it shares.
void Frame(QPainter& p, const TRect& r, TColor topLeft, TColor bottomRight, uint32_t sides) {
    const QColor light = ToQColor(topLeft);
    const QColor dark = ToQColor(bottomRight);
    if (sides & BF_LEFT) p.fillRect(QRect(r.Left, r.Top, 1, r.Height()), light);
    if (sides & BF_TOP) p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), light);
    if (sides & BF_RIGHT) p.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), dark);
    if (sides & BF_BOTTOM) p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), dark);
}

TRect Shrink(TRect r, uint32_t sides) {
    if (sides & BF_LEFT) ++r.Left;
    if (sides & BF_TOP) ++r.Top;
    if (sides & BF_RIGHT) --r.Right;
    if (sides & BF_BOTTOM) --r.Bottom;
    return r;
}

// The colours of each ring: outer then inner, top-left then bottom-right.
struct Ring {
    TColor topLeft;
    TColor bottomRight;
};

void Triangle(QPainter& p, const TRect& r, int direction, TColor color) {
    // direction: 0 up, 1 down, 2 left, 3 right
    const int size = std::max(2, std::min(r.Width(), r.Height()) / 4);
    const int cx = r.Left + r.Width() / 2;
    const int cy = r.Top + r.Height() / 2;
    QPolygon triangle;
    switch (direction) {
    case 0:
        triangle << QPoint(cx - size, cy + size / 2) << QPoint(cx + size, cy + size / 2)
                 << QPoint(cx, cy - size / 2 - 1);
        break;
    case 1:
        triangle << QPoint(cx - size, cy - size / 2) << QPoint(cx + size, cy - size / 2)
                 << QPoint(cx, cy + size / 2 + 1);
        break;
    case 2:
        triangle << QPoint(cx + size / 2, cy - size) << QPoint(cx + size / 2, cy + size)
                 << QPoint(cx - size / 2 - 1, cy);
        break;
    default:
        triangle << QPoint(cx - size / 2, cy - size) << QPoint(cx - size / 2, cy + size)
                 << QPoint(cx + size / 2 + 1, cy);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(ToQColor(color));
    p.drawPolygon(triangle);
}

void CheckMark(QPainter& p, const TRect& box, TColor color) {
    QPen pen(ToQColor(color), std::max(2, box.Width() / 6));
    p.setPen(pen);
    const int w = box.Width();
    const int h = box.Height();
    p.drawPolyline(QPolygon() << QPoint(box.Left + w / 5, box.Top + h / 2)
                              << QPoint(box.Left + w * 2 / 5, box.Top + h * 3 / 4)
                              << QPoint(box.Left + w * 4 / 5, box.Top + h / 4));
}

void CaptionGlyph(QPainter& p, const TRect& r, uint32_t which, TColor color) {
    const QColor c = ToQColor(color);
    const TRect g = InflateRect(r, -std::max(2, r.Width() / 4), -std::max(2, r.Height() / 4));
    p.setPen(QPen(c, 1));
    switch (which) {
    case DFCS_CAPTIONCLOSE:
        p.drawLine(g.Left, g.Top, g.Right - 1, g.Bottom - 1);
        p.drawLine(g.Left, g.Bottom - 1, g.Right - 1, g.Top);
        break;
    case DFCS_CAPTIONMIN:
        p.fillRect(QRect(g.Left, g.Bottom - 2, g.Width(), 2), c);
        break;
    case DFCS_CAPTIONMAX:
        p.drawRect(QRect(g.Left, g.Top, g.Width() - 1, g.Height() - 1));
        p.fillRect(QRect(g.Left, g.Top, g.Width(), 2), c);
        break;
    default: // restore: two overlapping windows
        p.drawRect(QRect(g.Left + 2, g.Top, g.Width() - 3, g.Height() - 3));
        p.drawRect(QRect(g.Left, g.Top + 2, g.Width() - 3, g.Height() - 3));
    }
}

} // namespace

void DrawEdge(TCanvas& canvas, TRect& rect, uint32_t edge, uint32_t flags) {
    QPainter* p = canvas.Painter();
    const uint32_t sides = flags & BF_RECT;
    Ring outer{clNone, clNone};
    Ring inner{clNone, clNone};
    if (flags & BF_MONO) {
        if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) outer = {clWindowFrame, clWindowFrame};
        if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) inner = {clWindow, clWindow};
    } else if (flags & BF_FLAT) {
        if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) outer = {clBtnShadow, clBtnShadow};
        if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) inner = {clBtnFace, clBtnFace};
    } else {
        if (edge & BDR_RAISEDOUTER) outer = {cl3DLight, cl3DDkShadow};
        if (edge & BDR_SUNKENOUTER) outer = {clBtnShadow, clBtnHighlight};
        if (edge & BDR_RAISEDINNER) inner = {clBtnHighlight, clBtnShadow};
        if (edge & BDR_SUNKENINNER) inner = {cl3DDkShadow, cl3DLight};
    }
    TRect r = rect;
    for (const Ring& ring : {outer, inner}) {
        if (ring.topLeft == clNone) continue;
        if (p) Frame(*p, r, ring.topLeft, ring.bottomRight, sides);
        r = Shrink(r, sides);
    }
    if ((flags & BF_MIDDLE) && p && !r.IsEmpty())
        p->fillRect(ToQRect(r), ToQColor(flags & BF_MONO ? clWindow : clBtnFace));
    if (flags & BF_ADJUST) rect = r;
}

void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width) {
    QPainter* p = canvas.Painter();
    for (int i = 0; i < width; ++i) {
        if (p) Frame(*p, rect, topLeft, bottomRight, BF_RECT);
        rect = Shrink(rect, BF_RECT);
    }
}

void DrawFrameControl(TCanvas& canvas, const TRect& rect, uint32_t kind, uint32_t state) {
    QPainter* p = canvas.Painter();
    if (!p || rect.IsEmpty()) return;
    p->save();
    const bool inactive = state & DFCS_INACTIVE;
    const bool pushed = state & DFCS_PUSHED;
    const bool flat = state & (DFCS_FLAT | DFCS_MONO);
    const TColor glyph = inactive ? clGrayText : clBtnText;
    TRect face = rect;
    auto button = [&] {
        DrawEdge(canvas, face, pushed ? EDGE_SUNKEN : EDGE_RAISED,
                 BF_RECT | BF_MIDDLE | BF_ADJUST | (flat ? BF_FLAT : 0));
        if (pushed) face = OffsetRect(face, 1, 1);
    };
    switch (kind) {
    case DFC_BUTTON: {
        const uint32_t type = state & 0xFF;
        if (type == DFCS_BUTTONPUSH) {
            button();
            break;
        }
        // Check boxes and radio buttons: a square box at most 13 pixels, centred.
        const int size = std::min({13, rect.Width(), rect.Height()});
        TRect box =
            Bounds(rect.Left + (rect.Width() - size) / 2, rect.Top + (rect.Height() - size) / 2, size, size);
        const TColor background = inactive || pushed ? clBtnFace : clWindow;
        const bool checked = state & DFCS_CHECKED;
        if (type & DFCS_BUTTONRADIO) {
            p->setRenderHint(QPainter::Antialiasing);
            p->setPen(QPen(ToQColor(flat ? clWindowFrame : clBtnShadow), 1));
            p->setBrush(ToQColor(background));
            p->drawEllipse(QRectF(box.Left + 0.5, box.Top + 0.5, size - 1, size - 1));
            if (checked) {
                p->setPen(Qt::NoPen);
                p->setBrush(ToQColor(glyph));
                p->drawEllipse(QRectF(box.Left + size / 3.0, box.Top + size / 3.0, size / 3.0, size / 3.0));
            }
        } else {
            DrawEdge(canvas, box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | (flat ? BF_MONO : 0));
            p->fillRect(ToQRect(box), ToQColor(background));
            if (checked) CheckMark(*p, box, (type & DFCS_BUTTON3STATE) ? clBtnShadow : glyph);
        }
        break;
    }
    case DFC_CAPTION:
        button();
        CaptionGlyph(*p, face, state & 0xFF, glyph);
        break;
    case DFC_SCROLL: {
        const uint32_t type = state & 0xFF;
        if (type == DFCS_SCROLLSIZEGRIP) {
            p->setPen(QPen(ToQColor(clBtnShadow), 1));
            for (int i = 2; i < std::min(rect.Width(), rect.Height()); i += 4)
                p->drawLine(rect.Right - 1, rect.Bottom - 1 - i, rect.Right - 1 - i, rect.Bottom - 1);
            break;
        }
        button();
        Triangle(*p, face, type == DFCS_SCROLLCOMBOBOX ? 1 : static_cast<int>(type), glyph);
        break;
    }
    case DFC_MENU:
        if ((state & 0xFF) == DFCS_MENUCHECK) CheckMark(*p, rect, glyph);
        break;
    }
    p->restore();
}

void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor from, TColor to,
                      TGradientDirection direction) {
    QPainter* p = canvas.Painter();
    if (!p || rect.IsEmpty()) return;
    const TColor a = ColorToRGB(from);
    const TColor b = ColorToRGB(to);
    const int steps = direction == gdHorizontal ? rect.Width() : rect.Height();
    // One band per pixel line; the last band is exactly `to`.
    for (int i = 0; i < steps; ++i) {
        const int num = steps > 1 ? i : 0;
        const int den = std::max(1, steps - 1);
        auto mix = [&](int ca, int cb) { return ca + (cb - ca) * num / den; };
        const QColor c(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                       mix(GetBValue(a), GetBValue(b)));
        if (direction == gdHorizontal) {
            p->fillRect(QRect(rect.Left + i, rect.Top, 1, rect.Height()), c);
        } else {
            p->fillRect(QRect(rect.Left, rect.Top + i, rect.Width(), 1), c);
        }
    }
}

} // namespace ui
