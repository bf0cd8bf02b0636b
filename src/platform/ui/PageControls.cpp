#include "platform/ui/PageControls.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/Edges.h"
#include "platform/ui/QtBridge.h"
#include "platform/ui/WidgetBridge.h"

#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QSignalBlocker>
#include <QTabBar>

#include <algorithm>

namespace ui {

// The tab row: a Qt tab bar whose mouse events become the page control's messages.
class TTabBarHost : public QObject {
public:
    explicit TTabBarHost(TCustomTabControl* control) : control_(control) {}
    ~TTabBarHost() override { delete bar_.data(); }

    QTabBar* Bar() const { return bar_.data(); }
    void Create(QWidget* parent) {
        bar_ = new QTabBar(parent);
        bar_->setPalette(SystemPalette());
        bar_->setDrawBase(false);
        bar_->setExpanding(false);
        bar_->setUsesScrollButtons(true);
        bar_->setFocusPolicy(Qt::NoFocus);
        bar_->setMouseTracking(true);
        bar_->installEventFilter(this);
        bar_->show();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // Only mouse events: the bar may be half destroyed when it sends the others.
        auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (!mouse || watched != bar_) return false;
        uint32_t msg = WM_NULL;
        const bool left = mouse->button() == Qt::LeftButton, right = mouse->button() == Qt::RightButton;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            msg = left ? WM_LBUTTONDOWN : right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
            break;
        case QEvent::MouseButtonRelease:
            msg = left ? WM_LBUTTONUP : right ? WM_RBUTTONUP : WM_MBUTTONUP;
            break;
        case QEvent::MouseButtonDblClick:
            msg = left ? WM_LBUTTONDBLCLK : right ? WM_RBUTTONDBLCLK : WM_MBUTTONDBLCLK;
            break;
        case QEvent::MouseMove:
            msg = WM_MOUSEMOVE;
            break;
        default:
            return false;
        }
        uintptr_t keys = 0;
        if (mouse->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
        if (mouse->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
        if (mouse->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
        if (mouse->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
        const TPoint client = FromQPoint(bar_->mapTo(bar_->parentWidget(), mouse->position().toPoint()));
        control_->Perform(msg, keys, PointToLParam(client));
        // The tab control decides what a click on a tab does.
        return msg != WM_MOUSEMOVE;
    }

private:
    TCustomTabControl* control_;
    QPointer<QTabBar> bar_;
};

// ---------------------------------------------------------------------------------------------------
// TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    SetColor(clBtnFace);
    SetVisible(false);
}

TTabSheet::~TTabSheet() {
    Destroying();
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    if (pageControl) pageControl->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
    if (!pageControl_) return;
    auto& pages = pageControl_->pages_;
    pages.erase(pages.begin() + PageIndex());
    index = std::clamp(index, 0, static_cast<int>(pages.size()));
    pages.insert(pages.begin() + index, this);
    pageControl_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
    if (!pageControl_ || !tabVisible_) return -1;
    int tab = 0;
    for (TTabSheet* page : pageControl_->pages_) {
        if (page == this) return tab;
        if (page->tabVisible_) ++tab;
    }
    return -1;
}

void TTabSheet::SetImageIndex(int index) {
    imageIndex_ = index;
    if (pageControl_) pageControl_->UpdateTabs();
}

void TTabSheet::SetTabVisible(bool value) {
    tabVisible_ = value;
    if (pageControl_) pageControl_->UpdateTabs();
}

void TTabSheet::WndProc(TMessage& message) {
    TWinControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED && pageControl_) pageControl_->UpdateTabs();
}

// ---------------------------------------------------------------------------------------------------
// TCustomTabControl

TCustomTabControl::TCustomTabControl(TComponent* owner)
    : TWinControl(owner), imageLink_(std::make_unique<TChangeLink>()),
      tabBar_(std::make_unique<TTabBarHost>(this)) {
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 289, 193);
    imageLink_->OnChange = [this](TObject*) { UpdateTabs(); };
}

TCustomTabControl::~TCustomTabControl() {
    Destroying();
    SetImages(nullptr);
    DestroyTabs();
}

void TCustomTabControl::DestroyTabs() {
    tabBar_.reset();
}

void TCustomTabControl::SetTabPosition(TTabPosition position) {
    tabPosition_ = position;
    UpdateTabs();
}

void TCustomTabControl::SetImages(TCustomImageList* images) {
    SetImageListSlot(images_, images, imageLink_.get(), this);
    if (!IsDestroying()) UpdateTabs();
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == images_) {
        images_ = nullptr;
        UpdateTabs();
    }
}

