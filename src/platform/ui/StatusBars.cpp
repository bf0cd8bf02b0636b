#include "platform/ui/StatusBars.h"

#include "platform/ui/Edges.h"

#include <algorithm>

namespace ui {

namespace {

constexpr int kPanelGap = 2;
constexpr int kTextMargin = 2;

void DrawPanelText(TCanvas& canvas, const std::string& text, TRect rect, TAlignment alignment) {
    static constexpr TTextFormat kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    rect = InflateRect(rect, -kTextMargin, 0);
    canvas.Brush()->SetStyle(bsClear);
    canvas.DrawText(text, rect,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | kAlign[alignment]);
}

} // namespace

void TStatusPanel::Changed() {
    bar_->PanelsChanged();
}

void TStatusPanel::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Changed();
}

void TStatusPanel::SetWidth(int width) {
    width_ = width;
    Changed();
}

void TStatusPanel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Changed();
}

void TStatusPanel::SetStyle(TStatusPanelStyle style) {
    style_ = style;
    Changed();
}

void TStatusPanel::SetBevel(TStatusPanelBevel bevel) {
    bevel_ = bevel;
    Changed();
}

int TStatusPanel::Index() const {
    return bar_->Panels().IndexOf(this);
}

TStatusPanel* TStatusPanels::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return panels_[index].get();
}

TStatusPanel* TStatusPanels::Add() {
    panels_.push_back(std::make_unique<TStatusPanel>(bar_));
    bar_->PanelsChanged();
    return panels_.back().get();
}

void TStatusPanels::Delete(int index) {
    Items(index);
    panels_.erase(panels_.begin() + index);
    bar_->PanelsChanged();
}

void TStatusPanels::Clear() {
    panels_.clear();
    bar_->PanelsChanged();
}

int TStatusPanels::IndexOf(const TStatusPanel* panel) const {
    for (int i = 0; i < Count(); ++i)
        if (panels_[i].get() == panel) return i;
    return -1;
}

// ---------------------------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* owner) : TCustomControl(owner), panels_(this) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() {
    Destroying();
    DestroyHandle();
}

void TStatusBar::SetSimplePanel(bool value) {
    simplePanel_ = value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& text) {
    simpleText_ = text;
    if (simplePanel_) Invalidate();
}

TRect TStatusBar::PanelRect(int index) const {
    panels_.Items(index);
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += panels_[i]->Width() + kPanelGap;
    const int right = index == panels_.Count() - 1 ? ClientWidth()
                                                   : std::min(left + panels_[index]->Width(), ClientWidth());
    return Rect(left, kPanelGap, std::max(left, right), ClientHeight());
}

void TStatusBar::Paint() {
    TCanvas& canvas = *Canvas();
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    canvas.FillRect(ClientRect());
    canvas.SetFont(Font());
    if (simplePanel_) {
        DrawPanelText(canvas, simpleText_, Rect(0, kPanelGap, ClientWidth(), ClientHeight()), taLeftJustify);
        return;
    }
    for (int i = 0; i < panels_.Count(); ++i) {
        TStatusPanel* panel = panels_[i];
        TRect r = PanelRect(i);
        if (panel->Bevel() != pbNone)
            DrawEdge(canvas, r, panel->Bevel() == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
                     BF_RECT | BF_ADJUST);
        canvas.SaveState();
        canvas.IntersectClipRect(r);
        if (panel->Style() == psOwnerDraw)
            DrawPanel(panel, r);
        else
            DrawPanelText(canvas, panel->Text(), r, panel->Alignment());
        canvas.RestoreState();
    }
}

void TStatusBar::DrawPanel(TStatusPanel* panel, const TRect& rect) {
    if (OnDrawPanel) OnDrawPanel(this, panel, rect);
}

} // namespace ui
