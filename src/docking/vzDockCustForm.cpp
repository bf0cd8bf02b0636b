#include "docking/vzDockCustForm.h"

#include "docking/vzDockingManager.h"
#include "docking/vzDockingSite.h"
#include "docking/vzDockKeys.h"
#include "docking/vzDockTexts.h"
#include "docking/vzStyleManager.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Application.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Edits.h"
#include "platform/ui/KeyCodes.h"
#include "platform/ui/Labels.h"
#include "platform/ui/ListViews.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"

#include <algorithm>

namespace docking {

using namespace ui;

namespace {

std::optional<TPoint> lastPosition;

constexpr int kButtonLeft = 280, kButtonWidth = 75, kButtonHeight = 25, kRowHeight = 18;

// The top of check box `row` in a group.
constexpr int RowTop(int row) {
    return 20 + row * kRowHeight;
}

std::string StateText(TvzDockState state) {
    const char* name = state == dsHidden   ? texts::sStateHidden
                       : state == dsDocked ? texts::sStateDocked
                                           : texts::sStateUndocked;
    return std::string("[") + name + "]";
}

TButton* AddButton(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int top,
                   std::function<void()> click) {
    auto* button = new TButton(owner);
    button->SetName(name);
    button->SetParent(parent);
    button->SetCaption(caption);
    button->SetBounds(kButtonLeft, top, kButtonWidth, kButtonHeight);
    button->OnClick = [click = std::move(click)](TObject*) { click(); };
    return button;
}

TTabSheet* AddPage(TComponent* owner, TPageControl* pages, const char* name, const char* caption) {
    auto* page = new TTabSheet(owner);
    page->SetName(name);
    page->SetCaption(caption);
    page->SetPageControl(pages);
    return page;
}

// An info-coloured note along the bottom of a page.
TPanel* AddNote(TComponent* owner, TWinControl* parent, const char* name, const char* text) {
    auto* note = new TPanel(owner);
    note->SetName(name);
    note->SetParent(parent);
    note->SetAlign(alBottom);
    note->SetHeight(36);
    note->SetColor(clInfoBk);
    auto* label = new TLabel(owner);
    label->SetParent(note);
    label->SetAlign(alClient);
    label->SetWordWrap(true);
    label->SetCaption(text);
    return note;
}

TListView* AddList(TComponent* owner, TWinControl* parent, const char* name, int top) {
    auto* list = new TListView(owner);
    list->SetName(name);
    list->SetParent(parent);
    list->SetViewStyle(vsReport);
    list->SetShowColumnHeaders(false);
    list->SetRowSelect(true);
    list->SetBounds(8, top, 264, 200 - top);
    return list;
}

// A titled frame of check boxes.
TPanel* AddGroup(TComponent* owner, TWinControl* parent, const char* caption, int top, int rows) {
    auto* group = new TPanel(owner);
    group->SetParent(parent);
    group->SetBounds(8, top, 344, 24 + rows * kRowHeight);
    group->SetBevelOuter(bvLowered);
    auto* title = new TLabel(owner);
    title->SetParent(group);
    title->SetBounds(6, 3, 200, 16);
    title->SetCaption(caption);
    return group;
}

} // namespace

// ---- TvzDockingManagerCustomizer ----

TvzDockingManagerCustomizer& DockingCustomizer() {
    static TvzDockingManagerCustomizer customizer;
    return customizer;
}

TvzDockingManagerCustomizer::~TvzDockingManagerCustomizer() {
    if (dialog_) delete dialog_;
}

void TvzDockingManagerCustomizer::EnableForms(bool enable) {
    if (enable) {
        // Only forms that still exist come back.
        for (int i = 0; Screen && i < Screen->FormCount(); ++i)
            if (std::ranges::find(disabled_, Screen->Forms(i)) != disabled_.end())
                Screen->Forms(i)->SetEnabled(true);
        disabled_.clear();
        return;
    }
    for (int i = 0; Screen && i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form == dialog_ || !form->HandleAllocated() || !form->Showing() || !form->Enabled()) continue;
        if (!FindFormDockingManager(form)) continue;
        form->SetEnabled(false);
        disabled_.push_back(form);
    }
}

void TvzDockingManagerCustomizer::SelectComponent(TvzCustomDockingControl* panel, bool rename) {
    if (dialog_) dialog_->SelectPanel(panel, rename);
}

