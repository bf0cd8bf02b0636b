#include "app/uGroupBox.h"

#include "platform/ui/Canvas.h"

namespace app {

TGroupBox::TGroupBox(ui::TComponent* owner) : ui::TCustomControl(owner) {
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::Paint() {
    ui::TCanvas& canvas = *Canvas();
    canvas.Font()->Assign(Font());
    const ui::TRect area = ClientRect();
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(area);
    // The frame runs through the middle of the caption's line; the caption is cut out of it.
    const int lineY = canvas.TextHeight("Wg") / 2;
    canvas.Brush()->SetStyle(ui::bsClear);
    canvas.Pen()->SetColor(ui::clBtnShadow);
    canvas.Rectangle(area.Left, area.Top + lineY, area.Right, area.Bottom);
    const std::string caption = Caption();
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(Color());
    canvas.TextOut(area.Left + 8, area.Top, caption);
}

} // namespace app
