// The string tree as a window: what it paints (read from a grabbed image), what lies under a point,
// and what mouse, keys and the wheel do.
#include "StringTreeFixture.h"

namespace lazytree {
namespace {

using test::kBack;
using test::kFocusedSelection;
using test::kLines;
using test::kRow;
using test::kUnfocusedSelection;
using test::StringTreeWidgetTest;
using ui::TColor;

// ---- Painting

TEST_F(StringTreeWidgetTest, EmptyTreeIsFilledWithItsColour) {
    const QImage image = Grab();
    EXPECT_EQ(CountColor(image, {0, 0, image.width(), image.height()}, kBack),
              image.width() * image.height());
}

TEST_F(StringTreeWidgetTest, RowsWithoutTextEventShowTheDefaultText) {
    std::vector<std::u16string> drawn;
    tree.OnDrawText = [&](TCustomLazyStringTree&, ui::TCanvas&, PLazyNode, TColumnIndex,
                          const std::u16string& text, const ui::TRect&, bool&) { drawn.push_back(text); };
    model().SetRootNodeCount(2);
    Grab();
    EXPECT_EQ(drawn, (std::vector<std::u16string>{u"Node", u"Node"}));
}

TEST_F(StringTreeWidgetTest, LongTextInAColumnEndsWithAnEllipsisAndCentredStartsLeft) {
    const std::u16string text = u"a rather long text that does not fit";
    tree.OnGetText = [&](TCustomLazyStringTree&, PLazyNode, TColumnIndex, TVSTTextType, std::u16string& s) {
        s = text;
    };
    std::u16string drawn;
    bool suppress = false;
    tree.OnDrawText = [&](TCustomLazyStringTree&, ui::TCanvas&, PLazyNode, TColumnIndex,
                          const std::u16string& s, const ui::TRect&, bool& defaultDraw) {
        drawn = s;
        defaultDraw = !suppress;
    };
    TLazyTreeColumn& column = tree.Header().Columns().Add();
    column.SetWidth(120);
    column.Look().Alignment = taCenter;
    tree.Header().SetMainColumn(0);
    model().Options().PaintOptions.Exclude(toShowRoot);
    model().SetRootNodeCount(1);
    const QImage image = Grab();
    ASSERT_GE(drawn.size(), 4u);
    EXPECT_EQ(drawn.substr(drawn.size() - 3), u"...");
    EXPECT_LT(drawn.size(), text.size());
    // Margin 4 and text margin 4: the shortened text starts at the cell's left, not centred.
    const int first = FirstInk(image, 0, kRow);
    EXPECT_GE(first, 8);
    EXPECT_LE(first, 10);
    EXPECT_LT(FirstInk(image, 0, kRow, 120), 0) << "nothing is drawn beyond the column";

    // Suppressed drawing leaves the row blank.
    suppress = true;
    tree.Invalidate();
    EXPECT_LT(FirstInk(Grab(), 0, kRow), 0);
}

TEST_F(StringTreeWidgetTest, SelectionColourFollowsFocusAndHidingOptions) {
    Fill(3);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toFullRowSelect});
    model().AddToSelection(Top(1));
    Activate();
    EXPECT_GT(CountColor(Grab(), {0, kRow, 300, 2 * kRow}, kFocusedSelection), 200);

    form.SetFocus(); // the tree loses the focus
    tree.Invalidate();
    EXPECT_GT(CountColor(Grab(), {0, kRow, 300, 2 * kRow}, kUnfocusedSelection), 200);

    model().SetPaintOptions(model().Options().PaintOptions + TVTPaintOptions{toHideSelection});
    EXPECT_EQ(CountColor(Grab(), {0, kRow, 300, 2 * kRow}, kUnfocusedSelection), 0);

    tree.SetFocus();
    model().SetPaintOptions(model().Options().PaintOptions + TVTPaintOptions{toAlwaysHideSelection});
    EXPECT_EQ(CountColor(Grab(), {0, kRow, 300, 2 * kRow}, kFocusedSelection), 0);
}

TEST_F(StringTreeWidgetTest, BlendedSelectionMixesItsColourIntoTheRow) {
    Fill(3);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toFullRowSelect});
    model().SetPaintOptions(model().Options().PaintOptions + TVTPaintOptions{toUseBlendedSelection});
    model().AddToSelection(Top(1));
    Activate();
    const QImage image = Grab();
    EXPECT_EQ(Pixel(image, 150, kRow + kRow / 2), HalfBlend(kFocusedSelection, kBack));
    EXPECT_EQ(Pixel(image, 150, kRow / 2), kBack);
}