void TvzDockingManagerCustomizer::Customize(TvzCustomDockingManager* manager, bool show,
                                            const std::string& pageCaption) {
    if (!show) {
        customizing_ = false;
        if (dialog_ && !dialog_->IsDestroying()) dialog_->Release();
        return;
    }
    if (!dialog_) {
        customizing_ = true;
        EnableForms(false);
        dialog_ =
            new TfrmDockingSetup(ui::Application, manager, manager->ComponentState().Contains(csDesigning));
    }
    dialog_->SelectPage(pageCaption);
    dialog_->Show();
    dialog_->BringToFront();
    dialog_->SetFocus();
}

void TvzDockingManagerCustomizer::ComponentChanged(TvzCustomDockingControl* panel) {
    if (dialog_) dialog_->RefreshPanel(panel);
}

void TvzDockingManagerCustomizer::DialogGone() {
    dialog_ = nullptr;
    customizing_ = false;
    EnableForms(true);
}

// ---- TfrmDockingSetup ----

TfrmDockingSetup::TfrmDockingSetup(TComponent* owner, TvzCustomDockingManager* manager, bool designing)
    : TForm(owner), manager_(manager) {
    if (!manager_) throw rtl::EAssertionFailed("Assertion failure (vzDockCustForm)");
    BeginLoading();
    SetName("frmDockingSetup");
    SetCaption("Docking Setup");
    SetFormBorderStyle(bsDialog);
    SetKeyPreview(true);
    SetClientSize(368, 301);
    SetSizeConstraints(376, 306, 0, 0);
    if (lastPosition) {
        SetPosition(poDesigned);
        SetBounds(lastPosition->X, lastPosition->Y, Width(), Height());
    } else {
        SetPosition(poScreenCenter);
    }

    pgcDockSetup = new TPageControl(this);
    pgcDockSetup->SetName("pgcDockSetup");
    pgcDockSetup->SetParent(this);
    pgcDockSetup->SetBounds(0, 0, 368, 260);
    BuildPanelsPage();
    BuildStylesPage();
    BuildSettingsPage();

    btnClose = new TButton(this);
    btnClose->SetName("btnClose");
    btnClose->SetParent(this);
    btnClose->SetCaption("&Close");
    btnClose->SetBounds(285, 268, kButtonWidth, kButtonHeight);
    btnClose->SetDefault(true);
    btnClose->OnClick = [this](TObject*) { Close(); };
    OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
        if (key != VK_ESCAPE) return;
        if (edCaption->Visible())
            EndRename(false);
        else
            Close();
        key = 0;
    };
    OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    EndLoading();

    manager_->FreeNotification(this);
    if (manager_->Owner()) manager_->Owner()->FreeNotification(this);
    if (auto* manager = dynamic_cast<TvzDockingManager*>(manager_)) {
        floatOnTop_ = manager->FloatingFormOnTop();
        manager->SetFloatingFormOnTop(false);
    }
    if (!designing) tsPanels->SetPageControl(nullptr);
    FillPanels();
    FillStyles();
    FillSettings();
    if (!designing) AddSetupPages();
    pgcDockSetup->SetActivePageIndex(0);
}

TfrmDockingSetup::~TfrmDockingSetup() {
    Destroying();
    lastPosition = TPoint{Left(), Top()};
    ReturnSetupPages();
    if (auto* manager = dynamic_cast<TvzDockingManager*>(manager_))
        manager->SetFloatingFormOnTop(floatOnTop_);
    if (DockingCustomizer().dialog_ == this) DockingCustomizer().DialogGone();
}

std::optional<TPoint> TfrmDockingSetup::RememberedPosition() {
    return lastPosition;
}

void TfrmDockingSetup::Notification(TComponent* component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation != opRemove) return;
    std::erase(setupControls_, component);
    if (!manager_) return;
    if (component == manager_ || component == manager_->Owner()) {
        ReturnSetupPages();
        manager_ = nullptr;
        Release();
    }
}

// ---- Pages ----

void TfrmDockingSetup::BuildPanelsPage() {
    tsPanels = AddPage(this, pgcDockSetup, "tsPanels", "Panels");
    lvPanels = AddList(this, tsPanels, "lvPanels", 8);
    lvPanels->Columns().Add()->SetCaption("Caption");
    lvPanels->Columns()[0]->SetWidth(180);
    TListColumn* visible = lvPanels->Columns().Add();
    visible->SetCaption("Visible");
    visible->SetAlignment(ui::taCenter);
    visible->SetWidth(70);
    lvPanels->OnSelectItem = [this](TObject*, TListItem*, bool) { UpdatePanelButtons(); };
    btnNew = AddButton(this, tsPanels, "btnNew", "&New...", 8, [this] { NewClick(); });
    btnRename = AddButton(this, tsPanels, "btnRename", "&Rename...", 38, [this] { RenameClick(); });
    btnDelete = AddButton(this, tsPanels, "btnDelete", "&Delete", 68, [this] { DeleteClick(); });
    btnShow = AddButton(this, tsPanels, "btnShow", "&Show", 108, [this] { ShowClick(); });
    btnHide = AddButton(this, tsPanels, "btnHide", "&Hide", 138, [this] { HideClick(); });
    pnlSiteWarn = AddNote(this, tsPanels, "pnlSiteWarn",
                          "Link a vzDockingSite component to this vzDockingManager to add components or "
                          "frames to the panels.");

    edCaption = new TEdit(this);
    edCaption->SetName("edCaption");
    edCaption->SetParent(tsPanels);
    edCaption->SetBounds(10, 10, 180, 21);
    edCaption->SetVisible(false);
    edCaption->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
        if (key == VK_RETURN) {
            EndRename(true);
            key = 0;
        }
    };
}

