#include "lazytree/StringEditLink.h"

#include "lazytree/LazyStringTree.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/KeyCodes.h"
#include "platform/ui/PostedCalls.h"

#include <algorithm>

namespace lazytree {

TStringEditLink::TStringEditLink() : edit_(new TVTEdit(*this)) {
    edit_->SetVisible(false);
}

TStringEditLink::~TStringEditLink() {
    TVTEdit* edit = edit_;
    if (!edit) return;
    edit->link_.reset();
    edit->SetVisible(false);
    ui::PostCall(edit, [edit] { delete edit; });
}

bool TStringEditLink::PrepareEditing(TBaseLazyTree& tree, PLazyNode node, TColumnIndex column) {
    auto* stringTree = dynamic_cast<TCustomLazyStringTree*>(&tree);
    if (!stringTree) return false;
    tree_ = stringTree;
    node_ = node;
    column_ = column;
    edit_->Font()->Assign(tree.Font());
    edit_->Font()->SetColor(ui::clWindowText);
    edit_->SetParent(&tree);
    edit_->HandleNeeded();
    edit_->SetText(rtl::Utf16ToUtf8(stringTree->GetText(node, column)));
    edit_->SetModified(false);
    const auto& columns = tree.Header().Columns();
    alignment_ = columns.IsValidColumn(column) ? static_cast<TAlignment>(columns[column].Look().Alignment)
                                               : tree.Tree().Alignment();
    return true;
}

bool TStringEditLink::StartEditing() {
    if (stopping_) return false;
    edit_->link_ = shared_from_this();
    edit_->Show();
    edit_->SelectAll();
    edit_->SetFocus();
    return true;
}

bool TStringEditLink::FinishEditing() {
    if (stopping_) return false;
    auto keep = shared_from_this();
    stopping_ = true;
    if (edit_->Modified()) {
        try {
            tree_->SetText(node_, column_, rtl::Utf8ToUtf16(edit_->Text()));
        } catch (...) {
            stopping_ = false;
            throw;
        }
    }
    edit_->Hide();
    edit_->link_.reset();
    return true;
}

bool TStringEditLink::AbandonEditing() {
    if (stopping_) return false;
    auto keep = shared_from_this();
    stopping_ = true;
    edit_->Hide();
    edit_->link_.reset();
    return true;
}

ui::TRect TStringEditLink::EditorBounds() {
    return edit_->BoundsRect();
}

void TStringEditLink::ForwardMessage(ui::TMessage& message) {
    edit_->WindowProc(message);
}

void TStringEditLink::PlaceEditor(const ui::TRect& r) {
    if (stopping_) return;
    ui::TRect bounds = r;
    bounds.Left = std::max(bounds.Left, 0);
    if (bounds.Width() < kMinWidth) {
        if (alignment_ == taRightJustify)
            bounds.Left = bounds.Right - kMinWidth;
        else
            bounds.Right = bounds.Left + kMinWidth;
    }
    bounds.Right = std::min(bounds.Right, tree_->ClientWidth());
    edit_->SetBoundsRect(bounds);
}

TVTEdit::TVTEdit(TStringEditLink& link) : ui::TEdit(nullptr) {
    SetShowHint(false);
    SetParentShowHint(false);
}

TVTEdit::~TVTEdit() {
    ui::CancelPostedCalls(this);
    if (link_) link_->edit_ = nullptr;
}

void TVTEdit::KeyDown(uint16_t& key, ui::TShiftState shift) {
    if (link_ && (key == ui::VK_RETURN || key == ui::VK_ESCAPE)) {
        TCustomLazyStringTree* tree = link_->tree_;
        const bool multiline = link_->node_->States.Contains(nsMultiline);
        if (key == ui::VK_ESCAPE) {
            tree->CancelEditNode();
        } else if (!multiline || shift.Contains(ui::ssCtrl)) {
            tree->EndEditNode();
        } else {
            ui::TEdit::KeyDown(key, shift);
            return;
        }
        // The link may be gone now; this control lives on until its posted release.
        key = 0;
        tree->SetFocus();
        return;
    }
    ui::TEdit::KeyDown(key, shift);
}

void TVTEdit::KeyPress(char16_t& key) {
    // Tab and Esc would only beep in an edit.
    if (key == u'\t' || key == 0x1B) key = 0;
    ui::TEdit::KeyPress(key);
}

void TVTEdit::DoExit() {
    if (link_ && !link_->stopping_) {
        TCustomLazyStringTree* tree = link_->tree_;
        if (tree->StringOptions().Contains(toAutoAcceptEditChange))
            tree->EndEditNode();
        else
            tree->CancelEditNode();
    }
    ui::TEdit::DoExit();
}

} // namespace lazytree
