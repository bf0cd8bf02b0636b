#include "platform/ui/ListControls.h"

#include "platform/ui/Forms.h"
#include "support/UiTest.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

const std::string kEmoji = "\xF0\x9F\x98\x80";

class ListControlsTest : public uitest::UiTest {
protected:
    TForm form{nullptr};
};

std::vector<std::string> WidgetItems(QComboBox* combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i).toStdString());
    return items;
}

TEST_F(ListControlsTest, ComboItemsAndIndexSetBeforeTheWindowShowAndSurviveRecreation) {
    for (TComboBoxStyle style : {csDropDown, csDropDownList}) {
        TComboBox combo(&form);
        combo.SetParent(&form);
        combo.SetStyle(style);
        combo.Items().Add("one");
        combo.Items().AddObject("two " + kEmoji, reinterpret_cast<void*>(2));
        combo.SetItemIndex(1);
        combo.SetDropDownCount(3);
        EXPECT_EQ(combo.Text(), "two " + kEmoji);
        for (int round = 0; round < 2; ++round) {
            auto* widget = qobject_cast<QComboBox*>(combo.Handle());
            EXPECT_THAT(WidgetItems(widget), ElementsAre("one", "two " + kEmoji)) << style;
            EXPECT_EQ(widget->currentIndex(), 1);
            EXPECT_EQ(widget->maxVisibleItems(), 3);
            EXPECT_EQ(widget->isEditable(), style == csDropDown);
            EXPECT_EQ(widget->completer(), nullptr);
            EXPECT_EQ(combo.Text(), "two " + kEmoji);
            combo.RecreateWnd();
        }
        EXPECT_EQ(combo.Items().Objects(combo.ItemIndex()), reinterpret_cast<void*>(2));
        // The live list: a change shows at once, the index stays on its item while it exists.
        combo.Items().Insert(2, "three");
        EXPECT_THAT(WidgetItems(qobject_cast<QComboBox*>(combo.Widget())),
                    ElementsAre("one", "two " + kEmoji, "three"));
        EXPECT_EQ(combo.ItemIndex(), 1);
        combo.Items().Clear();
        EXPECT_EQ(combo.ItemIndex(), -1);
    }
}

TEST_F(ListControlsTest, ComboTextOfADropDownListIsTheChosenItem) {
    TComboBox combo(&form);
    combo.SetParent(&form);
    combo.SetStyle(csDropDownList);
    combo.Items().SetCommaText("red,green,blue");
    combo.SetText("green");
    EXPECT_EQ(combo.ItemIndex(), 1);
    combo.SetText("purple");
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");

    combo.SetStyle(csDropDown);
    combo.SetText("purple");
    EXPECT_EQ(combo.Text(), "purple");
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.SetText("blue");
    EXPECT_EQ(combo.ItemIndex(), 2);
}

TEST_F(ListControlsTest, ComboEventsComeFromTheUserNotFromCode) {
    TComboBox combo(&form);
    combo.SetParent(&form);
    combo.Items().SetCommaText("alpha,beta");
    std::vector<std::string> events;
    combo.OnChange = [&](TObject*) { events.push_back("change " + combo.Text()); };
    combo.OnClick = [&](TObject*) { events.push_back("click"); };
    combo.OnDropDown = [&](TObject*) {
        events.push_back("dropdown");
        combo.Items().Add("gamma"); // filled as it opens
    };
    combo.SetItemIndex(0);
    combo.SetText("code");
    form.Show();
    auto* widget = qobject_cast<QComboBox*>(combo.Widget());
    widget->lineEdit()->selectAll();
    QTest::keyClicks(widget->lineEdit(), "ab");
    EXPECT_EQ(combo.Text(), "ab");
    combo.SetDroppedDown(true);
    EXPECT_TRUE(combo.DroppedDown());
    EXPECT_EQ(widget->count(), 3);
    widget->activated(2); // the user picks "gamma"
    combo.SetDroppedDown(false);
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(combo.Text(), "gamma");
    combo.OnSelect = [&](TObject*) { events.push_back("select"); };
    widget->activated(0);
    EXPECT_THAT(events,
                ElementsAre("change a", "change ab", "dropdown", "click", "change gamma", "click", "select"));
}

TEST_F(ListControlsTest, ComboEditSelection) {
    TComboBox combo(&form);
    combo.SetParent(&form);
    combo.SetText("x" + kEmoji + "y");
    combo.SetSelStart(1);
    combo.SetSelLength(2);
    EXPECT_EQ(combo.SelText(), kEmoji);
    combo.SelectAll();
    EXPECT_EQ(combo.SelLength(), 4);
}

std::vector<int> SelectedRows(QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i);
    return rows;
}

TEST_F(ListControlsTest, ListBoxSelectionBeforeAndAfterTheWindow) {
    TListBox box(&form);
    box.SetParent(&form);
    box.Items().SetCommaText("a,b,c,d");
    box.SetItemIndex(2);
    EXPECT_TRUE(box.Selected(2));
    auto* list = qobject_cast<QListWidget*>(box.Handle());
    EXPECT_THAT(SelectedRows(list), ElementsAre(2));
    EXPECT_EQ(list->currentRow(), 2);

    box.SetMultiSelect(true);
    box.SetSelected(0, true);
    box.SetSelected(3, true);
    EXPECT_EQ(box.SelCount(), 2);
    box.RecreateWnd();
    list = qobject_cast<QListWidget*>(box.Widget());
    EXPECT_THAT(SelectedRows(list), ElementsAre(0, 3));
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    box.SelectAll();
    EXPECT_EQ(box.SelCount(), 4);
    box.ClearSelection();
    EXPECT_EQ(box.SelCount(), 0);
    EXPECT_THROW(box.Selected(4), rtl::EListError);
}

TEST_F(ListControlsTest, ListBoxOnClickFollowsTheUser) {
    TListBox box(&form);
    box.SetParent(&form);
    box.SetBounds(0, 0, 100, 100);
    for (int i = 0; i < 30; ++i)
        box.Items().Add("item " + std::to_string(i));
    int clicks = 0;
    box.OnClick = [&](TObject*) { ++clicks; };
    box.SetItemIndex(1);
    form.Show();
    EXPECT_EQ(clicks, 0);
    const TRect third = box.ItemRect(2);
    auto* list = qobject_cast<QListWidget*>(box.Widget());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(third.Left + 3, third.Top + 3));
    EXPECT_EQ(box.ItemIndex(), 2);
    EXPECT_GE(clicks, 1);
    EXPECT_EQ(box.ItemAtPos({third.Left + 3, third.Top + 3}), 2);
    clicks = 0;
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(box.ItemIndex(), 3);
    EXPECT_GE(clicks, 1);

    box.SetTopIndex(10);
    EXPECT_EQ(box.TopIndex(), 10);
    box.RecreateWnd();
    EXPECT_EQ(box.TopIndex(), 10);
    EXPECT_EQ(box.ItemIndex(), 3);
}

} // namespace
} // namespace ui