TEST_F(StringTreeWidgetTest, EditedCellShowsNeitherSelectionNorText) {
    Fill(2);
    model().SetPaintOptions(model().Options().PaintOptions + TVTPaintOptions{toHideFocusRect});
    Activate();
    model().SetFocusedNode(Top(0));
    model().AddToSelection(Top(0));
    model().DoStateChange({tsEditing});
    const QImage image = Grab();
    EXPECT_EQ(CountColor(image, {0, 0, 300, kRow}, kFocusedSelection), 0);
    EXPECT_LT(FirstInk(image, 0, kRow, 20), 0);
    model().DoStateChange({}, {tsEditing});
}

TEST_F(StringTreeWidgetTest, ButtonsAndLinesLookAsDrawn) {
    Fill(2, 2);
    model().ToggleNode(Top(0));
    const QImage image = Grab();
    // The 9 x 9 button of the first row, centred in the first indentation cell: (5, 5) to (14, 14).
    const TColor text = ui::ColorToRGB(tree.Font()->Color());
    EXPECT_EQ(Pixel(image, 5, 5), kLines);
    EXPECT_EQ(Pixel(image, 13, 13), kLines);
    EXPECT_EQ(Pixel(image, 7, 9), text) << "the bar of the minus";
    EXPECT_EQ(Pixel(image, 11, 9), text);
    EXPECT_EQ(Pixel(image, 12, 9), kBack) << "the bar ends 2 pixels before the frame";
    EXPECT_EQ(Pixel(image, 9, 7), kBack) << "an expanded node has no vertical bar";
    // The collapsed second top-level node shows a plus.
    EXPECT_EQ(Pixel(image, 9, 3 * kRow + 7), text);
    // The child's line: dotted down the middle of the first cell, ltTopDown there.
    int dots = 0;
    for (int y = kRow; y < 2 * kRow; ++y)
        dots += Pixel(image, 9, y) == kLines;
    EXPECT_EQ(dots, kRow / 2);
}

TEST_F(StringTreeWidgetTest, TriangleButtonsPointRightAndDown) {
    tree.SetButtonStyle(bsTriangle);
    const auto pixel = [this](bool expanded, int x, int y) {
        ui::TBitmap copy;
        copy.Assign(&tree.ButtonBitmap(expanded, false));
        return copy.Canvas()->Pixel(x, y);
    };
    // Collapsed (2, 0), (6, 4), (2, 8); expanded (0, 2), (8, 2), (4, 6); the rest is the transparent key.
    const struct {
        bool expanded;
        int x, y;
        TColor expected;
    } cases[] = {
        {false, 2, 0, ui::clBlack},   {false, 3, 4, ui::clBlack},  {false, 7, 4, ui::clFuchsia},
        {false, 0, 4, ui::clFuchsia}, {true, 4, 3, ui::clBlack},   {true, 0, 2, ui::clBlack},
        {true, 4, 7, ui::clFuchsia},  {true, 4, 0, ui::clFuchsia},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pixel(c.expanded, c.x, c.y), c.expected) << c.expanded << " at " << c.x << "," << c.y;
}

TEST_F(StringTreeWidgetTest, ImagesStandAfterTheIndentationAndSelectedOnesAreBlended) {
    constexpr TColor kImage = 0x00C000;
    ShowImage(kImage);
    int plainAsked = 0;
    tree.OnGetImageIndex = [&](TBaseLazyTree&, PLazyNode, TVTImageKind kind, TColumnIndex, bool&,
                               int& index) {
        ++plainAsked;
        if (kind == ikNormal || kind == ikSelected) index = 0;
    };
    Fill(2);
    model().AddToSelection(Top(1));
    Activate();
    QImage image = Grab();
    // Indent 18 and margin 4; centred in the row of 18.
    EXPECT_EQ(Pixel(image, 22, 1), kImage);
    EXPECT_EQ(Pixel(image, 37, 16), kImage);
    EXPECT_EQ(Pixel(image, 38, 8), kBack) << "the gap of 2 before the text";
    EXPECT_NE(Pixel(image, 30, kRow + 8), kImage) << "the selected node's image is blended";
    EXPECT_EQ(tree.HitTestAt(30, 8).HitPositions, (TVTNodeHitPositions{nhOnNode, nhOnNormalImage}));

    // With the extended event only it is asked.
    plainAsked = 0;
    tree.OnGetImageIndexEx = [](TBaseLazyTree&, PLazyNode, TVTImageKind, TColumnIndex, bool&, int&,
                                ui::TCustomImageList*&) {};
    image = Grab();
    EXPECT_EQ(plainAsked, 0);
    EXPECT_EQ(Pixel(image, 22, 1), kBack);
}

