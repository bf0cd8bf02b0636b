// A page control: a row of tabs over a stack of tab sheets, one shown at a time.
#pragma once

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

class TPageControl : public TWinControl {
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

    TTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition position);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);

    // The area the pages fill, in client coordinates.
    TRect DisplayRect() const;
    int TabHeight() const;
    // The visible tab at a client point, or -1; the rectangle of a visible tab.
    int IndexOfTabAt(int x, int y) const;
    TRect TabRect(int tabIndex) const;
    // The page of a visible tab.
    TTabSheet* PageOfTab(int tabIndex) const;

    // The user is about to change the page: clearing allowChange keeps the current one.
    TTabChangingEvent OnChanging;
    // The user changed the page.
    TNotifyEvent OnChange;

    void AlignControls(TControl* changed, TRect& rect) override;
    void WndProc(TMessage& message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void PaintWindow(TCanvas& canvas, const TRect& updateRect) override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual bool CanChange();
    virtual void Change();

private:
    friend class TTabSheet;
    friend class TTabBarHost;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void ShowActivePage();
    // The tab bar shows the pages' tabs again.
    void UpdateTabs();
    // A click on a tab: the page changes if OnChanging allows it.
    void UserChoseTab(int tabIndex);

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    TTabPosition tabPosition_ = tpTop;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    std::unique_ptr<TTabBarHost> tabBar_;
};

} // namespace ui
