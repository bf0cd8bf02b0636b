// Message boxes, and answering them without a user in tests.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Forms.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = rtl::Set<TMsgDlgBtn, 16>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};

// Message-box flags and answers.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// One message box as the user would see it.
struct TMessageRequest {
    std::string caption;
    std::string text;
    TMsgDlgType type = mtCustom;
    std::vector<TMsgDlgBtn> buttons; // in the order they are shown
    TMsgDlgBtn defaultButton = mbOK;
};

// The button texts ("&Yes", "OK", ...) and results (mrYes, ...), and the captions of the types
// ("Warning", "Error", "Information", "Confirm"; mtCustom has the application's title).
std::string ButtonCaption(TMsgDlgBtn button);
TModalResult ButtonResult(TMsgDlgBtn button);
std::string DialogCaption(TMsgDlgType type);

// Shows a message box and returns the result of the button pressed (mrCancel when it was closed).
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                        int helpContext = 0);
TModalResult ShowMessageBox(const TMessageRequest& request);
void ShowMessage(const std::string& text);

// ---- Answering dialogs without a user (tests) ----
// Receives each message box instead of the user and returns the result of the button to press.
using TMessageAnswerer = std::function<TModalResult(const TMessageRequest& request)>;
// Receives each form shown modally, after it shows; it sets the form's ModalResult (for example by
// clicking one of its buttons). A form left without a result is cancelled.
using TModalAnswerer = std::function<void(TCustomForm& form)>;

// Installs answerers for its lifetime; the previous ones come back afterwards.
class TDialogAnswers {
public:
    explicit TDialogAnswers(TMessageAnswerer messages, TModalAnswerer modals = nullptr);
    ~TDialogAnswers();
    TDialogAnswers(const TDialogAnswers&) = delete;
    TDialogAnswers& operator=(const TDialogAnswers&) = delete;

private:
    TMessageAnswerer previousMessages_;
    TModalAnswerer previousModals_;
};

// The modal answerer in effect, or an empty function.
const TModalAnswerer& ModalAnswerer();

// The system's default alert sound.
void MessageBeep();

} // namespace ui