TEST_F(StringTreeWidgetTest, SelectedOnlyPaintsSelectedRowsAndTheirChildren) {
    Fill(3, 1);
    model().ToggleNode(Top(0));
    model().AddToSelection(Top(0));
    ui::TBitmap target(300, 4 * kRow, ui::pf32bit);
    target.Canvas()->Brush()->SetColor(ui::clBlack);
    target.Canvas()->FillRect({0, 0, 300, 4 * kRow});
    tree.PaintTree(*target.Canvas(), {0, 0, 300, 3 * kRow}, {0, 0},
                   kScreenPaintOptions + TVTPaintCallOptions{pcSelectedOnly});
    target.Canvas()->Flush();
    const QImage& image = target.Image();
    EXPECT_NE(Pixel(image, 290, 1), ui::clBlack);        // the selected node
    EXPECT_NE(Pixel(image, 290, kRow + 1), ui::clBlack); // its child
    EXPECT_EQ(Pixel(image, 290, 2 * kRow + 1), ui::clBlack);
}

TEST_F(StringTreeWidgetTest, BandModeGridLineStartsAfterTheIndentation) {
    Fill(1, 1);
    model().ToggleNode(Top(0));
    model().SetPaintOptions(model().Options().PaintOptions + TVTPaintOptions{toShowHorzGridLines});
    model().Colors().Set(TVTColors::GridLineColor, 0x00FF00);
    tree.SetLineMode(lmBands);
    const int bottom = 2 * kRow - 1; // the child's last row
    const int indent = model().Indent();
    const int width = tree.ClientWidth();
    // Right to left the line ends where the indentation begins on the right.
    for (const TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
        tree.SetBiDiMode(mode);
        const bool rightToLeft = mode == bdRightToLeft;
        const int edge = rightToLeft ? width - 2 * indent : 2 * indent;
        const QImage image = Grab();
        const ui::TRect line = rightToLeft ? ui::TRect{edge - 40, bottom, edge, bottom + 1}
                                           : ui::TRect{edge, bottom, edge + 40, bottom + 1};
        const ui::TRect inside = rightToLeft ? ui::TRect{edge, bottom, edge + indent - 1, bottom + 1}
                                             : ui::TRect{indent + 1, bottom, edge, bottom + 1};
        EXPECT_EQ(CountColor(image, line, 0x00FF00), 20) << mode;
        EXPECT_EQ(CountColor(image, inside, 0x00FF00), 0) << "no grid line inside the indentation " << mode;
    }
}

TEST_F(StringTreeWidgetTest, FixedColumnsStayWhileTheOthersScroll) {
    tree.OnGetText = [](TCustomLazyStringTree&, PLazyNode, TColumnIndex column, TVSTTextType,
                        std::u16string& s) { s = column == 0 ? u"fixed" : u"moving"; };
    auto& columns = tree.Header().Columns();
    for (int width : {80, 200, 200})
        columns.Add().SetWidth(width);
    columns[0].SetOptions(columns[0].Options() + TVTColumnOptions{coFixed});
    tree.Header().SetMainColumn(0);
    model().Options().PaintOptions.Exclude(toShowRoot);
    model().SetRootNodeCount(1);
    const int fixedText = FirstInk(Grab(), 0, kRow);
    const int movingText = FirstInk(Grab(), 0, kRow, 80);

    EXPECT_TRUE(tree.ScrollColumnIntoView(2, false));
    const int scrolled = -model().OffsetX();
    EXPECT_EQ(scrolled, 480 - tree.ClientWidth());
    const QImage image = Grab();
    EXPECT_EQ(FirstInk(image, 0, kRow), fixedText);
    EXPECT_EQ(FirstInk(image, 0, kRow, 80), 280 + movingText - 80 - scrolled) << "the third column's text";
    EXPECT_EQ(tree.HitTestAt(10, 5).HitColumn, 0);
    EXPECT_EQ(tree.HitTestAt(85, 5).HitColumn, 1); // what shows of the second column
    EXPECT_EQ(tree.HitTestAt(100, 5).HitColumn, 2);
    EXPECT_FALSE(tree.ScrollColumnIntoView(3, false));
}

// ---- Measuring

TEST_F(StringTreeWidgetTest, WidthsAreCachedUntilTheFontChangesAndTheMeasureEventDecides) {
    int measured = 0;
    tree.OnMeasureTextWidth = [&](TCustomLazyStringTree&, ui::TCanvas&, PLazyNode, TColumnIndex,
                                  const std::u16string&, int& width) {
        ++measured;
        width += 100;
    };
    Fill(1);
    PLazyNode node = Top(0);
    const int first = model().GetDisplayRect(node, NoColumn, true).Width();
    EXPECT_EQ(tree.CachedTextWidth(node), first);
    EXPECT_GT(first, 100 + 2 * tree.TextMargin());
    measured = 0;
    model().GetDisplayRect(node, NoColumn, true);
    EXPECT_EQ(measured, 0) << "answered from the cache";

    tree.Font()->SetSize(16);
    EXPECT_GT(model().GetDisplayRect(node, NoColumn, true).Width(), first);
    EXPECT_GT(measured, 0);
}

