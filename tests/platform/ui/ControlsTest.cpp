#include "platform/ui/Controls.h"

#include "platform/ui/Clock.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace ui {
namespace {

// A custom control that fills itself with one colour and counts its paints.
class TPaintProbe : public TCustomControl {
public:
    explicit TPaintProbe(TComponent* owner) : TCustomControl(owner) {}
    int paints = 0;
    TColor fill = clRed;

protected:
    void Paint() override {
        ++paints;
        Canvas()->Brush()->SetColor(fill);
        Canvas()->FillRect(ClientRect());
    }
};

// A graphic control that paints a square of its colour.
class TSquare : public TGraphicControl {
public:
    explicit TSquare(TComponent* owner) : TGraphicControl(owner) {}

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
    }
};

TColor PixelAt(const QImage& image, int x, int y) {
    return FromQColor(image.pixelColor(x, y));
}

QImage Grab(TWinControl& control) {
    return control.Handle()->grab().toImage();
}

class ControlsTest : public uitest::UiTest {};

TEST_F(ControlsTest, PropertiesSetBeforeTheWindowSurviveCreationAndRecreation) {
    TWinControl form(nullptr);
    TWinControl child(nullptr);
    child.SetParent(&form);
    child.SetBounds(10, 20, 30, 40);
    child.SetText("caption ✓");
    child.SetColor(clBlue);
    child.Font()->SetName("Courier New");
    EXPECT_FALSE(child.HandleAllocated());

    const auto check = [&] {
        ASSERT_TRUE(child.HandleAllocated());
        EXPECT_EQ(child.Widget()->geometry(), QRect(10, 20, 30, 40));
        EXPECT_EQ(child.Text(), "caption ✓");
        EXPECT_EQ(FromQColor(child.Widget()->palette().color(QPalette::Window)), clBlue);
        EXPECT_EQ(child.Widget()->font().family(), ToQFont(*child.Font()).family());
    };
    form.HandleNeeded();
    check();
    child.RecreateWnd();
    check();
}

TEST_F(ControlsTest, DestroyingAParentsWindowDestroysTheChildrensAndCreatingItBringsThemBack) {
    std::vector<std::string> destroyed; // outlives the controls, which are destroyed at the end
    TWinControl form(nullptr);
    TWinControl panel(nullptr);
    TWinControl edit(nullptr);
    panel.SetParent(&form);
    edit.SetParent(&panel);
    const auto watch = [&](TWinControl& control, const char* name) {
        control.WindowProc = [&control, &destroyed, name, old = control.WindowProc](TMessage& m) {
            if (m.Msg == WM_DESTROY) destroyed.push_back(name);
            old(m);
        };
    };
    watch(panel, "panel");
    watch(edit, "edit");
    form.HandleNeeded();
    ASSERT_TRUE(edit.HandleAllocated());
    EXPECT_EQ(edit.Widget()->parentWidget(), panel.Widget());

    form.RecreateWnd();
    EXPECT_EQ(destroyed, (std::vector<std::string>{"edit", "panel"}));
    EXPECT_TRUE(panel.HandleAllocated());
    EXPECT_TRUE(edit.HandleAllocated());
    EXPECT_EQ(edit.Widget()->parentWidget(), panel.Widget());
    EXPECT_EQ(panel.Widget()->parentWidget(), form.Widget());
}

// A window asked for deep in a tree without windows (focus set from OnShow, say) is created once: the
// parent's creation already creates it, and a second window would outlive the control.
TEST_F(ControlsTest, AWindowNeededBelowParentsWithoutWindowsIsCreatedOnce) {
    TWinControl form(nullptr);
    TWinControl panel(nullptr);
    TWinControl edit(nullptr);
    panel.SetParent(&form);
    edit.SetParent(&panel);
    int created = 0;
    edit.WindowProc = [&created, old = edit.WindowProc](TMessage& m) {
        if (m.Msg == WM_CREATE) ++created;
        old(m);
    };
    edit.HandleNeeded();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(panel.Widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);
}

TEST_F(ControlsTest, FreeingAParentFreesItsChildren) {
    auto* form = new TWinControl(nullptr);
    bool freed = false;
    struct TNotifyOnFree : TGraphicControl {
        bool* freed;
        TNotifyOnFree(bool* f) : TGraphicControl(nullptr), freed(f) {}
        ~TNotifyOnFree() override { *freed = true; }
    };
    (new TNotifyOnFree(&freed))->SetParent(form);
    delete form;
    EXPECT_TRUE(freed);
}

