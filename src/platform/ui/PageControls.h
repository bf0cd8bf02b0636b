// Tab controls: a row of tabs over a display area. A tab control only tells which tab was chosen;
// a page control shows one of its tab sheets there.
#pragma once

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ImageList.h"

#include <memory>
#include <vector>

namespace ui {

class TPageControl;
class TTabBarHost;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    // Puts the sheet on a page control (as its last page), or takes it off.
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;
    void SetPageIndex(int index);
    // The sheet's tab shows its Caption and this image of the page control's Images.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // A sheet without a tab can still be the active page.
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);
    // Where its tab is among the visible tabs, or -1.
    int TabIndex() const;

    void WndProc(TMessage& message) override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    int imageIndex_ = -1;
    bool tabVisible_ = true;
};

enum TTabPosition { tpTop, tpBottom };

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

// What every tab control shares: the tab row over or under the display area, its images, and the
// OnChanging/OnChange pair around a tab the user chose.
class TCustomTabControl : public TWinControl {
public:
    explicit TCustomTabControl(TComponent* owner);
    ~TCustomTabControl() override;

    TTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition position);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);

    // The area inside the tabs and the frame, in client coordinates.
    TRect DisplayRect() const;
    int TabHeight() const;
    // The visible tab at a client point, or -1; the rectangle of a visible tab.
    int IndexOfTabAt(int x, int y) const;
    TRect TabRect(int tabIndex) const;

    // The user is about to choose another tab: clearing allowChange keeps the current one.
    TTabChangingEvent OnChanging;
    // The user chose another tab.
    TNotifyEvent OnChange;

    void AlignControls(TControl* changed, TRect& rect) override;
    void WndProc(TMessage& message) override;

protected:
    // The tabs the row shows, their images (-1: none) and the current one (-1: none).
    virtual int TabCount() const = 0;
    virtual std::string TabCaption(int tabIndex) const = 0;
    virtual int TabImageIndex(int) const { return -1; }
    virtual int CurrentTab() const = 0;
    // A click on another tab, which OnChanging allowed; the descendant makes it current.
    virtual void TabChosen(int tabIndex) = 0;

    QWidget* CreateWidget(QWidget* parentWidget) override;
    void PaintWindow(TCanvas& canvas, const TRect& updateRect) override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual bool CanChange();
    virtual void Change();
    // The tab row shows the tabs again.
    void UpdateTabs();
    // The row's current tab follows CurrentTab.
    void ShowCurrentTab();
    // Frees the tab row before a descendant's parts go.
    void DestroyTabs();

private:
    void PlaceTabBar();

    TTabPosition tabPosition_ = tpTop;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    std::unique_ptr<TTabBarHost> tabBar_;
};

// Tabs of plain captions; the application shows what the chosen tab stands for.
class TTabControl : public TCustomTabControl {
public:
    explicit TTabControl(TComponent* owner);
    ~TTabControl() override;

    // The captions; changing them shows at once.
    rtl::TStringList& Tabs() { return tabs_; }
    // The current tab, -1 for none; setting it from code fires no event.
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int value);

protected:
    int TabCount() const override { return tabs_.Count(); }
    std::string TabCaption(int tabIndex) const override { return tabs_[tabIndex]; }
    int TabImageIndex(int tabIndex) const override { return tabIndex; }
    int CurrentTab() const override { return tabIndex_; }
    void TabChosen(int tabIndex) override;

private:
    rtl::TStringList tabs_;
    int tabIndex_ = -1;
};

class TPageControl : public TCustomTabControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const { return activePage_; }
    // Showing another page from code fires no event.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // The next (or previous) page with a visible tab after `current`, wrapping round; null if none.
    TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
    void SelectNextPage(bool goForward, bool checkTabVisible = true);
    // The page of a visible tab.
    TTabSheet* PageOfTab(int tabIndex) const;

    void AlignControls(TControl* changed, TRect& rect) override;
    void WndProc(TMessage& message) override;

protected:
    int TabCount() const override;
    std::string TabCaption(int tabIndex) const override { return PageOfTab(tabIndex)->Caption(); }
    int TabImageIndex(int tabIndex) const override { return PageOfTab(tabIndex)->ImageIndex(); }
    int CurrentTab() const override { return activePage_ ? activePage_->TabIndex() : -1; }
    void TabChosen(int tabIndex) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void ShowActivePage();

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
};

} // namespace ui
