#include "platform/ui/PageControls.h"

#include "platform/ui/Forms.h"
#include "platform/ui/Panels.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QTabBar>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

class PageControlsTest : public uitest::UiTest {
protected:
    PageControlsTest() {
        form.SetBounds(0, 0, 300, 200);
        pages.SetParent(&form);
        pages.SetAlign(alClient);
        for (const char* caption : {"&General", "Advanced", "Log ✓"}) {
            auto* sheet = new TTabSheet(&form);
            sheet->SetCaption(caption);
            sheet->SetPageControl(&pages);
        }
    }
    QTabBar* Bar() const { return pages.Widget()->findChild<QTabBar*>(); }
    // Clicks the middle of a tab with the real mouse path.
    void ClickTab(int tab) {
        const QRect r = Bar()->tabRect(tab);
        QTest::mouseClick(Bar(), Qt::LeftButton, {}, r.center());
    }

    TForm form{nullptr};
    TPageControl pages{&form};
};

TEST_F(PageControlsTest, TheFirstPageIsActiveAndTheActivePageFillsTheDisplayRect) {
    EXPECT_EQ(pages.PageCount(), 3);
    EXPECT_EQ(pages.ActivePageIndex(), 0);
    pages.SetActivePageIndex(2);
    form.Show();
    TTabSheet* active = pages.ActivePage();
    EXPECT_EQ(active->Caption(), "Log ✓");
    EXPECT_TRUE(active->Visible());
    EXPECT_FALSE(pages.Pages(0)->Visible());
    EXPECT_EQ(active->BoundsRect(), pages.DisplayRect());
    EXPECT_GT(pages.DisplayRect().Top, pages.TabHeight() - 1);
    ASSERT_EQ(Bar()->count(), 3);
    EXPECT_EQ(Bar()->tabText(2).toStdString(), "Log ✓");
    EXPECT_EQ(Bar()->currentIndex(), 2);

    pages.Pages(1)->SetTabVisible(false);
    EXPECT_EQ(Bar()->count(), 2);
    EXPECT_EQ(pages.ActivePage()->TabIndex(), 1);
    pages.SetTabPosition(tpBottom);
    EXPECT_EQ(Bar()->geometry().bottom(), pages.Height() - 1);
    EXPECT_EQ(pages.DisplayRect().Top, 4);
}

TEST_F(PageControlsTest, AClickOnATabAsksOnChangingThenFiresOnChangeAndTheMouseEvents) {
    std::vector<std::string> events;
    bool allow = true;
    pages.OnChanging = [&](TObject*, bool& allowChange) {
        events.push_back("changing from " + pages.ActivePage()->Caption());
        allowChange = allow;
    };
    pages.OnChange = [&](TObject*) { events.push_back("change to " + pages.ActivePage()->Caption()); };
    pages.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        events.push_back("down on tab " + std::to_string(pages.IndexOfTabAt(x, y)));
    };
    pages.SetActivePageIndex(1); // from code: no events
    form.Show();
    ClickTab(0);
    allow = false;
    ClickTab(2);
    EXPECT_EQ(pages.ActivePageIndex(), 0);
    EXPECT_EQ(Bar()->currentIndex(), 0);
    EXPECT_THAT(events, ElementsAre("changing from Advanced", "change to &General", "down on tab 0",
                                    "changing from &General", "down on tab 2"));
}

TEST_F(PageControlsTest, FreeingTheActivePageShowsTheNextOne) {
    form.Show();
    pages.SetActivePageIndex(1);
    delete pages.Pages(1);
    EXPECT_EQ(pages.PageCount(), 2);
    EXPECT_EQ(pages.ActivePage()->Caption(), "Log ✓");
    EXPECT_EQ(Bar()->count(), 2);
    pages.Pages(1)->SetPageIndex(0);
    EXPECT_EQ(pages.ActivePageIndex(), 0);
    EXPECT_EQ(Bar()->tabText(0).toStdString(), "Log ✓");
    pages.SelectNextPage(true);
    EXPECT_EQ(pages.ActivePage()->Caption(), "&General");
}

TEST_F(PageControlsTest, TabsShowTheImagesOfTheImageList) {
    TImageList images(16, 16);
    TBitmap red;
    red.SetSize(16, 16);
    red.Canvas()->Brush()->SetColor(clRed);
    red.Canvas()->FillRect(Rect(0, 0, 16, 16));
    images.Add(&red, nullptr);
    pages.Pages(0)->SetImageIndex(0);
    pages.SetImages(&images);
    form.Show();
    EXPECT_FALSE(Bar()->tabIcon(0).isNull());
    EXPECT_TRUE(Bar()->tabIcon(1).isNull());
    const QImage shot = pages.Widget()->grab().toImage();
    const QRect tab = Bar()->tabRect(0).translated(Bar()->pos());
    bool red_seen = false;
    for (int x = tab.left(); x < tab.right(); ++x)
        red_seen |= FromQColor(shot.pixelColor(x, tab.center().y())) == clRed;
    EXPECT_TRUE(red_seen);
    pages.SetImages(nullptr);
}

TEST_F(PageControlsTest, ATabControlShowsItsCaptionsAndReportsTheChosenTab) {
    TTabControl tabs(&form);
    tabs.SetParent(&form);
    tabs.SetBounds(0, 0, 300, 100);
    pages.SetVisible(false);
    TPanel content(&form);
    content.SetParent(&tabs);
    content.SetAlign(alClient);
    std::vector<std::string> events;
    bool allow = true;
    tabs.OnChanging = [&](TObject*, bool& allowChange) {
        events.push_back("changing from " + std::to_string(tabs.TabIndex()));
        allowChange = allow;
    };
    tabs.OnChange = [&](TObject*) { events.push_back("change to " + std::to_string(tabs.TabIndex())); };
    EXPECT_EQ(tabs.TabIndex(), -1);
    tabs.Tabs().SetText("Rows\nMessages \u2713\nPlan\n");
    EXPECT_EQ(tabs.TabIndex(), 0) << "the first tab is current once there are tabs";
    form.Show();
    auto* bar = tabs.Widget()->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->count(), 3);
    EXPECT_EQ(bar->tabText(1).toStdString(), "Messages \u2713");
    EXPECT_EQ(content.BoundsRect(), tabs.DisplayRect()) << "aligned children fill the display area";

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    allow = false;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(tabs.TabIndex(), 2);
    EXPECT_EQ(bar->currentIndex(), 2);
    EXPECT_THAT(events, ElementsAre("changing from 0", "change to 2", "changing from 2"));

    tabs.SetTabIndex(7);
    EXPECT_EQ(tabs.TabIndex(), -1) << "no such tab";
    tabs.SetTabIndex(1);
    tabs.Tabs().Delete(2);
    tabs.Tabs().Delete(1);
    EXPECT_EQ(tabs.TabIndex(), 0) << "the current tab went: the last one left is current";
    EXPECT_EQ(bar->count(), 1);
    EXPECT_EQ(events.size(), 3u) << "changes from code fire nothing";
}

} // namespace
} // namespace ui
