#include "platform/ui/Canvas.h"

#include "platform/rtl/Utf.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphic.h"
#include "platform/ui/QtBridge.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <cstdlib>

namespace ui {

namespace {

QPainter::CompositionMode PenComposition(TPenMode mode) {
    switch (mode) {
    case pmNot:
        return QPainter::RasterOp_NotDestination;
    case pmNotCopy:
        return QPainter::RasterOp_NotSource;
    case pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

Qt::PenStyle QtPenStyle(TPenStyle style) {
    switch (style) {
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

Qt::BrushStyle QtBrushStyle(TBrushStyle style) {
    switch (style) {
    case bsClear:
        return Qt::NoBrush;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::FDiagPattern;
    case bsBDiagonal:
        return Qt::BDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

QPen ToQPen(const TPen& pen) {
    if (pen.Style() == psClear || pen.Mode() == pmNop) return QPen(Qt::NoPen);
    QColor color = ToQColor(pen.Color());
    if (pen.Mode() == pmBlack) color = Qt::black;
    if (pen.Mode() == pmWhite) color = Qt::white;
    QPen result(color, pen.Width() <= 1 ? 0 : pen.Width(), QtPenStyle(pen.Style()), Qt::SquareCap,
                Qt::MiterJoin);
    return result;
}

QBrush ToQBrush(const TBrush& brush, TPoint origin) {
    if (const TBitmap* pattern = brush.Bitmap(); pattern && !pattern->Empty()) {
        QBrush result(pattern->Image());
        result.setTransform(QTransform::fromTranslate(origin.X, origin.Y));
        return result;
    }
    return QBrush(ToQColor(brush.Color()), QtBrushStyle(brush.Style()));
}

// The last pixel a line from `from` to `to` covers before reaching `to` (which it excludes).
QPoint LineEnd(QPoint from, QPoint to) {
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0) return from;
    const double t = (steps - 1.0) / steps;
    return QPoint(from.x() + static_cast<int>(std::lround(dx * t)),
                  from.y() + static_cast<int>(std::lround(dy * t)));
}

// Restores the painter's state when a drawing call ends.
class PainterState {
public:
    explicit PainterState(QPainter* painter) : painter_(painter) {
        if (painter_) painter_->save();
    }
    ~PainterState() {
        if (painter_) painter_->restore();
    }
    PainterState(const PainterState&) = delete;
    PainterState& operator=(const PainterState&) = delete;

private:
    QPainter* painter_;
};

} // namespace

struct TCanvas::SavedState {
    State state;
    std::unique_ptr<TFont> font = std::make_unique<TFont>();
    std::unique_ptr<TPen> pen = std::make_unique<TPen>();
    std::unique_ptr<TBrush> brush = std::make_unique<TBrush>();
};

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {}

TCanvas::~TCanvas() {
    Flush();
}

// ---- Binding ----

void TCanvas::SetImage(QImage* image) {
    Flush();
    image_ = image;
}

void TCanvas::BeginPaint(QPainter* painter) {
    Flush();
    paintPainter_ = painter;
    paintClip_.reset();
    if (!painter) return;
    if (painter->hasClipping()) paintClip_ = TRegion(painter->clipRegion());
    // The painter's own state lies under one saved level; ApplyState rebuilds the canvas's on top.
    painter->save();
    ApplyState();
}

void TCanvas::EndPaint() {
    if (paintPainter_) paintPainter_->restore();
    paintPainter_ = nullptr;
}

QPainter* TCanvas::Painter() {
    if (paintPainter_) return paintPainter_;
    if (!ownPainter_ && image_) {
        PrepareImage(true);
        if (image_->isNull()) return nullptr;
        ownPainter_ = std::make_unique<QPainter>(image_);
        if (!ownPainter_->isActive()) {
            ownPainter_.reset();
            return nullptr;
        }
        ownPainter_->save();
        ApplyState();
    }
    return ownPainter_.get();
}

void TCanvas::Flush() {
    if (ownPainter_) {
        ownPainter_->restore();
        ownPainter_->end();
        ownPainter_.reset();
    }
}

QImage* TCanvas::Image() {
    if (paintPainter_) return nullptr;
    Flush();
    if (image_) PrepareImage(false);
    return image_;
}

bool TCanvas::HandleAllocated() const {
    return paintPainter_ || (image_ && !image_->isNull());
}

// ---- Clipping, origin and saved states ----

void TCanvas::ApplyState() {
    QPainter* p = paintPainter_ ? paintPainter_ : ownPainter_.get();
    if (!p) return;
    p->restore();
    p->save();
    if (state_.clip) p->setClipRegion(state_.clip->Native(), Qt::IntersectClip);
    if (state_.origin != TPoint{}) p->translate(-state_.origin.X, -state_.origin.Y);
}

TRegion TCanvas::DeviceClip() const {
    if (state_.clip) return *state_.clip;
    if (paintClip_) return *paintClip_;
    if (paintPainter_ && paintPainter_->device())
        return TRegion(Rect(0, 0, paintPainter_->device()->width(), paintPainter_->device()->height()));
    if (image_) return TRegion(Rect(0, 0, image_->width(), image_->height()));
    return TRegion();
}

TRect TCanvas::ClipRect() const {
    return OffsetRect(DeviceClip().BoundingRect(), state_.origin.X, state_.origin.Y);
}

void TCanvas::SelectClipRegion(const TRegion* region) {
    if (region) {
        state_.clip = *region;
    } else {
        state_.clip.reset();
    }
    ApplyState();
}

void TCanvas::IntersectClipRect(const TRect& rect) {
    const TRegion clipped = DeviceClip() & TRegion(OffsetRect(rect, -state_.origin.X, -state_.origin.Y));
    SelectClipRegion(&clipped);
}

void TCanvas::ExcludeClipRect(const TRect& rect) {
    const TRegion clipped = DeviceClip() - TRegion(OffsetRect(rect, -state_.origin.X, -state_.origin.Y));
    SelectClipRegion(&clipped);
}

void TCanvas::SetWindowOrg(TPoint origin) {
    state_.origin = origin;
    ApplyState();
}

void TCanvas::SaveState() {
    SavedState saved;
    saved.state = state_;
    saved.font->Assign(font_.get());
    saved.pen->Assign(pen_.get());
    saved.brush->Assign(brush_.get());
    saved_.push_back(std::move(saved));
}

void TCanvas::RestoreState() {
    if (saved_.empty()) return;
    SavedState saved = std::move(saved_.back());
    saved_.pop_back();
    state_ = saved.state;
    font_->Assign(saved.font.get());
    pen_->Assign(saved.pen.get());
    brush_->Assign(saved.brush.get());
    ApplyState();
}

// ---- Shapes ----

void TCanvas::LineTo(int x, int y) {
    const QPoint from = ToQPoint(penPos_);
    const QPoint to(x, y);
    penPos_ = {x, y};
    QPainter* p = Painter();
    if (!p || from == to) return;
    PainterState state(p);
    p->setCompositionMode(PenComposition(pen_->Mode()));
    p->setPen(ToQPen(*pen_));
    p->drawLine(from, LineEnd(from, to));
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.empty()) return;
    MoveTo(points.front().X, points.front().Y);
    for (size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].X, points[i].Y);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    QPainter* p = Painter();
    if (!p || points.empty()) return;
    QPolygon polygon;
    for (TPoint point : points)
        polygon << ToQPoint(point);
    PainterState state(p);
    p->setCompositionMode(PenComposition(pen_->Mode()));
    p->setPen(ToQPen(*pen_));
    p->setBrush(ToQBrush(*brush_, brushOrigin_));
    p->drawPolygon(polygon);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    QPainter* p = Painter();
    if (!p || right <= left || bottom <= top) return;
    PainterState state(p);
    p->setCompositionMode(PenComposition(pen_->Mode()));
    p->setPen(ToQPen(*pen_));
    p->setBrush(ToQBrush(*brush_, brushOrigin_));
    // A one-pixel outline covers left..right-1; QPainter's outline covers x..x+width.
    p->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    QPainter* p = Painter();
    if (!p || right <= left || bottom <= top) return;
    PainterState state(p);
    p->setPen(ToQPen(*pen_));
    p->setBrush(ToQBrush(*brush_, brushOrigin_));
    p->drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1), cornerWidth / 2.0,
                       cornerHeight / 2.0);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    QPainter* p = Painter();
    if (!p || right <= left || bottom <= top) return;
    PainterState state(p);
    p->setPen(ToQPen(*pen_));
    p->setBrush(ToQBrush(*brush_, brushOrigin_));
    p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::FillRect(const TRect& r) {
    QPainter* p = Painter();
    if (!p || r.IsEmpty() || (brush_->Style() == bsClear && !brush_->Bitmap())) return;
    p->fillRect(ToQRect(r), ToQBrush(*brush_, brushOrigin_));
}

void TCanvas::FrameRect(const TRect& r) {
    QPainter* p = Painter();
    if (!p || r.IsEmpty()) return;
    const QColor color = ToQColor(brush_->Color());
    p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), color);
    p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), color);
    p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), color);
    p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), color);
}

