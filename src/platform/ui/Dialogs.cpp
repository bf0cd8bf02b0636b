#include "platform/ui/Dialogs.h"

#include "platform/ui/Application.h"
#include "platform/ui/QtBridge.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

TMessageAnswerer& MessageAnswerer() {
    static TMessageAnswerer answerer;
    return answerer;
}

TModalAnswerer& CurrentModalAnswerer() {
    static TModalAnswerer answerer;
    return answerer;
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

// The box on the screen, for a user to answer.
TModalResult AskUser(const TMessageRequest& request) {
    QMessageBox box(IconOf(request.type), ToQString(request.caption), ToQString(request.text));
    std::vector<std::pair<QAbstractButton*, TMsgDlgBtn>> buttons;
    for (TMsgDlgBtn button : request.buttons) {
        QPushButton* widget = box.addButton(ToQString(ButtonCaption(button)), QMessageBox::ActionRole);
        buttons.emplace_back(widget, button);
        if (button == request.defaultButton) box.setDefaultButton(widget);
        if (button == mbCancel || (request.buttons.size() == 1)) box.setEscapeButton(widget);
    }
    box.exec();
    for (auto [widget, button] : buttons)
        if (box.clickedButton() == widget) return ButtonResult(button);
    return mrCancel;
}

} // namespace

std::string ButtonCaption(TMsgDlgBtn button) {
    static const char* const kCaptions[] = {"&Yes",       "&No",         "OK",      "Cancel",
                                            "&Abort",     "&Retry",      "&Ignore", "&All",
                                            "N&o to All", "Yes to &All", "&Help"};
    return kCaptions[button];
}

TModalResult ButtonResult(TMsgDlgBtn button) {
    static const TModalResult kResults[] = {mrYes,    mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                            mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
    return kResults[button];
}

std::string DialogCaption(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return "Warning";
    case mtError:
        return "Error";
    case mtInformation:
        return "Information";
    case mtConfirmation:
        return "Confirm";
    default:
        return Application ? Application->Title() : std::string();
    }
}

TModalResult ShowMessageBox(const TMessageRequest& request) {
    if (const TMessageAnswerer& answer = MessageAnswerer()) return answer(request);
    return AskUser(request);
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    TMessageRequest request;
    request.caption = DialogCaption(type);
    request.text = text;
    request.type = type;
    for (int b = mbYes; b <= mbHelp; ++b)
        if (buttons.Contains(static_cast<TMsgDlgBtn>(b)))
            request.buttons.push_back(static_cast<TMsgDlgBtn>(b));
    if (request.buttons.empty()) request.buttons.push_back(mbOK);
    // OK, else Yes, else the first button is the default.
    request.defaultButton = buttons.Contains(mbOK)    ? mbOK
                            : buttons.Contains(mbYes) ? mbYes
                                                      : request.buttons.front();
    return ShowMessageBox(request);
}

void ShowMessage(const std::string& text) {
    MessageDlg(text, mtCustom, {mbOK});
}

TDialogAnswers::TDialogAnswers(TMessageAnswerer messages, TModalAnswerer modals)
    : previousMessages_(std::move(MessageAnswerer())), previousModals_(std::move(CurrentModalAnswerer())) {
    MessageAnswerer() = std::move(messages);
    CurrentModalAnswerer() = std::move(modals);
}

TDialogAnswers::~TDialogAnswers() {
    MessageAnswerer() = std::move(previousMessages_);
    CurrentModalAnswerer() = std::move(previousModals_);
}

const TModalAnswerer& ModalAnswerer() {
    return CurrentModalAnswerer();
}

void MessageBeep() {
    QApplication::beep();
}

} // namespace ui
