#include "widecontrols/uUcDBGrids.h"

#include "components/uMemDataSet.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMemData.h"
#include "platform/data/DataLink.h"
#include "platform/data/Field.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Color.h"
#include "platform/ui/ListControls.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"
#include "widecontrols/uUcDB.h"

#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace widecontrols {
namespace {

using ui::TColor;

// Rows of two text columns, NAME and NOTE, holding UTF-8 bytes.
class TextRows : public dataaccess::TMemData {
public:
    explicit TextRows(std::vector<std::pair<std::string, std::string>> rows) : rows_(std::move(rows)) {}

protected:
    void InternalInitFields() override {
        for (const char* name : {"NAME", "NOTE"}) {
            auto field = GetFieldDescClass()();
            field->FieldName = field->ServerName = name;
            field->TypeCode = dataaccess::dtString;
            field->ValueLength = 10;
            field->ByteSize = 11;
            Fields().Add(std::move(field));
        }
    }

    void InternalOpen() override {
        InitFields();
        for (const auto& [name, note] : rows_) {
            void* record = NewRecordBuffer();
            InitRecord(record);
            CreateComplexFields(record, true);
            WriteFieldAsVariant(1, record, rtl::Variant(name));
            WriteFieldAsVariant(2, record, rtl::Variant(note));
            AppendRecord(record);
            DisposeRecordBuffer(record);
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> rows_;
};

TColor PixelAt(const QImage& image, int x, int y) {
    return ui::FromQColor(image.pixelColor(x, y));
}

// Whether the rectangle holds a pixel of text (darker than any cell colour the grid uses).
bool HasDarkPixel(const QImage& image, const ui::TRect& r) {
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (qGray(image.pixel(x, y)) < 96) return true;
    return false;
}

class UcDBGridTest : public uitest::UiTest {
protected:
    UcDBGridTest() : ds(nullptr), source(nullptr), grid(nullptr) {
        ds.SetFieldClasses(UcFieldClasses());
        source.SetDataSet(&ds);
    }

    void Open(std::vector<std::pair<std::string, std::string>> rows, int dataRows = 3) {
        ds.SetRecordStore(std::make_unique<TextRows>(std::move(rows)));
        ds.Open();
        ui::TDBGridOptions options = grid.Options();
        options.Include(ui::dgAlwaysShowSelection);
        grid.SetOptions(options);
        grid.SetDataSource(&source);
        // Room for the title row and exactly `dataRows` data rows.
        const int line = grid.GridLineWidth();
        grid.SetBounds(0, 0, 300, grid.RowHeights(0) + line + dataRows * (grid.DefaultRowHeight() + line));
        grid.Show();
    }

    QImage Grab() { return grid.Handle()->grab().toImage(); }

    // A point in the cell right of any text: the cell's own colour shows there.
    static ui::TPoint Background(const ui::TRect& r) { return {r.Right - 3, r.Top + 3}; }

    components::TMemDataSet ds;
    data::TDataSource source;
    TUcDBGrid grid;
};

std::vector<std::pair<std::string, std::string>> Rows(int count) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({"row" + std::to_string(i), "n"});
    return rows;
}

TEST_F(UcDBGridTest, ColumnsComeFromTheFieldsWithTheirDisplayWidths) {
    Open(Rows(2));
    ASSERT_EQ(grid.Columns()->Count(), 2);
    EXPECT_EQ(grid.Columns()->Items(0)->FieldName(), "NAME");
    EXPECT_EQ(grid.Columns()->Items(1)->Field(), ds.FieldByName("NOTE"));
    ui::TCanvas measure;
    measure.Font()->Assign(grid.Font());
    const int expected =
        ds.FieldByName("NAME")->DisplayWidth() * measure.TextWidth(std::string_view("0")) + 4;
    EXPECT_EQ(grid.ColWidths(1), expected);
    EXPECT_EQ(grid.RowCount(), 3); // title and two records
}

TEST_F(UcDBGridTest, StripesStayOnTheMiddleScreenRowWhenScrolling) {
    Open(Rows(6));
    grid.SetSelectedIndex(1); // keep the highlight out of column 0
    auto expectStripes = [&] {
        const QImage image = Grab();
        for (int dataRow = 0; dataRow < 3; ++dataRow) {
            const ui::TPoint p = Background(grid.CellRect(1, 1 + dataRow));
            EXPECT_EQ(PixelAt(image, p.X, p.Y), dataRow == 1 ? TUcCustomDBGrid::kStripeColor : ui::clWhite)
                << "data row " << dataRow;
        }
    };
    expectStripes();
    for (int i = 0; i < 3; ++i)
        ds.Next(); // the window scrolls by one record
    ASSERT_EQ(grid.DataLink()->ActiveRecord(), 2);
    ASSERT_EQ(ds.RecNo(), 4);
    expectStripes();
}

TEST_F(UcDBGridTest, TheHighlightedCellIsFixedBlueWithWhiteText) {
    Open({{"WWWWWWWW", "x"}});
    const QImage image = Grab();
    const ui::TRect cell = grid.CellRect(1, 1);
    const ui::TPoint p = Background(cell);
    EXPECT_EQ(PixelAt(image, p.X, p.Y), TColor(0xA56D53));
    EXPECT_EQ(image.pixelColor(p.X, p.Y), QColor(0x53, 0x6D, 0xA5));
    bool white = false;
    for (int x = cell.Left + 2; x < cell.Left + 30; ++x)
        white |= qGray(image.pixel(x, cell.Top + cell.Height() / 2)) > 230; // anti-aliased white
    EXPECT_TRUE(white) << "the text is white";
}

TEST_F(UcDBGridTest, WideTextShowsInTheCells) {
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87"; // U+4E2D U+6587
    Open({{"a", chinese}});
    std::vector<WideString> painted;
    grid.OnDrawColumnCell = [&](ui::TObject*, const ui::TRect&, int, ui::TColumn* column,
                                ui::TGridDrawState) {
        painted.push_back(GetFieldWideDisplayValue(column->Field()));
    };
    const QImage image = Grab();
    EXPECT_EQ(painted, (std::vector<WideString>{u"a", u"\u4E2D\u6587"}));
    EXPECT_TRUE(HasDarkPixel(image, grid.CellRect(2, 1)));
}

TEST_F(UcDBGridTest, AnUnassignedTitleFollowsTheFieldsDisplayName) {
    Open(Rows(1));
    TUcColumnTitle* title = grid.Columns()->Items(0)->Title();
    EXPECT_EQ(title->Caption(), u"NAME");
    ds.FieldByName("NAME")->SetDisplayLabel("Name \xE4\xB8\xAD");
    EXPECT_EQ(title->Caption(), u"Name \u4E2D");
    EXPECT_FALSE(title->CaptionAssigned());
    EXPECT_FALSE(grid.Columns()->Items(0)->IsStored());
}

TEST_F(UcDBGridTest, CustomColumnsKeepAWideTitle) {
    Open(Rows(1));
    TUcColumn* column = static_cast<TUcColumn*>(grid.Columns()->Add());
    column->SetFieldName("NOTE");
    column->Title()->SetCaption(u"\u4E2D\u6587");
    EXPECT_EQ(grid.Columns()->State(), ui::csCustomized);
    ASSERT_EQ(grid.Columns()->Count(), 1);
    EXPECT_EQ(column->Title()->Caption(), u"\u4E2D\u6587");
    EXPECT_TRUE(HasDarkPixel(Grab(), grid.CellRect(1, 0)));
    column->Title()->RestoreDefaults();
    EXPECT_EQ(column->Title()->Caption(), u"NOTE");
}

TEST_F(UcDBGridTest, CursorKeysMoveTheActiveRecord) {
    Open(Rows(10));
    QTest::keyClick(grid.Widget(), Qt::Key_Down);
    EXPECT_EQ(ds.RecNo(), 2);
    QTest::keyClick(grid.Widget(), Qt::Key_PageDown);
    EXPECT_EQ(ds.RecNo(), 5);
    QTest::keyClick(grid.Widget(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(ds.RecNo(), 10);
    EXPECT_EQ(grid.Row(), 3); // the last screen row
    QTest::keyClick(grid.Widget(), Qt::Key_Up);
    EXPECT_EQ(ds.RecNo(), 9);
    QTest::keyClick(grid.Widget(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(grid.Row(), 1);
    QTest::keyClick(grid.Widget(), Qt::Key_Right);
    EXPECT_EQ(grid.SelectedField(), ds.FieldByName("NOTE"));
}

TEST_F(UcDBGridTest, ClickingARowMakesItsRecordActive) {
    Open(Rows(5));
    const ui::TRect cell = grid.CellRect(2, 3);
    QTest::mouseClick(grid.Widget(), Qt::LeftButton, {}, QPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(grid.SelectedIndex(), 1);
}

TEST_F(UcDBGridTest, DraggingATitleDividerResizesTheColumn) {
    Open(Rows(2));
    int resized = -1;
    grid.OnColumnResized = [&](ui::TObject*, int col) { resized = col; };
    const ui::TRect title = grid.CellRect(1, 0);
    const int before = grid.ColWidths(1);
    QTest::mousePress(grid.Widget(), Qt::LeftButton, {}, QPoint(title.Right, title.Top + 4));
    QTest::mouseMove(grid.Widget(), QPoint(title.Right + 25, title.Top + 4));
    QTest::mouseRelease(grid.Widget(), Qt::LeftButton, {}, QPoint(title.Right + 25, title.Top + 4));
    EXPECT_EQ(resized, 1);
    EXPECT_EQ(grid.ColWidths(1), before + 25);
    EXPECT_EQ(grid.Columns()->Items(0)->Width(), before + 25);
}

TEST_F(UcDBGridTest, GetWideEditTextReadsTheColumnsField) {
    Open({{"a", "\xE4\xB8\xAD"}});
    EXPECT_EQ(grid.GetWideEditText(1), u"\u4E2D");
    EXPECT_EQ(grid.WideEditText(), u"\u4E2D");
    EXPECT_EQ(grid.GetWideEditText(5), u"");
}

// A memory data set that counts the records it reads.
class TCountingDataSet : public components::TMemDataSet {
public:
    using components::TMemDataSet::TMemDataSet;
    int reads = 0;

protected:
    data::TGetResult GetRecord(data::TRecordBuffer buffer, data::TGetMode mode, bool doCheck) override {
        ++reads;
        return components::TMemDataSet::GetRecord(buffer, mode, doCheck);
    }
};

TEST_F(UcDBGridTest, AMillionRowsScrollWithoutReadingEveryRow) {
    TCountingDataSet big(nullptr);
    big.SetRecordStore(std::make_unique<TextRows>(Rows(1'000'000)));
    big.Open();
    source.SetDataSet(&big);
    grid.SetDataSource(&source);
    grid.SetBounds(0, 0, 300, 200);
    grid.Show();
    big.reads = 0;
    QTest::keyClick(grid.Widget(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(grid.Widget(), Qt::Key_PageUp);
    QTest::keyClick(grid.Widget(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(grid.Widget(), Qt::Key_PageDown);
    (void)grid.Handle()->grab();
    EXPECT_EQ(big.RecNo(), 1 + grid.VisibleRowCount());
    EXPECT_LT(big.reads, 1000);
    source.SetDataSet(nullptr);
}

TEST_F(UcDBGridTest, ATypedWideCharacterOpensTheEditorAndPostingStoresTheWideText) {
    Open({{"a", "x"}, {"b", "y"}});
    grid.SetFocus();
    // Characters no key of a US keyboard gives, as an input method delivers them.
    const auto type = [](QWidget* target, const QString& text) {
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text, Qt::NoModifier);
    };
    type(grid.Widget(), QStringLiteral("\u4E2D"));
    ASSERT_TRUE(grid.EditorMode());
    EXPECT_EQ(grid.InplaceEditor()->Text(), "\u4E2D");
    type(grid.InplaceEditor()->Widget(), QStringLiteral("\U0001D11E"));
    QTest::keyClick(grid.InplaceEditor()->Widget(), Qt::Key_Return);
    QTest::keyClick(grid.Widget(), Qt::Key_Down);
    EXPECT_EQ(ds.State(), data::dsBrowse);
    ds.First();
    EXPECT_EQ(GetFieldWideValue(ds.FieldByName("NAME")), u"\u4E2D\U0001D11E");
}

TEST_F(UcDBGridTest, TypingIntoTheDroppedDownPickListSearchesItsItems) {
    ui::TManualClockScope clock(10000);
    Open({{"a", "cherry"}});
    grid.Columns()->Items(1)->PickList().SetText("apple\nAbacus\nbanana\ncherry\n");
    grid.SetFocus();
    QTest::keyClick(grid.Widget(), Qt::Key_Right);
    QTest::keyClick(grid.Widget(), Qt::Key_F2);
    auto* editor = dynamic_cast<TUcDBGridInplaceEdit*>(grid.InplaceEditor());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor->Widget(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->ListVisible());
    ui::TCustomListBox& list = *editor->PickList();
    EXPECT_EQ(list.ItemIndex(), 3) << "the cell's value";
    const auto type = [&](QChar c) {
        QTest::keyClicks(editor->Widget(), QString(c));
        return list.ItemIndex();
    };
    EXPECT_EQ(type(u'a'), 0);
    clock->Advance(TPickListSearch::kPause);
    EXPECT_EQ(type(u'b'), 1) << "\"ab\" within the pause, any case";
    clock->Advance(TPickListSearch::kPause + 1);
    EXPECT_EQ(type(u'b'), 2) << "\"b\" alone after the pause";
    EXPECT_EQ(type(u'x'), 2) << "\"bx\" matches nothing: the selection stays";
    QTest::keyClick(editor->Widget(), Qt::Key_Backspace);
    EXPECT_EQ(editor->PickListSearch().SearchText(), u"");
    EXPECT_EQ(editor->Text(), "cherry") << "keys for the list do not edit the text";
    QTest::keyClick(editor->Widget(), Qt::Key_Return);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->Text(), "banana");
}

TEST(PickListSearchTest, KeysWithinTheMeantimeSearchTogether) {
    ui::TManualClockScope clock(10000);
    TPickListSearch search;
    auto type = [&](WideChar key) {
        const bool consumed = search.KeyPress(key);
        EXPECT_EQ(consumed, key == 0);
        return search.SearchText();
    };
    EXPECT_EQ(type(u'a'), u"a");
    clock->Advance(2000);
    EXPECT_EQ(type(u'b'), u"ab");
    clock->Advance(2001);
    EXPECT_EQ(type(u'c'), u"c");
    EXPECT_EQ(type(8), u"");
    for (int i = 0; i < 40; ++i)
        type(u'\u4E2D');
    EXPECT_EQ(search.SearchText().size(), TPickListSearch::kMaxLength);
    EXPECT_EQ(type(27), u"");
}

TEST(PickListSearchTest, TheDropDownShowsItsRowsOrEveryItem) {
    EXPECT_EQ(PickListDropDownHeight(3, 7, 11), 3 * 11 + 4);
    EXPECT_EQ(PickListDropDownHeight(10, 7, 11), 7 * 11 + 4);
    EXPECT_EQ(PickListDropDownHeight(10, 0, 11), 10 * 11 + 4);
}

} // namespace
} // namespace widecontrols
