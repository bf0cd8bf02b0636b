#include "lazytree/LazyTreeDragDrop.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lazytree {
namespace {

using ui::ssAlt;
using ui::ssCtrl;
using ui::ssShift;

TEST(DragDrop, ProposeDropEffectTable) {
    constexpr uint32_t all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    const struct {
        bool sameTree;
        ui::TShiftState shift;
        uint32_t allowed;
        uint32_t proposed;
    } cases[] = {
        {true, {}, all, DROPEFFECT_MOVE},
        {false, {}, all, DROPEFFECT_COPY},
        {true, {}, DROPEFFECT_COPY, DROPEFFECT_COPY}, // no move: what is allowed
        {false, {}, DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_MOVE | DROPEFFECT_LINK},
        {true, {ssCtrl}, all, DROPEFFECT_COPY},
        {false, {ssShift}, all, DROPEFFECT_MOVE},
        {true, {ssAlt}, all, DROPEFFECT_LINK},
        {false, {ssCtrl, ssShift}, all, DROPEFFECT_LINK},
        {true, {ssCtrl, ssShift}, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_MOVE}, // link refused
        {false, {ssShift}, DROPEFFECT_COPY, DROPEFFECT_COPY},                          // move refused
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProposeDropEffect(c.sameTree, c.shift, c.allowed), c.proposed)
            << c.sameTree << " " << int(c.shift.Contains(ssCtrl)) << int(c.shift.Contains(ssShift))
            << int(c.shift.Contains(ssAlt)) << " " << c.allowed;
}

TEST(DragDrop, DragImageAlphaFadesRadiallyAndClearsTheColourKey) {
    const std::vector<uint8_t> alpha = DragImageAlpha(20, 10);
    ASSERT_EQ(alpha.size(), 200u);
    EXPECT_EQ(alpha[5 * 20 + 10], 255); // the centre
    // A corner lies sqrt(10^2 + 5^2) / 20 from it.
    EXPECT_EQ(alpha[0], std::lround(255 * std::exp(-8 * std::sqrt(125.0) / 20)));
    EXPECT_EQ(alpha[5 * 20 + 0], std::lround(255 * std::exp(-8 * 0.5)));
    EXPECT_GT(alpha[5 * 20 + 9], alpha[5 * 20 + 5]);

    std::vector<uint32_t> pixels(4, 0x123456);
    pixels[3] = 0xFF00FF;
    const uint32_t key = 0xFF00FF;
    const std::vector<uint8_t> keyed = DragImageAlpha(2, 2, pixels.data(), &key);
    EXPECT_EQ(keyed[3], 0);
    EXPECT_EQ(keyed[0], std::lround(255 * std::exp(-8 * std::sqrt(2.0) / 2)));
}

} // namespace
} // namespace lazytree
