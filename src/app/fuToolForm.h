// A floating window that hosts a tool frame outside the docking panels.
#pragma once

#include "platform/ui/Forms.h"

#include <string>

namespace app {

// A floating window that hosts a frame outside the docking panels.
class TfmToolForm : public ui::TForm {
public:
    TfmToolForm(ui::TComponent* owner, ui::TControl* frame, bool ownsFrame, bool freeOnClose);
    ~TfmToolForm() override;

    ui::TControl* Frame() const { return frame_; }

protected:
    void DoClose(ui::TCloseAction& action) override;

private:
    ui::TControl* frame_;
    bool ownsFrame_;
    bool freeOnClose_;
};

// A sizeable tool window over `frame`, centred on `owner` and on top, sized to the frame. Closing it
// frees it when `freeOnClose`, else hides it; destroying it frees the frame when `ownsFrame`.
TfmToolForm* CreateToolForm(ui::TCustomForm* owner, const std::string& caption, ui::TControl* frame,
                            bool ownsFrame, bool freeOnClose);

} // namespace app
