// The application object: its forms, the message loop, idle work, hints and uncaught exceptions.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/Hints.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& error)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
using TShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;

// The program as the controls see it: its forms and main form, the message loop, idle work (action
// updates), the hint machinery, and the place every uncaught exception ends up in. One exists at a
// time; it makes the screen, serves rtl's Synchronize from the Qt event loop, and takes over the
// framework's exception handler.
class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    // The long hint of the control under the mouse; setting it fires OnHint.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);

    // The first form made with CreateForm, unless set otherwise; closing it ends Run.
    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* form) { mainForm_ = form; }
    template <class F>
    F* CreateForm() {
        F* form = new F(this);
        if (!mainForm_) mainForm_ = form;
        return form;
    }

    // Shows the main form and handles messages until Terminate.
    void Run();
    // Handles the messages that are waiting, then returns.
    void ProcessMessages();
    // Handles what is waiting; with nothing waiting, runs the idle work and waits for a message.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // The idle work, once: OnIdle, then the action updates of the showing forms and of what registered.
    void Idle();
    // `update` runs with the idle work until removed (action lists register themselves here).
    void AddIdleUpdate(const void* key, std::function<void()> update);
    void RemoveIdleUpdate(const void* key);

    // Shows the exception being handled (OnException instead, when set); EAbort shows nothing.
    void HandleException(TObject* sender);
    void ShowException(const std::exception& error);
    // A message box with MB_ flags; returns the IDOK-style answer.
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

    // ---- Hints ----
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor color) { hintColor_ = color; }
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms; }
    int HintShortPause() const { return hintShortPause_; }
    void SetHintShortPause(int ms) { hintShortPause_ = ms; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms) { hintHidePause_ = ms; }
    // The hint window every hint uses from now on (a THintWindow by default).
    void SetHintWindowClass(THintWindowClass windowClass) { hintWindowClass_ = std::move(windowClass); }
    // Hides the hint; the next one comes after HintPause again.
    void CancelHint();
    // Asks the control under the mouse for its hint at the screen point and shows it.
    void ActivateHint(TPoint cursorPos);
    // The window showing the hint, or null.
    THintWindow* HintWindow() const { return hintVisible_ ? hintWindow_ : nullptr; }

    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    TNotifyEvent OnHint;
    TShowHintEvent OnShowHint;

private:
    friend void ControlGone(TControl* control);
    void ControlGone(TControl* control);
    void HintMouseMessage(TControl* control, const TMessage& message);
    void HideHint();

    std::string title_;
    std::string hint_;
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool inIdle_ = false;
    std::vector<std::pair<const void*, std::function<void()>>> idleUpdates_;

    bool showHint_ = true;
    TColor hintColor_ = clInfoBk;
    int hintPause_ = 500;
    int hintShortPause_ = 50;
    int hintHidePause_ = 2500;
    THintWindowClass hintWindowClass_;
    THintWindow* hintWindow_ = nullptr;
    bool hintVisible_ = false;
    TControl* hintControl_ = nullptr;
    TRect hintCursorRect_;
    TPoint hintCursorPos_;
    struct TLoopHooks; // the connections to the Qt event loop that serve Synchronize
    std::unique_ptr<TLoopHooks> loopHooks_;
};

// The application object while one exists.
extern TApplication* Application;

} // namespace ui