// ---- Hit testing

TEST_F(StringTreeWidgetTest, HitPositionsAcrossARow) {
    Fill(2, 1);
    tree.OnMeasureTextWidth = [](TCustomLazyStringTree&, ui::TCanvas&, PLazyNode, TColumnIndex,
                                 const std::u16string&, int& width) { width = 40; };
    Top(0)->CheckType = ctCheckBox;
    // Indent 18, margin 4, then 40 + 2 x 4 of text.
    const struct {
        int x, y;
        TVTNodeHitPositions expected;
    } cases[] = {
        {-1, 5, {nhLeft}},
        {10, 250, {nhBelow}},
        {10, 3 * kRow, {nhNowhere}},
        {5, 5, {nhOnNode, nhOnButtonArea}},
        {12, 5, {nhOnNode, nhOnButton, nhOnButtonArea}},
        {19, 5, {nhOnNode, nhOnCheckBox}}, // the margin of a node with a check type
        {19, kRow + 5, {nhOnNode}},
        {30, 5, {nhOnNode, nhOnText}},
        {80, 5, {nhOnNode, nhRightOfText}},
    };
    for (const auto& c : cases) {
        const TVTNodeHitInfo hit = tree.HitTestAt(c.x, c.y);
        EXPECT_EQ(hit.HitPositions, c.expected) << c.x << ", " << c.y;
        EXPECT_EQ(hit.HitNode != nullptr, c.expected.Contains(nhOnNode)) << c.x << ", " << c.y;
    }
    // A node without children has no button, even with toShowButtons.
    model().InitNode(Top(0));
    Top(1)->States.Exclude(nsHasChildren);
    EXPECT_EQ(tree.HitTestAt(8, kRow + 5).HitPositions, (TVTNodeHitPositions{nhOnNode}));
}

TEST_F(StringTreeWidgetTest, AlignmentDecidesWhatLiesLeftAndRightOfTheText) {
    tree.OnMeasureTextWidth = [](TCustomLazyStringTree&, ui::TCanvas&, PLazyNode, TColumnIndex,
                                 const std::u16string&, int& width) { width = 40; };
    TLazyTreeColumn& column = tree.Header().Columns().Add();
    column.SetWidth(200);
    tree.Header().SetMainColumn(0);
    model().Options().PaintOptions.Exclude(toShowRoot);
    model().SetRootNodeCount(1);
    // The content starts at the margin (4); the text is 48 wide with its margins.
    const struct {
        TAlignment alignment;
        int x;
        TVTNodeHitPosition expected;
    } cases[] = {
        {taLeftJustify, 10, nhOnText},       {taLeftJustify, 60, nhRightOfText},
        {taRightJustify, 100, nhLeftOfText}, {taRightJustify, 160, nhOnText},
        {taCenter, 50, nhLeftOfText},        {taCenter, 100, nhOnText},
        {taCenter, 150, nhRightOfText},
    };
    for (const auto& c : cases) {
        column.Look().Alignment = c.alignment;
        EXPECT_TRUE(tree.HitTestAt(c.x, 5).HitPositions.Contains(c.expected)) << c.alignment << " at " << c.x;
    }
    column.SetWidth(40);
    EXPECT_TRUE(tree.HitTestAt(30, 5).HitPositions.Contains(nhOnText))
        << "a text wider than its room is hit anywhere";
}

// ---- Mouse

TEST_F(StringTreeWidgetTest, PressOnASelectedNodeKeepsTheMultiSelectionUntilRelease) {
    Fill(3);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toMultiSelect});
    tree.OnDragAllowed = [](TBaseLazyTree&, PLazyNode, TColumnIndex, bool& allowed) { allowed = true; };
    Activate();
    model().AddToSelection({Top(0), Top(1)}, false);
    model().SetFocusedNode(Top(1));
    QTest::mousePress(widget(), Qt::LeftButton, {}, InWindow(30, kRow + 5));
    EXPECT_EQ(model().SelectedCount(), 2u);
    EXPECT_TRUE(model().TreeStates().Contains(tsClearPending));
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, InWindow(30, kRow + 5));
    EXPECT_EQ(model().SelectedCount(), 1u);
    EXPECT_TRUE(model().IsSelected(Top(1)));

    // Ctrl+click toggles only at the release.
    QTest::mousePress(widget(), Qt::LeftButton, Qt::ControlModifier, InWindow(30, 5));
    EXPECT_FALSE(model().IsSelected(Top(0)));
    QTest::mouseRelease(widget(), Qt::LeftButton, Qt::ControlModifier, InWindow(30, 5));
    EXPECT_TRUE(model().IsSelected(Top(0)));
}

