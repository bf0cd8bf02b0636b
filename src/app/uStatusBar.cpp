#include "app/uStatusBar.h"

#include "app/uVeltraneApplicationInfo.h"
#include "app/uWindowFileHelpers.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Canvas.h"

namespace app {

namespace {

ui::TWinControl* CheckedOwner(ui::TWinControl* owner, imaging::TPngImageList* images) {
    RTL_ASSERT(owner && images);
    return owner;
}

// The gap between a panel's image and its text.
constexpr int kImageGap = 2;

} // namespace

TAppStatusBar::TAppStatusBar(ui::TWinControl* owner, imaging::TPngImageList* images)
    : ui::TComponent(CheckedOwner(owner, images)), bar_(new ui::TStatusBar(owner)), images_(images),
      texts_(images->Width(),
             [this](const std::string& text) { return TextWidthInFont(text, bar_->Font()); }) {
    bar_->SetName("sbMain");
    bar_->SetParent(owner);
    bar_->SetAlign(ui::alBottom);
    bar_->OnDrawPanel = [this](ui::TStatusBar* bar, ui::TStatusPanel* panel, const ui::TRect& rect) {
        DrawPanel(bar, panel, rect);
    };
    bar_->OnMouseDown = [this](ui::TObject* sender, ui::TMouseButton button, ui::TShiftState shift, int x,
                               int y) { BarMouseDown(sender, button, shift, x, y); };
    CreatePanels();
}

void TAppStatusBar::CreatePanels() {
    for (TStatusPanelIndex index : {spNotice, spCaret, spServer, spDatabase}) {
        ui::TStatusPanel* panel = bar_->Panels().Add();
        panel->SetStyle(index == spNotice || index == spDatabase ? ui::psOwnerDraw : ui::psText);
        if (index == spCaret) panel->SetAlignment(ui::taCenter);
    }
    ShowTexts();
}

void TAppStatusBar::ShowUpdateNotice(bool visible) {
    texts_.ShowUpdateNotice(visible);
    ShowTexts();
}

void TAppStatusBar::SetCaretPos(ui::TPoint pos) {
    texts_.SetCaretPos(pos);
    ShowTexts();
}

void TAppStatusBar::SetServerText(const std::string& text) {
    texts_.SetServerText(text);
    ShowTexts();
}

void TAppStatusBar::SetDatabaseText(const std::string& text) {
    texts_.SetDatabaseText(text);
    ShowTexts();
}

void TAppStatusBar::ShowTexts() {
    for (TStatusPanelIndex index : {spNotice, spCaret, spServer, spDatabase}) {
        ui::TStatusPanel* panel = bar_->Panels()[index];
        panel->SetText(texts_.Panel(index).text);
        panel->SetWidth(texts_.Panel(index).width);
    }
}

void TAppStatusBar::DrawPanel(ui::TStatusBar* bar, ui::TStatusPanel* panel, const ui::TRect& rect) {
    const int image = panel->Index() == spNotice ? 0 : panel->Index() == spDatabase ? 1 : -1;
    int textLeft = rect.Left;
    if (image >= 0) {
        images_->Draw(*bar->Canvas(), rect.Left, rect.Top, image);
        textLeft += images_->Width() + kImageGap;
    }
    bar->Canvas()->TextOut(textLeft, rect.Top, panel->Text());
}

void TAppStatusBar::BarMouseDown(ui::TObject*, ui::TMouseButton, ui::TShiftState, int x, int) {
    if (texts_.NoticeHit(x)) OpenDownloadPage();
}

} // namespace app
