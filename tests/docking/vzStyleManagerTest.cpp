#include "docking/vzStyleManager.h"
#include "docking/vzDockingUIThemed.h"

#include "platform/ui/Bitmap.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <QImage>

namespace docking::uistyle {
namespace {

using namespace ui;

class StyleManagerTest : public uitest::UiTest {
protected:
    static std::vector<std::string> Names(const TvzStyleManager& manager) {
        std::vector<std::string> names;
        for (int i = 0; i < manager.Items()->Count(); ++i)
            names.push_back(manager.Items()->Names(i));
        return names;
    }
    const std::vector<std::string> predefined{"Default", "Standard", "Enhanced", "Flat",
                                              "VS2005",  "Themed",   "OfficeXP"};
};

TEST_F(StyleManagerTest, ANewManagerHoldsTheSevenPredefinedStylesInOrder) {
    TvzStyleManager manager;
    EXPECT_EQ(Names(manager), predefined);
    for (int i = 0; i < manager.Items()->Count(); ++i) {
        EXPECT_TRUE(manager.Items()->Styles(i)->Predefined());
        EXPECT_EQ(manager.Items()->Styles(i)->ParentManager(), &manager);
    }
    EXPECT_NE(dynamic_cast<TvzThemedUIStyle*>(manager.Items()->Find("Themed")), nullptr);
    EXPECT_EQ(manager.Items()->Find("Themed")->Name(), "vzThemedUIStyle1");
}

TEST_F(StyleManagerTest, ExtraStylesAreNumberedReusingFreedNumbers) {
    std::vector<std::string> heard; // outlives the manager, which reports its styles leaving
    TvzStyleManager manager;
    manager.OnRegister = [&](TvzDockingUIStyle* s) { heard.push_back("+" + s->Caption()); };
    manager.OnUnRegister = [&](TvzDockingUIStyle* s) { heard.push_back("-" + s->Caption()); };
    auto* first = manager.AddStyle<TvzThemedUIStyle>();
    auto* second = manager.AddStyle<TvzThemedUIStyle>();
    EXPECT_EQ(first->Caption(), "Themed1");
    EXPECT_EQ(second->Caption(), "Themed2");
    EXPECT_EQ(second->Name(), "vzThemedUIStyle3"); // the predefined one holds the first name
    delete first;
    auto* third = manager.AddStyle<TvzThemedUIStyle>();
    EXPECT_EQ(third->Caption(), "Themed1");
    EXPECT_EQ(heard, (std::vector<std::string>{"+Themed1", "+Themed2", "-Themed1", "+Themed1"}));
    EXPECT_EQ(manager.Items()->Count(), 9);
}

TEST_F(StyleManagerTest, NoItemsBringsBackOnlyThePredefinedStyles) {
    TvzStyleManager manager;
    manager.AddStyle<TvzDefaultUIStyle>();
    manager.SetItems(nullptr);
    EXPECT_EQ(Names(manager), predefined);
}

TEST_F(StyleManagerTest, AssigningItemsCopiesClassesAndValues) {
    TvzStyleManager source, target;
    auto* extra = source.AddStyle<TvzDefaultUIStyle>();
    extra->SetSplitterColor(clNavy);
    target.SetItems(source.Items());
    ASSERT_EQ(target.Items()->Count(), 8);
    EXPECT_EQ(target.Items()->Names(7), "Default1");
    const auto* copy = dynamic_cast<TvzDefaultUIStyle*>(target.Items()->Styles(7));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->SplitterColor(), clNavy);
    EXPECT_EQ(copy->ParentManager(), &target);
}

TEST_F(StyleManagerTest, StyleChangesReachLinksThenTheManager) {
    std::vector<std::string> heard;
    TvzStyleManager manager;
    TvzStylesChangeLink link;
    link.OnStyleChange = [&](TvzDockingUIStyle* s) { heard.push_back("link " + s->Caption()); };
    manager.RegisterChanges(&link);
    EXPECT_EQ(link.Sender(), &manager);
    manager.OnChange = [&](TvzDockingUIStyle* s) { heard.push_back("manager " + s->Caption()); };
    manager.Items()->Find("Flat")->SetTabIndent(7);
    EXPECT_EQ(heard, (std::vector<std::string>{"link Flat", "manager Flat"}));
    manager.UnRegisterChanges(&link);
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST_F(StyleManagerTest, ADetachedStyleLeavesTheList) {
    TvzStyleManager manager;
    TvzDockingUIStyle* flat = manager.Items()->Find("Flat");
    flat->SetParentManager(nullptr);
    EXPECT_EQ(manager.Items()->Count(), 6);
    EXPECT_EQ(manager.Items()->Find("Flat"), nullptr);
}

TEST_F(StyleManagerTest, TheThemedStyleStartsFromItsOwnValues) {
    TvzThemedUIStyle style;
    EXPECT_FALSE(style.Themed());
    EXPECT_EQ(style.TabIndent(), 1);
    EXPECT_EQ(style.Metrics(), (std::array<int, 11>{4, 1, 2, 2, 3, 2, 1, 1, 1, 1, 14}));
    EXPECT_EQ(style.GetMetric(2), 2); // without visual styles: the stored value
    EXPECT_EQ(style.CaptionButton(dbkHide)->PartIndex(), bwCloseButton);
    EXPECT_EQ(style.CaptionButton(dbkUndoAutoHide)->PartIndex(), bwRotatedPin);
    EXPECT_EQ(style.CaptionButton(dbkNone)->PartIndex(), bwPushButton);

    int announced = 0;
    style.OnChange = [&](TObject*) { ++announced; };
    style.CaptionButton(dbkMenu)->SetImageIndex(3);
    EXPECT_EQ(style.CaptionButtons()->Index(dbkMenu), 3); // the fallback shows the same image
    EXPECT_EQ(announced, 1);
    style.CaptionButton(dbkMenu)->Reset();
    EXPECT_EQ(style.CaptionButton(dbkMenu)->ImageIndex(), -1);
    EXPECT_EQ(announced, 2);
}

// Without visual styles the Themed look paints every element as the Default look does.
TEST_F(StyleManagerTest, WithoutVisualStylesThemedPaintsAsDefault) {
    TvzDefaultUIStyle plain;
    TvzThemedUIStyle themed;
    themed.Assign(&plain); // the same metrics: only the drawing may differ
    const TRect box{4, 4, 76, 36};
    const TvzImage noImage;
    const std::vector<std::pair<const char*, std::function<void(TvzDockingUIStyle&, TCanvas&)>>> elements = {
        {"caption",
         [&](auto& s, auto& c) { s.PaintCaption(c, box, u"Watches", dcsFocused, 60, true, noImage); }},
        {"button",
         [&](auto& s, auto& c) {
             s.PaintCaptionButton(c, {4, 4, 20, 20}, dbsHot, dcsNormal, dbkHide);
         }},
        {"splitter", [&](auto& s, auto& c) { s.PaintSplitter(c, box, spoHorizontal); }},
        {"tab pane", [&](auto& s, auto& c) { s.PaintTabPane(c, box, dtoBottom); }},
        {"tab", [&](auto& s,
                    auto& c) { s.PaintTabItem(c, box, u"Locals", tisSelected, tipLast, orTop, 0, noImage); }},
        {"tab button",
         [&](auto& s, auto& c) {
             s.PaintTabButton(c, {4, 4, 20, 20}, dbsPressed, tbkPopupEx);
         }},
        {"hide zone", [&](auto& s, auto& c) { s.DrawHideZone(c, box, hzoTop, box); }},
        {"hidden tab",
         [&](auto& s, auto& c) {
             s.DrawHiddenTab(c, box, u"Output", tisSelected, tipFirst, hzoRight, true, noImage);
         }},
    };
    for (const auto& [name, paint] : elements) {
        TBitmap a(80, 40, pf24bit), b(80, 40, pf24bit);
        paint(plain, *a.Canvas());
        paint(themed, *b.Canvas());
        EXPECT_TRUE(a.Image() == b.Image()) << name;
    }
}

} // namespace
} // namespace docking::uistyle