TEST_F(StringTreeWidgetTest, ClickRightOfAShortTextClearsAndArmsTheRubberBand) {
    Fill(3);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toMultiSelect});
    Activate();
    model().AddToSelection({Top(0), Top(1)}, false);
    QTest::mousePress(widget(), Qt::LeftButton, {}, InWindow(250, 5));
    EXPECT_EQ(model().SelectedCount(), 0u);
    EXPECT_TRUE(model().TreeStates().Contains(tsDrawSelPending));
    EXPECT_EQ(model().FocusedNode(), nullptr);
    // Within the drag threshold nothing starts; beyond it the band selects what it covers.
    QTest::mouseMove(widget(), InWindow(251, 6));
    EXPECT_FALSE(model().TreeStates().Contains(tsDrawSelecting));
    QTest::mouseMove(widget(), InWindow(20, 2 * kRow + 5));
    EXPECT_TRUE(model().TreeStates().Contains(tsDrawSelecting));
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, InWindow(20, 2 * kRow + 5));
    EXPECT_FALSE(model().IsMouseSelecting());
}

TEST_F(StringTreeWidgetTest, DoubleClickOnTheButtonTogglesAgain) {
    Fill(1, 2);
    Activate();
    // What Qt delivers for a double click: the second press comes as well, before the double click.
    const QPoint button = InWindow(9, 9);
    QTest::mouseClick(widget(), Qt::LeftButton, {}, button);
    EXPECT_TRUE(model().Expanded(Top(0)));
    QTest::mousePress(widget(), Qt::LeftButton, {}, button);
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, button);
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, button);
    // The first press toggled it open, the double click closed it.
    EXPECT_FALSE(model().Expanded(Top(0)));
    QTest::mouseClick(widget(), Qt::LeftButton, {}, InWindow(9, 9));
    EXPECT_TRUE(model().Expanded(Top(0)));
}

TEST_F(StringTreeWidgetTest, SecondClickOnTheFocusedNodeEditsAfterTheDelay) {
    Fill(2);
    model().SetMiscOptions(model().Options().MiscOptions + TVTMiscOptions{toEditable});
    tree.SetEditDelay(500);
    PLazyNode edited = nullptr;
    tree.OnEditing = [&](TBaseLazyTree&, PLazyNode node, TColumnIndex, bool&) { edited = node; };
    Activate();
    Click(30, 5);
    edited = nullptr;
    Click(30, 5);
    EXPECT_TRUE(model().TreeStates().Contains(tsEditPending));
    clock->Advance(499);
    EXPECT_FALSE(tree.IsEditing());
    clock->Advance(1);
    EXPECT_EQ(edited, Top(0));
    EXPECT_TRUE(model().TreeStates().Contains(tsEditing));
    tree.CancelEditNode();
}

TEST_F(StringTreeWidgetTest, PopupMenuIsAskedUpTheParentsButNeverTheRoot) {
    Fill(1, 1);
    model().ToggleNode(Top(0));
    ui::TPopupMenu menu(nullptr);
    std::vector<PLazyNode> asked;
    tree.OnGetPopupMenu = [&](TBaseLazyTree&, PLazyNode node, TColumnIndex, ui::TPoint, bool&,
                              ui::TPopupMenu*& m) {
        asked.push_back(node);
        if (node == Top(0)) m = &menu;
    };
    EXPECT_EQ(tree.DoGetPopupMenu(Top(0)->FirstChild, NoColumn, {}), &menu);
    EXPECT_EQ(asked, (std::vector<PLazyNode>{Top(0)->FirstChild, Top(0)}));
    asked.clear();
    tree.OnGetPopupMenu = [&](TBaseLazyTree&, PLazyNode node, TColumnIndex, ui::TPoint, bool& askParent,
                              ui::TPopupMenu*&) {
        asked.push_back(node);
        askParent = node != Top(0)->FirstChild;
    };
    EXPECT_EQ(tree.DoGetPopupMenu(Top(0)->FirstChild, NoColumn, {}), nullptr);
    EXPECT_EQ(asked.size(), 1u);
}

// ---- Keyboard

TEST_F(StringTreeWidgetTest, ArrowsFocusExpandAndCollapse) {
    Fill(2, 2);
    EXPECT_TRUE(tree.HandleKeyDown(ui::VK_DOWN, {}));
    EXPECT_EQ(model().FocusedNode(), Top(0));
    EXPECT_TRUE(model().IsSelected(Top(0)));
    tree.HandleKeyDown(ui::VK_RIGHT, {});
    EXPECT_TRUE(model().Expanded(Top(0)));
    EXPECT_EQ(model().FocusedNode(), Top(0));
    tree.HandleKeyDown(ui::VK_RIGHT, {});
    EXPECT_EQ(model().FocusedNode(), Top(0)->FirstChild);
    EXPECT_FALSE(model().IsSelected(Top(0)));
    tree.HandleKeyDown(ui::VK_LEFT, {});
    EXPECT_EQ(model().FocusedNode(), Top(0));
    tree.HandleKeyDown(ui::VK_LEFT, {});
    EXPECT_FALSE(model().Expanded(Top(0)));
    tree.HandleKeyDown(ui::VK_ADD, {});
    EXPECT_TRUE(model().Expanded(Top(0)));
    tree.HandleKeyDown(ui::VK_SUBTRACT, {});
    EXPECT_FALSE(model().Expanded(Top(0)));
}

