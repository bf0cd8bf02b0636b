#include "imaging/uLinkLabel.h"

#include "platform/rtl/Utf.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Messages.h"

#include <algorithm>

namespace imaging {

TUxCustomLinkLabel::TUxCustomLinkLabel(ui::TComponent* owner)
    : ui::TGraphicControl(owner), tree_(std::make_unique<TNodeTree>()) {
    ui::TControlStyle style = ControlStyle();
    style.Include(ui::csOpaque);
    style.Include(ui::csReplicatable);
    SetControlStyle(style);
    parser_ = MakeParser();
    parser_->SetDynamicNodeHandler(this);
    renderer_ = MakeRenderer();
    renderer_->LinkColor = 0xFF0000;
    renderer_->LinkColorClicked = 255;
    renderer_->LinkColorHot = 0x800080;
    renderer_->LinkStyle = {ui::fsUnderline};
    restCursor_ = Cursor();
    // A new label keeps its size until it has a caption.
    layoutSuspended_ = true;
    SetBounds(Left(), Top(), 160, 17);
    layoutSuspended_ = false;
    UpdateTextRect();
}

TUxCustomLinkLabel::~TUxCustomLinkLabel() = default;

std::unique_ptr<IParser> TUxCustomLinkLabel::MakeParser() {
    return std::make_unique<TDefaultParser>();
}

std::unique_ptr<TDefaultRenderer> TUxCustomLinkLabel::MakeRenderer() {
    return std::make_unique<TDefaultRenderer>();
}

void TUxCustomLinkLabel::FireCaptionChanged() {
    if (OnCaptionChanged) OnCaptionChanged(this);
}

void TUxCustomLinkLabel::FireLinkClick(int linkNumber, const std::string& linkText) {
    if (OnLinkClick) OnLinkClick(this, linkNumber, linkText);
}

void TUxCustomLinkLabel::FireDynamicTagInit(std::string& source, int number) {
    if (OnDynamicTagInit) OnDynamicTagInit(this, source, number);
}

void TUxCustomLinkLabel::SupplyDynamicSource(std::u16string& source, TDynamicNode& node) {
    std::string text;
    FireDynamicTagInit(text, node.Number);
    source = rtl::Utf8ToUtf16(text);
}

void TUxCustomLinkLabel::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    textLines_.Clear();
    textLines_.Add(caption);
    activeLink_ = nullptr;
    tree_.reset();
    ResetNodeCounters();
    tree_ = parser_->Parse(rtl::Utf8ToUtf16(caption));
    SyncRootFont();
    UpdateLayout();
    Invalidate();
    FireCaptionChanged();
}

void TUxCustomLinkLabel::SetTextLines(const rtl::TStringList& lines) {
    std::string caption;
    for (int i = 0; i < lines.Count(); ++i)
        caption += lines[i];
    textLines_.Assign(lines);
    SetCaption(caption);
}

void TUxCustomLinkLabel::SetTransparent(bool transparent) {
    if (transparent == Transparent()) return;
    ui::TControlStyle style = ControlStyle();
    if (transparent)
        style.Exclude(ui::csOpaque);
    else
        style.Include(ui::csOpaque);
    SetControlStyle(style);
    Invalidate();
}

void TUxCustomLinkLabel::SetLinkColor(TColor color) {
    if (color == renderer_->LinkColor) return;
    renderer_->LinkColor = color;
    Invalidate();
}

void TUxCustomLinkLabel::SetLinkStyle(TFontStyles styles) {
    if (styles == renderer_->LinkStyle) return;
    renderer_->LinkStyle = styles;
    UpdateLayout();
    Invalidate();
}

void TUxCustomLinkLabel::SetAutoHeight(bool autoHeight) {
    if (autoHeight == autoHeight_) return;
    autoHeight_ = autoHeight;
    UpdateLayout();
    Invalidate();
}

void TUxCustomLinkLabel::SetMarginWidth(int margin) {
    marginWidth_ = margin;
    UpdateTextRect();
    UpdateLayout();
    Invalidate();
}

void TUxCustomLinkLabel::SetMarginHeight(int margin) {
    if (margin == marginHeight_) return;
    const int previous = marginHeight_;
    marginHeight_ = margin;
    if (previous == 0) UpdateTextRect();
    Invalidate();
}

void TUxCustomLinkLabel::SetLayout(int layout) {
    if (layout == layout_) return;
    layout_ = layout;
    UpdateTextRect();
    UpdateLayout();
    Invalidate();
}

void TUxCustomLinkLabel::SyncRootFont() {
    tree_->Root().Styles = Font()->Style();
    tree_->Root().Color = Font()->Color();
}

void TUxCustomLinkLabel::UpdateTextRect() {
    const TRect client = ClientRect();
    textRect_ = {client.Left + marginWidth_, client.Top + marginHeight_, client.Right - marginWidth_,
                 client.Bottom};
}