void TCanvas::DrawFocusRect(const TRect& r) {
    QPainter* p = Painter();
    if (!p || r.IsEmpty()) return;
    PainterState state(p);
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    // Every other pixel along the frame, counted from the surface's origin like a pattern brush.
    QBrush dots(Qt::white, Qt::Dense4Pattern);
    p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), dots);
    if (r.Height() > 1) p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), dots);
    if (r.Height() > 2) {
        p->fillRect(QRect(r.Left, r.Top + 1, 1, r.Height() - 2), dots);
        if (r.Width() > 1) p->fillRect(QRect(r.Right - 1, r.Top + 1, 1, r.Height() - 2), dots);
    }
}

// ---- Text ----

namespace {

void DrawTextCell(QPainter* p, const TCanvas& canvas, int x, int y, const QString& text, const QRect* clip) {
    const QFont font = ToQFont(*canvas.Font());
    const QFontMetrics metrics(font);
    const QRect cell(x, y, metrics.horizontalAdvance(text), metrics.height());
    PainterState state(p);
    if (clip) p->setClipRect(*clip, Qt::IntersectClip);
    const TBrush& brush = *canvas.Brush();
    if (brush.Style() != bsClear) p->fillRect(clip ? *clip : cell, ToQColor(brush.Color()));
    p->setFont(font);
    p->setPen(ToQColor(canvas.Font()->Color()));
    p->drawText(QPoint(x, y + metrics.ascent()), text);
}

} // namespace