TEST_F(StringTreeWidgetTest, CtrlHomeScrollsToTheTopLeftWithoutMovingTheFocus) {
    Fill(40);
    tree.HandleKeyDown(ui::VK_END, {});
    PLazyNode last = Top(39);
    EXPECT_EQ(model().FocusedNode(), last);
    EXPECT_LT(model().OffsetY(), 0);
    tree.HandleKeyDown(ui::VK_HOME, {ui::ssCtrl});
    EXPECT_EQ(model().OffsetY(), 0);
    EXPECT_EQ(model().OffsetX(), 0);
    EXPECT_EQ(model().FocusedNode(), last);
}

TEST_F(StringTreeWidgetTest, CtrlPlusAutoFitsColumnsInsteadOfExpanding) {
    Fill(1, 1);
    tree.Header().Columns().Add().SetWidth(20);
    tree.Header().SetMainColumn(0);
    tree.HandleKeyDown(ui::VK_DOWN, {});
    tree.HandleKeyDown(ui::VK_ADD, {ui::ssCtrl});
    EXPECT_FALSE(model().Expanded(Top(0)));
    // The indentation, the margin and the text with its margins.
    EXPECT_EQ(tree.Header().Columns()[0].Width(),
              model().Indent() + model().Margin() + tree.CachedTextWidth(Top(0)));
}

// ---- Wheel, scroll bars, focus and hints

TEST_F(StringTreeWidgetTest, WheelScrollsByLinesPagesOrSideways) {
    Fill(100);
    Wheel(-120);
    EXPECT_EQ(model().OffsetY(), -3 * model().DefaultNodeHeight());
    Wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(model().OffsetY(), -3 * model().DefaultNodeHeight() - tree.ClientHeight());
    const int before = model().OffsetY();
    Wheel(-120, Qt::ShiftModifier);
    EXPECT_EQ(model().OffsetY(), before) << "Shift scrolls horizontally";

    tree.Perform(ui::WM_VSCROLL, ui::SB_BOTTOM);
    EXPECT_EQ(model().OffsetY(), tree.ClientHeight() - model().RangeY());
}

TEST_F(StringTreeWidgetTest, MiddleButtonOnAFittingTreeDoesNotPan) {
    Fill(2);
    QTest::mousePress(widget(), Qt::MiddleButton, {}, InWindow(50, 5));
    EXPECT_FALSE(model().TreeStates().Contains(tsWheelPanning));
    QTest::mouseRelease(widget(), Qt::MiddleButton, {}, InWindow(50, 5));
}

TEST_F(StringTreeWidgetTest, FocusLossEndsPendingSearchAndMouseStates) {
    Fill(3);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toMultiSelect});
    Activate();
    EXPECT_FALSE(tree.HandleKeyDown('K', {}));
    EXPECT_TRUE(model().TreeStates().Contains(tsIncrementalSearchPending));
    QTest::mousePress(widget(), Qt::LeftButton, {}, InWindow(250, 5));
    EXPECT_TRUE(model().TreeStates().Contains(tsDrawSelPending));
    form.SetFocus();
    EXPECT_FALSE(model().TreeStates().Contains(tsIncrementalSearchPending));
    EXPECT_FALSE(model().TreeStates().Contains(tsDrawSelPending));
    // The next press starts clean.
    tree.SetFocus();
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, InWindow(250, 5));
    Click(30, 5);
    EXPECT_EQ(model().FocusedNode(), Top(0));
}

TEST_F(StringTreeWidgetTest, NodeHintsComeFromTheHintEvent) {
    Fill(2);
    tree.SetHint("the tree");
    tree.OnGetHint = [](TCustomLazyStringTree&, PLazyNode node, TColumnIndex, std::u16string& text) {
        if (node->Index == 1) text = u"second";
    };
    ui::THintInfo info;
    info.CursorPos = {30, kRow + 5};
    tree.SetHintMode(hmHint);
    EXPECT_EQ(tree.Perform(ui::CM_HINTSHOW, 0, reinterpret_cast<intptr_t>(&info)), 0);
    EXPECT_EQ(info.HintStr, "second");
    EXPECT_EQ(info.CursorRect, model().GetDisplayRect(Top(1), NoColumn, false));
    info.CursorPos = {30, 5};
    EXPECT_EQ(tree.HintAt(30, 5).Text, u"the tree") << "without an answer the control's hint stays";
}

