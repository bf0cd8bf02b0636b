#include "app/uStatusPanelTexts.h"

#include "platform/rtl/Format.h"

namespace app {

namespace {

// Room for the panel's edges beside the text.
constexpr int kPanelMargin = 8;

} // namespace

TStatusPanelTexts::TStatusPanelTexts(int imageWidth, std::function<int(const std::string&)> textWidth)
    : imageWidth_(imageWidth), textWidth_(std::move(textWidth)) {
    panels_[spCaret].width = kCaretWidth;
}

void TStatusPanelTexts::ShowUpdateNotice(bool visible) {
    SetPanelText(spNotice, visible ? kNoticeText : "", true);
}

void TStatusPanelTexts::SetCaretPos(ui::TPoint pos) {
    panels_[spCaret].text = rtl::Format("  %d:  %d  ", pos.Y + 1, pos.X + 1);
}

void TStatusPanelTexts::SetServerText(const std::string& text) {
    SetPanelText(spServer, text.empty() ? text : rtl::Format(" %s ", text), false);
}

void TStatusPanelTexts::SetDatabaseText(const std::string& text) {
    SetPanelText(spDatabase, text.empty() ? text : rtl::Format(" %s  ", text), true);
}

bool TStatusPanelTexts::NoticeHit(int x) const {
    return panels_[spNotice].width > 0 && x < panels_[spNotice].width;
}

void TStatusPanelTexts::SetPanelText(TStatusPanelIndex index, const std::string& text, bool hasImage) {
    panels_[index].text = text;
    panels_[index].width = text.empty() ? 0 : (hasImage ? imageWidth_ : 0) + textWidth_(text) + kPanelMargin;
}

} // namespace app
