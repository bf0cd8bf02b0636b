#include "platform/ui/ListViews.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/QtBridge.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QTreeView>

#include <algorithm>

namespace ui {

// The items as Qt's views see them: rows of the list, columns of the list view.
class TListViewModel : public QAbstractTableModel {
public:
    explicit TListViewModel(TListView* view) : view_(view) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : view_->items_.Count();
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : std::max(1, view_->columns_.Count());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        TListItem* item = view_->ItemAt(index.row());
        const int column = index.column();
        switch (role) {
        case Qt::DisplayRole:
            if (column == 0) return ToQString(item->Caption());
            if (column - 1 < item->SubItems().Count()) return ToQString(item->SubItems()[column - 1]);
            return {};
        case Qt::CheckStateRole:
            if (column != 0 || !view_->checkboxes_) return {};
            return item->Checked() ? Qt::Checked : Qt::Unchecked;
        case Qt::DecorationRole: {
            TCustomImageList* images = view_->smallImages_;
            if (column != 0 || !images || item->ImageIndex() < 0 || item->ImageIndex() >= images->Count())
                return {};
            TBitmap image;
            images->GetBitmap(item->ImageIndex(), &image);
            return QPixmap::fromImage(image.Image());
        }
        case Qt::TextAlignmentRole:
            return Alignment(column);
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || index.column() != 0) return false;
        view_->ItemAt(index.row())->SetChecked(value.toInt() == Qt::Checked);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == 0 && view_->checkboxes_) flags |= Qt::ItemIsUserCheckable;
        return flags;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section >= view_->columns_.Count()) return {};
        if (role == Qt::DisplayRole) return ToQString(view_->columns_[section]->Caption());
        if (role == Qt::TextAlignmentRole) return Alignment(section);
        return {};
    }

    void Reset() {
        beginResetModel();
        endResetModel();
    }
    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount({}) - 1)); }
    void BeginInsert(int row) { beginInsertRows({}, row, row); }
    void EndInsert() { endInsertRows(); }
    void BeginRemove(int row) { beginRemoveRows({}, row, row); }
    void EndRemove() { endRemoveRows(); }

private:
    QVariant Alignment(int column) const {
        static constexpr Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
        if (column >= view_->columns_.Count()) return {};
        return QVariant::fromValue(kAlign[view_->columns_[column]->Alignment()] | Qt::AlignVCenter);
    }

    TListView* view_;
};

namespace {

QTreeView* TreeOf(QWidget* widget) {
    return qobject_cast<QTreeView*>(widget);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TListItem

TListItem::TListItem(TListItems* owner) : owner_(owner) {
    subItems_.OnChange = [this](rtl::TStringList&) { Changed(); };
}

TListItem::~TListItem() {
    subItems_.OnChange = nullptr;
}

TListView* TListItem::ListView() const {
    return owner_->view_;
}

void TListItem::Changed() {
    if (index_ >= 0 && !ListView()->ownerData_) ListView()->ItemChanged(index_, ctText);
}

void TListItem::Reset(int index) {
    const auto keep = std::move(subItems_.OnChange);
    caption_.clear();
    subItems_.Clear();
    imageIndex_ = -1;
    checked_ = false;
    data_ = nullptr;
    index_ = index;
    subItems_.OnChange = keep;
}

void TListItem::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    Changed();
}

void TListItem::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    if (index_ >= 0 && !ListView()->ownerData_) ListView()->ItemChanged(index_, ctImage);
}

void TListItem::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    if (index_ >= 0 && !ListView()->ownerData_) ListView()->ItemChanged(index_, ctState);
}

bool TListItem::Selected() const {
    return index_ >= 0 && ListView()->RowSelected(index_);
}

void TListItem::SetSelected(bool selected) {
    if (index_ < 0) return;
    ListView()->SetRowSelected(index_, selected);
    ListView()->ShowSelection();
}

bool TListItem::Focused() const {
    return index_ >= 0 && ListView()->focusedRow_ == index_;
}

void TListItem::SetFocused(bool focused) {
    if (focused)
        ListView()->SetItemFocused(this);
    else if (Focused())
        ListView()->SetItemFocused(nullptr);
}

void TListItem::Delete() {
    owner_->Delete(index_);
}

void TListItem::MakeVisible() {
    TListView* view = ListView();
    if (QTreeView* tree = TreeOf(view->Widget())) tree->scrollTo(view->model_->index(index_, 0));
}

// ---------------------------------------------------------------------------------------------------
// TListItems

TListItems::~TListItems() = default;

int TListItems::Count() const {
    return view_->ownerData_ ? view_->ownerCount_ : static_cast<int>(items_.size());
}