TEST_F(StringTreeWidgetTest, TooltipShowsOnlyClippedTextsExactlyOverThem) {
    std::u16string text = u"short";
    tree.OnGetText = [&](TCustomLazyStringTree&, PLazyNode, TColumnIndex, TVSTTextType, std::u16string& s) {
        s = text;
    };
    tree.SetHintMode(hmTooltip);
    tree.SetBounds(0, 0, 120, 100);
    model().SetRootNodeCount(1);
    EXPECT_TRUE(tree.HintAt(30, 5).Text.empty());
    text = u"a text far too long for a tree this narrow";
    model().InvalidateNode(Top(0));
    const auto hint = tree.HintAt(30, 5);
    EXPECT_EQ(hint.Text, text);
    EXPECT_EQ(hint.Rect.Left, model().Indent() + model().Margin());
    EXPECT_EQ(hint.Rect.Width(), tree.CachedTextWidth(Top(0)));
}

TEST_F(StringTreeWidgetTest, BoldPaintTextMeasuresTheEllipsisAgain) {
    tree.OnGetText = [](TCustomLazyStringTree&, PLazyNode, TColumnIndex, TVSTTextType, std::u16string& s) {
        s = u"Bolder text";
    };
    std::u16string drawn;
    tree.OnDrawText = [&](TCustomLazyStringTree&, ui::TCanvas&, PLazyNode, TColumnIndex,
                          const std::u16string& s, const ui::TRect&, bool&) { drawn = s; };
    TLazyTreeColumn& column = tree.Header().Columns().Add();
    tree.Header().SetMainColumn(0);
    model().Options().PaintOptions.Exclude(toShowRoot);
    model().SetRootNodeCount(1);
    model().GetDisplayRect(Top(0), 0, true); // measures the text
    // Room for the plain text and not one pixel more.
    column.SetWidth(model().Margin() + tree.CachedTextWidth(Top(0)));
    Grab();
    EXPECT_EQ(drawn, u"Bolder text");

    tree.OnPaintText = [](TCustomLazyStringTree&, ui::TCanvas& canvas, PLazyNode, TColumnIndex,
                          TVSTTextType) { canvas.Font()->SetStyle({ui::fsBold}); };
    tree.Invalidate();
    Grab();
    ASSERT_GT(drawn.size(), 3u);
    EXPECT_EQ(drawn.substr(drawn.size() - 3), u"...");
}

TEST_F(StringTreeWidgetTest, DisabledNodesUseTheDisabledColourWhateverTheHandlerSet) {
    constexpr TColor kDisabled = 0x00A000;
    Fill(2);
    model().Colors().Set(TVTColors::DisabledColor, kDisabled);
    tree.OnPaintText = [](TCustomLazyStringTree&, ui::TCanvas& canvas, PLazyNode, TColumnIndex,
                          TVSTTextType) { canvas.Font()->SetColor(ui::clRed); };
    model().InitNode(Top(1));
    Top(1)->States.Include(nsDisabled);
    const QImage image = Grab();
    EXPECT_GT(CountColor(image, {20, 0, 120, kRow}, ui::clRed), 0);
    EXPECT_EQ(CountColor(image, {20, kRow, 120, 2 * kRow}, ui::clRed), 0);
    EXPECT_GT(CountColor(image, {20, kRow, 120, 2 * kRow}, kDisabled), 0);
}

TEST_F(StringTreeWidgetTest, TextsSpanIntoEmptyNeighbourColumns) {
    tree.OnGetText = [](TCustomLazyStringTree&, PLazyNode, TColumnIndex column, TVSTTextType,
                        std::u16string& s) {
        s = column == 0 ? u"a text that runs on into the next column" : u"";
    };
    for (int i = 0; i < 2; ++i)
        tree.Header().Columns().Add().SetWidth(100);
    tree.Header().SetMainColumn(0);
    model().SetAutoOptions(model().Options().AutoOptions + TVTAutoOptions{toAutoSpanColumns});
    model().SetRootNodeCount(1);
    const QImage image = Grab();
    EXPECT_GE(FirstInk(image, 0, kRow, 110), 110) << "the text goes on in the second column";
    const TVTNodeHitInfo hit = tree.HitTestAt(150, 5);
    EXPECT_EQ(hit.HitColumn, 0);
    EXPECT_TRUE(hit.HitPositions.Contains(nhOnText));
}

