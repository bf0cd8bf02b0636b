#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"

#include "platform/data/Component.h"
#include "platform/rtl/Threads.h"
#include "platform/ui/Clock.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace ui {
namespace {

// A button stand-in: a graphic control that sets its form's modal result when clicked.
class TResultButton : public TGraphicControl {
public:
    TResultButton(TCustomForm* form, TModalResult result) : TGraphicControl(form), result_(result) {
        SetParent(form);
        SetBounds(10, 10, 40, 20);
    }

protected:
    void Click() override {
        TGraphicControl::Click();
        if (result_ != mrNone) GetParentForm(this)->SetModalResult(result_);
    }

private:
    TModalResult result_;
};

// Clicks a control the way the mouse would: press and release at its middle, through the window.
void ClickOn(TControl& control) {
    TWinControl* window = control.Parent() ? control.Parent() : dynamic_cast<TWinControl*>(&control);
    const TPoint middle = control.ClientToScreen({control.Width() / 2, control.Height() / 2});
    const QPoint local = window->Widget()->mapFromGlobal(QPoint(middle.X, middle.Y));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, local, QPoint(middle.X, middle.Y), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window->Widget(), &event);
    }
}

class FormsTest : public uitest::UiTest {
protected:
    TApplication app;
    std::vector<TMessageRequest> messages;
    TDialogAnswers answers{[this](const TMessageRequest& r) {
        messages.push_back(r);
        return ButtonResult(r.defaultButton);
    }};
};

