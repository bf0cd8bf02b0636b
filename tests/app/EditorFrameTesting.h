#pragma once

// A shown form for the editor frames, their grabbed pixels, and stand-ins for the completion pop-up
// and the parameter-hint window.

#include "app/fruTextEditor.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPoint>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace app {

class FakeCompletionPopup : public ICodeCompletionPopup {
public:
    TCodeCompletionItems& Items() override { return *reinterpret_cast<TCodeCompletionItems*>(this); }
    int ItemCount() const override { return count; }
    void Popup(ui::TPoint screen, editor::TCustomWideCodeEdit&) override {
        ++shown;
        at = screen;
    }
    bool Visible() const override { return false; }
    void SetFocus() override {}

    int count = 1;
    int shown = 0;
    ui::TPoint at;
};

class FakeParametersWindow : public ICodeParametersWindow {
public:
    void ShowParameters(ui::TPoint screen, int, const rtl::TStringList& parameters) override {
        ++shown;
        visible = true;
        at = screen;
        list.clear();
        for (int k = 0; k < parameters.Count(); ++k)
            list.push_back(parameters.Strings(k));
    }
    bool Visible() const override { return visible; }
    void Hide() override { visible = false; }
    ui::TPoint Position() const override { return at; }
    void MoveTo(ui::TPoint screen) override { at = screen; }

    int shown = 0;
    bool visible = false;
    ui::TPoint at;
    std::vector<std::string> list;
};

class EditorFrameTest : public uitest::UiTest {
protected:
    void ShowFrame(ui::TControl& frame) {
        form.SetBounds(0, 0, 500, 300);
        frame.SetParent(&form);
        frame.SetAlign(ui::alClient);
        form.Show();
        form.HandleNeeded();
        form.Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
    }

    static QWidget* Widget(const TfrmTextEditor& frame) { return frame.Editor().Widget(); }

    // The editor's client area; saved as a PNG under EDITOR_TEST_PNG_DIR when set.
    static QImage Grab(const TfrmTextEditor& frame, const std::string& name) {
        const QImage window = Widget(frame)->grab().toImage();
        const ui::TRect c = frame.Editor().ClientRectInWindow();
        QImage client = window.copy(c.Left, c.Top, c.Width(), c.Height());
        if (const char* dir = std::getenv("EDITOR_TEST_PNG_DIR"))
            client.save(QString::fromUtf8(dir) + "/" + QString::fromStdString(name) + ".png");
        return client;
    }
    static ui::TColor Pixel(const QImage& image, int x, int y) { return ui::FromQColor(image.pixelColor(x, y)); }

    // A client point of the editor in its widget's coordinates.
    static QPoint WindowPoint(const TfrmTextEditor& frame, ui::TPoint p) {
        const ui::TRect c = frame.Editor().ClientRectInWindow();
        return {p.X + c.Left, p.Y + c.Top};
    }
    static QPoint CellCentre(const TfrmTextEditor& frame, int column, int line) {
        const auto& m = frame.Model();
        return WindowPoint(frame, {m.GutterWidth() + editor::TCustomWideCodeEdit::kTextMargin +
                                       column * m.CharWidth() + m.CharWidth() / 2,
                                   (line - m.TopLine() + 1) * m.LineHeight() + m.LineHeight() / 2});
    }

    static void MouseMove(const TfrmTextEditor& frame, QPoint at, Qt::MouseButtons buttons = {}) {
        QMouseEvent event(QEvent::MouseMove, at, Widget(frame)->mapToGlobal(at), Qt::NoButton, buttons, {});
        QApplication::sendEvent(Widget(frame), &event);
    }

    static std::string ErrorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }

    ui::TApplication application;
    ui::TForm form{nullptr};
};

} // namespace app