TEST_F(ControlsTest, AWindowProcHookSeesMessagesFirstAndMaySwallowThem) {
    std::vector<uint32_t> seen;
    int resized = 0;
    TWinControl control(nullptr);
    control.OnResize = [&](TObject*) { ++resized; };
    auto previous = control.WindowProc;
    control.WindowProc = [&](TMessage& m) {
        seen.push_back(m.Msg);
        if (m.Msg == WM_USER + 1) {
            m.Result = 42; // swallowed: the control never sees it
            return;
        }
        if (m.Msg == WM_SIZE) return;
        previous(m);
    };
    EXPECT_EQ(control.Perform(WM_USER + 1, 0, 0), 42);
    control.SetBounds(0, 0, 50, 50);
    EXPECT_EQ(resized, 0) << "the hook swallowed WM_SIZE";
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_SIZE), seen.end());

    // Put back, the control handles WM_SIZE again.
    control.WindowProc = previous;
    control.SetBounds(0, 0, 60, 60);
    EXPECT_EQ(resized, 1);
}

TEST_F(ControlsTest, TextChangedOncePerRealChange) {
    for (bool windowed : {false, true}) {
        SCOPED_TRACE(windowed ? "with a window" : "without a window");
        int changes = 0;
        TWinControl control(nullptr);
        if (windowed) control.HandleNeeded();
        auto previous = control.WindowProc;
        control.WindowProc = [&](TMessage& m) {
            if (m.Msg == CM_TEXTCHANGED) ++changes;
            previous(m);
        };
        control.SetText("one");
        control.SetText("one");
        control.SetText("two");
        EXPECT_EQ(changes, 2);
        EXPECT_EQ(control.Text(), "two");
        EXPECT_EQ(control.Perform(WM_GETTEXTLENGTH), 3);
    }
}

TEST_F(ControlsTest, FontColourAndShowHintFollowTheParentUntilSetOnTheChild) {
    int fontChanges = 0;
    TWinControl form(nullptr);
    TWinControl panel(nullptr);
    TSquare square(nullptr);
    panel.SetParent(&form);
    square.SetParent(&panel);
    panel.SetParentColor(true);
    square.SetParentColor(true);
    auto previous = square.WindowProc;
    square.WindowProc = [&](TMessage& m) {
        if (m.Msg == CM_FONTCHANGED) ++fontChanges;
        previous(m);
    };

    form.Font()->SetSize(14);
    form.SetColor(clYellow);
    form.SetShowHint(true);
    EXPECT_EQ(square.Font()->Size(), 14);
    EXPECT_EQ(fontChanges, 1);
    EXPECT_EQ(square.Color(), clYellow);
    EXPECT_TRUE(square.ShowHint());
    EXPECT_TRUE(square.ParentFont());
    EXPECT_TRUE(square.ParentColor());

    square.Font()->SetSize(9);
    square.SetColor(clRed);
    EXPECT_FALSE(square.ParentFont());
    EXPECT_FALSE(square.ParentColor());
    form.Font()->SetSize(20);
    form.SetColor(clLime);
    EXPECT_EQ(square.Font()->Size(), 9);
    EXPECT_EQ(square.Color(), clRed);
    EXPECT_EQ(panel.Font()->Size(), 20);

    square.SetParentFont(true);
    EXPECT_EQ(square.Font()->Size(), 20);
}

TEST_F(ControlsTest, AlignedChildrenFollowTheirResizedParent) {
    TWinControl form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    TWinControl top(nullptr), bottom(nullptr), left(nullptr), right(nullptr), client(nullptr),
        anchored(nullptr);
    struct Case {
        TWinControl& control;
        TAlign align;
        TRect expected; // after the form grew to 400 x 300
    };
    const Case cases[] = {
        {top, alTop, Rect(0, 0, 400, 30)},          {bottom, alBottom, Rect(0, 280, 400, 300)},
        {left, alLeft, Rect(0, 30, 50, 280)},       {right, alRight, Rect(360, 30, 400, 280)},
        {client, alClient, Rect(50, 30, 360, 280)},
    };
    top.SetBounds(0, 0, 10, 30);
    bottom.SetBounds(0, 0, 10, 20);
    left.SetBounds(0, 0, 50, 10);
    right.SetBounds(0, 0, 40, 10);
    for (const Case& c : cases) {
        c.control.SetParent(&form);
        c.control.SetAlign(c.align);
    }
    anchored.SetParent(&form);
    anchored.SetBounds(250, 150, 20, 20);
    anchored.SetAnchors({akRight, akBottom});

    form.HandleNeeded();
    form.SetBounds(0, 0, 400, 300);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.align);
        EXPECT_EQ(c.control.BoundsRect(), c.expected);
        EXPECT_EQ(FromQRect(c.control.Widget()->geometry()), c.expected);
    }
    EXPECT_EQ(anchored.BoundsRect(), Bounds(350, 250, 20, 20));

    // A strip that grows pushes the client area.
    top.SetHeight(50);
    EXPECT_EQ(client.BoundsRect(), Rect(50, 50, 360, 280));
}