TEST_F(FormsTest, ShowModalReturnsTheResultOfTheButtonPressed) {
    TForm form(nullptr);
    TResultButton ok(&form, mrOk);
    TResultButton neutral(&form, mrNone);
    neutral.SetLeft(60);
    std::vector<std::string> seen;
    form.OnShow = [&](TObject*) { seen.push_back(form.Showing() ? "show (showing)" : "show"); };
    form.OnHide = [&](TObject*) { seen.push_back("hide"); };
    int answered = 0;
    TDialogAnswers modal(nullptr, [&](TCustomForm& shown) {
        ++answered;
        EXPECT_EQ(&shown, &form);
        EXPECT_TRUE(shown.Modal());
        ClickOn(neutral);
        EXPECT_EQ(shown.ModalResult(), mrNone);
        ClickOn(ok);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(answered, 1);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(seen, (std::vector<std::string>{"show", "hide"}));

    // Unanswered, the form counts as cancelled.
    TDialogAnswers silent(nullptr, [](TCustomForm&) {});
    EXPECT_EQ(form.ShowModal(), mrCancel);

    form.Show();
    EXPECT_THROW(form.ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, ACloseQueryThatAnswersNoKeepsTheForm) {
    TForm form(nullptr);
    bool allow = false;
    std::vector<TCloseAction> closes;
    TCloseAction next = caHide;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
    form.OnClose = [&](TObject*, TCloseAction& action) {
        closes.push_back(action);
        action = next;
    };
    form.Show();
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(closes.empty());

    // The window system's close button asks the same way.
    form.Widget()->close();
    EXPECT_TRUE(form.Visible());

    allow = true;
    next = caNone;
    form.Close();
    EXPECT_TRUE(form.Visible());
    next = caHide;
    form.Widget()->close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(closes, (std::vector<TCloseAction>{caHide, caHide}));

    // A modal form whose close query refuses is asked again.
    int rounds = 0;
    allow = false;
    TDialogAnswers modal(nullptr, [&](TCustomForm& shown) {
        allow = ++rounds == 2;
        shown.SetModalResult(mrAbort);
    });
    EXPECT_EQ(form.ShowModal(), mrAbort);
    EXPECT_EQ(rounds, 2);
}

TEST_F(FormsTest, CloseWithCaFreeFreesTheFormLater) {
    auto* form = new TForm(nullptr);
    bool destroyed = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    form->Show();
    form->Close();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(Screen->FormCount(), 1);
    app.ProcessMessages();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Screen->FormCount(), 0);
}

TEST_F(FormsTest, ClosingTheMainFormEndsRun) {
    auto* main = app.CreateForm<TForm>();
    EXPECT_EQ(app.MainForm(), main);
    bool shown = false;
    main->OnShow = [&](TObject*) {
        shown = true;
        QMetaObject::invokeMethod(
            qApp, [main] { main->Close(); }, Qt::QueuedConnection);
    };
    app.Run();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(app.Terminated());
}

TEST_F(FormsTest, AnExceptionInAnEventHandlerIsShownThroughTheDialogService) {
    app.SetTitle("Veltrane");
    TForm form(nullptr);
    TResultButton button(&form, mrNone);
    form.HandleNeeded();
    button.OnClick = [](TObject*) { throw rtl::Exception("Lost connection to the server"); };
    ClickOn(button);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Lost connection to the server.");
    EXPECT_EQ(messages[0].caption, "Veltrane");
    EXPECT_EQ(messages[0].type, mtError);
    EXPECT_EQ(messages[0].buttons, std::vector<TMsgDlgBtn>{mbOK});

    // A text that ends in punctuation keeps it; the silent exception shows nothing.
    button.OnClick = [](TObject*) { throw rtl::Exception("Done!"); };
    ClickOn(button);
    button.OnClick = [](TObject*) { data::Abort(); };
    ClickOn(button);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Done!");

    // OnException takes the place of the box.
    std::string handled;
    app.OnException = [&](TObject*, const std::exception& e) { handled = e.what(); };
    button.OnClick = [](TObject*) { throw rtl::Exception("handled"); };
    ClickOn(button);
    EXPECT_EQ(handled, "handled");
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(FormsTest, MessageBoxesCarryTheirTextsButtonsAndAnswers) {
    app.SetTitle("Veltrane");
    struct Case {
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        std::string caption;
        std::vector<TMsgDlgBtn> shown;
        TModalResult answer; // the default button's
    };
    const Case cases[] = {
        {mtConfirmation, mbYesNoCancel, "Confirm", {mbYes, mbNo, mbCancel}, mrYes},
        {mtWarning, mbOKCancel, "Warning", {mbOK, mbCancel}, mrOk},
        {mtError, {mbAbort, mbRetry, mbIgnore}, "Error", {mbAbort, mbRetry, mbIgnore}, mrAbort},
        {mtInformation, {mbOK}, "Information", {mbOK}, mrOk},
        {mtCustom, {mbNoToAll, mbYesToAll}, "Veltrane", {mbNoToAll, mbYesToAll}, mrNoToAll},
    };
    for (const Case& c : cases) {
        messages.clear();
        EXPECT_EQ(MessageDlg("Save changes?", c.type, c.buttons), c.answer);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].caption, c.caption);
        EXPECT_EQ(messages[0].text, "Save changes?");
        EXPECT_EQ(messages[0].buttons, c.shown);
    }
    EXPECT_EQ(ButtonCaption(mbNoToAll), "N&o to All");
    EXPECT_EQ(ButtonCaption(mbOK), "OK");

    messages.clear();
    EXPECT_EQ(app.MessageBox("Drop it?", "Drop", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(messages[0].type, mtConfirmation);
    EXPECT_EQ(messages[0].buttons, (std::vector<TMsgDlgBtn>{mbYes, mbNo}));
    ShowMessage("Hello");
    EXPECT_EQ(messages[1].caption, "Veltrane");
}

TEST_F(FormsTest, KeyPreviewShowsTheFormKeysFirst) {
    TForm form(nullptr);
    TCustomControl edit(nullptr);
    edit.SetParent(&form);
    form.HandleNeeded();
    std::string order;
    form.OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        order += "form ";
        if (key == VK_ESCAPE) key = 0;
    };
    edit.OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { order += "edit "; };
    QTest::keyClick(edit.Widget(), Qt::Key_A);
    EXPECT_EQ(order, "edit ");
    form.SetKeyPreview(true);
    order.clear();
    QTest::keyClick(edit.Widget(), Qt::Key_A);
    QTest::keyClick(edit.Widget(), Qt::Key_Escape);
    EXPECT_EQ(order, "form edit form ");
}

TEST_F(FormsTest, TheScreenKnowsTheFormsAndTheActiveControl) {
    TForm first(nullptr), second(nullptr);
    TCustomControl a(nullptr), b(nullptr);
    a.SetParent(&first);
    b.SetParent(&first);
    ASSERT_EQ(Screen->FormCount(), 2);
    EXPECT_EQ(Screen->Forms(0), &first);
    first.Show();
    first.Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(first.Widget()));
    EXPECT_EQ(Screen->ActiveForm(), &first);
    EXPECT_TRUE(first.Active());
    b.SetFocus();
    EXPECT_EQ(Screen->ActiveControl(), &b);
    EXPECT_EQ(first.ActiveControl(), &b);
    {
        TCustomControl gone(nullptr);
        gone.SetParent(&first);
        gone.SetFocus();
        EXPECT_EQ(first.ActiveControl(), &gone);
    }
    EXPECT_EQ(first.ActiveControl(), nullptr);
    EXPECT_EQ(Screen->ActiveControl(), nullptr);

    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(FormsTest, PositionCentresTheFormOnShow) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    form.SetPosition(poScreenCenter);
    form.Show();
    const TRect area = Screen->WorkAreaRect();
    EXPECT_EQ(form.Left(), area.Left + (area.Width() - 200) / 2);
    EXPECT_EQ(form.Top(), area.Top + (area.Height() - 100) / 2);
}

TEST_F(FormsTest, SynchronizeRunsOnTheUiThreadInOrderWhileTheWorkerWaits) {
    const std::thread::id uiThread = std::this_thread::get_id();
    std::vector<int> ran;          // written on the UI thread only
    std::vector<int> seenByWorker; // written on the worker only, read after join
    bool allOnUiThread = true;
    bool done = false;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            int value = 0;
            rtl::Synchronize([&, i] {
                allOnUiThread = allOnUiThread && std::this_thread::get_id() == uiThread;
                ran.push_back(i);
                value = i * 2;
            });
            // The call has run when Synchronize returns.
            seenByWorker.push_back(value);
        }
        rtl::Synchronize([&] { done = true; });
    });
    while (!done)
        app.HandleMessage();
    worker.join();
    EXPECT_TRUE(allOnUiThread);
    ASSERT_EQ(ran.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(ran[i], i);
        EXPECT_EQ(seenByWorker[i], i * 2);
    }
}