int TCustomTabControl::TabHeight() const {
    const int text = QFontMetrics(ToQFont(*Font())).height() + 8;
    return std::max(text, images_ ? images_->Height() + 6 : 0);
}

TRect TCustomTabControl::DisplayRect() const {
    const TRect client = ClientRect();
    const int tabs = TabHeight();
    TRect r = tabPosition_ == tpTop ? Rect(client.Left, client.Top + tabs, client.Right, client.Bottom)
                                    : Rect(client.Left, client.Top, client.Right, client.Bottom - tabs);
    r = InflateRect(r, -4, -4);
    r.Right = std::max(r.Left, r.Right);
    r.Bottom = std::max(r.Top, r.Bottom);
    return r;
}

int TCustomTabControl::IndexOfTabAt(int x, int y) const {
    QTabBar* bar = tabBar_ ? tabBar_->Bar() : nullptr;
    if (!bar) return -1;
    return bar->tabAt(bar->mapFrom(bar->parentWidget(), QPoint(x, y)));
}

TRect TCustomTabControl::TabRect(int tabIndex) const {
    QTabBar* bar = tabBar_ ? tabBar_->Bar() : nullptr;
    if (!bar || tabIndex < 0 || tabIndex >= bar->count()) return {};
    return FromQRect(bar->tabRect(tabIndex).translated(bar->pos()));
}

QWidget* TCustomTabControl::CreateWidget(QWidget* parentWidget) {
    QWidget* widget = TWinControl::CreateWidget(parentWidget);
    tabBar_->Create(widget);
    return widget;
}

void TCustomTabControl::PlaceTabBar() {
    if (QTabBar* bar = tabBar_ ? tabBar_->Bar() : nullptr) {
        const int height = TabHeight();
        bar->setGeometry(0, tabPosition_ == tpTop ? 0 : Height() - height, Width(), height);
    }
}

void TCustomTabControl::UpdateTabs() {
    if (QTabBar* bar = tabBar_ ? tabBar_->Bar() : nullptr) {
        const QSignalBlocker block(bar);
        while (bar->count() > 0)
            bar->removeTab(bar->count() - 1);
        bar->setShape(tabPosition_ == tpTop ? QTabBar::RoundedNorth : QTabBar::RoundedSouth);
        bar->setFont(ToQFont(*Font()));
        if (images_) bar->setIconSize(QSize(images_->Width(), images_->Height()));
        for (int i = 0; i < TabCount(); ++i) {
            const int tab = bar->addTab(ToQString(TabCaption(i)));
            const int image = TabImageIndex(i);
            if (images_ && image >= 0 && image < images_->Count()) {
                TBitmap picture;
                images_->GetBitmap(image, &picture);
                bar->setTabIcon(tab, QIcon(QPixmap::fromImage(picture.Image())));
            }
        }
        PlaceTabBar();
        bar->setCurrentIndex(CurrentTab());
    }
    Realign();
    Invalidate();
}

void TCustomTabControl::ShowCurrentTab() {
    if (QTabBar* bar = tabBar_ ? tabBar_->Bar() : nullptr) {
        const QSignalBlocker block(bar);
        bar->setCurrentIndex(CurrentTab());
    }
    Invalidate();
}

void TCustomTabControl::AlignControls(TControl* changed, TRect&) {
    TRect display = DisplayRect();
    TWinControl::AlignControls(changed, display);
    PlaceTabBar();
}

void TCustomTabControl::PaintWindow(TCanvas& canvas, const TRect& updateRect) {
    TRect frame = InflateRect(DisplayRect(), 2, 2);
    DrawEdge(canvas, frame, EDGE_RAISED, BF_RECT);
    TWinControl::PaintWindow(canvas, updateRect);
}

void TCustomTabControl::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_CREATE:
        TWinControl::WndProc(message);
        UpdateTabs();
        return;
    case WM_LBUTTONDOWN: {
        // The native tab control changes the tab before the control sees the press.
        const TPoint p = PointFromLParam(message.LParam);
        const int tab = IndexOfTabAt(p.X, p.Y);
        if (tab >= 0 && tab != CurrentTab() && CanChange()) {
            TabChosen(tab);
            Change();
        }
        break;
    }
    case CM_FONTCHANGED:
        TWinControl::WndProc(message);
        UpdateTabs();
        return;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