TEST_F(ControlsTest, PaintOutputIsInTheGrabbedImageWithGraphicChildrenOnTop) {
    TPaintProbe probe(nullptr);
    probe.SetBounds(0, 0, 40, 30);
    TSquare square(nullptr);
    square.SetParent(&probe);
    square.SetBounds(10, 10, 5, 5);
    square.SetColor(clBlue);
    const QImage image = Grab(probe);
    EXPECT_EQ(PixelAt(image, 0, 0), clRed);
    EXPECT_EQ(PixelAt(image, 39, 29), clRed);
    EXPECT_EQ(PixelAt(image, 10, 10), clBlue);
    EXPECT_EQ(PixelAt(image, 14, 14), clBlue);
    EXPECT_EQ(PixelAt(image, 15, 15), clRed);
}

TEST_F(ControlsTest, ABorderMovesTheClientArea) {
    TWinControl form(nullptr);
    TPaintProbe probe(nullptr);
    probe.SetParent(&form);
    probe.SetBounds(0, 0, 40, 30);
    probe.SetBorderStyle(bsSingle);
    EXPECT_EQ(probe.ClientRect(), Rect(0, 0, 36, 26));
    const QImage image = Grab(probe);
    EXPECT_NE(PixelAt(image, 0, 0), clRed);
    EXPECT_EQ(PixelAt(image, 2, 2), clRed);
    EXPECT_EQ(PixelAt(image, 37, 27), clRed);
}

// Paints red over its client area after clipping a corner away.
class TClippingProbe : public TCustomControl {
public:
    explicit TClippingProbe(TComponent* owner) : TCustomControl(owner) {}
    TRect clipWhilePainting;

protected:
    void Paint() override {
        clipWhilePainting = Canvas()->ClipRect();
        Canvas()->ExcludeClipRect(Rect(0, 0, 5, 5));
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(ClientRect());
    }
};

TEST_F(ControlsTest, CanvasClipsStayInTheClientAreaOfABorderedWindow) {
    TWinControl form(nullptr);
    TClippingProbe probe(nullptr);
    probe.SetParent(&form);
    probe.SetBounds(0, 0, 40, 30);
    probe.SetBorderStyle(bsSingle);
    const QImage image = Grab(probe);
    EXPECT_EQ(probe.clipWhilePainting, Rect(0, 0, 36, 26));
    EXPECT_NE(PixelAt(image, 0, 0), clRed) << "the border";
    EXPECT_NE(PixelAt(image, 3, 3), clRed) << "the excluded corner, in client coordinates";
    EXPECT_EQ(PixelAt(image, 8, 8), clRed);
    EXPECT_EQ(PixelAt(image, 37, 27), clRed);
}

TEST_F(ControlsTest, InvalidateLeadsToExactlyOnePaint) {
    TPaintProbe probe(nullptr);
    probe.SetBounds(0, 0, 40, 30);
    probe.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(probe.Widget()));
    uitest::ProcessEvents();
    probe.paints = 0;
    probe.Invalidate();
    probe.Invalidate();
    probe.InvalidateRect(Rect(0, 0, 5, 5));
    uitest::ProcessEvents();
    EXPECT_EQ(probe.paints, 1);

    // Update paints what is pending at once; with nothing pending it paints nothing.
    probe.Invalidate();
    probe.Update();
    EXPECT_EQ(probe.paints, 2);
    probe.Update();
    EXPECT_EQ(probe.paints, 2);

    // While redrawing is off, invalidating paints nothing.
    probe.Perform(WM_SETREDRAW, 0);
    probe.Invalidate();
    uitest::ProcessEvents();
    EXPECT_EQ(probe.paints, 2);
    probe.Perform(WM_SETREDRAW, 1);
    probe.Invalidate();
    uitest::ProcessEvents();
    EXPECT_EQ(probe.paints, 3);
}