void TUxCustomLinkLabel::UpdateLayout() {
    if (layoutSuspended_) return;
    layoutSuspended_ = true;
    // A layout on a scratch canvas with the control's font gives the height and the link rectangles
    // before anything is painted.
    ui::TBitmap scratch(1, 1);
    ui::TCanvas& canvas = *scratch.Canvas();
    canvas.SetFont(Font());
    TMarkupCanvas markupCanvas(canvas);
    renderer_->RenderTree(markupCanvas, textRect_, *tree_);
    const int rendered = renderer_->RenderedHeight();
    const ui::TAlign align = Align();
    if (autoHeight_ && (align == ui::alNone || align == ui::alTop || align == ui::alBottom)) {
        if (ClientHeight() != rendered + marginHeight_)
            SetClientSize(ClientWidth(), rendered + marginHeight_);
    } else if (layout_ == 1) {
        // Centred on the text's own height, and moved at once.
        const int margin = std::max(0, ClientHeight() / 2 - (rendered - textRect_.Top) / 2);
        if (margin != marginHeight_) {
            marginHeight_ = margin;
            UpdateTextRect();
            renderer_->RenderTree(markupCanvas, textRect_, *tree_);
        }
    }
    layoutSuspended_ = false;
}

void TUxCustomLinkLabel::Loaded() {
    ui::TGraphicControl::Loaded();
    restCursor_ = Cursor();
    Resize();
}

void TUxCustomLinkLabel::Resize() {
    ui::TGraphicControl::Resize();
    UpdateTextRect();
    UpdateLayout();
}

void TUxCustomLinkLabel::Paint() {
    ui::TCanvas& canvas = *Canvas();
    if (!Transparent()) {
        canvas.Brush()->SetColor(Color());
        canvas.Brush()->SetStyle(ui::bsSolid);
        canvas.FillRect(ClientRect());
    }
    canvas.Brush()->SetStyle(ui::bsClear);
    canvas.SetFont(Font());
    TMarkupCanvas markupCanvas(canvas);
    renderer_->RenderTree(markupCanvas, textRect_, *tree_);
}

// Links change state by repainting: every layout draws a link in the colour of its state.
void TUxCustomLinkLabel::SetLinkState(TPoint point, TLinkState state) {
    if (!OverLink(point)) return;
    auto* link = static_cast<TLinkNode*>(tree_->GetNodeFromPoint(point, ntLinkNode));
    if (!link || (link == activeLink_ && link->State == state)) return;
    ResetActiveLink();
    link->State = state;
    activeLink_ = link;
    Invalidate();
}

void TUxCustomLinkLabel::ResetActiveLink() {
    if (!activeLink_) return;
    activeLink_->State = lsNormal;
    activeLink_ = nullptr;
    Invalidate();
}

void TUxCustomLinkLabel::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    ui::TGraphicControl::MouseDown(button, shift, x, y);
    SetLinkState({x, y}, lsClicked);
}

void TUxCustomLinkLabel::MouseMove(ui::TShiftState shift, int x, int y) {
    ui::TGraphicControl::MouseMove(shift, x, y);
    if (OverLink({x, y})) {
        SetCursor(crLinkHand);
        if (hotLinks_ && !ActiveLinkClicked()) SetLinkState({x, y}, lsHot);
    } else {
        SetCursor(restCursor_);
        if (hotLinks_ && !ActiveLinkClicked()) ResetActiveLink();
    }
}

void TUxCustomLinkLabel::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    ui::TGraphicControl::MouseUp(button, shift, x, y);
    if (OverLink({x, y}))
        if (auto* link = static_cast<TLinkNode*>(tree_->GetNodeFromPoint({x, y}, ntLinkNode)))
            FireLinkClick(link->Number, rtl::Utf16ToUtf8(link->GetText()));
    ResetActiveLink();
}

void TUxCustomLinkLabel::WndProc(ui::TMessage& message) {
    ui::TGraphicControl::WndProc(message);
    switch (message.Msg) {
    case ui::CM_FONTCHANGED:
        SyncRootFont();
        for (TNode* node : tree_->TopLevelNodes(ntStringNode))
            static_cast<TStringNode*>(node)->ClearWordInfo();
        UpdateLayout();
        Invalidate();
        break;
    case ui::CM_MOUSELEAVE:
        if (hotLinks_ && !ActiveLinkClicked()) ResetActiveLink();
        break;
    case ui::CM_TEXTCHANGED:
        Invalidate();
        break;
    case ui::WM_SIZE:
        // The framework resizes window-less controls without calling Resize; doing it twice is harmless.
        Resize();
        break;
    default:
        break;
    }
}

} // namespace imaging