void TfrmDockingSetup::BuildStylesPage() {
    tsStyles = AddPage(this, pgcDockSetup, "tsStyles", "Interface");
    auto* label = new TLabel(this);
    label->SetParent(tsStyles);
    label->SetBounds(8, 8, 200, 16);
    label->SetCaption("Visual &Styles:");
    lvStyles = AddList(this, tsStyles, "lvStyles", 26);
    lvStyles->Columns().Add()->SetWidth(240);
    lvStyles->OnSelectItem = [this](TObject*, TListItem*, bool) { UpdateApply(); };
    label->SetFocusControl(lvStyles);
    btnApply = AddButton(this, tsStyles, "btnApply", "&Apply", 26, [this] { ApplyClick(); });
    pnlStyleWarn = AddNote(this, tsStyles, "pnlStyleWarn",
                           "Assign the StyleManager property to enable styles management.");
}

TCheckBox* TfrmDockingSetup::AddCheckBox(TWinControl* parent, const char* name, const char* caption, int top,
                                         std::function<void(bool)> apply) {
    auto* box = new TCheckBox(this);
    box->SetName(name);
    box->SetParent(parent);
    box->SetCaption(caption);
    box->SetBounds(12, top, 320, 18);
    box->OnClick = [this, box, apply = std::move(apply)](TObject*) {
        if (!filling_ && manager_) apply(box->Checked());
    };
    return box;
}

void TfrmDockingSetup::BuildSettingsPage() {
    tsSettings = AddPage(this, pgcDockSetup, "tsSettings", "Settings");
    chkAutoDrag = AddCheckBox(tsSettings, "chkAutoDrag", "&Auto drag docking", 6,
                              [this](bool on) { manager_->SetAutoDragDocking(on); });
    const auto button = [this](TvzDockButtonItem item) {
        return [this, item](bool on) {
            TvzDockButtonItems buttons = manager_->CaptionButtons();
            on ? buttons.Include(item) : buttons.Exclude(item);
            manager_->SetCaptionButtons(buttons);
        };
    };
    TPanel* buttons = AddGroup(this, tsSettings, " Caption buttons ", 26, 5);
    chkHide = AddCheckBox(buttons, "chkHide", "Hi&de", RowTop(0), button(dbiHide));
    chkUndock = AddCheckBox(buttons, "chkUndock", "&Undock", RowTop(1), button(dbiUndock));
    chkMax = AddCheckBox(buttons, "chkMax", "Ma&ximize/Restore", RowTop(2), button(dbiMaximizeRestore));
    chkMenu = AddCheckBox(buttons, "chkMenu", "&Menu", RowTop(3), button(dbiMenu));
    chkCustom = AddCheckBox(buttons, "chkCustom", "Cus&tom", RowTop(4), button(dbiCustom));
    chkHelp = AddCheckBox(buttons, "chkHelp", "H&elp", RowTop(0), button(dbiHelp));
    chkAutoHideButtons = AddCheckBox(buttons, "chkAutoHideButtons", "Show di&sabled buttons", RowTop(1),
                                     [this](bool on) { manager_->SetShowDisabledButtons(on); });
    chkShowHint = AddCheckBox(buttons, "chkShowHint", "Show button &hint", RowTop(2),
                              [this](bool on) { manager_->SetShowDockButtonHint(on); });
    for (TCheckBox* right : {chkHelp, chkAutoHideButtons, chkShowHint})
        right->SetBounds(172, right->Top(), 166, 18);
    for (TCheckBox* left : {chkHide, chkUndock, chkMax, chkMenu, chkCustom})
        left->SetWidth(156);

    chkFloatOnTop = AddCheckBox(tsSettings, "chkFloatOnTop", "&Floating forms always on top", 144,
                                [this](bool on) { floatOnTop_ = on; });

    const auto caption = [this](TvzContainerType type) {
        return [this, type](bool on) {
            TvzContainerTypes types = manager_->ShowContainerCaption();
            on ? types.Include(type) : types.Exclude(type);
            manager_->SetShowContainerCaption(types);
        };
    };
    TPanel* captions = AddGroup(this, tsSettings, " Show container captions ", 166, 2);
    chkShowInside =
        AddCheckBox(captions, "chkShowInside", "&Inside container", RowTop(0), caption(cntInside));
    chkShowVert =
        AddCheckBox(captions, "chkShowVert", "&Vertical container", RowTop(1), caption(cntVertical));
    chkShowHor =
        AddCheckBox(captions, "chkShowHor", "Hori&zontal container", RowTop(0), caption(cntHorizontal));
    chkShowHor->SetBounds(172, chkShowHor->Top(), 166, 18);
    for (TCheckBox* left : {chkShowInside, chkShowVert})
        left->SetWidth(156);
}