void TListItems::SetCount(int count) {
    view_->ownerCount_ = std::max(count, 0);
    view_->ownerSelected_.erase(view_->ownerSelected_.lower_bound(view_->ownerCount_),
                                view_->ownerSelected_.end());
    if (view_->focusedRow_ >= view_->ownerCount_) view_->focusedRow_ = -1;
    view_->RowsReset();
}

TListItem* TListItems::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return view_->ItemAt(index);
}

TListItem* TListItems::Add() {
    return Insert(static_cast<int>(items_.size()));
}

TListItem* TListItems::Insert(int index) {
    if (view_->ownerData_) throw EInvalidOperation("An owner-data list view keeps no items");
    if (index < 0 || index > static_cast<int>(items_.size())) rtl::ListIndexError(index);
    if (!updating_) view_->model_->BeginInsert(index);
    items_.insert(items_.begin() + index, std::make_unique<TListItem>(this));
    Renumber(index);
    if (view_->focusedRow_ >= index) ++view_->focusedRow_;
    if (!updating_) view_->model_->EndInsert();
    return items_[index].get();
}

void TListItems::Delete(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) rtl::ListIndexError(index);
    if (items_[index]->selected_) view_->SetRowSelected(index, false);
    if (!updating_) view_->model_->BeginRemove(index);
    items_.erase(items_.begin() + index);
    Renumber(index);
    if (view_->focusedRow_ == index)
        view_->focusedRow_ = -1;
    else if (view_->focusedRow_ > index)
        --view_->focusedRow_;
    if (!updating_) view_->model_->EndRemove();
}

void TListItems::Clear() {
    BeginUpdate();
    const rtl::ScopeExit end([this] { EndUpdate(); });
    while (!items_.empty())
        Delete(static_cast<int>(items_.size()) - 1);
}

int TListItems::IndexOf(const TListItem* item) const {
    return item && item->owner_ == this ? item->index_ : -1;
}

void TListItems::BeginUpdate() {
    if (updating_++ == 0) view_->model_->Reset();
}

void TListItems::EndUpdate() {
    if (--updating_ > 0) return;
    if (view_->sortType_ == stText || view_->sortType_ == stBoth)
        view_->AlphaSort();
    else
        view_->RowsReset();
}

void TListItems::Renumber(int from) {
    for (int i = from; i < static_cast<int>(items_.size()); ++i)
        items_[i]->index_ = i;
}

// ---------------------------------------------------------------------------------------------------
// Columns

void TListColumn::SetCaption(const std::string& caption) {
    caption_ = caption;
    view_->ColumnsChanged();
}

int TListColumn::Width() const {
    QTreeView* tree = TreeOf(view_->Widget());
    return tree ? tree->header()->sectionSize(Index()) : width_;
}

void TListColumn::SetWidth(int width) {
    width_ = width;
    if (QTreeView* tree = TreeOf(view_->Widget())) tree->header()->resizeSection(Index(), width);
}

void TListColumn::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    view_->ColumnsChanged();
}

int TListColumn::Index() const {
    return view_->Columns().IndexOf(this);
}

TListColumn* TListColumns::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return columns_[index].get();
}

TListColumn* TListColumns::Add() {
    columns_.push_back(std::make_unique<TListColumn>(view_));
    view_->ColumnsChanged();
    return columns_.back().get();
}

void TListColumns::Delete(int index) {
    Items(index);
    columns_.erase(columns_.begin() + index);
    view_->ColumnsChanged();
}

void TListColumns::Clear() {
    columns_.clear();
    view_->ColumnsChanged();
}

int TListColumns::IndexOf(const TListColumn* column) const {
    for (int i = 0; i < Count(); ++i)
        if (columns_[i].get() == column) return i;
    return -1;
}

// ---------------------------------------------------------------------------------------------------
// TListView

TListView::TListView(TComponent* owner)
    : TWinControl(owner), columns_(this), items_(this), imageLink_(std::make_unique<TChangeLink>()),
      model_(std::make_unique<TListViewModel>(this)) {
    SetTabStop(true);
    SetBounds(0, 0, 250, 150);
    TControlStyle style = ControlStyle();
    style.Exclude(csClickEvents);
    SetControlStyle(style);
    imageLink_->OnChange = [this](TObject*) { RowsReset(); };
}

TListView::~TListView() {
    Destroying();
    SetSmallImages(nullptr);
    DestroyHandle();
    items_.items_.clear();
}

