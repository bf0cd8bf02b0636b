#include "app/fruWatchList.h"

#include "app/uFrameActions.h"
#include "core/uStringUtils.h"
#include "engine/debugger/uVeltrane.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ShortCuts.h"
#include "widecontrols/uUcClipboard.h"
#include "widecontrols/uUcDialogs.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {

std::u16string WatchValueText(engine::TVeltrane& veltrane, std::u16string_view expression, bool enabled) {
    if (!enabled) return u"<disabled>";
    if (veltrane.IsRunning() && !veltrane.Busy()) return veltrane.EvaluateForDisplay(expression, true);
    return u"[process not accessible]";
}

namespace {

// The expression the user entered in the watch dialog; false on Cancel.
bool AskExpression(std::u16string_view caption, std::u16string& expression) {
    if (!widecontrols::WideInputQuery(caption, u"Expression", expression)) return false;
    if (core::WideTrimSpaces(expression).empty()) throw rtl::Exception("No expression entered.");
    return true;
}

} // namespace

TfrmWatchList::TfrmWatchList(ui::TComponent* owner, engine::TVeltrane* veltrane)
    : ui::TFrame(owner), lvWatches(new widecontrols::TUcListBox(this)), alFrame(new ui::TActionList(this)),
      pmWatches(new ui::TPopupMenu(this)), veltrane_(veltrane) {
    RTL_ASSERT(veltrane_);
    SetName("frmWatchList");
    SetBounds(0, 0, 420, 160);
    lvWatches->SetName("lvWatches");
    lvWatches->SetParent(this);
    lvWatches->SetAlign(ui::alClient);
    lvWatches->OnDblClick = [this](ui::TObject*) {
        if (lvWatches->ItemIndex() >= 0) EditWatchDialog();
    };
    lvWatches->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState shift) {
        const int index = lvWatches->ItemIndex();
        if (key == ui::VK_SPACE && shift.Empty() && index >= 0) {
            SetChecked(index, !Checked(index));
            key = 0;
        }
    };

    alFrame->SetName("alFrame");
    aAdd = AddFrameAction(*alFrame, "aAdd", "Add...", [this] { AddWatchDialog(); });
    aAdd->SetShortCut(ui::ShortCut(ui::VK_INSERT, {}));
    aEdit = AddFrameAction(*alFrame, "aEdit", "Edit...", [this] { EditWatchDialog(); });
    aEdit->SetShortCut(ui::ShortCut(ui::VK_RETURN, {}));
    aCopyValue = AddFrameAction(*alFrame, "aCopyValue", "Copy watch value", [this] { aCopyValueExecute(); });
    aDelete = AddFrameAction(*alFrame, "aDelete", "Delete", [this] { aDeleteExecute(); });
    aDelete->SetShortCut(ui::ShortCut(ui::VK_DELETE, {}));
    SetFrameUpdate(*alFrame, [this] { alFrameUpdate(); });
    pmWatches->SetName("pmWatches");
    AddMenuItems(*pmWatches, {aAdd, aEdit, aCopyValue, nullptr, aDelete}, aEdit);
}

void TfrmWatchList::AddWatch(std::u16string_view expression) {
    watches_.push_back({std::u16string(expression), true, {}});
    lvWatches->WideItems().Add(u"");
    EvaluateWatch(WatchCount() - 1);
}

void TfrmWatchList::AddWatchDialog() {
    std::u16string expression;
    if (AskExpression(u"Add watch", expression)) AddWatch(expression);
}

void TfrmWatchList::EditWatchDialog() {
    const int index = lvWatches->ItemIndex();
    if (index < 0) return;
    std::u16string expression = Expression(index);
    if (!AskExpression(u"Edit watch", expression)) return;
    watches_[static_cast<std::size_t>(index)].expression = expression;
    EvaluateWatch(index);
}

void TfrmWatchList::SetChecked(int index, bool checked) {
    watches_.at(static_cast<std::size_t>(index)).enabled = checked;
    EvaluateWatch(index);
}

void TfrmWatchList::EvaluateWatch(int index) {
    auto& watch = watches_.at(static_cast<std::size_t>(index));
    watch.value = WatchValueText(*veltrane_, watch.expression, watch.enabled);
    ShowWatch(index);
}

void TfrmWatchList::ShowWatch(int index) {
    const auto& watch = watches_[static_cast<std::size_t>(index)];
    const int selected = lvWatches->ItemIndex();
    lvWatches->WideItems().Put(index,
                               CheckMarkedLine(watch.enabled, watch.expression + u" = " + watch.value));
    // Replacing a line may drop the selection.
    if (lvWatches->ItemIndex() != selected) lvWatches->SetItemIndex(selected);
}

void TfrmWatchList::Refresh() {
    for (int i = 0; i < WatchCount(); ++i)
        EvaluateWatch(i);
}

std::string TfrmWatchList::GetWatchesText() const {
    rtl::TStringList expressions;
    for (const auto& watch : watches_)
        expressions.Add(rtl::Utf16ToUtf8(watch.expression));
    return expressions.CommaText();
}

void TfrmWatchList::SetWatchesText(std::string_view text) {
    rtl::TStringList expressions;
    expressions.SetCommaText(text);
    lvWatches->WideItems().Clear();
    watches_.clear();
    for (int i = 0; i < expressions.Count(); ++i)
        AddWatch(rtl::Utf8ToUtf16(expressions[i]));
}

void TfrmWatchList::alFrameUpdate() {
    aAdd->SetEnabled(lvWatches->Focused());
    const bool onWatch = aAdd->Enabled() && lvWatches->ItemIndex() >= 0;
    aEdit->SetEnabled(onWatch);
    aDelete->SetEnabled(onWatch);
    aCopyValue->SetEnabled(onWatch);
}

void TfrmWatchList::aDeleteExecute() {
    const int index = lvWatches->ItemIndex();
    if (index < 0 || !lvWatches->Focused()) return;
    watches_.erase(watches_.begin() + index);
    lvWatches->WideItems().Delete(index);
}

void TfrmWatchList::aCopyValueExecute() {
    const int index = lvWatches->ItemIndex();
    if (index >= 0) widecontrols::UcClipboard().SetAsWideText(veltrane_->EvaluateToText(Expression(index)));
}

} // namespace app
