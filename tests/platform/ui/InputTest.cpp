#include "platform/ui/Controls.h"

#include "platform/ui/Forms.h"
#include "platform/ui/KeyCodes.h"
#include "platform/ui/Mouse.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

// Records the input events of a control as short lines.
class TInputLog {
public:
    void Attach(TWinControl& c) {
        c.OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
            Add("down " + Button(b) + Shift(s) + At(x, y));
        };
        c.OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
            Add("up " + Button(b) + Shift(s) + At(x, y));
        };
        c.OnClick = [this](TObject*) { Add("click"); };
        c.OnDblClick = [this](TObject*) { Add("dblclick"); };
        c.OnKeyDown = [this](TObject*, uint16_t& key, TShiftState s) {
            Add("keydown " + Hex(key) + Shift(s));
        };
        c.OnKeyUp = [this](TObject*, uint16_t& key, TShiftState s) { Add("keyup " + Hex(key) + Shift(s)); };
        c.OnKeyPress = [this](TObject*, char16_t& key) { Add("char " + Hex(key)); };
        c.OnMouseWheel = [this](TObject*, TShiftState s, int delta, TPoint, bool& handled) {
            Add("wheel " + std::to_string(delta) + Shift(s));
            handled = true;
        };
    }
    void Add(const std::string& line) { lines.push_back(line); }
    std::vector<std::string> lines;

private:
    static std::string Button(TMouseButton b) {
        return b == mbLeft ? "left" : b == mbRight ? "right" : "middle";
    }
    static std::string Shift(TShiftState s) {
        std::string text;
        const std::pair<TShiftStateMember, const char*> names[] = {{ssShift, "shift"}, {ssCtrl, "ctrl"},
                                                                   {ssAlt, "alt"},     {ssLeft, "lbtn"},
                                                                   {ssRight, "rbtn"},  {ssDouble, "double"}};
        for (auto [member, name] : names)
            if (s.Contains(member)) text += std::string(" ") + name;
        return text;
    }
    static std::string At(int x, int y) { return " @" + std::to_string(x) + "," + std::to_string(y); }
    static std::string Hex(unsigned value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%02X", value);
        return buffer;
    }
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

// Typed text as an input method without keys would deliver it: one key event per character.
void SendText(QWidget* widget, const QString& text) {
    for (char32_t c : text.toUcs4()) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&c, 1));
        QApplication::sendEvent(widget, &press);
    }
}

void SendWheel(QWidget* widget, int delta, Qt::KeyboardModifiers modifiers = {}) {
    const QPoint pos(5, 5);
    QWheelEvent event(pos, widget->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

class InputTest : public uitest::UiTest {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 200, 100);
        control.SetParent(&form);
        control.SetBounds(10, 10, 50, 50);
        other.SetParent(&form);
        other.SetBounds(100, 10, 50, 50);
        log.Attach(control);
        form.HandleNeeded();
    }

    TInputLog log;
    TWinControl form{nullptr};
    TCustomControl control{nullptr};
    TCustomControl other{nullptr};
};

TEST_F(InputTest, KeysArriveWithVirtualKeyShiftStateAndCharacters) {
    QTest::keyClick(control.Widget(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(control.Widget(), Qt::Key_F5);
    QTest::keyClick(control.Widget(), Qt::Key_Asterisk, Qt::KeypadModifier, -1);
    QTest::keyClick(control.Widget(), Qt::Key_X, Qt::AltModifier);
    // The modifier keys come as keys of their own, as they do natively.
    EXPECT_EQ(log.lines, (std::vector<std::string>{"keydown 10 shift", "keydown 11 shift ctrl",
                                                   "keydown 41 shift ctrl", "char 01", "keyup 41 shift ctrl",
                                                   "keyup 11 shift", "keyup 10", "keydown 74", "keyup 74",
                                                   "keydown 6A", "char 2A", "keyup 6A", "keydown 12 alt",
                                                   "keydown 58 alt", "char 78", "keyup 58 alt", "keyup 12"}));
}

TEST_F(InputTest, TypedTextIsUtf16AndAHandlerCanSwallowOrChangeIt) {
    std::u16string typed;
    control.OnKeyPress = [&](TObject*, char16_t& key) {
        if (key == u'x') key = 0;
        if (key == u'y') key = u'z';
        typed += key ? key : u'_';
    };
    SendText(control.Widget(), QString::fromUtf8("aé😀xy"));
    EXPECT_EQ(typed, u"aé😀_z");
}

TEST_F(InputTest, TabMovesTheFocusUnlessTheControlAsksForIt) {
    int tabs = 0;
    control.OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { tabs += key == VK_TAB; };
    QTest::keyClick(control.Widget(), Qt::Key_Tab);
    EXPECT_EQ(tabs, 0);
    auto previous = control.WindowProc;
    control.WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_GETDLGCODE) {
            m.Result = DLGC_WANTTAB;
            return;
        }
        previous(m);
    };
    QTest::keyClick(control.Widget(), Qt::Key_Tab);
    EXPECT_EQ(tabs, 1);
    control.WindowProc = previous;
}