QWidget* TListView::CreateWidget(QWidget* parentWidget) {
    auto* tree = new QTreeView(parentWidget);
    tree->setPalette(SystemPalette());
    tree->setRootIsDecorated(false);
    tree->setItemsExpandable(false);
    tree->setUniformRowHeights(true);
    tree->setAllColumnsShowFocus(true);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setSelectionMode(multiSelect_ ? QAbstractItemView::ExtendedSelection
                                        : QAbstractItemView::SingleSelection);
    tree->setModel(model_.get());
    tree->header()->setVisible(showColumnHeaders_);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionsClickable(true);
    tree->header()->setSectionsMovable(false);
    for (int i = 0; i < columns_.Count(); ++i)
        tree->header()->resizeSection(i, columns_[i]->width_);
    QObject::connect(tree->header(), &QHeaderView::sectionClicked, tree, [this](int section) {
        if (OnColumnClick && section < columns_.Count()) OnColumnClick(this, columns_[section]);
    });
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, tree,
                     [this] { UserSelectionChanged(); });
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentRowChanged, tree,
                     [this](const QModelIndex& current) {
                         if (!applying_) focusedRow_ = current.isValid() ? current.row() : -1;
                     });
    return tree;
}

void TListView::WndProc(TMessage& message) {
    TWinControl::WndProc(message);
    if (message.Msg == WM_CREATE) ShowSelection();
}

void TListView::DestroyWnd() {
    // The column widths the user dragged stay.
    if (QTreeView* tree = TreeOf(Widget()))
        for (int i = 0; i < columns_.Count(); ++i)
            columns_[i]->SetWidth(tree->header()->sectionSize(i));
    TWinControl::DestroyWnd();
}

TListItem* TListView::ItemAt(int row) const {
    if (!ownerData_) return items_.items_[row].get();
    if (!ownerItem_) ownerItem_ = std::make_unique<TListItem>(const_cast<TListItems*>(&items_));
    ownerItem_->Reset(row);
    if (OnData) OnData(const_cast<TListView*>(this), ownerItem_.get());
    return ownerItem_.get();
}

bool TListView::RowSelected(int row) const {
    return ownerData_ ? ownerSelected_.count(row) > 0 : items_.items_[row]->selected_;
}

void TListView::SetRowSelected(int row, bool selected) {
    if (RowSelected(row) == selected) return;
    // A single selection lets the old item go first.
    if (selected && !multiSelect_)
        for (int other = 0; other < items_.Count(); ++other)
            if (other != row && RowSelected(other)) SetRowSelected(other, false);
    if (ownerData_) {
        if (selected)
            ownerSelected_.insert(row);
        else
            ownerSelected_.erase(row);
    } else {
        items_.items_[row]->selected_ = selected;
    }
    if (!OnChange && !OnSelectItem) return;
    TListItem* item = ItemAt(row);
    if (OnChange) OnChange(this, item, ctState);
    if (OnSelectItem) OnSelectItem(this, item, selected);
}

void TListView::ShowSelection() {
    QTreeView* tree = TreeOf(Widget());
    if (!tree) return;
    applying_ = true;
    const rtl::ScopeExit done([this] { applying_ = false; });
    QItemSelection selection;
    const int last = model_->columnCount({}) - 1;
    const auto select = [&](int row) { selection.select(model_->index(row, 0), model_->index(row, last)); };
    if (ownerData_)
        std::for_each(ownerSelected_.begin(), ownerSelected_.end(), select);
    else
        for (int row = 0; row < items_.Count(); ++row)
            if (RowSelected(row)) select(row);
    tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    tree->selectionModel()->setCurrentIndex(focusedRow_ >= 0 ? model_->index(focusedRow_, 0) : QModelIndex(),
                                            QItemSelectionModel::NoUpdate);
}

void TListView::UserSelectionChanged() {
    QTreeView* tree = TreeOf(Widget());
    if (applying_ || !tree) return;
    const QItemSelectionModel* model = tree->selectionModel();
    // Going off first, so that a single selection never shows two items.
    for (bool pass : {false, true})
        for (int row = 0; row < items_.Count(); ++row) {
            const bool now = model->isRowSelected(row, {});
            if (now == pass && RowSelected(row) != now) SetRowSelected(row, now);
        }
}

void TListView::ItemChanged(int row, TItemChange change) {
    if (items_.updating_) return;
    model_->RowChanged(row);
    if (OnChange) OnChange(this, ItemAt(row), change);
    if (change == ctText && (sortType_ == stText || sortType_ == stBoth)) AlphaSort();
}

void TListView::ColumnsChanged() {
    RowsReset();
    if (QTreeView* tree = TreeOf(Widget()))
        for (int i = 0; i < columns_.Count(); ++i)
            tree->header()->resizeSection(i, columns_[i]->width_);
}

void TListView::RowsReset() {
    model_->Reset();
    ShowSelection();
}

