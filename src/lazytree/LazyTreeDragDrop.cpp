#include "lazytree/LazyTreeDragDrop.h"

#include <algorithm>
#include <cmath>

namespace lazytree {

uint32_t AllowedEffects(TDragOperations operations) {
    if (operations == TDragOperations{}) return DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    uint32_t effects = DROPEFFECT_NONE;
    if (operations.Contains(doCopy)) effects |= DROPEFFECT_COPY;
    if (operations.Contains(doMove)) effects |= DROPEFFECT_MOVE;
    if (operations.Contains(doLink)) effects |= DROPEFFECT_LINK;
    return effects;
}

uint32_t ProposeDropEffect(bool sourceIsTarget, ui::TShiftState shift, uint32_t allowedEffects) {
    const auto allowed = [allowedEffects](uint32_t effect) { return (allowedEffects & effect) != 0; };
    uint32_t effect = allowedEffects;
    if (sourceIsTarget && allowed(DROPEFFECT_MOVE))
        effect = DROPEFFECT_MOVE;
    else if (!sourceIsTarget && allowed(DROPEFFECT_COPY))
        effect = DROPEFFECT_COPY;
    const bool ctrl = shift.Contains(ui::ssCtrl);
    const bool shiftKey = shift.Contains(ui::ssShift);
    uint32_t asked = DROPEFFECT_NONE;
    if (ctrl && shiftKey)
        asked = DROPEFFECT_LINK;
    else if (ctrl)
        asked = DROPEFFECT_COPY;
    else if (shiftKey)
        asked = DROPEFFECT_MOVE;
    else if (shift.Contains(ui::ssAlt))
        asked = DROPEFFECT_LINK;
    return asked != DROPEFFECT_NONE && allowed(asked) ? asked : effect;
}

std::vector<uint8_t> DragImageAlpha(int width, int height, const uint32_t* pixels, const uint32_t* colorKey) {
    std::vector<uint8_t> alpha(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0));
    const double side = std::max(width, height);
    const int centreX = width / 2;
    const int centreY = height / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            if (colorKey && pixels && pixels[at] == *colorKey) continue;
            const double d = std::hypot(x - centreX, y - centreY) / side;
            alpha[at] = static_cast<uint8_t>(std::lround(255 * std::exp(-8 * d)));
        }
    return alpha;
}

} // namespace lazytree
