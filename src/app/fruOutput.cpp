#include "app/fruOutput.h"

#include "app/fruDataView.h"
#include "app/fuToolForm.h"
#include "app/uFrameActions.h"
#include "core/uMultiNotifier.h"
#include "platform/rtl/Threads.h"
#include "platform/ui/Application.h"
#include "platform/ui/Messages.h"
#include "platform/ui/PostedCalls.h"

#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/model/uDebugger.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include <algorithm>

namespace app {

TOutputLine OutputLine(const engine::IDebuggMessageEvent& message) {
    const int kind = message.GetKind();
    if (kind < engine::mkQueryResult) return {rtl::Utf16ToUtf8(message.GetText()), kind};
    if (kind > engine::mkQueryResult) throw rtl::Exception("Unknown message type");

    const auto result = message.GetQueryResult();
    const std::string rows = std::to_string(result->RowCount());
    const std::string seconds = core::FormatMilliseconds(result->ExecutionTime());
    if (result->HasResultSet())
        return {
            rows + " row(s) returned (" + seconds +
                " sec) to view the data, use the Show results command from the context menu of the element",
            3};
    return {rows + " row(s) affected (" + seconds + " sec)", 4};
}

TfrmOutput::TfrmOutput(ui::TComponent* owner, engine::TVeltrane* veltrane, TGoToCodeEvent goToCode)
    : ui::TFrame(owner), lvItems(new ui::TListBox(this)), alFrame(new ui::TActionList(this)),
      pmMessages(new ui::TPopupMenu(this)), veltrane_(veltrane), goToCode_(std::move(goToCode)) {
    RTL_ASSERT(veltrane_);
    SetName("frmOutput");
    SetBounds(0, 0, 420, 160);
    lvItems->SetName("lvItems");
    lvItems->SetParent(this);
    lvItems->SetAlign(ui::alClient);
    lvItems->OnDblClick = [this](ui::TObject*) { aGoToCode->Execute(); };
    lvItems->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState) {
        if (key == ui::VK_RETURN) aGoToCode->Execute();
    };

    alFrame->SetName("alFrame");
    aGoToCode = AddFrameAction(*alFrame, "aGoToCode", "Go to code", [this] { aGoToCodeExecute(); });
    aShowResults =
        AddFrameAction(*alFrame, "aShowResults", "Show results", [this] { aShowResultsExecute(); });
    aClear = AddFrameAction(*alFrame, "aClear", "Clear", [this] { Clear(); });
    SetFrameUpdate(*alFrame, [this] { alFrameUpdate(); });
    pmMessages->SetName("pmMessages");
    AddMenuItems(*pmMessages, {aGoToCode, aShowResults, nullptr, aClear}, aGoToCode);

    veltrane_->Messages().AddHandler(core::TEventHandler::Of<&TfrmOutput::DebugMessage>(this));
}

TfrmOutput::~TfrmOutput() {
    veltrane_->Messages().RemoveHandler(core::TEventHandler::Of<&TfrmOutput::DebugMessage>(this));
    ui::CancelPostedCalls(this);
    Clear();
}

void TfrmOutput::Clear() {
    lvItems->Items().Clear();
    messages_.clear();
    imageIndexes_.clear();
}

void TfrmOutput::FocusList() {
    lvItems->SetFocus();
}

void TfrmOutput::DebugMessage(const std::shared_ptr<core::IEvent>& event) {
    auto message = std::dynamic_pointer_cast<engine::IDebuggMessageEvent>(event);
    if (!message) return;
    if (rtl::IsMainThread()) {
        AddMessage(message);
        return;
    }
    // The debug thread's messages wait for the UI thread; posted calls keep their order.
    ui::PostCall(this, [this, message] { AddMessage(message); });
}

void TfrmOutput::AddMessage(const std::shared_ptr<engine::IDebuggMessageEvent>& message) {
    messages_.push_back(message);
    const int index = lvItems->Items().Add("");
    imageIndexes_.push_back(-1);
    // The line stays even when its kind is unknown; the error comes after it.
    const TOutputLine line = OutputLine(*message);
    lvItems->Items().SetString(index, line.caption);
    imageIndexes_.back() = line.imageIndex;
    lvItems->SetItemIndex(index);
    lvItems->SetTopIndex(std::max(0, index));
}

const engine::IDebuggMessageEvent* TfrmOutput::SelectedMessage() const {
    const int index = lvItems->ItemIndex();
    if (index < 0 || index >= MessageCount()) return nullptr;
    return messages_[static_cast<std::size_t>(index)].get();
}

void TfrmOutput::alFrameUpdate() {
    const auto* selected = SelectedMessage();
    aClear->SetEnabled(!messages_.empty());
    aGoToCode->SetEnabled(selected != nullptr);
    aShowResults->SetEnabled(selected && selected->GetKind() == engine::mkQueryResult &&
                             selected->GetQueryResult()->HasResultSet());
}

void TfrmOutput::aGoToCodeExecute() {
    const auto* selected = SelectedMessage();
    if (selected && goToCode_)
        goToCode_(selected->GetRoutineName(), selected->GetRoutineKind(), selected->GetLine());
}

void TfrmOutput::aShowResultsExecute() {
    const auto* selected = SelectedMessage();
    if (!selected) return;
    auto* view = new TfrmDataView(nullptr, selected->GetQueryResult());
    CreateToolForm(ui::Application ? ui::Application->MainForm() : nullptr, "Data", view, true, true)->Show();
}

} // namespace app
