#include "docking/vzDockOleDrop.h"

#include "docking/vzDockSite.h"

namespace docking {

TvzOleDropAcceptor::TvzOleDropAcceptor(TvzCustomDockingSite* site)
    : hover_([site](ui::TPoint screen, bool activate) { return site->OleDragHover(screen, activate); }) {}

ui::TDropEffect TvzOleDropAcceptor::DragEnter(ui::TPoint, ui::TShiftState) {
    return ui::DROPEFFECT_SCROLL;
}

ui::TDropEffect TvzOleDropAcceptor::DragOver(ui::TPoint screen, ui::TShiftState) {
    hover_.Over(screen);
    return ui::DROPEFFECT_SCROLL;
}

void TvzOleDropAcceptor::DragLeave() {
    hover_.Leave();
}

ui::TDropEffect TvzOleDropAcceptor::Drop(ui::TPoint, ui::TShiftState) {
    hover_.Leave();
    return ui::DROPEFFECT_SCROLL;
}

} // namespace docking
