#include "app/uStatusPanels.h"

#include "platform/rtl/Format.h"

namespace app {

namespace {

// Room for the panel's edges beside the text.
constexpr int kPanelMargin = 8;

} // namespace

TStatusPanels::TStatusPanels(int imageWidth, std::function<int(const std::string&)> textWidth)
    : imageWidth_(imageWidth), textWidth_(std::move(textWidth)) {
    panels_[spCaret].width = kCaretWidth;
}

void TStatusPanels::ShowUpdateNotice(bool visible) {
    SetPanelText(spNotice, visible ? kNoticeText : "", true);
}

void TStatusPanels::SetCaretPos(ui::TPoint pos) {
    panels_[spCaret].text = rtl::Format("  %d:  %d  ", pos.Y + 1, pos.X + 1);
}

void TStatusPanels::SetServerText(const std::string& text) {
    SetPanelText(spServer, text.empty() ? text : rtl::Format(" %s ", text), false);
}

void TStatusPanels::SetDatabaseText(const std::string& text) {
    SetPanelText(spDatabase, text.empty() ? text : rtl::Format(" %s  ", text), true);
}

bool TStatusPanels::NoticeHit(int x) const {
    return panels_[spNotice].width > 0 && x < panels_[spNotice].width;
}

void TStatusPanels::SetPanelText(TStatusPanelIndex index, const std::string& text, bool hasImage) {
    panels_[index].text = text;
    panels_[index].width = text.empty() ? 0 : (hasImage ? imageWidth_ : 0) + textWidth_(text) + kPanelMargin;
}

} // namespace app