bool TCustomTabControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TCustomTabControl::Change() {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------------
// TTabControl

TTabControl::TTabControl(TComponent* owner) : TCustomTabControl(owner) {
    tabs_.OnChange = [this](rtl::TStringList&) {
        if (tabIndex_ >= tabs_.Count()) tabIndex_ = tabs_.Count() - 1;
        if (tabIndex_ < 0 && tabs_.Count() > 0) tabIndex_ = 0;
        UpdateTabs();
    };
}

TTabControl::~TTabControl() {
    Destroying();
    tabs_.OnChange = nullptr;
}

void TTabControl::SetTabIndex(int value) {
    tabIndex_ = value >= 0 && value < tabs_.Count() ? value : -1;
    ShowCurrentTab();
}

void TTabControl::TabChosen(int tabIndex) {
    SetTabIndex(tabIndex);
}

// ---------------------------------------------------------------------------------------------------
// TPageControl

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {}

TPageControl::~TPageControl() {
    Destroying();
    SetImages(nullptr);
    // The sheets go first, while the page control can still forget them.
    while (!pages_.empty())
        delete pages_.back();
    DestroyTabs();
}

TTabSheet* TPageControl::Pages(int index) const {
    if (index < 0 || index >= PageCount()) rtl::ListIndexError(index);
    return pages_[index];
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    page->SetParent(this);
    UpdateTabs();
    if (!activePage_) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
    TTabSheet* next = activePage_ == page ? FindNextPage(page, true, false) : activePage_;
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    page->pageControl_ = nullptr;
    if (!IsDestroying()) page->SetParent(nullptr);
    if (activePage_ == page) {
        activePage_ = nullptr;
        if (next != page && !IsDestroying()) SetActivePage(next);
    }
    if (!IsDestroying()) UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this) return;
    activePage_ = page;
    ShowActivePage();
}

void TPageControl::ShowActivePage() {
    for (TTabSheet* page : pages_)
        if (page != activePage_) page->SetVisible(false);
    if (activePage_) {
        activePage_->SetBoundsRect(DisplayRect());
        activePage_->SetVisible(true);
        activePage_->BringToFront();
    }
    ShowCurrentTab();
}

int TPageControl::ActivePageIndex() const {
    return activePage_ ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[index] : nullptr);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
    if (pages_.empty()) return nullptr;
    const int count = PageCount();
    int start = current ? current->PageIndex() : -1;
    if (start < 0) start = goForward ? count - 1 : 0;
    int i = start;
    for (int n = 0; n < count; ++n) {
        i = (i + (goForward ? 1 : count - 1)) % count;
        if (!checkTabVisible || pages_[i]->TabVisible()) return pages_[i];
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
    TTabSheet* page = FindNextPage(activePage_, goForward, checkTabVisible);
    if (!page || page == activePage_ || !CanChange()) return;
    SetActivePage(page);
    Change();
}

int TPageControl::TabCount() const {
    return static_cast<int>(std::count_if(pages_.begin(), pages_.end(),
                                          [](const TTabSheet* page) { return page->TabVisible(); }));
}

TTabSheet* TPageControl::PageOfTab(int tabIndex) const {
    for (TTabSheet* page : pages_)
        if (page->TabVisible() && tabIndex-- == 0) return page;
    return nullptr;
}

void TPageControl::TabChosen(int tabIndex) {
    SetActivePage(PageOfTab(tabIndex));
}

void TPageControl::AlignControls(TControl* changed, TRect& rect) {
    TCustomTabControl::AlignControls(changed, rect);
    if (activePage_) activePage_->SetAlignedBounds(DisplayRect());
}

void TPageControl::WndProc(TMessage& message) {
    if (message.Msg == WM_KEYDOWN && message.WParam == VK_TAB &&
        (KeyDataToShiftState(message.LParam).Contains(ssCtrl) || KeyboardShiftState().Contains(ssCtrl))) {
        SelectNextPage(!KeyboardShiftState().Contains(ssShift));
        return;
    }
    TCustomTabControl::WndProc(message);
}

} // namespace ui
