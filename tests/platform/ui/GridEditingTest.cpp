#include "../data/ToyDataSet.h"

#include "platform/data/DataLink.h"
#include "platform/data/Field.h"
#include "platform/ui/DBGrids.h"
#include "platform/ui/ListControls.h"
#include "support/UiTest.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ui {
namespace {

// A grid that keeps its cells' texts and writes down what the editor hands back.
class TextGrid : public TDrawGrid {
public:
    using TDrawGrid::TDrawGrid;

    std::map<std::pair<int, int>, std::string> cells;
    std::vector<std::string> handedBack;
    bool modifiable = true;

protected:
    std::string GetEditText(int col, int row) override { return cells[{col, row}]; }
    void SetEditText(int col, int row, const std::string& value) override {
        cells[{col, row}] = value;
        handedBack.push_back(value);
    }
    bool CanEditModify() override { return modifiable; }
};

class GridEditingTest : public uitest::UiTest {
protected:
    GridEditingTest() : grid(nullptr) {
        grid.SetBounds(0, 0, 300, 120);
        TGridOptions options = grid.Options();
        options.Include(goEditing);
        grid.SetOptions(options);
        grid.cells[{1, 1}] = "old";
        grid.Show();
        grid.Widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(grid.Widget()));
        grid.SetFocus();
    }
    QWidget* Target() { return grid.InplaceEditor() && grid.EditorMode() ? grid.InplaceEditor()->Widget() : grid.Widget(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(Target(), key, modifiers); }
    void Type(const QString& text) { QTest::keyClicks(Target(), text); }

    TextGrid grid;
};

TEST_F(GridEditingTest, TypingOpensTheEditorOverTheCellWithTheTypedText) {
    Type("n");
    ASSERT_TRUE(grid.EditorMode());
    TInplaceEdit* editor = grid.InplaceEditor();
    EXPECT_TRUE(editor->Visible());
    EXPECT_EQ(editor->BoundsRect(), grid.CellRect(1, 1));
    Type("ew");
    EXPECT_EQ(editor->Text(), "new");
    Key(Qt::Key_Return);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_FALSE(editor->Visible());
    EXPECT_EQ((grid.cells[{1, 1}]), "new");
    EXPECT_TRUE(grid.Focused());
}

TEST_F(GridEditingTest, KeysThatLeaveTheCellGoToTheGrid) {
    Key(Qt::Key_F2); // the text kept, the caret after it
    ASSERT_TRUE(grid.EditorMode());
    Type("!");
    EXPECT_EQ(grid.InplaceEditor()->Text(), "old!");
    Key(Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ((grid.cells[{1, 1}]), "old!");
    // Left inside the text moves the caret; at its start it moves the cell.
    grid.cells[{1, 2}] = "ab";
    Key(Qt::Key_F2);
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 1);
    Key(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 1); // the fixed column is never current
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 2);
}

TEST_F(GridEditingTest, AGridThatRefusesChangesKeepsTheText) {
    grid.modifiable = false;
    Key(Qt::Key_F2);
    Type("xyz");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(grid.InplaceEditor()->Text(), "old");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(grid.EditorMode());
}

TEST_F(GridEditingTest, WithoutTheOptionNothingOpens) {
    TGridOptions options = grid.Options();
    options.Exclude(goEditing);
    grid.SetOptions(options);
    Type("a");
    Key(Qt::Key_F2);
    Key(Qt::Key_Return);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(grid.InplaceEditor(), nullptr);
}

TEST_F(GridEditingTest, AlwaysShowEditorFollowsTheCurrentCellAndScrolling) {
    grid.SetRowCount(30);
    TGridOptions options = grid.Options();
    options.Include(goAlwaysShowEditor);
    grid.SetOptions(options);
    grid.ShowEditor();
    ASSERT_TRUE(grid.EditorMode());
    Key(Qt::Key_Return); // Return does not close an editor that is always shown
    EXPECT_TRUE(grid.EditorMode());
    grid.cells[{1, 20}] = "far";
    grid.SetRow(20);
    EXPECT_TRUE(grid.EditorMode());
    EXPECT_EQ(grid.InplaceEditor()->Text(), "far");
    EXPECT_EQ(grid.InplaceEditor()->BoundsRect(), grid.CellRect(1, 20));
    grid.SetTopRow(1); // the current cell scrolled out of sight hides the editor
    EXPECT_FALSE(grid.InplaceEditor()->Visible());
    EXPECT_TRUE(grid.EditorMode());
}

