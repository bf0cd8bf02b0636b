// The string tree's in-place editor: an edit control over a cell's text.
#pragma once

#include "lazytree/LazyTreeEditLink.h"
#include "lazytree/LazyTreeTypes.h"
#include "platform/ui/Edits.h"

namespace lazytree {

class TCustomLazyStringTree;
class TVTEdit;

// The string tree's own in-place editor: an edit control over the cell's text that writes a changed
// text back through the tree's text setter. The text stays UTF-16 all the way.
class TStringEditLink : public IVTEditLink, public std::enable_shared_from_this<TStringEditLink> {
public:
    // The minimum width of the editor, so that a short text still leaves room to type.
    static constexpr int kMinWidth = 30;

    TStringEditLink();
    ~TStringEditLink() override;

    bool StartEditing() override;
    bool AbandonEditing() override;
    bool FinishEditing() override;
    bool PrepareEditing(TBaseLazyTree& tree, PLazyNode node, TColumnIndex column) override;
    ui::TRect EditorBounds() override;
    void ForwardMessage(ui::TMessage& message) override;
    void PlaceEditor(const ui::TRect& r) override;

    TVTEdit& Edit() const { return *edit_; }

private:
    friend class TVTEdit;

    TVTEdit* edit_; // freed by a posted call, never inside one of its own handlers
    TCustomLazyStringTree* tree_ = nullptr;
    PLazyNode node_ = nullptr;
    TColumnIndex column_ = NoColumn;
    TAlignment alignment_ = taLeftJustify;
    bool stopping_ = false;
};

// The edit control of a string edit link. While editing it holds the link, so that the link outlives
// whatever its key and focus handlers set off.
class TVTEdit : public ui::TEdit {
public:
    explicit TVTEdit(TStringEditLink& link);
    // Freed with the tree while it still edits, it leaves its link nothing to free.
    ~TVTEdit() override;

protected:
    void KeyDown(uint16_t& key, ui::TShiftState shift) override;
    void KeyPress(char16_t& key) override;
    void DoExit() override;

private:
    friend class TStringEditLink;
    std::shared_ptr<TStringEditLink> link_;
};

} // namespace lazytree