// ---- Filling ----

void TfrmDockingSetup::ShowPanelRow(TListItem* row, TvzCustomDockingControl* panel) {
    row->SetData(panel);
    row->SetImageIndex(panel->ImageIndex());
    row->SetCaption(panel->Caption());
    if (row->SubItems().Count() == 0)
        row->SubItems().Add(StateText(panel->DockState()));
    else
        row->SubItems().SetString(0, StateText(panel->DockState()));
}

void TfrmDockingSetup::FillPanels() {
    lvPanels->SetSmallImages(manager_->Images());
    lvPanels->Items().Clear();
    const TvzDockingControls& items = manager_->Items();
    for (int i = 0; i < items.PanelCount(); ++i)
        ShowPanelRow(lvPanels->Items().Add(), items.Panels(i));
    if (lvPanels->Items().Count() > 0) lvPanels->SetItemIndex(0);
    bool hasSite = false;
    for (TvzCustomDockingSite* site : manager_->Sites())
        hasSite = hasSite || dynamic_cast<TvzDockingSite*>(site);
    pnlSiteWarn->SetVisible(!hasSite);
    UpdatePanelButtons();
}

uistyle::TvzStyleManager* TfrmDockingSetup::StyleManager() const {
    return manager_->Style() ? manager_->Style()->ParentManager() : nullptr;
}

void TfrmDockingSetup::FillStyles() {
    lvStyles->Items().Clear();
    uistyle::TvzStyleManager* styles = StyleManager();
    pnlStyleWarn->SetVisible(!styles);
    if (styles) {
        for (int i = 0; i < styles->Items()->Count(); ++i) {
            TListItem* row = lvStyles->Items().Add();
            row->SetCaption(styles->Items()->Names(i));
            row->SetData(styles->Items()->Styles(i));
            if (styles->Items()->Styles(i) == manager_->Style()) row->SetSelected(true);
        }
    }
    UpdateApply();
}

void TfrmDockingSetup::FillSettings() {
    filling_ = true;
    const TvzDockButtonItems buttons = manager_->CaptionButtons();
    const TvzContainerTypes captions = manager_->ShowContainerCaption();
    chkAutoDrag->SetChecked(manager_->AutoDragDocking());
    chkHide->SetChecked(buttons.Contains(dbiHide));
    chkUndock->SetChecked(buttons.Contains(dbiUndock));
    chkMax->SetChecked(buttons.Contains(dbiMaximizeRestore));
    chkMenu->SetChecked(buttons.Contains(dbiMenu));
    chkCustom->SetChecked(buttons.Contains(dbiCustom));
    chkHelp->SetChecked(buttons.Contains(dbiHelp));
    chkAutoHideButtons->SetChecked(manager_->ShowDisabledButtons());
    chkShowHint->SetChecked(manager_->ShowDockButtonHint());
    chkShowInside->SetChecked(captions.Contains(cntInside));
    chkShowVert->SetChecked(captions.Contains(cntVertical));
    chkShowHor->SetChecked(captions.Contains(cntHorizontal));
    chkFloatOnTop->SetChecked(floatOnTop_);
    filling_ = false;
}

void TfrmDockingSetup::AddSetupPages() {
    for (const TvzCustomDockingManager::TvzSetupPage& setup : manager_->SetupPages()) {
        TTabSheet* page = AddPage(this, pgcDockSetup, "", setup.caption.c_str());
        setup.control->SetParent(page);
        setup.control->SetAlign(alClient);
        setup.control->SetVisible(true);
        setup.control->FreeNotification(this);
        setupControls_.push_back(setup.control);
    }
}

