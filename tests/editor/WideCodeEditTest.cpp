#include "editor/WideCodeEdit.h"

#include "editor/WCESQLHighlighter.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Clock.h"
#include "platform/ui/DragManager.h"
#include "platform/ui/Mouse.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace editor {
namespace {

using ui::TColor;

constexpr TColor kSelectedBack = 0xA56D53;
constexpr TColor kSelectedText = 0xFFFFFF;

class WideCodeEditTest : public uitest::UiTest {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 400, 300);
        edit.SetParent(&form);
        edit.SetBounds(0, 0, 400, 300);
        edit.Font()->SetSize(10);
        form.Show();
        form.HandleNeeded();
        form.Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
        edit.SetFocus();
        edit.Model().SetGutterExtraWidth(20);
        edit.Model().SelectedColor().SetForeground(kSelectedText);
        edit.Model().SelectedColor().SetBackground(kSelectedBack);
        // Selections show without the focus, so pixel tests need no active window.
        edit.Model().SetOptions(edit.Model().Options() - TWideCodeEditOptions{eoHideSelection});
    }

    TWideCodeEditModel& model() { return edit.Model(); }
    QWidget* widget() { return edit.Widget(); }

    QImage Grab() {
        const QImage window = edit.Widget()->grab().toImage();
        const ui::TRect c = edit.ClientRectInWindow();
        QImage client = window.copy(c.Left, c.Top, c.Width(), c.Height());
        if (const char* dir = std::getenv("EDITOR_TEST_PNG_DIR"))
            client.save(QString::fromUtf8(dir) + "/" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png");
        return client;
    }
    static TColor Pixel(const QImage& image, int x, int y) { return ui::FromQColor(image.pixelColor(x, y)); }

    // The client x of column 0: the text keeps a margin from the gutter.
    int TextLeft() { return model().GutterWidth() + TCustomWideCodeEdit::kTextMargin; }
    // The client point of a cell's top-left corner (column, line), one pixel inside it.
    QPoint CellCorner(int column, int line) {
        return {TextLeft() + column * model().CharWidth() + 1,
                (line - model().TopLine() + 1) * model().LineHeight() + 1};
    }
    QPoint CellCentre(int column, int line) {
        return {TextLeft() + column * model().CharWidth() + model().CharWidth() / 2,
                (line - model().TopLine() + 1) * model().LineHeight() + model().LineHeight() / 2};
    }
    // The pointer on a cell, in window coordinates of the editor's widget.
    QPoint AtCell(int column, int line) {
        const ui::TRect c = edit.ClientRectInWindow();
        return CellCentre(column, line) + QPoint(c.Left - model().CharWidth() / 2 + 1, c.Top);
    }
    // A left-button event at a point of the editor's widget, with the screen's cursor there as well:
    // drags follow the cursor.
    void Mouse(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint global = widget()->mapToGlobal(at);
        QCursor::setPos(global);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, global, Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(widget(), &event);
    }
    // Presses at `from`, moves to `to` and releases there with `modifiers`.
    void DragText(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        Mouse(QEvent::MouseButtonPress, from);
        Mouse(QEvent::MouseMove, to, modifiers);
        Mouse(QEvent::MouseButtonRelease, to, modifiers);
    }
    void Wheel(int delta, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint pos(50, 50);
        QWheelEvent event(pos, widget()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget(), &event);
    }
    void SetLines(int count) {
        std::u16string text;
        for (int i = 0; i < count; ++i)
            text += u"line " + rtl::Utf8ToUtf16(std::to_string(i)) + u"\r\n";
        model().SetText(text);
    }

    ui::TWinControl form{nullptr};
    TCustomWideCodeEdit edit{nullptr};
};

// ---- painting

TEST_F(WideCodeEditTest, GutterIsAGradientWithThreeEdgeLines) {
    SetLines(3);
    const QImage image = Grab();
    const int gw = model().GutterWidth();
    const int y = image.height() - 5; // below the text
    EXPECT_EQ(Pixel(image, 0, y), TCustomWideCodeEdit::kGutterLeft);
    EXPECT_EQ(Pixel(image, gw - 3, y), TCustomWideCodeEdit::kGutterShadow);
    EXPECT_EQ(Pixel(image, gw - 2, y), TCustomWideCodeEdit::kGutterLeft);
    EXPECT_EQ(Pixel(image, gw - 1, y), TCustomWideCodeEdit::kGutterRight);
    EXPECT_EQ(Pixel(image, gw, y), ui::clWhite) << "the text area starts right of the gutter";
    for (int x = gw; x < gw + TCustomWideCodeEdit::kTextMargin; ++x)
        for (int row = model().LineHeight(); row < 2 * model().LineHeight(); ++row) // below the caret's line
            ASSERT_EQ(Pixel(image, x, row), ui::clWhite) << "no character touches the gutter's edge";
    // The last gradient band lies just left of the edge lines.
    const TColor nearRight = Pixel(image, gw - 4, y);
    EXPECT_GT(nearRight & 0xFF, 0xF0u);
}

