// The texts and widths of the main window's four status panels, apart from the bar that shows them.
#pragma once

#include "platform/ui/Types.h"

#include <array>
#include <functional>
#include <string>

namespace app {

enum TStatusPanelIndex { spNotice = 0, spCaret = 1, spServer = 2, spDatabase = 3 };

struct TStatusPanelState {
    std::string text;
    int width = 0;
};

class TStatusPanelTexts {
public:
    static constexpr int kCaretWidth = 80;
    static inline const char* const kNoticeText = "New version available. Click here to go to Download page.";

    // `textWidth` measures a text in the bar's font; `imageWidth` is the width of the bar's images.
    TStatusPanelTexts(int imageWidth, std::function<int(const std::string&)> textWidth);

    void ShowUpdateNotice(bool visible);
    // `pos` is the 0-based column (X) and line (Y); the panel shows the line first, both from 1.
    void SetCaretPos(ui::TPoint pos);
    // " %s " and " %s  "; an empty text hides the panel rather than showing the blanks alone.
    void SetServerText(const std::string& text);
    void SetDatabaseText(const std::string& text);

    const TStatusPanelState& Panel(TStatusPanelIndex index) const { return panels_[index]; }
    // The notice is shown and the point `x` of the bar lies on it.
    bool NoticeHit(int x) const;

private:
    // Empty hides the panel (width 0); otherwise it is as wide as the text, its image and a margin.
    void SetPanelText(TStatusPanelIndex index, const std::string& text, bool hasImage);

    int imageWidth_;
    std::function<int(const std::string&)> textWidth_;
    std::array<TStatusPanelState, 4> panels_;
};

} // namespace app