TEST_F(InputTest, ClickAndDoubleClickComeInTheNativeOrder) {
    QWidget* w = control.Widget();
    const QPoint p(7, 8);
    SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    SendMouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    SendMouse(w, QEvent::MouseButtonPress, p, Qt::RightButton, Qt::RightButton);
    SendMouse(w, QEvent::MouseButtonRelease, p, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"down left shift lbtn @7,8", "click", "up left @7,8",
                                                   "dblclick", "down left lbtn double @7,8", "click",
                                                   "up left @7,8", "down right rbtn @7,8", "up right @7,8"}));
}

TEST_F(InputTest, AReleaseOutsideTheControlIsNoClick) {
    QWidget* w = control.Widget();
    SendMouse(w, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(80, 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"down left lbtn @5,5", "up left @80,5"}));
}

TEST_F(InputTest, CaptureKeepsMouseMovesComingOutsideTheControl) {
    std::vector<TPoint> moves, otherMoves;
    control.OnMouseMove = [&](TObject*, TShiftState, int x, int y) { moves.push_back({x, y}); };
    other.OnMouseMove = [&](TObject*, TShiftState, int x, int y) { otherMoves.push_back({x, y}); };
    SendMouse(control.Widget(), QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(control.MouseCapture());
    // Over the other control: the move still belongs to the captured one, in its own coordinates.
    SendMouse(other.Widget(), QEvent::MouseMove, QPoint(2, 3), Qt::NoButton, Qt::LeftButton);
    SendMouse(other.Widget(), QEvent::MouseButtonRelease, QPoint(2, 3), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(control.MouseCapture());
    SendMouse(other.Widget(), QEvent::MouseMove, QPoint(4, 4), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(moves, (std::vector<TPoint>{{92, 3}}));
    EXPECT_EQ(otherMoves, (std::vector<TPoint>{{4, 4}}));
    EXPECT_EQ(log.lines.back(), "up left @92,3");
}

TEST_F(InputTest, HalfNotchWheelDeltasAddUpToOneNotch) {
    SendWheel(control.Widget(), 60);
    EXPECT_TRUE(log.lines.empty());
    SendWheel(control.Widget(), 60, Qt::ControlModifier);
    SendWheel(control.Widget(), -240);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"wheel 120 ctrl", "wheel -240"}));
}

TEST_F(InputTest, AnUnhandledWheelGoesToTheParent) {
    int notches = 0;
    control.OnMouseWheel = nullptr;
    form.OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) { handled = ++notches > 0; };
    SendWheel(control.Widget(), -120);
    EXPECT_EQ(notches, 1);
}

TEST_F(InputTest, TheInputMethodCommitsTextAndAsksWhereTheCaretIs) {
    std::u16string committed;
    auto previous = control.WindowProc;
    control.WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_IME_COMPOSITION) committed += *reinterpret_cast<const std::u16string*>(m.LParam);
        previous(m);
    };
    control.SetImeEnabled(true);
    EXPECT_TRUE(control.Widget()->testAttribute(Qt::WA_InputMethodEnabled));
    QInputMethodEvent event;
    event.setCommitString(QString::fromUtf8("日本😀"));
    QApplication::sendEvent(control.Widget(), &event);
    EXPECT_EQ(committed, u"日本😀");

    control.CreateCaret(2, 12);
    control.SetCaretPos(8, 3);
    QInputMethodQueryEvent query(Qt::ImCursorRectangle | Qt::ImEnabled);
    QApplication::sendEvent(control.Widget(), &query);
    EXPECT_EQ(query.value(Qt::ImCursorRectangle).toRect(), QRect(8, 3, 2, 12));
    EXPECT_TRUE(query.value(Qt::ImEnabled).toBool());
    control.WindowProc = previous;
}

