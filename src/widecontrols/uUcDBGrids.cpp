#include "widecontrols/uUcDBGrids.h"

#include "widecontrols/uUcComboSearch.h"
#include "widecontrols/uUcDB.h"

#include "platform/ui/Canvas.h"
#include "platform/ui/Clock.h"
#include "platform/ui/ListControls.h"

namespace widecontrols {

namespace {
// Text starts this far inside a cell.
constexpr int kTextInset = 2;
} // namespace

WideString TUcColumnTitle::Caption() const {
    if (!CaptionAssigned()) return DefaultCaption();
    return GetSyncedWideString(wideCaption_, ui::TColumnTitle::Caption());
}

void TUcColumnTitle::SetCaption(const WideString& value) {
    if (!Column()->IsStored()) {
        ui::TColumnTitle::SetCaption(WideToAnsi(value));
        return;
    }
    if (CaptionAssigned() && value == wideCaption_) return;
    SetSyncedWideString(value, wideCaption_, ui::TColumnTitle::Caption(),
                        [this](const std::string& text) { ui::TColumnTitle::SetCaption(text); });
}

void TUcColumnTitle::RestoreDefaults() {
    wideCaption_.clear();
    ui::TColumnTitle::RestoreDefaults();
}

WideString TUcCustomDBGrid::GetWideEditText(int dataCol) {
    data::TField* field =
        dataCol >= 0 && dataCol < Columns()->Count() ? Columns()->Items(dataCol)->Field() : nullptr;
    wideEditText_ = field ? GetFieldWideEditValue(field) : WideString();
    return wideEditText_;
}

ui::TInplaceEdit* TUcCustomDBGrid::CreateEditor() {
    return WithColumnPickLists(new TUcDBGridInplaceEdit(this));
}

std::unique_ptr<ui::TDBGridColumns> TUcCustomDBGrid::CreateColumns() {
    return std::make_unique<TUcDBGridColumns>(this);
}

void TUcCustomDBGrid::SetDataCellColors(int dataRow, ui::TColumn*, bool highlighted) {
    ui::TCanvas& canvas = *Canvas();
    // The stripes belong to screen rows, not to records.
    if (dataRow % 2 == 1) canvas.Brush()->SetColor(kStripeColor);
    if (!highlighted) return;
    canvas.Brush()->SetColor(kHighlightColor);
    canvas.Font()->SetColor(ui::clWhite);
}

void TUcCustomDBGrid::DefaultDrawColumnCell(const ui::TRect& rect, int, ui::TColumn* column,
                                            ui::TGridDrawState) {
    data::TField* field = column->Field();
    WriteText(rect, kTextInset, kTextInset, field ? GetFieldWideDisplayValue(field) : WideString(),
              column->Alignment());
}

void TUcCustomDBGrid::DrawTitleCell(const ui::TRect& rect, ui::TColumn* column, ui::TGridDrawState) {
    ui::TCanvas& canvas = *Canvas();
    const auto* title = static_cast<TUcColumn*>(column)->Title();
    canvas.Font()->Assign(title->Font());
    canvas.Brush()->SetColor(title->Color());
    WriteText(rect, kTextInset, kTextInset, title->Caption(), title->Alignment());
}

bool TPickListSearch::KeyPress(WideChar& key) {
    if (key == 8 || key == 27) {
        searchText_.clear();
        return false;
    }
    if (key < 32) return false;
    const uint32_t now = ui::GetTickCount();
    if (ui::TicksBetween(lastKeyTime_, now) > kPause) searchText_.clear();
    lastKeyTime_ = now;
    if (searchText_.size() < kMaxLength) searchText_ += key;
    key = 0;
    return true;
}

void TUcDBGridInplaceEdit::KeyPress(char16_t& key) {
    if (!ListVisible() || ActiveList() != PickList()) {
        ui::TInplaceEditList::KeyPress(key);
        return;
    }
    // The list has the keys while it is down: none of them edits the text.
    WideChar typed = key;
    key = 0;
    if (!search_.KeyPress(typed)) return;
    ui::TCustomListBox& list = *PickList();
    for (int i = 0; i < list.Count(); ++i)
        if (StartsWithIgnoringCase(Utf8ToWide(list.Items()[i]), search_.SearchText())) {
            list.SetItemIndex(i);
            return;
        }
}

int PickListDropDownHeight(int itemCount, int dropDownRows, int itemHeight) {
    const int rows = dropDownRows > 0 && dropDownRows <= itemCount ? dropDownRows : itemCount;
    return rows * itemHeight + 4;
}

} // namespace widecontrols
