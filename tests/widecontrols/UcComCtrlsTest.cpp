#include "widecontrols/uUcComCtrls.h"

#include "platform/ui/Forms.h"
#include "support/UiTest.h"

#include <QTreeView>

#include <gtest/gtest.h>

namespace widecontrols {
namespace {

class UcListViewTest : public uitest::UiTest {
protected:
    UcListViewTest() {
        form.SetBounds(0, 0, 400, 200);
        view.SetParent(&form);
        view.SetAlign(ui::alClient);
        view.SetViewStyle(ui::vsReport);
        view.SetCheckboxes(true);
        view.SetRowSelect(true);
        for (const char16_t* caption : {u"Expression", u"Value", u"\u503C", u"Fourth"}) {
            TUcListColumn* column = view.WideColumns().Add();
            column->SetCaption(caption);
            column->SetWidth(90);
        }
        form.Show();
    }
    TUcListItem* Add(std::u16string_view caption, std::initializer_list<const char16_t*> subItems = {}) {
        TUcListItem* item = view.WideItems().Add();
        item->SetCaption(caption);
        for (const char16_t* text : subItems)
            item->SubItems().Add(text);
        return item;
    }
    QTreeView* Tree() { return qobject_cast<QTreeView*>(view.Handle()); }
    std::u16string Shown(int row, int column) {
        return Tree()->model()->index(row, column).data().toString().toStdU16String();
    }
    std::u16string Header(int column) {
        return Tree()->model()->headerData(column, Qt::Horizontal).toString().toStdU16String();
    }
    std::vector<std::u16string> Captions() {
        std::vector<std::u16string> captions;
        for (int i = 0; i < view.WideItems().Count(); ++i)
            captions.push_back(view.WideItems()[i]->Caption());
        return captions;
    }

    ui::TForm form{nullptr};
    TUcListView view{&form};
};

TEST_F(UcListViewTest, WideTextsShowExactlyAndSurviveRecreation) {
    TUcListItem* item = Add(u"\u4E2D\u6587 \U0001F600", {u"\u03A9", u"\u6587"});
    Add(u"plain");
    ASSERT_EQ(view.WideItems().Count(), 2);
    // The framework's own text is the lossless 8-bit form.
    EXPECT_EQ(item->Item().Caption(), "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80");
    EXPECT_EQ(item->Item().SubItems().Strings(0), "\xCE\xA9");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Shown(0, 0), u"\u4E2D\u6587 \U0001F600") << round;
        EXPECT_EQ(Shown(0, 1), u"\u03A9");
        EXPECT_EQ(Shown(0, 2), u"\u6587");
        // The sub-item the item does not have shows nothing.
        EXPECT_EQ(Shown(0, 3), u"");
        EXPECT_EQ(Header(2), u"\u503C");
        EXPECT_EQ(view.WideItems()[0]->Caption(), u"\u4E2D\u6587 \U0001F600");
        EXPECT_EQ(view.WideItems()[0]->SubItems().Get(1), u"\u6587");
        view.RecreateWnd();
    }
}

TEST_F(UcListViewTest, TextsTheFrameworkWritesReadBackWide) {
    TUcListItem* item = Add(u"a", {u"b"});
    item->Item().SetCaption("\xE4\xB8\xAD");
    item->Item().SubItems().SetString(0, "\xCE\xA9");
    view.Columns()[0]->SetCaption("\xE6\x96\x87");
    EXPECT_EQ(item->Caption(), u"\u4E2D");
    EXPECT_EQ(item->SubItems().Get(0), u"\u03A9");
    EXPECT_EQ(view.WideColumns()[0]->Caption(), u"\u6587");
    // The framework's item and the wide one stay one object each.
    EXPECT_EQ(view.WideItem(&item->Item()), item);
    EXPECT_EQ(view.WideItems()[0], item);
}