// ---- The data grid edits through its data link.

class DBGridEditingTest : public uitest::UiTest {
protected:
    DBGridEditingTest()
        : ds(nullptr, {{"name", data::ftString, 10}, {"kind", data::ftString, 10}},
             {{"apple", "fruit"}, {"leek", "vegetable"}, {"plum", "fruit"}}),
          source(nullptr), grid(nullptr) {
        source.SetDataSet(&ds);
        ds.Open();
        grid.SetDataSource(&source);
        grid.SetBounds(0, 0, 300, 120);
        grid.Show();
        grid.SetFocus();
    }
    QWidget* Target() { return grid.EditorMode() ? grid.InplaceEditor()->Widget() : grid.Widget(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(Target(), key, modifiers); }
    void Type(const QString& text) { QTest::keyClicks(Target(), text); }
    std::string Name() { return ds.FieldByName("name")->AsString(); }

    datatest::ToyDataSet ds;
    data::TDataSource source;
    TDBGrid grid;
};

TEST_F(DBGridEditingTest, TypedTextReachesTheFieldOnReturnAndIsPostedOnLeavingTheRecord) {
    Type("p"); // the editor opens and takes the focus
    Type("ear");
    EXPECT_EQ(ds.State(), data::dsEdit);
    EXPECT_EQ(grid.InplaceEditor()->Text(), "pear");
    EXPECT_EQ(Name(), "apple");
    Key(Qt::Key_Return);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(Name(), "pear");
    EXPECT_EQ(ds.State(), data::dsEdit);
    Key(Qt::Key_Down);
    EXPECT_EQ(ds.State(), data::dsBrowse);
    EXPECT_EQ(ds.RecNo(), 2);
    ds.First();
    EXPECT_EQ(Name(), "pear");
}

TEST_F(DBGridEditingTest, LeavingTheRecordWhileTheEditorIsOpenPostsItsText) {
    Key(Qt::Key_F2);
    Type("s");
    Key(Qt::Key_Down);
    EXPECT_EQ(ds.State(), data::dsBrowse);
    ds.First();
    EXPECT_EQ(Name(), "apples");
}

TEST_F(DBGridEditingTest, EscapeTakesTheTextBackThenCancelsTheRecord) {
    Key(Qt::Key_F2);
    Type("x");
    Key(Qt::Key_Tab); // into the next column: the first one's text reaches the field
    EXPECT_EQ(Name(), "applex");
    Key(Qt::Key_F2);
    Type("y");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(ds.FieldByName("kind")->AsString(), "fruit");
    EXPECT_EQ(ds.State(), data::dsEdit);
    Key(Qt::Key_Escape);
    EXPECT_EQ(ds.State(), data::dsBrowse);
    EXPECT_EQ(Name(), "apple");
}

TEST_F(DBGridEditingTest, AReadOnlyGridShowsTheTextButChangesNothing) {
    grid.SetReadOnly(true);
    Key(Qt::Key_F2);
    ASSERT_TRUE(grid.EditorMode());
    Type("zz");
    EXPECT_EQ(grid.InplaceEditor()->Text(), "apple");
    EXPECT_EQ(ds.State(), data::dsBrowse);
}

TEST_F(DBGridEditingTest, TheEditorIsLimitedToTheFieldSize) {
    Key(Qt::Key_F2);
    Type("-and-more");
    EXPECT_EQ(grid.InplaceEditor()->Text(), "apple-and-");
}

TEST_F(DBGridEditingTest, APickListDropsDownBelowTheCellAndChoosesTheValue) {
    grid.Columns()->Items(1)->PickList().SetText("fruit\nnut\nvegetable\n");
    grid.Columns()->Items(1)->SetDropDownRows(2);
    Key(Qt::Key_Right);
    Key(Qt::Key_F2);
    auto* editor = dynamic_cast<TInplaceEditList*>(grid.InplaceEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esPickList);
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->ListVisible());
    TCustomListBox* list = editor->PickList();
    EXPECT_TRUE(list->Visible());
    EXPECT_EQ(list->Top(), editor->Top() + editor->Height());
    EXPECT_EQ(list->ItemIndex(), 0); // the cell's value
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->Text(), "nut");
    Key(Qt::Key_Return);
    EXPECT_EQ(ds.FieldByName("kind")->AsString(), "nut");
    // Escape closes the list without its value.
    Key(Qt::Key_F2);
    Key(Qt::Key_F4);
    Key(Qt::Key_Down);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->Text(), "nut");
}

} // namespace
} // namespace ui
