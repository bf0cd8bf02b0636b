#include "platform/ui/ListViews.h"

#include "platform/ui/Forms.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace ui {
namespace {

using ::testing::ElementsAre;

const std::string kEmoji = "\xF0\x9F\x98\x80";

class ListViewsTest : public uitest::UiTest {
protected:
    ListViewsTest() {
        form.SetBounds(0, 0, 400, 300);
        view.SetParent(&form);
        view.SetAlign(alClient);
        view.SetViewStyle(vsReport);
        for (const char* caption : {"Name", "Value"}) {
            TListColumn* column = view.Columns().Add();
            column->SetCaption(caption);
            column->SetWidth(120);
        }
    }
    TListItem* Add(const std::string& name, const std::string& value) {
        TListItem* item = view.Items().Add();
        item->SetCaption(name);
        item->SubItems().Add(value);
        return item;
    }
    QTreeView* Tree() { return qobject_cast<QTreeView*>(view.Handle()); }
    std::string Shown(int row, int column) {
        return Tree()->model()->index(row, column).data().toString().toStdString();
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (int i = 0; i < view.Items().Count(); ++i)
            captions.push_back(view.Items()[i]->Caption());
        return captions;
    }

    TForm form{nullptr};
    TListView view{&form};
};

TEST_F(ListViewsTest, ReportShowsColumnsAndSubItemsBeforeAndAfterRecreation) {
    Add("x", "1");
    Add("text " + kEmoji, "two");
    view.Columns()[1]->SetAlignment(taRightJustify);
    for (int round = 0; round < 2; ++round) {
        QTreeView* tree = Tree();
        EXPECT_EQ(tree->model()->headerData(1, Qt::Horizontal).toString().toStdString(), "Value");
        EXPECT_EQ(tree->header()->sectionSize(0), 120);
        EXPECT_EQ(Shown(1, 0), "text " + kEmoji) << round;
        EXPECT_EQ(Shown(1, 1), "two");
        EXPECT_TRUE(tree->model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                    Qt::AlignRight);
        view.RecreateWnd();
    }
    view.Items()[0]->SubItems().SetString(0, "changed");
    EXPECT_EQ(Shown(0, 1), "changed");
    view.Items()[0]->Delete();
    EXPECT_EQ(view.Items().Count(), 1);
    EXPECT_EQ(view.Items()[0]->Index(), 0);
    EXPECT_EQ(Shown(0, 0), "text " + kEmoji);
}

TEST_F(ListViewsTest, SelectionFromCodeAndFromTheUserTellsOnSelectItem) {
    for (int i = 0; i < 5; ++i)
        Add("item " + std::to_string(i), "");
    std::vector<std::string> events;
    view.OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
        events.push_back(item->Caption() + (selected ? " on" : " off"));
    };
    view.Items()[1]->SetSelected(true); // before the window
    form.Show();
    EXPECT_TRUE(Tree()->selectionModel()->isRowSelected(1, {}));
    view.SetItemIndex(3);
    EXPECT_EQ(view.Selected()->Caption(), "item 3");
    const QRect row4 = Tree()->visualRect(Tree()->model()->index(4, 0));
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, row4.center());
    EXPECT_EQ(view.ItemIndex(), 4);
    EXPECT_EQ(view.SelCount(), 1);
    EXPECT_THAT(events, ElementsAre("item 1 on", "item 1 off", "item 3 on", "item 3 off", "item 4 on"));

    view.SetMultiSelect(true);
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      Tree()->visualRect(Tree()->model()->index(0, 0)).center());
    EXPECT_EQ(view.SelCount(), 2);
    const TPoint at = FromQPoint(Tree()->viewport()->mapTo(Tree(), row4.center()));
    EXPECT_EQ(view.GetItemAt(at.X, at.Y), view.Items()[4]);
}

TEST_F(ListViewsTest, CheckBoxesFollowTheUserAndTheCode) {
    view.SetCheckboxes(true);
    TListItem* item = Add("check me", "");
    std::vector<TItemChange> changes;
    view.OnChange = [&](TObject*, TListItem*, TItemChange change) { changes.push_back(change); };
    item->SetChecked(true);
    EXPECT_EQ(Tree()->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    form.Show();
    // The user's click on the box.
    Tree()->model()->setData(Tree()->model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_FALSE(item->Checked());
    EXPECT_THAT(changes, ElementsAre(ctState, ctState));
}

TEST_F(ListViewsTest, SortedListsKeepTheirOrderAndCustomSortUsesTheCompare) {
    for (const char* name : {"b", "C", "a"})
        Add(name, "");
    view.SetSortType(stText);
    EXPECT_THAT(Captions(), ElementsAre("a", "b", "C"));
    Add("B2", "");
    EXPECT_THAT(Captions(), ElementsAre("a", "b", "B2", "C")) << "a new caption takes its place";
    EXPECT_EQ(Shown(2, 0), "B2");
    view.SetSortType(stNone);
    view.CustomSort([](TListItem* a, TListItem* b) { return b->Caption().compare(a->Caption()); });
    EXPECT_THAT(Captions(), ElementsAre("b", "a", "C", "B2"));
    view.SetSortType(stData);
    view.OnCompare = [](TObject*, TListItem* a, TListItem* b, int, int& compare) {
        compare = static_cast<int>(a->Caption().size()) - static_cast<int>(b->Caption().size());
    };
    view.AlphaSort();
    EXPECT_EQ(Captions().back(), "B2");
}

TEST_F(ListViewsTest, OwnerDataAsksForTheItemsItShowsByIndex) {
    view.SetOwnerData(true);
    std::set<int> asked;
    view.OnData = [&](TObject*, TListItem* item) {
        asked.insert(item->Index());
        item->SetCaption("row " + std::to_string(item->Index()));
        item->SubItems().Add(std::to_string(item->Index() * 2));
    };
    view.Items().SetCount(1'000'000);
    form.Show();
    Tree()->viewport()->grab();
    EXPECT_FALSE(asked.empty());
    EXPECT_LT(asked.size(), 1000u) << "only the rows on the screen are asked for";
    EXPECT_EQ(view.Items()[999'999]->SubItems()[0], "1999998");
    EXPECT_EQ(Shown(123'456, 0), "row 123456");
    view.Items()[500'000]->SetSelected(true);
    EXPECT_EQ(view.Selected()->Caption(), "row 500000");
    EXPECT_EQ(view.SelCount(), 1);
    EXPECT_THROW(view.Items().Add(), EInvalidOperation);
}

} // namespace
} // namespace ui