namespace {

// The layout's view of a Qt font.
class FontMeasurer : public TTextMeasurer {
public:
    explicit FontMeasurer(const QFont& font) : metrics_(font) {}
    int Width(std::u16string_view text) const override { return metrics_.horizontalAdvance(ToQString(text)); }
    int LineHeight() const override { return metrics_.height(); }
    int ExternalLeading() const override { return metrics_.leading(); }
    int AverageCharWidth() const override { return metrics_.averageCharWidth(); }
    const QFontMetrics& Metrics() const { return metrics_; }

private:
    QFontMetrics metrics_;
};

} // namespace

int TCanvas::DrawText(std::string_view text, TRect& rect, TTextFormat format) {
    return DrawText(rtl::Utf8ToUtf16(text), rect, format);
}

int TCanvas::DrawText(std::u16string_view text, TRect& rect, TTextFormat format) {
    const QFont font = ToQFont(*font_);
    const FontMeasurer measurer(font);
    const TTextLayout layout = LayoutText(text, rect.Width(), format, measurer);
    if (format & DT_CALCRECT) {
        rect.Right = rect.Left + layout.width;
        rect.Bottom = rect.Top + layout.Height();
        return layout.Height();
    }
    int top = rect.Top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect.Top + (rect.Height() - layout.lineHeight) / 2;
        if (format & DT_BOTTOM) top = rect.Bottom - layout.lineHeight;
    }
    const int result = top - rect.Top + layout.Height();
    QPainter* p = Painter();
    if (!p) return result;
    PainterState state(p);
    if (!(format & DT_NOCLIP)) p->setClipRect(ToQRect(rect), Qt::IntersectClip);
    p->setFont(font);
    const QColor textColor = ToQColor(font_->Color());
    p->setPen(textColor);
    if (format & DT_RTLREADING) p->setLayoutDirection(Qt::RightToLeft);
    const QFontMetrics& metrics = measurer.Metrics();
    int y = top;
    for (const TTextLine& line : layout.lines) {
        int x = rect.Left;
        if (format & DT_CENTER) x = rect.Left + (rect.Width() - line.width) / 2;
        if (format & DT_RIGHT) x = rect.Right - line.width;
        if (brush_->Style() != bsClear && !(format & DT_PREFIXONLY))
            p->fillRect(QRect(x, y, line.width, layout.lineHeight), ToQColor(brush_->Color()));
        if (!(format & DT_PREFIXONLY)) {
            if (format & DT_EXPANDTABS) {
                for (const auto& [offset, segment] : TabSegments(line.text, measurer))
                    p->drawText(QPoint(x + offset, y + metrics.ascent()), ToQString(segment));
            } else {
                p->drawText(QPoint(x, y + metrics.ascent()), ToQString(line.text));
            }
        }
        if (line.mnemonic >= 0 && !(format & DT_HIDEPREFIX)) {
            const std::u16string_view before = std::u16string_view(line.text).substr(0, line.mnemonic);
            const int start = x + MeasureText(before, measurer, format & DT_EXPANDTABS);
            const int width = measurer.Width(std::u16string_view(line.text).substr(line.mnemonic, 1));
            const int thickness = std::max(1, metrics.lineWidth());
            p->fillRect(QRect(start, y + metrics.ascent() + metrics.underlinePos(), width, thickness),
                        textColor);
        }
        y += layout.lineHeight;
    }
    return result;
}