TEST_F(FormsTest, IdleRunsOnIdleAndTheActionUpdatesOfShowingForms) {
    struct TActionClient : TGraphicControl {
        using TGraphicControl::TGraphicControl;
        int updates = 0;
        void InitiateAction() override { ++updates; }
    };
    TForm shown(nullptr), hidden(nullptr);
    TActionClient onShown(nullptr), onHidden(nullptr);
    onShown.SetParent(&shown);
    onHidden.SetParent(&hidden);
    shown.Show();
    int idles = 0, listUpdates = 0;
    app.OnIdle = [&](TObject*, bool&) { ++idles; };
    app.AddIdleUpdate(&listUpdates, [&] { ++listUpdates; });
    app.Idle();
    app.RemoveIdleUpdate(&listUpdates);
    app.Idle();
    EXPECT_EQ(idles, 2);
    EXPECT_EQ(onShown.updates, 2);
    EXPECT_EQ(onHidden.updates, 0);
    EXPECT_EQ(listUpdates, 1);
}

TEST_F(FormsTest, SizeLimitsComeFromGetMinMaxInfo) {
    TForm form(nullptr);
    form.SetSizeConstraints(100, 80, 0, 0);
    auto previous = form.WindowProc;
    form.WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_GETMINMAXINFO) reinterpret_cast<TMinMaxInfo*>(m.LParam)->MaxTrackSize = {500, 400};
        previous(m);
    };
    form.Show();
    EXPECT_EQ(form.Widget()->minimumSize(), QSize(100, 80));
    EXPECT_EQ(form.Widget()->maximumSize(), QSize(500, 400));
    form.WindowProc = previous;
}

} // namespace
} // namespace ui
