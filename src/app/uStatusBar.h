// The main window's status bar: the update notice, the caret position, the server and the database.
#pragma once

#include "app/uStatusPanelTexts.h"
#include "imaging/uPngImageList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StatusBars.h"

#include <string>

namespace app {

class TAppStatusBar : public ui::TComponent {
public:
    // Both must be given: the bar goes on `owner`; image 0 marks the notice, image 1 the database.
    TAppStatusBar(ui::TWinControl* owner, imaging::TPngImageList* images);

    void ShowUpdateNotice(bool visible);
    void SetCaretPos(ui::TPoint pos);
    void SetServerText(const std::string& text);
    void SetDatabaseText(const std::string& text);

    ui::TStatusBar* Bar() const { return bar_; }
    const TStatusPanelTexts& Texts() const { return texts_; }

private:
    void CreatePanels();
    // Copies the texts and widths into the bar's panels.
    void ShowTexts();
    void DrawPanel(ui::TStatusBar* bar, ui::TStatusPanel* panel, const ui::TRect& rect);
    void BarMouseDown(ui::TObject* sender, ui::TMouseButton button, ui::TShiftState shift, int x, int y);

    ui::TStatusBar* bar_;
    imaging::TPngImageList* images_;
    TStatusPanelTexts texts_;
};

} // namespace app
