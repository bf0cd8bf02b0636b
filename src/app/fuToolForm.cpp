#include "app/fuToolForm.h"

#include "platform/rtl/Exception.h"

namespace app {

TfmToolForm::TfmToolForm(ui::TComponent* owner, ui::TControl* frame, bool ownsFrame, bool freeOnClose)
    : ui::TForm(owner), frame_(frame), ownsFrame_(ownsFrame), freeOnClose_(freeOnClose) {}

TfmToolForm::~TfmToolForm() {
    if (ownsFrame_)
        delete frame_;
    else
        frame_->SetParent(nullptr);
}

void TfmToolForm::DoClose(ui::TCloseAction& action) {
    ui::TForm::DoClose(action);
    if (action == ui::caHide && freeOnClose_) action = ui::caFree;
}

TfmToolForm* CreateToolForm(ui::TCustomForm* owner, const std::string& caption, ui::TControl* frame,
                            bool ownsFrame, bool freeOnClose) {
    RTL_ASSERT(frame);
    const int width = frame->Width();
    const int height = frame->Height();
    auto* form = new TfmToolForm(owner, frame, ownsFrame, freeOnClose);
    frame->SetParent(form);
    frame->SetAlign(ui::alClient);
    form->SetFormBorderStyle(ui::bsSizeToolWin);
    form->SetPosition(ui::poOwnerFormCenter);
    form->SetFormStyle(ui::fsStayOnTop);
    form->SetCaption(caption);
    form->SetClientSize(width, height);
    return form;
}

} // namespace app
