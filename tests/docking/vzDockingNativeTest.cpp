#include "MainFormFixture.h"

#include "docking/vzDockingNative.h"

#include <gtest/gtest.h>

namespace docking::native {
namespace {

const ui::TRect kTarget{100, 100, 200, 200};
const ui::TRect kArea = DockingArea(kTarget, 10);

TEST(NativeRegionAreaTest, BandsLieBetweenTheTargetAndItsDockingArea) {
    ASSERT_EQ(kArea, (ui::TRect{110, 110, 190, 190}));
    const std::pair<TvzDockingRegionType, ui::TRect> cases[] = {
        {drtLeft, {100, 110, 110, 190}},
        {drtTop, {100, 100, 200, 110}},
        {drtRight, {190, 110, 200, 190}},
        {drtBottom, {100, 190, 200, 200}},
        {drtInside, {110, 110, 190, 190}},
        {drtInsideBefore, {}},
        {drtDetachedLeft, {}},
        {drtNone, {}},
    };
    for (const auto& [region, band] : cases)
        EXPECT_EQ(RegionArea(region, kTarget, kArea), band) << RegionName(region);
    for (TvzDockingRegionType edge : {drtLeft, drtTop, drtRight, drtBottom})
        EXPECT_EQ(RegionArea(edge, kTarget, kTarget), ui::TRect{}) << "a target too small for bands";
}

TEST(NativeRegionAtTest, EdgeBandsTheCaptionBarAndTheMiddle) {
    TvzTargetShape panel{kTarget, kArea, {0, 0, 400, 400}, {100, 100, 200, 118}, {}, {}};
    const std::pair<ui::TPoint, TvzDockingRegionType> cases[] = {
        {{105, 150}, drtLeft},   {{195, 150}, drtRight},  {{150, 195}, drtBottom},
        {{150, 150}, drtInside}, {{105, 105}, drtInside}, // the caption bar docks as a tab
        {{50, 50}, drtInside},                            // beside the target, still on its site
        {{450, 50}, drtNone},
    };
    for (const auto& [point, region] : cases)
        EXPECT_EQ(RegionAt(panel, point).region, region) << point.X << "," << point.Y;
    panel.captionBar = {};
    EXPECT_EQ(RegionAt(panel, {150, 105}).region, drtTop);
    EXPECT_EQ(RegionAt(panel, {105, 105}).region, drtTop) << "the corner goes to the top band";
}

TEST(NativeRegionAtTest, OnATabStripTheLeftHalfOfATabDocksBeforeIt) {
    const TvzTargetShape tabs{
        kTarget, kArea, kTarget, {}, {100, 182, 200, 200}, {{102, 182, 140, 200}, {140, 182, 180, 200}}};
    const std::tuple<int, TvzDockingRegionType, int> cases[] = {
        {110, drtInsideBefore, 0}, {121, drtInsideBefore, 0}, {122, drtInside, 0},
        {145, drtInsideBefore, 1}, {190, drtInside, 1}, // off every tab: the last one
    };
    for (const auto& [x, region, tab] : cases) {
        const TvzRegionHit hit = RegionAt(tabs, {x, 190});
        EXPECT_EQ(hit.region, region) << x;
        EXPECT_EQ(hit.tab, tab) << x;
    }
}

} // namespace
} // namespace docking::native

namespace docking::testing {
namespace {

class NativeDockerTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        form->Show();
        uitest::ProcessEvents();
    }
    TvzNativeDocker& DockerOf(TvzCustomDockingControl* target) {
        return dynamic_cast<TvzNativeDocker&>(*manager->Docker(target));
    }
    static ui::TPoint Screen(const ui::TControl* control, int x, int y) {
        return control->ClientToScreen({x, y});
    }
};

TEST_F(NativeDockerTest, ThePanelsWindowGivesTheRegions) {
    TvzDockingControl* output = panels["Output"];
    TvzNativeDocker& docker = DockerOf(output);
    const int height = output->Height();
    EXPECT_EQ(docker.RegionAt(Screen(output, output->Width() / 2, output->CaptionHeight() / 2)).region,
              drtInside);
    EXPECT_EQ(docker.RegionAt(Screen(output, 1, height / 2)).region, drtLeft);
    EXPECT_EQ(docker.RegionAt(Screen(output, output->Width() / 2, height - 1)).region, drtBottom);
    EXPECT_EQ(docker.RegionAt(Screen(output, output->Width() / 2, height / 2)).region, drtInside);
    const ui::TRect left = docker.RegionArea(drtLeft);
    EXPECT_EQ(left.Left, Screen(output, 0, 0).X);
    EXPECT_GT(left.Width(), 0);
}

TEST_F(NativeDockerTest, TheLeftHalfOfATabDocksBeforeIt) {
    auto* tabs = static_cast<TvzInsideContainer*>(panels["Watch list"]->Container());
    const ui::TRect strip = tabs->TabStripRect();
    ASSERT_FALSE(strip.IsEmpty());
    const tabs::TvzTabStripLayout& layout = tabs->StripLayout();
    const int y = (strip.Top + strip.Bottom) / 2;
    const native::TvzRegionHit before = DockerOf(tabs).RegionAt(Screen(tabs, layout.lefts[1] + 2, y));
    EXPECT_EQ(before.region, drtInsideBefore);
    EXPECT_EQ(before.tab, 1);
    const native::TvzRegionHit after =
        DockerOf(tabs).RegionAt(Screen(tabs, layout.lefts[1] + layout.widths[1] - 2, y));
    EXPECT_EQ(after.region, drtInside);
    EXPECT_EQ(after.tab, 1);
}

} // namespace
} // namespace docking::testing
