#include "platform/ui/Graphics.h"

#include "platform/ui/Bitmap.h"

#include <cmath>

namespace ui {

namespace {

// Sets `field` and reports whether it changed.
template <class T>
bool Update(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}

} // namespace

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

// ---- TFont ----

void TFont::SetName(const std::string& name) {
    if (!name.empty() && Update(name_, name)) Changed();
}

int TFont::Size() const {
    return -static_cast<int>(std::lround(height_ * 72.0 / kScreenPixelsPerInch));
}

void TFont::SetSize(int points) {
    SetHeight(-static_cast<int>(std::lround(points * static_cast<double>(kScreenPixelsPerInch) / 72.0)));
}

void TFont::SetHeight(int pixels) {
    if (Update(height_, pixels)) Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (Update(style_, style)) Changed();
}

void TFont::SetColor(TColor color) {
    if (Update(color_, color)) Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (Update(pitch_, pitch)) Changed();
}

void TFont::SetCharset(TFontCharset charset) {
    if (Update(charset_, charset)) Changed();
}

bool TFont::operator==(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ &&
           color_ == other.color_ && pitch_ == other.pitch_ && charset_ == other.charset_;
}

void TFont::Assign(const TPersistent* source) {
    if (auto font = dynamic_cast<const TFont*>(source)) {
        if (*font == *this) return;
        name_ = font->name_;
        height_ = font->height_;
        style_ = font->style_;
        color_ = font->color_;
        pitch_ = font->pitch_;
        charset_ = font->charset_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

// ---- TPen ----

void TPen::SetColor(TColor color) {
    if (Update(color_, color)) Changed();
}

void TPen::SetWidth(int width) {
    if (width >= 0 && Update(width_, width)) Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (Update(style_, style)) Changed();
}

void TPen::SetMode(TPenMode mode) {
    if (Update(mode_, mode)) Changed();
}

void TPen::Assign(const TPersistent* source) {
    if (auto pen = dynamic_cast<const TPen*>(source)) {
        color_ = pen->color_;
        width_ = pen->width_;
        style_ = pen->style_;
        mode_ = pen->mode_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

// ---- TBrush ----

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::SetColor(TColor color) {
    if (!Update(color_, color)) return;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (Update(style_, style)) Changed();
}

void TBrush::SetBitmap(const TBitmap* pattern) {
    if (pattern) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->Assign(pattern);
    } else {
        bitmap_.reset();
    }
    Changed();
}

void TBrush::Assign(const TPersistent* source) {
    if (auto brush = dynamic_cast<const TBrush*>(source)) {
        color_ = brush->color_;
        style_ = brush->style_;
        SetBitmap(brush->bitmap_.get());
        return;
    }
    TGraphicsObject::Assign(source);
}

} // namespace ui
