// The docking setup dialog and how the framework opens, updates and closes it.
#pragma once

#include "docking/vzDockManager.h"
#include "platform/ui/Forms.h"

#include <optional>
#include <string>
#include <vector>

namespace ui {
class TButton;
class TCheckBox;
class TEdit;
class TListItem;
class TListView;
class TPageControl;
class TPanel;
class TTabSheet;
} // namespace ui

namespace docking {

// How the docking framework opens, updates and closes its setup dialog.
class IvzDockingManagerCustomizer {
public:
    virtual ~IvzDockingManagerCustomizer() = default;
    // False disables the showing forms that host docking managers; true enables them again.
    virtual void EnableForms(bool enable) = 0;
    // With the dialog open: shows the panel's row, its caption in editing when `rename`.
    virtual void SelectComponent(TvzCustomDockingControl* panel, bool rename) = 0;
    // Opens the dialog for `manager` on the page with `pageCaption` (shows), or closes it.
    virtual void Customize(TvzCustomDockingManager* manager, bool show, const std::string& pageCaption) = 0;
    // With the dialog open: the panel's row again.
    virtual void ComponentChanged(TvzCustomDockingControl* panel) = 0;
    virtual bool IsCustomizing() const = 0;
};

class TfrmDockingSetup;

// Opens one setup dialog at a time and keeps the docking forms disabled while it is open.
class TvzDockingManagerCustomizer : public IvzDockingManagerCustomizer {
public:
    ~TvzDockingManagerCustomizer() override;

    void EnableForms(bool enable) override;
    void SelectComponent(TvzCustomDockingControl* panel, bool rename) override;
    void Customize(TvzCustomDockingManager* manager, bool show, const std::string& pageCaption) override;
    void ComponentChanged(TvzCustomDockingControl* panel) override;
    bool IsCustomizing() const override { return customizing_; }

    TfrmDockingSetup* Dialog() const { return dialog_; }

private:
    friend class TfrmDockingSetup;
    // The dialog is being destroyed: the forms come back.
    void DialogGone();

    bool customizing_ = false;
    TfrmDockingSetup* dialog_ = nullptr;
    std::vector<ui::TCustomForm*> disabled_;
};

// The customizer every docking manager reports to.
TvzDockingManagerCustomizer& DockingCustomizer();

// Manages the panels of a docking manager, picks its painting style and changes its settings.
class TfrmDockingSetup : public ui::TForm {
public:
    // Raises an assertion failure without a manager. Panels are managed only while `designing`.
    TfrmDockingSetup(ui::TComponent* owner, TvzCustomDockingManager* manager, bool designing);
    ~TfrmDockingSetup() override;

    TvzCustomDockingManager* Manager() const { return manager_; }
    // The page with `caption` (the first when none has it).
    void SelectPage(const std::string& caption);
    // The panel's row, selected; its caption in editing when `rename`.
    void SelectPanel(TvzCustomDockingControl* panel, bool rename);
    // The panel's row shows its image, caption and state again.
    void RefreshPanel(TvzCustomDockingControl* panel);
    // Where the last closed dialog stood, for the next one.
    static std::optional<ui::TPoint> RememberedPosition();

    ui::TPageControl* pgcDockSetup;
    ui::TTabSheet* tsPanels;
    ui::TListView* lvPanels;
    ui::TButton* btnNew;
    ui::TButton* btnRename;
    ui::TButton* btnDelete;
    ui::TButton* btnShow;
    ui::TButton* btnHide;
    ui::TPanel* pnlSiteWarn;
    ui::TEdit* edCaption; // the in-place editor of a row's caption
    ui::TTabSheet* tsStyles;
    ui::TListView* lvStyles;
    ui::TButton* btnApply;
    ui::TPanel* pnlStyleWarn;
    ui::TTabSheet* tsSettings;
    ui::TCheckBox* chkAutoDrag;
    ui::TCheckBox* chkHide;
    ui::TCheckBox* chkUndock;
    ui::TCheckBox* chkMax;
    ui::TCheckBox* chkMenu;
    ui::TCheckBox* chkCustom;
    ui::TCheckBox* chkHelp;
    ui::TCheckBox* chkAutoHideButtons;
    ui::TCheckBox* chkShowHint;
    ui::TCheckBox* chkFloatOnTop;
    ui::TCheckBox* chkShowInside;
    ui::TCheckBox* chkShowVert;
    ui::TCheckBox* chkShowHor;
    ui::TButton* btnClose;

protected:
    void Notification(ui::TComponent* component, ui::TOperation operation) override;

private:
    void BuildPanelsPage();
    void BuildStylesPage();
    void BuildSettingsPage();
    ui::TCheckBox* AddCheckBox(ui::TWinControl* parent, const char* name, const char* caption, int top,
                               std::function<void(bool)> apply);

    void FillPanels();
    void FillStyles();
    void FillSettings();
    // The manager's own setup pages, each on a page of its own, and giving them back.
    void AddSetupPages();
    void ReturnSetupPages();
    void UpdatePanelButtons();
    void UpdateApply();
    TvzCustomDockingControl* SelectedPanel() const;
    ui::TListItem* RowOf(TvzCustomDockingControl* panel) const;
    static void ShowPanelRow(ui::TListItem* row, TvzCustomDockingControl* panel);

    void NewClick();
    void RenameClick();
    void DeleteClick();
    void ShowClick();
    void HideClick();
    void ApplyClick();
    void EndRename(bool accept);
    // The painting styles the manager may choose from: its style's manager.
    uistyle::TvzStyleManager* StyleManager() const;

    TvzCustomDockingManager* manager_;
    // Floating forms stay below the dialog while it is open; the choice applies on closing.
    bool floatOnTop_ = false;
    bool filling_ = false;
    std::vector<ui::TControl*> setupControls_;
};

} // namespace docking