TEST_F(InputTest, FocusEntersAndLeaves) {
    std::vector<std::string> focus;
    control.OnEnter = [&](TObject*) { focus.push_back("enter"); };
    control.OnExit = [&](TObject*) { focus.push_back("exit"); };
    form.Show();
    form.Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
    control.SetFocus();
    EXPECT_TRUE(control.Focused());
    other.SetFocus();
    EXPECT_FALSE(control.Focused());
    EXPECT_EQ(focus, (std::vector<std::string>{"enter", "exit"}));
    control.SetVisible(false);
    EXPECT_THROW(control.SetFocus(), EInvalidOperation);
}

TEST_F(InputTest, AnAltCharacterNobodyTookGoesToTheFormsControlsAsAnAccelerator) {
    // A label-like control with the accelerator "o".
    struct TAccelerated : TGraphicControl {
        using TGraphicControl::TGraphicControl;
        int hits = 0;
        void WndProc(TMessage& m) override {
            if (m.Msg == CM_DIALOGCHAR && (m.WParam == u'o' || m.WParam == u'O')) {
                ++hits;
                m.Result = 1;
                return;
            }
            TGraphicControl::WndProc(m);
        }
    };
    TForm dialog(nullptr);
    TAccelerated label(nullptr);
    TCustomControl edit(nullptr);
    label.SetParent(&dialog);
    edit.SetParent(&dialog);
    dialog.HandleNeeded();
    QTest::keyClick(edit.Widget(), Qt::Key_O, Qt::AltModifier);
    QTest::keyClick(edit.Widget(), Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(edit.Widget(), Qt::Key_O);
    EXPECT_EQ(label.hits, 1);
}

TEST_F(InputTest, TheMouseEntersAndLeavesControlsAndGraphicChildren) {
    std::vector<std::string> seen;
    TGraphicControl child(nullptr);
    child.SetParent(&control);
    child.SetBounds(20, 20, 10, 10);
    control.OnMouseEnter = [&](TObject*) { seen.push_back("enter control"); };
    control.OnMouseLeave = [&](TObject*) { seen.push_back("leave control"); };
    child.OnMouseEnter = [&](TObject*) { seen.push_back("enter child"); };
    child.OnMouseLeave = [&](TObject*) { seen.push_back("leave child"); };
    std::vector<std::string> childMoves;
    child.OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
        childMoves.push_back(std::to_string(x) + "," + std::to_string(y));
    };
    SendMouse(control.Widget(), QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton);
    SendMouse(control.Widget(), QEvent::MouseMove, QPoint(22, 23), Qt::NoButton, Qt::NoButton);
    SendMouse(control.Widget(), QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton);
    SendMouse(other.Widget(), QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(seen, (std::vector<std::string>{"enter control", "leave control", "enter child", "leave child",
                                              "enter control", "leave control"}));
    EXPECT_EQ(childMoves, std::vector<std::string>{"2,3"});
}

TEST(Mouse, TheDragThresholdCountsEitherAxis) {
    uitest::EnsureApplication();
    const int t = TMouse::DragThreshold();
    EXPECT_GT(t, 0);
    EXPECT_FALSE(TMouse::DragThresholdPassed({10, 10}, {10 + t - 1, 10 - t + 1}));
    EXPECT_TRUE(TMouse::DragThresholdPassed({10, 10}, {10, 10 + t}));
    EXPECT_TRUE(TMouse::DragThresholdPassed({10, 10}, {10 - t, 10}));
    EXPECT_GT(TMouse::DoubleClickTime(), 0u);
}

TEST(KeyCodes, QtKeysMapToVirtualKeys) {
    struct Case {
        int key;
        bool keypad;
        uint16_t vk;
    };
    const Case cases[] = {
        {Qt::Key_A, false, 'A'},
        {Qt::Key_7, false, '7'},
        {Qt::Key_7, true, VK_NUMPAD0 + 7},
        {Qt::Key_F12, false, VK_F1 + 11},
        {Qt::Key_Return, false, VK_RETURN},
        {Qt::Key_Enter, true, VK_RETURN},
        {Qt::Key_PageDown, false, VK_NEXT},
        {Qt::Key_Minus, true, VK_SUBTRACT},
        {Qt::Key_Minus, false, VK_OEM_MINUS},
        {Qt::Key_Backtab, false, VK_TAB},
        {Qt::Key_Exclam, false, '1'},
        {Qt::Key_unknown, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyFromQtKey(c.key, c.keypad), c.vk) << std::hex << c.key;
}

} // namespace
} // namespace ui
