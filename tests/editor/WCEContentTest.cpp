#include "editor/WCEContent.h"

#include "FakeEditorHost.h"
#include "platform/rtl/Exception.h"

#include "platform/ui/Bitmap.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

using testing::TFakeEditorHost;
using Lines = std::vector<std::u16string>;

TEST(WCEContentTest, SetTextSplitsAtEveryKindOfLineBreak) {
    struct Case {
        std::u16string text;
        Lines lines;
    };
    const Case cases[] = {
        {u"a\r\nb\rc\n\nd", {u"a", u"b", u"c", u"", u"d"}},
        {u"x\r\ny\r\n", {u"x", u"y"}},
        {u"\r\n", {u""}},
        {u"a\r\rb", {u"a", u"", u"b"}},
        {u"a\n\rb", {u"a", u"", u"b"}},
        {u"a\vb\fc\u2028d\u2029e", {u"a", u"b", u"c", u"d", u"e"}},
        {u"\uFEFFbom", {u"bom"}},
        {u"", {}},
    };
    for (const auto& c : cases) {
        TFakeEditorHost host;
        host.content.SetText(u"old");
        host.content.SetText(c.text);
        EXPECT_EQ(host.Lines(), c.lines);
    }
}

TEST(WCEContentTest, GetTextEndsEveryLineWithCrLfAndLoadsBack) {
    TFakeEditorHost host;
    host.content.AddLine(u"x");
    host.content.AddLine(u"y");
    EXPECT_EQ(host.content.GetText(), u"x\r\ny\r\n");
    host.content.SetText(host.content.GetText());
    EXPECT_EQ(host.Lines(), (Lines{u"x", u"y"}));
}

TEST(WCEContentTest, ByteSwappedTextLoadsUnswappedWithoutTouchingTheCallersText) {
    std::u16string swapped = {0xFFFE, 0x6100, 0x0D00, 0x0A00, 0x6200};
    const std::u16string original = swapped;
    TFakeEditorHost host;
    host.content.SetText(swapped);
    EXPECT_EQ(host.Lines(), (Lines{u"a", u"b"}));
    EXPECT_EQ(swapped, original);
}

TEST(WCEContentTest, SetTextIsOneUndoableReplacementAndResetsTheCaret) {
    TFakeEditorHost host;
    host.state.Caret = {3, 0};
    host.content.SetText(u"one\r\ntwo");
    EXPECT_EQ(host.caretResets, 1);
    EXPECT_EQ(host.updates, 0);
    ASSERT_EQ(host.undo.Count(), 1);
    const TChange& change = host.undo.Items(0);
    EXPECT_EQ(change.Kind, ckReplace);
    EXPECT_EQ(change.NewText, u"one\r\ntwo");
    EXPECT_EQ(change.TargetEnd, (TPoint{3, 1}));
    EXPECT_TRUE(host.content.Modified());
}