void TListView::SetMultiSelect(bool value) {
    multiSelect_ = value;
    if (QTreeView* tree = TreeOf(Widget()))
        tree->setSelectionMode(value ? QAbstractItemView::ExtendedSelection
                                     : QAbstractItemView::SingleSelection);
}

void TListView::SetCheckboxes(bool value) {
    checkboxes_ = value;
    RowsReset();
}

void TListView::SetShowColumnHeaders(bool value) {
    showColumnHeaders_ = value;
    if (QTreeView* tree = TreeOf(Widget())) tree->header()->setVisible(value);
}

void TListView::SetSmallImages(TCustomImageList* images) {
    SetImageListSlot(smallImages_, images, imageLink_.get(), this);
    if (!IsDestroying()) RowsReset();
}

void TListView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == smallImages_) {
        smallImages_ = nullptr;
        RowsReset();
    }
}

void TListView::SetOwnerData(bool value) {
    if (value == ownerData_) return;
    ClearSelection();
    items_.Clear();
    ownerData_ = value;
    ownerCount_ = 0;
    focusedRow_ = -1;
    RowsReset();
}

void TListView::SetSortType(TSortType type) {
    sortType_ = type;
    if (type != stNone) AlphaSort();
}

int TListView::CompareForSort(TListItem* a, TListItem* b) {
    if ((sortType_ == stData || sortType_ == stBoth) && OnCompare) {
        int compare = 0;
        OnCompare(this, a, b, 0, compare);
        return compare;
    }
    return ToQString(a->Caption()).compare(ToQString(b->Caption()), Qt::CaseInsensitive);
}

bool TListView::AlphaSort() {
    if (ownerData_) return false;
    Sort([this](TListItem* a, TListItem* b) { return CompareForSort(a, b); });
    return true;
}

bool TListView::CustomSort(const TLVCompare& compare) {
    if (ownerData_) return false;
    Sort(compare ? compare : [this](TListItem* a, TListItem* b) { return CompareForSort(a, b); });
    return true;
}

void TListView::Sort(const std::function<int(TListItem*, TListItem*)>& compare) {
    TListItem* focused = ItemFocused();
    std::stable_sort(items_.items_.begin(), items_.items_.end(),
                     [&](const auto& a, const auto& b) { return compare(a.get(), b.get()) < 0; });
    items_.Renumber(0);
    focusedRow_ = focused ? focused->Index() : -1;
    RowsReset();
}

TListItem* TListView::Selected() const {
    if (ownerData_) return ownerSelected_.empty() ? nullptr : ItemAt(*ownerSelected_.begin());
    for (const auto& item : items_.items_)
        if (item->selected_) return item.get();
    return nullptr;
}

void TListView::SetSelected(TListItem* item) {
    ClearSelection();
    if (item) item->SetSelected(true);
}

int TListView::SelCount() const {
    if (ownerData_) return static_cast<int>(ownerSelected_.size());
    return static_cast<int>(std::count_if(items_.items_.begin(), items_.items_.end(),
                                          [](const auto& item) { return item->selected_; }));
}

void TListView::ClearSelection() {
    for (int row = 0; row < items_.Count(); ++row)
        SetRowSelected(row, false);
    ShowSelection();
}

void TListView::SelectAll() {
    if (!multiSelect_) return;
    for (int row = 0; row < items_.Count(); ++row)
        SetRowSelected(row, true);
    ShowSelection();
}

TListItem* TListView::ItemFocused() const {
    return focusedRow_ >= 0 && focusedRow_ < items_.Count() ? ItemAt(focusedRow_) : nullptr;
}

void TListView::SetItemFocused(TListItem* item) {
    focusedRow_ = item ? item->Index() : -1;
    ShowSelection();
}

int TListView::ItemIndex() const {
    TListItem* item = Selected();
    return item ? item->Index() : -1;
}

void TListView::SetItemIndex(int index) {
    if (index < 0 || index >= items_.Count()) return ClearSelection();
    SetSelected(ItemAt(index));
}

TListItem* TListView::GetItemAt(int x, int y) const {
    QTreeView* tree = TreeOf(const_cast<TListView*>(this)->Handle());
    const QModelIndex index = tree->indexAt(tree->viewport()->mapFrom(tree, QPoint(x, y)));
    return index.isValid() ? ItemAt(index.row()) : nullptr;
}

TListItem* TListView::TopItem() const {
    QTreeView* tree = TreeOf(const_cast<TListView*>(this)->Handle());
    const QModelIndex index = tree->indexAt(QPoint(1, 1));
    return index.isValid() ? ItemAt(index.row()) : nullptr;
}

} // namespace ui