// Rendered as the screen gets it: no background is filled for the window before it paints.
TEST_F(WideCodeEditTest, TheScrollBarsAndTheCornerBetweenThemAreNeverLeftUnpainted) {
    edit.SetBounds(0, 0, 200, 120);
    model().SetText(u"select 1;\r\n");
    ASSERT_TRUE(edit.ScrollBarVisible(ui::SB_VERT));
    ASSERT_TRUE(edit.ScrollBarVisible(ui::SB_HORZ));
    QImage image(widget()->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    widget()->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const ui::TRect c = edit.ClientRectInWindow();
    const int extent = edit.Width() - 2 - c.Right;
    EXPECT_EQ(Pixel(image, c.Right + extent / 2, c.Bottom + extent / 2), ui::ColorToRGB(ui::clBtnFace))
        << "the corner";
    for (const QWidget* bar : widget()->findChildren<QScrollBar*>()) {
        const QRect r = bar->geometry();
        for (int x = r.left(); x <= r.right(); ++x)
            for (int y = r.top(); y <= r.bottom(); ++y)
                ASSERT_NE(Pixel(image, x, y), 0u) << "black at " << x << "," << y;
    }
}

TEST_F(WideCodeEditTest, TheRightMarginIsALineInTheMarginColour) {
    model().SetText(u"abc\r\n");
    model().SetRightMargin(10);
    model().SetMarginColor(0x0000FF);
    const QImage image = Grab();
    const int x = TextLeft() + 10 * model().CharWidth();
    EXPECT_EQ(Pixel(image, x, image.height() - 3), 0x0000FFu);
    EXPECT_EQ(Pixel(image, x - 1, image.height() - 3), ui::clWhite);
}

// Inked columns of a gutter row: where it differs from the empty gutter below the text.
struct TInk {
    int left = -1, right = -1;
    bool grey = false;
    int Width() const { return left < 0 ? 0 : right - left + 1; }
};

TInk GutterInk(const QImage& image, int gutterWidth, int top, int height) {
    TInk ink;
    const int reference = image.height() - 3;
    for (int x = 0; x < gutterWidth - 3; ++x)
        for (int y = top; y < top + height; ++y) {
            const TColor c = ui::FromQColor(image.pixelColor(x, y));
            if (c == ui::FromQColor(image.pixelColor(x, reference))) continue;
            if (ink.left < 0) ink.left = x;
            ink.right = x;
            ink.grey = ink.grey || c == TCustomWideCodeEdit::kGutterShadow;
        }
    return ink;
}

TEST_F(WideCodeEditTest, LineNumbersInFullForOneFivesAndTheCaretLineBulletsOtherwise) {
    SetLines(12);
    model().SetOptions(model().Options() + TWideCodeEditOptions{eoLineNumbers});
    const int h = model().LineHeight();
    const int digit = model().CharWidth() / 2; // a digit of the smaller number font is wider than this
    const auto ink = [&](int line) { return GutterInk(Grab(), model().GutterWidth(), line * h, h); };
    model().SetCaretXY({0, 2});
    for (int line : {0, 4, 9})
        EXPECT_GT(ink(line).Width(), digit) << "line " << line + 1;
    EXPECT_GT(ink(9).Width(), ink(4).Width()) << "10 has two digits";
    for (int line : {1, 3, 5, 8, 10, 11}) {
        EXPECT_GT(ink(line).Width(), 0) << "a bullet on line " << line + 1;
        EXPECT_LT(ink(line).Width(), ink(4).Width()) << "a bullet on line " << line + 1;
    }
    EXPECT_GT(ink(2).Width(), ink(1).Width()) << "the caret line 3 in full";
    EXPECT_TRUE(ink(2).grey);
    EXPECT_FALSE(ink(4).grey);
    model().SetCaretXY({0, 11});
    EXPECT_GT(ink(11).Width(), ink(4).Width()) << "12 only on the caret line";
}

TEST_F(WideCodeEditTest, BookmarkGlyphsShowOnVisibleLinesOnlyWhereTheOptionsSay) {
    SetLines(200);
    EXPECT_EQ(TCustomWideCodeEdit::BookmarkGlyphWidth(), 12) << "the width of the drawn glyph";
    model().SetGutterExtraWidth(TCustomWideCodeEdit::BookmarkGlyphWidth() + 20);
    model().SetBookmark(3, 0, 1);
    model().SetBookmark(4, 0, 150);
    const int h = model().LineHeight();
    // The glyph's blue ribbon, just inside its top-left corner; the gutter around it is grey.
    const auto glyphAt = [&](int left, int row) {
        const QColor c = Grab().pixelColor(left + 2, row * h + 2);
        return c.blue() > c.red() + 60;
    };
    const int margin = TCustomWideCodeEdit::kBookmarkLeftMargin;
    EXPECT_FALSE(glyphAt(margin, 0));
    EXPECT_TRUE(glyphAt(margin, 1));
    model().SetTopLine(150); // line 150 is now the second row
    EXPECT_TRUE(glyphAt(margin, 1));
    EXPECT_FALSE(glyphAt(margin, 2));
    TBookmarkOptions options;
    options.LeftMargin = 10;
    model().SetBookmarkOptions(options);
    EXPECT_TRUE(glyphAt(10, 1));
    EXPECT_FALSE(glyphAt(margin, 1));
    options.GlyphsVisible = false;
    model().SetBookmarkOptions(options);
    EXPECT_FALSE(glyphAt(10, 1));
}

// Ten bookmarks, one a line: also a picture to look at (EDITOR_TEST_PNG_DIR).
TEST_F(WideCodeEditTest, TheGutterShowsEachBookmarkWithItsDigit) {
    SetLines(12);
    model().SetOptions(model().Options() + TWideCodeEditOptions{eoLineNumbers});
    model().SetGutterExtraWidth(TCustomWideCodeEdit::BookmarkGlyphWidth() + 4);
    for (int k = 0; k < TWideCodeEditModel::kBookmarkCount; ++k)
        model().SetBookmark(k, 0, k);
    const QImage image = Grab();
    const int h = model().LineHeight();
    const int margin = TCustomWideCodeEdit::kBookmarkLeftMargin;
    for (int k = 0; k < TWideCodeEditModel::kBookmarkCount; ++k) {
        // Each glyph differs from the next one only in its white digit.
        int white = 0;
        for (int y = 0; y < TCustomWideCodeEdit::BookmarkGlyphWidth(); ++y)
            for (int x = 0; x < TCustomWideCodeEdit::BookmarkGlyphWidth(); ++x)
                white += Pixel(image, margin + x, k * h + y) == ui::clWhite;
        EXPECT_GE(white, 7) << "the digit of bookmark " << k;
    }
}

TEST_F(WideCodeEditTest, SelectedCellsUseTheSelectionColoursAndATabStaysInTheText) {
    model().SetText(u"ab\tcdef\r\n");
    model().SetBlockBegin({1, 0});
    model().SetBlockEnd({11, 0}); // "b", the tab (columns 2..9) and "c"
    const QImage image = Grab();
    EXPECT_EQ(Pixel(image, CellCorner(0, 0).x(), CellCorner(0, 0).y()), ui::clWhite);
    EXPECT_EQ(Pixel(image, CellCorner(3, 0).x(), CellCorner(3, 0).y()), kSelectedBack) << "inside the tab";
    EXPECT_EQ(Pixel(image, CellCorner(10, 0).x(), CellCorner(10, 0).y()), kSelectedBack);
    EXPECT_EQ(Pixel(image, CellCorner(11, 0).x(), CellCorner(11, 0).y()), ui::clWhite);
    EXPECT_EQ(model().Content().GetLineRaw(0)->Text(), u"ab\tcdef");
}

TEST_F(WideCodeEditTest, ControlCharactersShowAsSymbolsOnlyWithTheOption) {
    model().SetText(u"a b\tc\r\n");
    const auto inked = [&](int column, int columns) {
        const QImage image = Grab();
        for (int x = 0; x < columns * model().CharWidth(); ++x)
            for (int y = 0; y < model().LineHeight() - 2; ++y) {
                const QPoint p = CellCorner(column, 0) + QPoint(x - 1, y);
                if (Pixel(image, p.x(), p.y()) != ui::clWhite) return true;
            }
        return false;
    };
    EXPECT_FALSE(inked(1, 1));
    EXPECT_FALSE(inked(3, 8));
    EXPECT_FALSE(inked(12, 1));
    model().SetOptions(model().Options() + TWideCodeEditOptions{eoShowControlChars});
    EXPECT_TRUE(inked(1, 1)) << "space";
    EXPECT_TRUE(inked(3, 8)) << "tab";
    EXPECT_TRUE(inked(12, 1)) << "line end";
    EXPECT_EQ(model().Content().GetLineRaw(0)->Text(), u"a b\tc");
}

TEST_F(WideCodeEditTest, TheSelectionShowsWhenFocusedAndEditableOrWhenAnOptionKeepsIt) {
    TCustomWideCodeEdit other(nullptr);
    other.SetParent(&form);
    other.SetBounds(0, 250, 50, 50);
    model().SetText(u"abc\r\n");
    struct TCase {
        TWideCodeEditOptions options;
        bool focused, shown;
    } cases[] = {
        {{eoHideSelection}, true, true},
        {{eoHideSelection}, false, false},
        {{}, false, true},
        {{eoHideSelection, eoReadOnly}, true, false},
        {{eoHideSelection, eoReadOnly, eoReadOnlySelection}, true, true},
        {{eoReadOnly, eoReadOnlySelection}, false, true},
        {{eoReadOnly}, false, false},
    };
    for (const TCase& c : cases) {
        model().SetOptions(c.options);
        model().SetBlockBegin({0, 0});
        model().SetBlockEnd({2, 0});
        (c.focused ? edit : other).SetFocus();
        const QImage image = Grab();
        const TColor cell = Pixel(image, CellCorner(1, 0).x() + 2, CellCorner(1, 0).y());
        EXPECT_EQ(cell == kSelectedBack, c.shown) << "case " << &c - cases;
        EXPECT_EQ(edit.SelectionVisible(), c.shown) << "case " << &c - cases;
    }
}

TEST_F(WideCodeEditTest, APluginsLineColoursShowInvertedInsideTheSelection) {
    TWCESQLHighlighter sql;
    model().SetHighLighter(&sql);
    model().SetText(u"aaaa\r\nbbbb\r\ncccc\r\ndddd\r\neeee\r\nffff\r\n");
    model().OnGetLineColors = [](TWideCodeEditModel&, int line, TColor& fg, TColor& bg) {
        if (line == 3) fg = ui::clWhite, bg = ui::clRed;
    };
    model().SetBlockBegin({2, 2});
    model().SetBlockEnd({2, 4});
    const QImage image = Grab();
    const QPoint before = CellCorner(0, 2), selected = CellCorner(1, 3), after = CellCorner(3, 4);
    EXPECT_EQ(Pixel(image, CellCorner(3, 2).x(), CellCorner(3, 2).y()), kSelectedBack);
    EXPECT_EQ(Pixel(image, before.x(), before.y()), ui::clWhite);
    EXPECT_EQ(Pixel(image, selected.x(), selected.y()), ui::clWhite) << "red on white inside the selection";
    bool red = false;
    for (int x = 0; x < model().CharWidth() * 4; ++x)
        for (int y = 0; y < model().LineHeight(); ++y) {
            const QColor c = image.pixelColor(CellCorner(0, 3).x() + x, CellCorner(0, 3).y() + y);
            red = red || (c.red() > 200 && c.green() < 120 && c.blue() < 120);
        }
    EXPECT_TRUE(red) << "the text of line 4 is red";
    EXPECT_EQ(Pixel(image, after.x(), after.y()), ui::clWhite);
    model().SetHighLighter(nullptr);
}

TEST_F(WideCodeEditTest, OpeningABlockCommentRecoloursTheFollowingLinesAndClosingRestoresThem) {
    TWCESQLHighlighter sql;
    sql.CommentAttributes().SetForeground(ui::clLime);
    sql.KeyAttributes().SetForeground(ui::clBlue);
    model().SetHighLighter(&sql);
    model().SetText(u"select 1\r\nx\r\nselect 2\r\nselect 3\r\n");
    const auto green = [&](int line) {
        const QImage image = Grab();
        for (int x = 0; x < model().CharWidth() * 6; ++x)
            for (int y = 0; y < model().LineHeight(); ++y) {
                const QColor c =
                    image.pixelColor(CellCorner(0, line).x() + x, CellCorner(0, line).y() - 1 + y);
                if (c.green() > 150 && c.red() < 100 && c.blue() < 100) return true;
            }
        return false;
    };
    EXPECT_FALSE(green(2));
    EXPECT_FALSE(green(3));
    model().SetCaretXY({0, 1});
    QTest::keyClicks(widget(), "/*");
    EXPECT_EQ(model().Content().GetLineRaw(1)->Text(), u"/*x");
    EXPECT_TRUE(green(2));
    EXPECT_TRUE(green(3));
    QTest::keyClick(widget(), Qt::Key_Backspace);
    QTest::keyClick(widget(), Qt::Key_Backspace);
    EXPECT_FALSE(green(2));
    EXPECT_FALSE(green(3));
    model().SetHighLighter(nullptr);
}

TEST_F(WideCodeEditTest, TheCaretStandsAtTheCaretColumn) {
    model().SetText(u"hello\r\n");
    edit.SetFocus();
    ASSERT_TRUE(edit.Focused());
    model().SetCaretXY({3, 0});
    EXPECT_EQ(edit.CaretPos().X, TextLeft() + 3 * model().CharWidth() - 1);
    EXPECT_EQ(edit.CaretPos().Y, 0);
    const QImage image = Grab();
    EXPECT_EQ(Pixel(image, edit.CaretPos().X, 5), ui::clBlack) << "the caret is drawn";
}

// Insert and overwrite mode each have their shape; the rectangle is relative to the caret cell.
TEST_F(WideCodeEditTest, TheCaretTakesTheShapeOfItsMode) {
    model().SetText(u"hello\r\n");
    model().SetCaretXY({2, 0});
    const int cw = model().CharWidth(), lh = model().LineHeight();
    const int left = TextLeft() + 2 * cw - 1;
    struct Case {
        TCaretType type;
        ui::TRect rect;
    };
    const Case cases[] = {
        {ctVerticalLine, {left, 0, left + 2, lh - 2}},
        {ctHorizontalLine, {left, lh - 2, left + cw, lh}},
        {ctHalfBlock, {left, lh - 2 - (lh - 2) / 2, left + cw, lh - 2}},
        {ctBlock, {left, 0, left + cw, lh - 2}},
    };
    for (const Case& c : cases) {
        model().SetInsertCaret(c.type);
        EXPECT_EQ(edit.CaretRect(), c.rect) << int(c.type);
    }
    model().SetOverwriteCaret(ctHorizontalLine);
    QTest::keyClick(widget(), Qt::Key_Insert);
    ASSERT_FALSE(model().Options().Contains(eoInserting));
    EXPECT_EQ(edit.CaretRect(), (ui::TRect{left, lh - 2, left + cw, lh}));
}

TEST_F(WideCodeEditTest, TheCaretHidesWhileItsLineIsScrolledOutOfView) {
    SetLines(100);
    ASSERT_TRUE(edit.Focused());
    EXPECT_TRUE(edit.CaretVisible());
    model().SetTopLine(50);
    EXPECT_FALSE(edit.CaretVisible());
    model().SetTopLine(1);
    EXPECT_TRUE(edit.CaretVisible());
}

// Painting one screen scans the highlighter only as far as the screen reaches, whatever the length.
TEST_F(WideCodeEditTest, PaintingScansOnlyUpToTheVisibleLines) {
    TWCESQLHighlighter sql;
    model().SetHighLighter(&sql);
    SetLines(100000);
    Grab();
    EXPECT_LE(model().ScannedUpTo(), model().LinesInWindow() + 1);
    model().SetTopLine(50000);
    Grab();
    EXPECT_LE(model().ScannedUpTo(), 50000 + model().LinesInWindow());
    EXPECT_GE(model().ScannedUpTo(), 50000);
    model().SetHighLighter(nullptr);
}

// ---- keyboard and input method

TEST_F(WideCodeEditTest, ABoundKeyRunsItsCommandAndAnUnboundLetterTypes) {
    model().SetText(u"abc\r\n");
    QTest::keyClick(widget(), Qt::Key_End);
    EXPECT_EQ(model().CaretX(), 3);
    EXPECT_EQ(model().GetText(), u"abc\r\n") << "no character for a bound key";
    QTest::keyClick(widget(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(model().GetSelectedText(), u"c");
    QTest::keyClick(widget(), Qt::Key_Q);
    EXPECT_EQ(model().GetText(), u"abq\r\n");
}

TEST_F(WideCodeEditTest, AnInputMethodCommitIsOneUndoStepAndRespectsReadOnly) {
    model().SetOptions(model().Options() + TWideCodeEditOptions{eoUseUndoRedo});
    model().SetText(u"ab\r\n");
    model().SetCaretXY({1, 0});
    QInputMethodEvent event;
    event.setCommitString(QString::fromUtf8("日本"));
    QApplication::sendEvent(widget(), &event);
    EXPECT_EQ(model().GetText(), u"a日本b\r\n");
    EXPECT_EQ(model().CaretX(), 3);
    model().Undo();
    EXPECT_EQ(model().GetText(), u"ab\r\n");
    model().SetOptions(model().Options() + TWideCodeEditOptions{eoReadOnly});
    QApplication::sendEvent(widget(), &event);
    EXPECT_EQ(model().GetText(), u"ab\r\n");
}

// ---- mouse

TEST_F(WideCodeEditTest, DoubleClickSelectsAWordAndAQuickThirdClickTheLine) {
    ui::TManualClockScope clock(1000);
    model().SetText(u"one two three\r\nnext\r\n");
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, AtCell(5, 0));
    EXPECT_EQ(model().GetSelectedText(), u"two");
    clock->Advance(ui::TMouse::DoubleClickTime() / 2);
    QTest::mouseClick(widget(), Qt::LeftButton, {}, AtCell(5, 0));
    EXPECT_EQ(model().GetSelectedText(), u"one two three\r\n");

    QTest::mouseDClick(widget(), Qt::LeftButton, {}, AtCell(9, 0));
    EXPECT_EQ(model().GetSelectedText(), u"three");
    clock->Advance(ui::TMouse::DoubleClickTime() + 1);
    QTest::mouseClick(widget(), Qt::LeftButton, {}, AtCell(1, 0));
    EXPECT_FALSE(model().SelectionAvailable()) << "after the interval the click only places the caret";
    EXPECT_EQ(model().GetCaretXY(), (ui::TPoint{1, 0}));
}

TEST_F(WideCodeEditTest, ARightClickInsideTheSelectionKeepsItAndOutsideMovesTheCaret) {
    model().SetText(u"one two three\r\n");
    model().SetBlockBegin({4, 0});
    model().SetBlockEnd({7, 0});
    QTest::mouseClick(widget(), Qt::RightButton, {}, AtCell(5, 0));
    EXPECT_EQ(model().GetSelectedText(), u"two");
    QTest::mouseClick(widget(), Qt::RightButton, {}, AtCell(10, 0));
    EXPECT_FALSE(model().SelectionAvailable());
    EXPECT_EQ(model().CaretX(), 10);
}

TEST_F(WideCodeEditTest, APressInTheGutterOnlyReportsTheLine) {
    SetLines(100);
    model().SetTopLine(5);
    model().SetCaretXY({2, 6});
    int reported = -1;
    edit.OnGutterMouseDown = [&](TCustomWideCodeEdit&, ui::TMouseButton, ui::TShiftState, int, int,
                                 int line) { reported = line; };
    const ui::TRect c = edit.ClientRectInWindow();
    QTest::mouseClick(widget(), Qt::LeftButton, {}, {c.Left + 3, c.Top + 2 * model().LineHeight() + 2});
    EXPECT_EQ(reported, 6);
    EXPECT_EQ(model().GetCaretXY(), (ui::TPoint{2, 6})) << "the caret stays";
}

TEST_F(WideCodeEditTest, DraggingBelowTheWindowScrollsOnTheClockFasterFartherAway) {
    ui::TManualClockScope clock(1000);
    SetLines(200);
    QTest::mousePress(widget(), Qt::LeftButton, {}, AtCell(0, 0));
    const int bottom = edit.ClientRectInWindow().Top + edit.ClientHeight();
    QTest::mouseMove(widget(), {60, bottom + 2});
    const int top = model().TopLine();
    clock->Advance(20);
    const int near = model().TopLine() - top;
    EXPECT_GE(near, 1);
    EXPECT_TRUE(model().SelectionAvailable());
    EXPECT_EQ(model().SelStart(), (ui::TPoint{0, 0}));
    QTest::mouseMove(widget(), {60, bottom + 10 * model().LineHeight()});
    const int before = model().TopLine();
    clock->Advance(20);
    EXPECT_GT(model().TopLine() - before, near);
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, {60, bottom + 10 * model().LineHeight()});
    const int stopped = model().TopLine();
    clock->Advance(100);
    EXPECT_EQ(model().TopLine(), stopped) << "the release stops the timer";
}

// ---- drag and drop

TEST_F(WideCodeEditTest, DraggingTheSelectionMovesItWithCtrlCopiesItAndAClickOnItCollapsesIt) {
    struct TCase {
        Qt::KeyboardModifiers modifiers;
        bool readOnly;
        std::u16string text;
    } cases[] = {{{}, false, u"one  threetwo\r\n"},
                 {Qt::ControlModifier, false, u"one two threetwo\r\n"},
                 {{}, true, u"one two three\r\n"}};
    for (const TCase& c : cases) {
        model().SetOptions(model().Options() - TWideCodeEditOptions{eoReadOnly});
        model().SetText(u"one two three\r\n");
        model().SetBlockBegin({4, 0});
        model().SetBlockEnd({7, 0});
        if (c.readOnly) model().SetOptions(model().Options() + TWideCodeEditOptions{eoReadOnly});
        DragText(AtCell(5, 0), AtCell(13, 0), c.modifiers);
        EXPECT_EQ(model().GetText(), c.text)
            << "modifiers " << int(c.modifiers) << " read-only " << c.readOnly;
        EXPECT_FALSE(ui::DragActive());
    }
    model().SetOptions(model().Options() - TWideCodeEditOptions{eoReadOnly});
    model().SetText(u"one two three\r\n");
    model().SetBlockBegin({4, 0});
    model().SetBlockEnd({7, 0});
    DragText(AtCell(0, 0), AtCell(1, 0));
    EXPECT_EQ(model().GetText(), u"one two three\r\n") << "outside the selection a press selects";

    model().SetBlockBegin({4, 0});
    model().SetBlockEnd({7, 0});
    QTest::mouseClick(widget(), Qt::LeftButton, {}, AtCell(5, 0));
    EXPECT_FALSE(model().SelectionAvailable());
    EXPECT_EQ(model().CaretX(), 5);
}

TEST_F(WideCodeEditTest, EscapeCancelsATextDragAndTheCaretReturns) {
    model().SetText(u"hello world\r\n");
    model().SetCaretXY({11, 0});
    model().SetBlockBegin({0, 0});
    model().SetBlockEnd({5, 0});
    Mouse(QEvent::MouseButtonPress, AtCell(2, 0));
    Mouse(QEvent::MouseMove, AtCell(8, 0));
    ASSERT_TRUE(ui::DragActive());
    QTest::keyClick(widget(), Qt::Key_Escape);
    EXPECT_FALSE(ui::DragActive());
    Mouse(QEvent::MouseButtonRelease, AtCell(8, 0));
    EXPECT_EQ(model().GetText(), u"hello world\r\n");
    EXPECT_EQ(model().GetSelectedText(), u"hello");
    EXPECT_EQ(model().GetCaretXY(), (TPoint{11, 0}));
}

TEST_F(WideCodeEditTest, ThePointerIsAnIBeamOverTextAndAnArrowOverTheGutterAndTheSelection) {
    model().SetText(u"hello world\r\n");
    model().SetBlockBegin({0, 0});
    model().SetBlockEnd({5, 0});
    const ui::TRect c = edit.ClientRectInWindow();
    const QPoint gutter(c.Left + 2, c.Top + 3);
    const struct {
        QPoint at;
        Qt::CursorShape shape;
    } cases[] = {{AtCell(8, 0), Qt::IBeamCursor},
                 {AtCell(2, 0), Qt::ArrowCursor},
                 {gutter, Qt::ArrowCursor},
                 {AtCell(9, 0), Qt::IBeamCursor}};
    for (const auto& k : cases) {
        QTest::mouseMove(widget(), k.at);
        EXPECT_EQ(widget()->cursor().shape(), k.shape) << k.at.x();
    }
}

TEST_F(WideCodeEditTest, DroppingIntoAnotherEditorCopiesOrWithShiftMovesButNeverCutsAReadOnlySource) {
    TCustomWideCodeEdit other(nullptr);
    other.SetParent(&form);
    edit.SetBounds(0, 0, 200, 300);
    other.SetBounds(200, 0, 200, 300);
    other.Model().SetGutterExtraWidth(20);
    const int intoOther = 200 + 20; // column 0 of the other editor's first line, in the form
    struct TCase {
        Qt::KeyboardModifiers modifiers;
        bool readOnly;
        std::u16string source, target;
    } cases[] = {{{}, false, u"one two\r\n", u"twox\r\n"},
                 {Qt::ShiftModifier, false, u"one \r\n", u"twox\r\n"},
                 {Qt::ShiftModifier, true, u"one two\r\n", u"twox\r\n"}};
    for (const TCase& c : cases) {
        model().SetOptions(model().Options() - TWideCodeEditOptions{eoReadOnly});
        model().SetText(u"one two\r\n");
        other.Model().SetText(u"x\r\n");
        model().SetBlockBegin({4, 0});
        model().SetBlockEnd({7, 0});
        if (c.readOnly) model().SetOptions(model().Options() + TWideCodeEditOptions{eoReadOnly});
        const QPoint drop(intoOther + edit.ClientRectInWindow().Left, AtCell(0, 0).y());
        edit.SetFocus(); // the drop gave it to the other editor; a press would only take it back
        DragText(AtCell(5, 0), drop, c.modifiers);
        EXPECT_EQ(model().GetText(), c.source) << int(c.modifiers) << " read-only " << c.readOnly;
        EXPECT_EQ(other.Model().GetText(), c.target) << int(c.modifiers) << " read-only " << c.readOnly;
    }
    // A move is one undo step in each editor.
    for (TWideCodeEditModel* m : {&model(), &other.Model()})
        m->SetOptions(m->Options() - TWideCodeEditOptions{eoReadOnly} + TWideCodeEditOptions{eoUseUndoRedo});
    model().SetText(u"one two\r\n");
    other.Model().SetText(u"x\r\n");
    model().SetBlockBegin({4, 0});
    model().SetBlockEnd({7, 0});
    edit.SetFocus();
    DragText(AtCell(5, 0), QPoint(intoOther + edit.ClientRectInWindow().Left, AtCell(0, 0).y()),
             Qt::ShiftModifier);
    ASSERT_EQ(other.Model().GetText(), u"twox\r\n");
    other.Model().Undo();
    EXPECT_EQ(other.Model().GetText(), u"x\r\n");
    model().Undo();
    EXPECT_EQ(model().GetText(), u"one two\r\n");
}

TEST_F(WideCodeEditTest, TheDragShowsWhetherItMovesOrCopiesAndRefusesItsOwnSelectionAndAReadOnlyEditor) {
    using Editor = TCustomWideCodeEdit;
    ui::TManualClockScope clock(1000);
    TCustomWideCodeEdit other(nullptr);
    other.SetParent(&form);
    edit.SetBounds(0, 0, 200, 300);
    other.SetBounds(200, 0, 200, 300);
    other.Model().SetText(u"xyz\r\n");
    model().SetText(u"one two three\r\n");
    model().SetBlockBegin({4, 0});
    model().SetBlockEnd({7, 0});
    const QPoint intoOther(200 + other.Model().GutterWidth() + 10 + edit.ClientRectInWindow().Left,
                           AtCell(0, 0).y());
    Mouse(QEvent::MouseButtonPress, AtCell(5, 0));
    Mouse(QEvent::MouseMove, AtCell(10, 0));
    EXPECT_EQ(ui::DragCursorShown(), Editor::crDragMove) << "within one editor the text moves";
    Mouse(QEvent::MouseMove, AtCell(10, 0), Qt::ControlModifier);
    EXPECT_EQ(ui::DragCursorShown(), Editor::crDragCopy);
    Mouse(QEvent::MouseMove, AtCell(6, 0));
    EXPECT_EQ(ui::DragCursorShown(), ui::crNoDrop) << "never onto its own selection";
    Mouse(QEvent::MouseMove, intoOther);
    EXPECT_EQ(ui::DragCursorShown(), Editor::crDragCopy) << "between editors it is copied";
    EXPECT_TRUE(other.Focused()) << "the editor under the drag takes the focus";
    clock->Advance(TCustomWideCodeEdit::kScrollInterval);
    EXPECT_GT(other.Model().CaretX(), 0) << "the timer brings the caret to the pointer";
    EXPECT_FALSE(other.Model().SelectionAvailable()) << "and selects nothing";
    Mouse(QEvent::MouseMove, intoOther, Qt::ShiftModifier);
    EXPECT_EQ(ui::DragCursorShown(), Editor::crDragMove);
    other.Model().SetOptions(other.Model().Options() + TWideCodeEditOptions{eoReadOnly});
    Mouse(QEvent::MouseMove, intoOther, Qt::ShiftModifier);
    EXPECT_EQ(ui::DragCursorShown(), ui::crNoDrop);
    Mouse(QEvent::MouseButtonRelease, intoOther, Qt::ShiftModifier);
    EXPECT_EQ(other.Model().GetText(), u"xyz\r\n");
    EXPECT_EQ(model().GetText(), u"one two three\r\n");
    EXPECT_EQ(model().GetSelectedText(), u"two") << "a drag that found no taker keeps the selection";
}

// ---- wheel and scroll bars

TEST_F(WideCodeEditTest, HorizontalScrollCodesMoveByCharactersAndStopAtBothEnds) {
    model().SetText(u"abc\r\n");
    const int cw = model().CharWidth();
    edit.Perform(ui::WM_HSCROLL, ui::SB_LINERIGHT);
    EXPECT_EQ(model().LeftOffset(), -cw);
    edit.Perform(ui::WM_HSCROLL, ui::SB_LINELEFT);
    edit.Perform(ui::WM_HSCROLL, ui::SB_LINELEFT);
    EXPECT_EQ(model().LeftOffset(), 0);
    edit.Perform(ui::WM_HSCROLL, ui::SB_RIGHT);
    EXPECT_EQ(model().LeftOffset(),
              edit.ClientWidth() - model().GutterWidth() + 1 - model().WorkWidth() - cw);
    EXPECT_EQ(edit.GetScrollInfo(ui::SB_HORZ).pos, -model().LeftOffset());
}

TEST_F(WideCodeEditTest, TheWheelScrollsByWheelLinesOrWithCtrlByAPageAndSmallDeltasAddUp) {
    SetLines(300);
    Wheel(-120);
    EXPECT_EQ(model().TopLine(), 1 + ui::TMouse::WheelScrollLines());
    Wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(model().TopLine(), 1 + ui::TMouse::WheelScrollLines() + model().LinesInWindow());
    const int top = model().TopLine();
    Wheel(60);
    EXPECT_EQ(model().TopLine(), top);
    Wheel(60);
    EXPECT_EQ(model().TopLine(), top - ui::TMouse::WheelScrollLines());
}

// Dragging the thumb shows the top line beside it, lower down the farther the text is scrolled.
TEST_F(WideCodeEditTest, DraggingTheThumbShowsTheTopLineInTheScrollHint) {
    SetLines(100);
    model().SetOptions(model().Options() + TWideCodeEditOptions{eoShowScrollHint});
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : widget()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) bar = b;
    ASSERT_NE(bar, nullptr);
    bar->setSliderDown(true);
    bar->setSliderPosition(20);
    EXPECT_EQ(model().TopLine(), 21);
    ui::THintWindow* hint = edit.ScrollHintWindow();
    ASSERT_NE(hint, nullptr);
    ASSERT_TRUE(hint->Showing());
    EXPECT_EQ(hint->Caption(), "21");
    const ui::TPoint clientRight = edit.ClientToScreen({edit.ClientWidth(), 0});
    EXPECT_EQ(hint->Left() + hint->Width(), clientRight.X - 2);
    const int top20 = hint->Top();
    bar->setSliderPosition(60);
    EXPECT_GT(hint->Top(), top20);
    if (const char* dir = std::getenv("EDITOR_TEST_PNG_DIR"))
        hint->Widget()->grab().save(QString::fromUtf8(dir) + "/scroll-hint.png");
    bar->setSliderDown(false);
    EXPECT_FALSE(hint->Showing());
}

TEST_F(WideCodeEditTest, TheVerticalBarCoversTheLinesWithAPageOfTheWindowPlusOne) {
    SetLines(100);
    model().SetTopLine(11);
    const ui::TScrollInfo v = edit.GetScrollInfo(ui::SB_VERT);
    EXPECT_EQ(v.min, 0);
    EXPECT_EQ(v.max, 100);
    EXPECT_EQ(v.page, model().LinesInWindow() + 1);
    EXPECT_EQ(v.pos, 10);
    edit.Perform(ui::WM_VSCROLL, ui::SB_PAGEDOWN);
    EXPECT_EQ(model().TopLine(), 11 + model().LinesInWindow());
    edit.Perform(ui::WM_VSCROLL, ui::SB_TOP);
    EXPECT_EQ(model().TopLine(), 1);
    const ui::TScrollInfo h = edit.GetScrollInfo(ui::SB_HORZ);
    EXPECT_EQ(h.max, model().WorkWidth() + model().GutterWidth() - 1 + model().CharWidth());
}

} // namespace
} // namespace editor