TEST(WCEContentTest, DeleteLineChecksItsIndexAndAnnouncesTheLineBeforeFreeingIt) {
    TFakeEditorHost host;
    for (int i = 0; i < 10; ++i)
        host.content.AddLine(std::u16string(1, char16_t(u'0' + i)));
    try {
        host.content.DeleteLine(10);
        FAIL() << "no error";
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (10)");
    }
    std::u16string announced;
    EXPECT_THROW(host.content.GetLineRaw(10), rtl::EAssertionFailed);
    EXPECT_THROW(host.content.GetLine(-1), rtl::EAssertionFailed);
    host.content.OnLineDeleted = [&](TWideCodeEditorContent&, TWCELine* line) { announced = line->Text(); };
    host.content.DeleteLine(3);
    EXPECT_EQ(announced, u"3");
    ASSERT_EQ(host.content.Count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(host.content.GetLineRaw(i)->Index(), i);
    EXPECT_EQ(host.content.GetLineRaw(3)->Text(), u"4");
}

// Many lines span several blocks: indexes, insertions and deletions must stay right across them.
TEST(WCEContentTest, IndexesStayRightAcrossBlocksWhileLinesComeAndGo) {
    TFakeEditorHost host;
    std::vector<std::u16string> model;
    for (int i = 0; i < 3000; ++i) {
        model.push_back(u"L" + std::u16string(1, char16_t(i)));
        host.content.AddLine(model.back());
    }
    unsigned seed = 7;
    for (int step = 0; step < 2000; ++step) {
        seed = seed * 1103515245 + 12345;
        const int at = int((seed >> 8) % (model.size() + 1));
        if (step % 3 == 2 && at < int(model.size())) {
            host.content.DeleteLine(at);
            model.erase(model.begin() + at);
        } else {
            model.insert(model.begin() + at, u"N" + std::u16string(1, char16_t(step)));
            EXPECT_EQ(host.content.InsertLine(at, model[std::size_t(at)])->Index(), at);
        }
    }
    ASSERT_EQ(host.content.Count(), int(model.size()));
    for (int i = 0; i < host.content.Count(); ++i) {
        ASSERT_EQ(host.content.GetLineRaw(i)->Text(), model[std::size_t(i)]) << i;
        ASSERT_EQ(host.content.GetLineRaw(i)->Index(), i);
    }
    while (host.content.Count() > 0)
        host.content.DeleteLine(host.content.Count() / 2);
    EXPECT_EQ(host.content.GetEndPoint(), (TPoint{0, 0}));
}

TEST(WCEContentTest, ColumnsAndCharactersConvertAcrossTabs) {
    TFakeEditorHost host;
    TWCELine& line = *host.content.AddLine(u"\ta");
    EXPECT_EQ(line.CharToColumn(1), 4);
    EXPECT_EQ(line.ColumnToChar(2), 0);
    EXPECT_EQ(line.ColumnToChar(4), 1);
    EXPECT_EQ(line.ColumnToChar(7), 4); // past the end one character per column
    EXPECT_EQ(line.CharToColumn(3), 6);
    EXPECT_EQ(line.NextColumn(1, false), 4);
    EXPECT_EQ(line.PrevColumn(3), 0);
    host.cursorThroughTabs = true;
    EXPECT_EQ(line.NextColumn(1, false), 2);
    EXPECT_EQ(line.NextColumn(1, true), 4);
    EXPECT_EQ(line.PrevColumn(3), 2);
    // Every character boundary survives the round trip.
    TWCELine& tabbed = *host.content.AddLine(u"a\tb\t\tc");
    for (int k = 0; k <= tabbed.Length() + 2; ++k)
        EXPECT_EQ(tabbed.ColumnToChar(tabbed.CharToColumn(k)), k);
}

TEST(WCEContentTest, ASurrogatePairIsNeverSplit) {
    TFakeEditorHost host;
    TWCELine& line = *host.content.AddLine(u"a\U0001F600b"); // a, pair, b
    EXPECT_EQ(line.ColumnToChar(2), 1);
    EXPECT_EQ(line.NextColumn(1), 3);
    EXPECT_EQ(line.PrevColumn(3), 1);
    host.cursorThroughTabs = true;
    EXPECT_EQ(line.NextColumn(1), 3);
    EXPECT_EQ(line.PrevColumn(3), 1);
}

TEST(WCEContentTest, TextRangesOrderClampAndConvertColumns) {
    TFakeEditorHost host;
    host.content.SetText(u"\tabc\r\nline2\r\nxyz");
    EXPECT_EQ(host.content.GetTextRange({5, 0}, {2, 0}), host.content.GetTextRange({2, 0}, {5, 0}));
    EXPECT_EQ(host.content.GetTextRange({4, 0}, {6, 0}), u"ab");
    EXPECT_EQ(host.content.GetTextRange({5, 0}, {2, 2}), u"bc\r\nline2\r\nxy");
    EXPECT_EQ(host.content.GetTextRange({-3, -1}, {99, 9}), u"\tabc\r\nline2\r\nxyz");
    EXPECT_EQ(host.content.GetTextRangeChars({1, 0}, {2, 0}), u"a");
    EXPECT_EQ(host.content.GetEndPoint(), (TPoint{3, 2}));
}

TEST(WCEContentTest, ALineIsValidatedOnceAfterEachChange) {
    TFakeEditorHost host;
    host.content.SetText(u"a\r\nb");
    int validated = 0;
    host.content.OnValidateLine = [&](TWideCodeEditorContent&, TWCELine*) { ++validated; };
    host.content.GetLine(1);
    host.content.GetLine(1);
    EXPECT_EQ(validated, 1);
    host.content.GetLine(1)->SetText(u"bb");
    host.content.GetLine(1);
    EXPECT_EQ(validated, 2);
}

TEST(WCEContentTest, AChangeAboveTheScannedLinesRestartsTheScanThere) {
    TFakeEditorHost host;
    host.content.SetText(u"a\r\nb\r\nc");
    host.scannedUpTo = 2;
    host.content.GetLineRaw(1)->SetText(u"x");
    host.content.GetLineRaw(2)->SetText(u"y");
    EXPECT_EQ(host.rescans, std::vector<int>{1});
}

TEST(WCEContentTest, TheWorkWidthGrowsWithLongLinesAndDropsOnlyWhenAllGo) {
    TFakeEditorHost host;
    host.content.AddLine(std::u16string(600, u'x'));
    EXPECT_EQ(host.workWidth, 600 * 8);
    host.content.GetLineRaw(0)->SetText(u"\t");
    EXPECT_EQ(host.workWidth, 600 * 8);
    host.content.Clear();
    EXPECT_EQ(host.workWidth, TWideCodeEditorContent::kDefaultWorkWidth);
}

TEST(WCEContentTest, ClearIsOneUndoableDeletionUnlessTheEditorIsGoing) {
    TFakeEditorHost host;
    host.content.SetText(u"ab\r\ncd");
    host.undo.Clear();
    host.content.Clear();
    ASSERT_EQ(host.undo.Count(), 1);
    EXPECT_EQ(host.undo.Items(0).Kind, ckDelete);
    EXPECT_EQ(host.undo.Items(0).OldText, u"ab\r\ncd");
    EXPECT_EQ(host.caretResets, 2);

    host.content.SetText(u"ab");
    host.undo.Clear();
    host.destroying = true;
    host.content.Clear();
    EXPECT_EQ(host.undo.Count(), 0);
    EXPECT_EQ(host.content.Count(), 0);
}

// A marker that records where it was drawn.
class TRecordingMarker : public IWCELineMarker {
public:
    explicit TRecordingMarker(int width) : width_(width) {}
    std::vector<std::pair<int, int>> drawn;
    void Draw(int index, ui::TCanvas&, int x, int y) override { drawn.push_back({index * 1000 + x, y}); }
    void GetSize(int, ui::TSize& size) override { size.cx = width_; }

private:
    int width_;
};

TEST(WCEContentTest, MarkersPaintSideBySideAndStylesStackOnALine) {
    uitest::EnsureApplication();
    TFakeEditorHost host;
    TWCELine& line = *host.content.AddLine(u"x");
    auto first = std::make_shared<TRecordingMarker>(12);
    auto second = std::make_shared<TRecordingMarker>(5);
    EXPECT_EQ(line.AddMarker(nullptr), -1);
    EXPECT_EQ(line.AddMarker(first), 0);
    EXPECT_EQ(line.AddMarker(second), 1);
    EXPECT_TRUE(line.HasMarker(second));
    ui::TBitmap bitmap(40, 16);
    line.PaintMarkers(3, *bitmap.Canvas(), 2, 7);
    EXPECT_EQ(first->drawn, (std::vector<std::pair<int, int>>{{3002, 7}}));
    EXPECT_EQ(second->drawn, (std::vector<std::pair<int, int>>{{3014, 7}}));
    line.ClearMarkers();
    EXPECT_FALSE(line.HasMarker(first));

    EXPECT_EQ(line.GetStyle(), nullptr);
    auto style = std::make_shared<TWCELineStyle>(ui::clRed, ui::clDefault);
    line.Styles.Add(style);
    line.Styles.Add(std::make_shared<TWCELineStyle>());
    EXPECT_EQ(line.GetStyle(), style);
    EXPECT_EQ(line.GetStyle()->LineForeground(), ui::clDefault);
}

} // namespace
} // namespace editor