TEST_F(UcListViewTest, SortingWithoutAHandlerOrdersTheWideCaptions) {
    for (const char16_t* caption : {u"delta", u"Bravo", u"alpha", u"charlie"})
        Add(caption);
    ASSERT_TRUE(view.AlphaSort());
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"alpha", u"Bravo", u"charlie", u"delta"}));
    EXPECT_EQ(Shown(0, 0), u"alpha");

    view.OnWideCompare = [](ui::TObject*, TUcListItem* a, TUcListItem* b, int, int& compare) {
        compare = b->Caption().compare(a->Caption());
    };
    view.AlphaSort();
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"delta", u"charlie", u"alpha", u"Bravo"}));
    // The framework's own sorting goes through the same comparison.
    view.SetSortType(ui::stData);
    view.WideItems().Add()->SetCaption(u"echo");
    view.AlphaSort();
    EXPECT_EQ(Captions().front(), u"echo");
}

TEST_F(UcListViewTest, AnItemClassMustMakeAWideItem) {
    struct TTaggedItem : TUcListItem {
        using TUcListItem::TUcListItem;
        int tag = 7;
    };
    view.OnCreateItemClass = [](ui::TObject*, TUcListItemClass& itemClass) {
        itemClass = [](TUcListView& owner, ui::TListItem& item) -> std::unique_ptr<ui::TObject> {
            return std::make_unique<TTaggedItem>(owner, item);
        };
    };
    EXPECT_EQ(dynamic_cast<TTaggedItem*>(view.WideItems().Add())->tag, 7);

    view.OnCreateItemClass = [](ui::TObject*, TUcListItemClass& itemClass) {
        itemClass = [](TUcListView&, ui::TListItem&) { return std::make_unique<ui::TObject>(); };
    };
    try {
        view.WideItems().Add();
        FAIL() << "no error";
    } catch (const EUcInternalError& error) {
        EXPECT_STREQ(error.what(), "Internal Error: OnCreateItemClass.ItemClass must inherit from TUcListItem.");
    }
    EXPECT_EQ(view.WideItems().Count(), 1);
}

TEST_F(UcListViewTest, OwnerDataItemsAreFilledWide) {
    view.SetOwnerData(true);
    int fetched = 0;
    view.OnWideData = [&](ui::TObject*, TUcListItem* item) {
        ++fetched;
        EXPECT_EQ(item->SubItems().GetCount(), 0);
        item->SetCaption(u"\u4E2D" + std::u16string(1, char16_t(u'0' + item->Index())));
        item->SubItems().Add(u"\u03A9");
    };
    view.WideItems().SetCount(3);
    EXPECT_EQ(view.WideItems()[2]->Caption(), u"\u4E2D" u"2");
    EXPECT_EQ(Shown(1, 0), u"\u4E2D" u"1");
    EXPECT_EQ(Shown(1, 1), u"\u03A9");
    EXPECT_GT(fetched, 0);
}

TEST_F(UcListViewTest, SelectionIsCopiedWideWithItsData) {
    EXPECT_EQ(view.WideSelected(), nullptr);
    int first = 1, third = 3;
    view.AddWideItem(u"\u4E2D", &first);
    view.AddWideItem(u"b", nullptr);
    view.AddWideItem(u"\u6587", &third);
    view.SetMultiSelect(true);
    view.WideItems()[2]->SetSelected(true);
    view.WideItems()[0]->SetSelected(true);
    EXPECT_EQ(view.WideSelected(), view.WideItems()[0]);

    TUcListBox target(nullptr);
    view.CopySelection(target);
    ASSERT_EQ(target.WideItems().GetCount(), 2);
    EXPECT_EQ(target.WideItems().Get(0), u"\u4E2D");
    EXPECT_EQ(target.WideItems().GetObject(0), &first);
    EXPECT_EQ(target.WideItems().Get(1), u"\u6587");
    EXPECT_EQ(target.WideItems().GetObject(1), &third);

    TUcListItem* copy = view.WideItems().Add();
    view.WideItems()[2]->SubItems().Add(u"\u03A9");
    view.WideItems()[2]->SetChecked(true);
    copy->Assign(view.WideItems()[2]);
    EXPECT_EQ(copy->Caption(), u"\u6587");
    EXPECT_EQ(copy->Data(), &third);
    EXPECT_EQ(copy->SubItems().Get(0), u"\u03A9");
    EXPECT_TRUE(copy->Checked());
}

} // namespace
} // namespace widecontrols
