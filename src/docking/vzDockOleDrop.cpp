#include "docking/vzDockOleDrop.h"

#include "docking/vzDockSite.h"

namespace docking {

TvzOleDropAcceptor::TvzOleDropAcceptor(TvzCustomDockingSite* site)
    : hover_([site](ui::TPoint screen, bool activate) { return site->OleDragHover(screen, activate); }) {}

uint32_t TvzOleDropAcceptor::DragEnter(ui::TPoint, ui::TShiftState) {
    return ui::DROPEFFECT_SCROLL;
}

uint32_t TvzOleDropAcceptor::DragOver(ui::TPoint screen, ui::TShiftState) {
    hover_.Over(screen);
    return ui::DROPEFFECT_SCROLL;
}

void TvzOleDropAcceptor::DragLeave() {
    hover_.Leave();
}

uint32_t TvzOleDropAcceptor::Drop(ui::TPoint, ui::TShiftState) {
    hover_.Leave();
    return ui::DROPEFFECT_SCROLL;
}

} // namespace docking