void TCanvas::ExtTextOut(int x, int y, TTextOutOptions options, const TRect* rect, std::u16string_view text,
                         const int* advances) {
    QPainter* p = Painter();
    if (!p) return;
    const QFont font = ToQFont(*font_);
    const QFontMetrics metrics(font);
    PainterState state(p);
    if (rect && (options & ETO_OPAQUE)) p->fillRect(ToQRect(*rect), ToQColor(brush_->Color()));
    if (rect && (options & ETO_CLIPPED)) p->setClipRect(ToQRect(*rect), Qt::IntersectClip);
    p->setFont(font);
    p->setPen(ToQColor(font_->Color()));
    const QString s = ToQString(text);
    if (!advances) {
        if (brush_->Style() != bsClear && !(options & ETO_OPAQUE))
            p->fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()),
                        ToQColor(brush_->Color()));
        p->drawText(QPoint(x, y + metrics.ascent()), s);
        return;
    }
    // Each character at its own place; a surrogate pair is one character with the pair's advances.
    int pos = x;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const qsizetype length = s[i].isHighSurrogate() && i + 1 < s.size() ? 2 : 1;
        p->drawText(QPoint(pos, y + metrics.ascent()), s.mid(i, length));
        for (qsizetype k = 0; k < length; ++k)
            pos += advances[i + k];
        i += length - 1;
    }
}

TTextMetric TCanvas::TextMetrics() const {
    const QFont font = ToQFont(*font_);
    const QFontMetrics metrics(font);
    TTextMetric tm;
    tm.tmHeight = metrics.height();
    tm.tmAscent = metrics.ascent();
    tm.tmDescent = metrics.descent();
    tm.tmInternalLeading = std::max(0, metrics.height() - font.pixelSize());
    tm.tmExternalLeading = metrics.leading();
    tm.tmAveCharWidth = metrics.averageCharWidth();
    tm.tmMaxCharWidth = metrics.maxWidth();
    tm.fixedPitch = QFontInfo(font).fixedPitch();
    return tm;
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    TextOut(x, y, rtl::Utf8ToUtf16(text));
}

void TCanvas::TextOut(int x, int y, std::u16string_view text) {
    const QString s = ToQString(text);
    penPos_ = {x + QFontMetrics(ToQFont(*font_)).horizontalAdvance(s), y};
    if (QPainter* p = Painter()) DrawTextCell(p, *this, x, y, s, nullptr);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
    TextRect(rect, x, y, rtl::Utf8ToUtf16(text));
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::u16string_view text) {
    QPainter* p = Painter();
    if (!p) return;
    const QRect clip = ToQRect(rect);
    DrawTextCell(p, *this, x, y, ToQString(text), &clip);
}

TSize TCanvas::TextExtent(std::string_view text) const {
    const QFontMetrics metrics(ToQFont(*font_));
    return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

TSize TCanvas::TextExtent(std::u16string_view text) const {
    const QFontMetrics metrics(ToQFont(*font_));
    return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

// ---- Images ----

void TCanvas::Draw(int x, int y, const TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& destRect, TCanvas& source, const TRect& sourceRect) {
    // Taken first: the source may be this canvas.
    QImage* sourceImage = source.Image();
    const TRect area = OffsetRect(sourceRect, -source.state_.origin.X, -source.state_.origin.Y);
    const QImage copy = sourceImage ? sourceImage->copy(ToQRect(area)) : QImage();
    QPainter* p = Painter();
    if (!p || copy.isNull()) return;
    PainterState state(p);
    switch (copyMode_) {
    case cmBlackness:
        p->fillRect(ToQRect(destRect), Qt::black);
        return;
    case cmWhiteness:
        p->fillRect(ToQRect(destRect), Qt::white);
        return;
    case cmDstInvert:
        p->setCompositionMode(QPainter::RasterOp_NotDestination);
        p->fillRect(ToQRect(destRect), Qt::black);
        return;
    default:
        break;
    }
    p->setCompositionMode(CopyModeComposition(copyMode_));
    p->drawImage(ToQRect(destRect), copy.convertToFormat(QImage::Format_RGB32));
}

// ---- Pixels ----

TColor TCanvas::Pixel(int x, int y) {
    QImage* image = Image();
    x -= state_.origin.X;
    y -= state_.origin.Y;
    if (!image || !image->valid(x, y)) return clNone;
    return FromQColor(QColor(image->pixel(x, y)).toRgb());
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    QPainter* p = Painter();
    if (!p) return;
    PainterState state(p);
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

TRect MeasureText(const TFont& font, std::string_view text, TRect rect, TTextFormat format) {
    QImage surface(1, 1, QImage::Format_ARGB32);
    TCanvas canvas;
    canvas.SetImage(&surface);
    canvas.SetFont(&font);
    canvas.DrawText(text, rect, format | DT_CALCRECT);
    canvas.SetImage(nullptr);
    return rect;
}

} // namespace ui
