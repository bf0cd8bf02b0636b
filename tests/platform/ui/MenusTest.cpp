#include "platform/ui/Menus.h"
#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "support/UiTest.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

TMenuItem* NewItem(TMenuItem* parent, const std::string& caption) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

TEST(Menus, HotkeysInCaptions) {
    struct Case {
        const char* caption;
        const char* stripped;
        char hotkey;
    } cases[] = {{"&File", "File", 'F'},
                 {"Save &as...", "Save as...", 'A'},
                 {"Fish && &Chips", "Fish & Chips", 'C'},
                 {"Plain", "Plain", 0},
                 {"End&", "End", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(StripHotkey(c.caption), c.stripped);
        EXPECT_EQ(GetHotkey(c.caption), c.hotkey) << c.caption;
    }
}

TEST(Menus, ItemShowsAndRunsItsAction) {
    TAction paste(nullptr);
    paste.SetCaption("&Paste");
    paste.SetShortCut(TextToShortCut("Ctrl+V"));
    int runs = 0;
    paste.OnExecute = [&](TObject*) { ++runs; };
    TMenu menu(nullptr);
    TMenuItem* item = NewItem(menu.Items(), "");
    item->SetAction(&paste);
    EXPECT_EQ(item->Caption(), "&Paste");
    EXPECT_EQ(MenuItemDisplayText(*item, false), "&Paste\tCtrl+V");
    EXPECT_EQ(MenuItemDisplayText(*item, true), "&Paste");

    paste.SetEnabled(false);
    EXPECT_FALSE(item->Enabled());
    paste.SetEnabled(true);
    item->SetCaption("Pa&ste"); // only the hot key moved: still linked
    paste.SetCaption("Paste here");
    EXPECT_EQ(item->Caption(), "Paste here");
    item->SetCaption("Other");
    paste.SetCaption("Paste");
    EXPECT_EQ(item->Caption(), "Other") << "an item with its own caption keeps it";

    item->Click();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(menu.IsShortCut('V', {ssCtrl}));
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(menu.IsShortCut('V', {ssAlt}));
}

TEST(Menus, RadioItemsOfAGroupCheckOneAtATime) {
    TMenu menu(nullptr);
    std::vector<TMenuItem*> items;
    for (const char* caption : {"Left", "Right", "Other group"}) {
        TMenuItem* item = NewItem(menu.Items(), caption);
        item->SetRadioItem(true);
        item->SetAutoCheck(true);
        items.push_back(item);
    }
    items[2]->SetGroupIndex(1);
    items[2]->SetChecked(true);
    items[0]->Click();
    items[1]->Click();
    EXPECT_FALSE(items[0]->Checked());
    EXPECT_TRUE(items[1]->Checked());
    EXPECT_TRUE(items[2]->Checked());
}

TEST(Menus, FreeingAnItemTakesItOutAndFreesItsSubItems) {
    TMenu menu(nullptr);
    TMenuItem* edit = NewItem(menu.Items(), "&Edit");
    NewItem(edit, "Undo");
    TMenuItem* redo = NewItem(edit, "Redo");
    delete redo;
    EXPECT_EQ(edit->Count(), 1);
    EXPECT_EQ(menu.Items()->Find("edit"), edit);
    menu.Items()->Delete(0);
    EXPECT_EQ(menu.Items()->Count(), 0);
}

class PopupMenuTest : public uitest::UiTest {};

TEST_F(PopupMenuTest, PopupAtAPointRunsTheChosenItem) {
    TPopupMenu popup(nullptr);
    std::vector<std::string> clicked;
    bool popped = false;
    popup.OnPopup = [&](TObject*) { popped = true; };
    for (const char* caption : {"&Copy", "-", "Select &all"}) {
        TMenuItem* item = NewItem(popup.Items(), caption);
        item->OnClick = [&clicked, item](TObject*) { clicked.push_back(item->Caption()); };
    }
    popup.Items()->Items(0)->SetEnabled(false);
    popup.Popup(40, 30);
    EXPECT_TRUE(popped);

    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text().toStdString(), "Select &all");
    EXPECT_EQ(menu->pos(), QPoint(40, 30));

    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_THAT(clicked, ElementsAre("Select &all")) << "the disabled item is passed over";
}

TEST_F(PopupMenuTest, AHighlightedItemsLongHintBecomesTheApplicationsHintUntilTheMenuCloses) {
    TApplication app;
    TForm form(nullptr);
    TMainMenu mainMenu(&form);
    TMenuItem* edit = NewItem(mainMenu.Items(), "&Edit");
    edit->SetHint("Edit|Changes the text");
    NewItem(edit, "&Paste")->SetHint("Paste|Inserts the clipboard's text");
    NewItem(edit, "&Nothing");
    form.SetMenu(&mainMenu);
    form.Show();
    auto* bar = form.Widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QMenu* drop = bar->actions().at(0)->menu();
    ASSERT_NE(drop, nullptr);

    drop->popup(QPoint(0, 0));
    EXPECT_EQ(app.Hint(), "Changes the text") << "the opened drop-down's own item";
    QList<QAction*> actions = drop->actions();
    ASSERT_EQ(actions.size(), 2);
    actions[0]->hover();
    EXPECT_EQ(app.Hint(), "Inserts the clipboard's text");
    actions[1]->hover();
    EXPECT_EQ(app.Hint(), "") << "an item without a hint";
    actions[0]->hover();
    drop->hide();
    EXPECT_EQ(app.Hint(), "");

    TPopupMenu popup(nullptr);
    NewItem(popup.Items(), "&Copy")->SetHint("Copies the selection");
    popup.Popup(10, 10);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->actions().at(0)->hover();
    EXPECT_EQ(app.Hint(), "Copies the selection") << "a hint without | is the long one too";
    menu->hide();
    EXPECT_EQ(app.Hint(), "");
}

} // namespace
} // namespace ui