// A control that puts its caret in place as it paints (an editor does) must not paint for ever.
TEST_F(ControlsTest, PuttingTheCaretWhereItIsInvalidatesNothing) {
    class TCaretPainter : public TPaintProbe {
    public:
        using TPaintProbe::TPaintProbe;

    protected:
        void Paint() override {
            TPaintProbe::Paint();
            SetCaretPos(5, 4);
        }
    } probe(nullptr);
    probe.SetBounds(0, 0, 40, 30);
    probe.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(probe.Widget()));
    probe.CreateCaret(2, 10);
    probe.ShowCaret();
    uitest::ProcessEvents();
    probe.paints = 0;
    probe.Invalidate();
    QTest::qWait(50);
    EXPECT_EQ(probe.paints, 1);
}

TEST_F(ControlsTest, TheCaretIsDrawnWhereItIsAndBlinksWithTheClock) {
    TManualClockScope clock;
    TPaintProbe probe(nullptr);
    probe.fill = clWhite;
    probe.SetBounds(0, 0, 40, 30);
    probe.CreateCaret(2, 10);
    probe.SetCaretPos(5, 4);
    EXPECT_EQ(PixelAt(Grab(probe), 5, 4), clWhite) << "a new caret is hidden";
    probe.ShowCaret();
    QImage image = Grab(probe);
    EXPECT_EQ(PixelAt(image, 5, 4), clBlack);
    EXPECT_EQ(PixelAt(image, 6, 13), clBlack);
    EXPECT_EQ(PixelAt(image, 7, 4), clWhite);
    EXPECT_EQ(PixelAt(image, 5, 14), clWhite);

    clock->Advance(GetCaretBlinkTime());
    EXPECT_EQ(PixelAt(Grab(probe), 5, 4), clWhite) << "blinked off";
    probe.SetCaretPos(20, 4);
    image = Grab(probe);
    EXPECT_EQ(PixelAt(image, 20, 4), clBlack) << "a move shows it at once";
    EXPECT_EQ(PixelAt(image, 5, 4), clWhite);
    probe.HideCaret();
    probe.HideCaret();
    probe.ShowCaret();
    EXPECT_EQ(PixelAt(Grab(probe), 20, 4), clWhite) << "hidden twice, shown once";
}

TEST_F(ControlsTest, ScrollBarsTakeClientRoomAndReportScrollCodes) {
    TWinControl control(nullptr);
    control.SetBounds(0, 0, 200, 100);
    control.HandleNeeded();
    std::vector<std::pair<int, int>> codes; // code, position
    auto previous = control.WindowProc;
    control.WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_VSCROLL) codes.emplace_back(LoWord(m.WParam), HiWord(m.WParam));
        previous(m);
    };
    control.SetScrollInfo(SB_VERT, {0, 99, 10, 5});
    EXPECT_TRUE(control.ScrollBarVisible(SB_VERT));
    EXPECT_EQ(control.ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(control.GetScrollInfo(SB_VERT).pos, 5);
    control.SetScrollInfo(SB_VERT, {0, 99, 10, 500});
    EXPECT_EQ(control.GetScrollInfo(SB_VERT).pos, 90) << "clamped to max - page + 1";

    auto* bar = control.Widget()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    control.SetScrollInfo(SB_VERT, {0, 99, 10, 20});
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(codes, (std::vector<std::pair<int, int>>{{SB_LINEDOWN, 20}, {SB_ENDSCROLL, 0}}));
    EXPECT_EQ(bar->value(), 20) << "the bar moves only when the control sets a position";

    // A range that fits hides the bar, unless it is to be shown disabled.
    control.SetScrollInfo(SB_VERT, {0, 9, 10, 0});
    EXPECT_FALSE(control.ScrollBarVisible(SB_VERT));
    EXPECT_EQ(control.ClientWidth(), 200);
    control.SetScrollBarDisableNoScroll(SB_VERT, true);
    EXPECT_TRUE(control.ScrollBarVisible(SB_VERT));
    EXPECT_FALSE(bar->isEnabled());
}

TEST_F(ControlsTest, WindowTimersFireFromTheClockAndDieWithTheWindow) {
    TManualClockScope clock;
    std::vector<uintptr_t> fired;
    TWinControl control(nullptr);
    auto previous = control.WindowProc;
    control.WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_TIMER) fired.push_back(m.WParam);
        previous(m);
    };
    control.SetTimer(7, 50);
    control.SetTimer(8, 0);
    clock->Advance(120);
    EXPECT_EQ(fired, (std::vector<uintptr_t>{7, 7}));
    control.RecreateWnd();
    clock->Advance(100);
    EXPECT_EQ(fired.size(), 2u);
}

} // namespace
} // namespace ui
