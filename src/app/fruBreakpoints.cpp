#include "app/fruBreakpoints.h"

#include "app/fuBreakpointProperties.h"
#include "app/uFrameActions.h"
#include "core/uMultiNotifier.h"
#include "engine/debugger/uVeltrane.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ShortCuts.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {

std::vector<TBreakpointRow> BreakpointRows(engine::TVeltrane& veltrane) {
    const core::TIdentifierManager& identifiers = veltrane.Program().IdentifierManager();
    engine::TBreakPoints& list = veltrane.BreakPoints();
    std::vector<TBreakpointRow> rows;
    for (int i = 0; i < list.Count(); ++i) {
        engine::TBreakPoint& breakpoint = list.Items(i);
        const std::string& name = breakpoint.RoutineName();
        rows.push_back({name.empty() ? "<Main>" : identifiers.UnquotedQualifiedName(name, {}),
                        std::to_string(breakpoint.Line()), breakpoint.Condition(), breakpoint.Enabled(),
                        &breakpoint});
    }
    return rows;
}

TfrmBreakpoints::TfrmBreakpoints(ui::TComponent* owner, engine::TVeltrane* veltrane)
    : ui::TFrame(owner), lvBreakpoints(new widecontrols::TUcListBox(this)),
      alFrame(new ui::TActionList(this)), pmBreakpoints(new ui::TPopupMenu(this)), veltrane_(veltrane) {
    RTL_ASSERT(veltrane_);
    SetName("frmBreakpoints");
    SetBounds(0, 0, 420, 160);
    lvBreakpoints->SetName("lvBreakpoints");
    lvBreakpoints->SetParent(this);
    lvBreakpoints->SetAlign(ui::alClient);
    lvBreakpoints->OnDblClick = [this](ui::TObject*) { aViewSource->Execute(); };
    lvBreakpoints->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState shift) {
        const int index = lvBreakpoints->ItemIndex();
        if (key == ui::VK_SPACE && shift.Empty() && index >= 0) {
            SetChecked(index, !rows_[static_cast<std::size_t>(index)].enabled);
            key = 0;
        }
    };

    alFrame->SetName("alFrame");
    aViewSource = AddFrameAction(*alFrame, "aViewSource", "View source", [this] {
        if (auto* breakpoint = Selected(); breakpoint && OnViewSource) OnViewSource(breakpoint);
    });
    aBreakpointProperties = AddFrameAction(*alFrame, "aBreakpointProperties", "Properties...",
                                           [this] { aBreakpointPropertiesExecute(); });
    aDelete = AddFrameAction(*alFrame, "aDelete", "Delete", [this] { aDeleteExecute(); });
    aDelete->SetShortCut(ui::ShortCut(ui::VK_DELETE, {}));
    SetFrameUpdate(*alFrame, [this] { alFrameUpdate(); });
    pmBreakpoints->SetName("pmBreakpoints");
    AddMenuItems(*pmBreakpoints, {aViewSource, aBreakpointProperties, nullptr, aDelete}, aViewSource);

    veltrane_->BreakPoints().Notifier().AddHandler(
        core::TEventHandler::Of<&TfrmBreakpoints::BreakpointsChanged>(this));
    Reload();
}

TfrmBreakpoints::~TfrmBreakpoints() {
    veltrane_->BreakPoints().Notifier().RemoveHandler(
        core::TEventHandler::Of<&TfrmBreakpoints::BreakpointsChanged>(this));
}

void TfrmBreakpoints::BreakpointsChanged(const std::shared_ptr<core::IEvent>&) {
    Reload();
}

void TfrmBreakpoints::Reload() {
    const int selected = lvBreakpoints->ItemIndex();
    rows_ = BreakpointRows(*veltrane_);
    auto& items = lvBreakpoints->WideItems();
    items.Clear();
    for (const auto& row : rows_)
        items.Add(CheckMarkedLine(row.enabled, rtl::Utf8ToUtf16(row.module) + u" | " +
                                                   rtl::Utf8ToUtf16(row.line) + u" | " + row.condition));
    lvBreakpoints->SetItemIndex(std::min(selected, static_cast<int>(rows_.size()) - 1));
}

void TfrmBreakpoints::SetChecked(int index, bool checked) {
    rows_.at(static_cast<std::size_t>(index)).breakpoint->SetEnabled(checked);
}

engine::TBreakPoint* TfrmBreakpoints::Selected() const {
    const int index = lvBreakpoints->ItemIndex();
    return index < 0 ? nullptr : rows_[static_cast<std::size_t>(index)].breakpoint;
}

void TfrmBreakpoints::alFrameUpdate() {
    const bool selected = Selected() != nullptr;
    aViewSource->SetEnabled(selected);
    aBreakpointProperties->SetEnabled(selected);
    aDelete->SetEnabled(selected && lvBreakpoints->Focused());
}

void TfrmBreakpoints::aBreakpointPropertiesExecute() {
    if (auto* breakpoint = Selected()) EditBreakpointProperties(this, *breakpoint);
}

void TfrmBreakpoints::aDeleteExecute() {
    const auto* breakpoint = Selected();
    if (!breakpoint || !lvBreakpoints->Focused()) return;
    veltrane_->BreakPoints().Remove(breakpoint->RoutineName(), breakpoint->RoutineKind(), breakpoint->Line());
}

} // namespace app