void TfrmDockingSetup::ReturnSetupPages() {
    for (TControl* control : setupControls_) {
        control->RemoveFreeNotification(this);
        control->SetAlign(alNone);
        control->SetParent(nullptr);
    }
    setupControls_.clear();
}

void TfrmDockingSetup::UpdatePanelButtons() {
    const bool selected = lvPanels->Selected() != nullptr;
    for (TButton* button : {btnRename, btnDelete, btnShow, btnHide})
        button->SetEnabled(selected);
}

void TfrmDockingSetup::UpdateApply() {
    const TListItem* row = lvStyles->Selected();
    btnApply->SetEnabled(row && manager_ && row->Data() != manager_->Style());
}

TvzCustomDockingControl* TfrmDockingSetup::SelectedPanel() const {
    const TListItem* row = lvPanels->Selected();
    return row ? static_cast<TvzCustomDockingControl*>(row->Data()) : nullptr;
}

TListItem* TfrmDockingSetup::RowOf(TvzCustomDockingControl* panel) const {
    for (int i = 0; i < lvPanels->Items().Count(); ++i)
        if (lvPanels->Items()[i]->Data() == panel) return lvPanels->Items()[i];
    return nullptr;
}

// ---- Commands ----

void TfrmDockingSetup::SelectPage(const std::string& caption) {
    for (int i = 0; i < pgcDockSetup->PageCount(); ++i)
        if (pgcDockSetup->Pages(i)->Caption() == caption) {
            pgcDockSetup->SetActivePageIndex(i);
            return;
        }
    pgcDockSetup->SetActivePageIndex(0);
}

void TfrmDockingSetup::SelectPanel(TvzCustomDockingControl* panel, bool rename) {
    if (!tsPanels->PageControl()) return;
    pgcDockSetup->SetActivePage(tsPanels);
    TListItem* row = RowOf(panel);
    if (!row) return;
    lvPanels->SetSelected(row);
    UpdatePanelButtons();
    if (rename) RenameClick();
}

void TfrmDockingSetup::RefreshPanel(TvzCustomDockingControl* panel) {
    if (TListItem* row = RowOf(panel)) ShowPanelRow(row, panel);
}

void TfrmDockingSetup::NewClick() {
    TvzCustomDockingControl* panel = manager_->CreateDockingControl();
    if (panel->Owner()) panel->SetName(UniqueName("vzDockingControl", panel->Owner()));
    panel->SetCaption(panel->Name());
    panel->MakeVisible();
    TListItem* row = lvPanels->Items().Add();
    ShowPanelRow(row, panel);
    lvPanels->SetSelected(row);
    UpdatePanelButtons();
}

void TfrmDockingSetup::RenameClick() {
    TvzCustomDockingControl* panel = SelectedPanel();
    if (!panel) return;
    edCaption->SetText(panel->Caption());
    edCaption->SetVisible(true);
    edCaption->BringToFront();
    if (Showing()) edCaption->SetFocus();
    edCaption->SelectAll();
    btnClose->SetDefault(false);
}

void TfrmDockingSetup::EndRename(bool accept) {
    edCaption->SetVisible(false);
    btnClose->SetDefault(true);
    TvzCustomDockingControl* panel = SelectedPanel();
    if (!accept || !panel) return;
    panel->SetCaption(edCaption->Text());
    RefreshPanel(panel);
}

void TfrmDockingSetup::DeleteClick() {
    TListItem* row = lvPanels->Selected();
    if (!row) return;
    const int index = row->Index(), count = lvPanels->Items().Count();
    delete static_cast<TvzCustomDockingControl*>(row->Data());
    row->Delete();
    // The row after it, or the one before it when it was the last.
    if (count >= 2) lvPanels->SetItemIndex(std::min(index, count - 2));
    UpdatePanelButtons();
}

void TfrmDockingSetup::ShowClick() {
    if (TvzCustomDockingControl* panel = SelectedPanel()) {
        panel->MakeVisible();
        RefreshPanel(panel);
    }
}

void TfrmDockingSetup::HideClick() {
    TvzCustomDockingControl* panel = SelectedPanel();
    if (!panel) return;
    if (pnlSiteWarn->Visible()) throw EvzDocking(texts::sSiteWithoutManager);
    panel->Hide();
    RefreshPanel(panel);
}

void TfrmDockingSetup::ApplyClick() {
    const TListItem* row = lvStyles->Selected();
    if (!row) return;
    manager_->SetStyle(static_cast<uistyle::TvzDockingUIStyle*>(row->Data()));
    UpdateApply();
    if (Showing()) lvStyles->SetFocus();
}

} // namespace docking