TEST_F(StringTreeWidgetTest, SpaceChecksOnReleaseUnlessAnotherKeyCameBetween) {
    Fill(2);
    model().SetMiscOptions(model().Options().MiscOptions + TVTMiscOptions{toCheckSupport});
    model().InitNode(Top(0));
    Top(0)->CheckType = ctCheckBox;
    tree.HandleKeyDown(ui::VK_DOWN, {});
    tree.HandleKeyDown(ui::VK_SPACE, {});
    EXPECT_EQ(Top(0)->CheckState, csUncheckedPressed);
    tree.HandleKeyUp(ui::VK_SPACE);
    EXPECT_EQ(Top(0)->CheckState, csCheckedNormal);

    tree.HandleKeyDown(ui::VK_SPACE, {});
    tree.HandleKeyDown(ui::VK_DOWN, {});
    tree.HandleKeyUp(ui::VK_SPACE);
    EXPECT_EQ(Top(0)->CheckState, csCheckedNormal) << "released without a change";
}

TEST_F(StringTreeWidgetTest, ShiftArrowsExtendAMultiSelection) {
    Fill(4);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toMultiSelect});
    tree.HandleKeyDown(ui::VK_DOWN, {});
    tree.HandleKeyDown(ui::VK_DOWN, {ui::ssShift});
    tree.HandleKeyDown(ui::VK_DOWN, {ui::ssShift});
    EXPECT_EQ(model().SelectedCount(), 3u);
    tree.HandleKeyDown(ui::VK_UP, {ui::ssShift});
    EXPECT_EQ(model().SelectedCount(), 2u);
    EXPECT_FALSE(model().IsSelected(Top(2)));
    tree.HandleKeyDown(ui::VK_DOWN, {});
    EXPECT_EQ(model().SelectedCount(), 1u);
    EXPECT_TRUE(model().IsSelected(Top(2)));
}

TEST_F(StringTreeWidgetTest, HotTrackingUnderlinesTheTextUnderTheMouse) {
    Fill(2);
    model().SetPaintOptions(model().Options().PaintOptions + TVTPaintOptions{toHotTrack});
    model().Colors().Set(TVTColors::HotColor, ui::clBlue);
    std::vector<PLazyNode> changes;
    tree.OnHotChange = [&](TBaseLazyTree&, PLazyNode, PLazyNode node) { changes.push_back(node); };
    QTest::mouseMove(widget(), InWindow(30, kRow + 5));
    EXPECT_EQ(model().HotNode(), Top(1));
    EXPECT_GT(CountColor(Grab(), {20, kRow, 120, 2 * kRow}, ui::clBlue), 0);
    QTest::mouseMove(widget(), InWindow(250, kRow + 5));
    EXPECT_EQ(model().HotNode(), nullptr);
    EXPECT_EQ(changes, (std::vector<PLazyNode>{Top(1), nullptr}));
}

TEST_F(StringTreeWidgetTest, TabWalksTheCellsRowByRowWithExtendedFocus) {
    Fill(2);
    for (int i = 0; i < 3; ++i)
        tree.Header().Columns().Add().SetWidth(80);
    tree.Header().SetMainColumn(0);
    TLazyTreeColumn& locked = tree.Header().Columns()[2];
    locked.SetOptions(locked.Options() - TVTColumnOptions{coAllowFocus});
    EXPECT_FALSE(tree.HandleKeyDown(ui::VK_TAB, {})) << "without extended focus Tab leaves the tree";
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toExtendedFocus});
    tree.HandleKeyDown(ui::VK_DOWN, {});
    model().SetFocusedColumn(0);
    tree.HandleKeyDown(ui::VK_TAB, {});
    EXPECT_EQ(model().FocusedColumn(), 1);
    tree.HandleKeyDown(ui::VK_TAB, {});
    EXPECT_EQ(model().FocusedNode(), Top(1)) << "column 2 takes no focus: on to the next row";
    EXPECT_EQ(model().FocusedColumn(), 0);
    tree.HandleKeyDown(ui::VK_TAB, {ui::ssShift});
    EXPECT_EQ(model().FocusedNode(), Top(0));
    EXPECT_EQ(model().FocusedColumn(), 1);
}

// Nodes that come to life expanded leave the view where it is; were it scrolled to show their
// children, the next nodes would come into view and expand in turn, through the whole tree.
TEST_F(StringTreeWidgetTest, NodesExpandedOnInitDoNotScrollTheView) {
    Fill(0);
    int initialised = 0;
    model().OnInitNode = [&](TLazyTreeModel&, PLazyNode parent, PLazyNode node, TLazyNodeInitStates& states) {
        ++initialised;
        if (parent) return;
        states.Include(ivsHasChildren);
        if (node->Index % 2 == 0) states.Include(ivsExpanded);
    };
    model().OnInitChildren = [](TLazyTreeModel&, PLazyNode, uint32_t& count) { count = 1; };
    model().SetRootNodeCount(100000);
    model().SetOffsetY(-50000 * kRow);
    const int offset = model().OffsetY();
    Grab();
    EXPECT_EQ(model().OffsetY(), offset);
    EXPECT_LT(initialised, 100) << "only the nodes near the view came to life";
}

} // namespace
} // namespace lazytree
