#include "platform/ui/TreeViews.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/QtBridge.h"

#include <QPixmap>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>

namespace ui {

namespace {

QTreeWidget* TreeOf(QWidget* widget) {
    return qobject_cast<QTreeWidget*>(widget);
}

TTreeNode* NodeOf(const QTreeWidgetItem* item) {
    return item ? static_cast<TTreeNode*>(item->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

QTreeWidgetItem* ItemOf(QTreeWidget* tree, const TTreeNode* node) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (NodeOf(*it) == node) return *it;
    return nullptr;
}

bool Contains(const TTreeNode* ancestor, const TTreeNode* node) {
    for (; node; node = node->Parent())
        if (node == ancestor) return true;
    return false;
}

} // namespace

// ---- TTreeNode ----

std::vector<std::unique_ptr<TTreeNode>>& TTreeNode::Siblings() const {
    return parent_ ? parent_->children_ : owner_->roots_;
}

void TTreeNode::SetText(const std::string& text) {
    if (text_ == text) return;
    text_ = text;
    owner_->view_->NodeChanged(this);
}

void TTreeNode::SetImageIndex(int index) {
    if (imageIndex_ == index) return;
    imageIndex_ = index;
    owner_->view_->NodeChanged(this);
}

void TTreeNode::SetExpanded(bool expanded) {
    if (expanded_ == expanded) return;
    expanded_ = expanded;
    owner_->view_->NodeChanged(this);
}

bool TTreeNode::Selected() const {
    return owner_->view_->Selected() == this;
}

void TTreeNode::SetSelected(bool selected) {
    if (selected)
        owner_->view_->SetSelected(this);
    else if (Selected())
        owner_->view_->SetSelected(nullptr);
}

int TTreeNode::Index() const {
    const auto& siblings = Siblings();
    const auto it =
        std::find_if(siblings.begin(), siblings.end(), [this](const auto& n) { return n.get() == this; });
    return static_cast<int>(it - siblings.begin());
}

int TTreeNode::AbsoluteIndex() const {
    int index = 0;
    for (const TTreeNode* node = owner_->GetFirstNode(); node != this; node = node->GetNext())
        ++index;
    return index;
}

int TTreeNode::Level() const {
    int level = 0;
    for (const TTreeNode* node = parent_; node; node = node->parent_)
        ++level;
    return level;
}

TTreeView* TTreeNode::TreeView() const {
    return owner_->view_;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!children_.empty()) return children_.front().get();
    // Else the next sibling of this node or of the nearest ancestor that has one.
    for (const TTreeNode* node = this; node; node = node->parent_) {
        const auto& siblings = node->Siblings();
        const int next = node->Index() + 1;
        if (next < static_cast<int>(siblings.size())) return siblings[next].get();
    }
    return nullptr;
}

void TTreeNode::Delete() {
    owner_->Delete(this);
}

// ---- TTreeNodes ----

int TTreeNodes::Count() const {
    int count = 0;
    for (const TTreeNode* node = GetFirstNode(); node; node = node->GetNext())
        ++count;
    return count;
}

TTreeNode* TTreeNodes::Item(int absoluteIndex) const {
    TTreeNode* node = GetFirstNode();
    for (int i = 0; node && i < absoluteIndex; ++i)
        node = node->GetNext();
    if (!node || absoluteIndex < 0) throw std::out_of_range("Tree node index out of bounds");
    return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
    return AddObject(sibling, text, nullptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const std::string& text, void* data) {
    return AddChildObject(sibling ? sibling->Parent() : nullptr, text, data);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
    return AddChildObject(parent, text, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const std::string& text, void* data) {
    auto& siblings = parent ? parent->children_ : roots_;
    auto node = std::make_unique<TTreeNode>(this, parent);
    node->text_ = text;
    node->data_ = data;
    siblings.push_back(std::move(node));
    Changed();
    return siblings.back().get();
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node) return;
    view_->NodeDeleting(node);
    auto& siblings = node->Siblings();
    siblings.erase(siblings.begin() + node->Index());
    Changed();
}

void TTreeNodes::Clear() {
    if (roots_.empty()) return;
    view_->NodeDeleting(nullptr);
    roots_.clear();
    Changed();
}

void TTreeNodes::BeginUpdate() {
    ++updating_;
}

void TTreeNodes::EndUpdate() {
    if (--updating_ == 0) Changed();
}

void TTreeNodes::Changed() {
    if (updating_ == 0) view_->Rebuild();
}

// ---- TTreeView ----

TTreeView::TTreeView(TComponent* owner)
    : TWinControl(owner), items_(this), imageLink_(std::make_unique<TChangeLink>()) {
    SetTabStop(true);
    SetBounds(0, 0, 150, 200);
    imageLink_->OnChange = [this](TObject*) { Rebuild(); };
}

TTreeView::~TTreeView() {
    Destroying();
    SetImages(nullptr);
    DestroyHandle();
    selected_ = nullptr;
    items_.roots_.clear();
}

QWidget* TTreeView::CreateWidget(QWidget* parentWidget) {
    auto* tree = new QTreeWidget(parentWidget);
    tree->setPalette(SystemPalette());
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setRootIsDecorated(showRoot_);
    QObject::connect(tree, &QTreeWidget::currentItemChanged, tree,
                     [this](QTreeWidgetItem* current) { UserSelected(NodeOf(current)); });
    QObject::connect(tree, &QTreeWidget::itemExpanded, tree,
                     [this](QTreeWidgetItem* item) { UserExpanded(NodeOf(item), true); });
    QObject::connect(tree, &QTreeWidget::itemCollapsed, tree,
                     [this](QTreeWidgetItem* item) { UserExpanded(NodeOf(item), false); });
    return tree;
}

void TTreeView::WndProc(TMessage& message) {
    TWinControl::WndProc(message);
    // The nodes go in once the widget is the control's.
    if (message.Msg == WM_CREATE) Rebuild();
}

void TTreeView::Rebuild() {
    QTreeWidget* tree = TreeOf(Widget());
    if (!tree || items_.updating_ > 0) return;
    applying_ = true;
    const rtl::ScopeExit done([this] { applying_ = false; });
    const QSignalBlocker block(tree);
    tree->clear();
    std::function<void(const std::vector<std::unique_ptr<TTreeNode>>&, QTreeWidgetItem*)> add =
        [&](const auto& nodes, QTreeWidgetItem* parent) {
            for (const auto& node : nodes) {
                auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
                item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(node.get())));
                add(node->children_, item);
                NodeChanged(node.get());
            }
        };
    add(items_.roots_, nullptr);
    ShowSelection();
}

void TTreeView::NodeChanged(TTreeNode* node) {
    QTreeWidget* tree = TreeOf(Widget());
    QTreeWidgetItem* item = tree ? ItemOf(tree, node) : nullptr;
    if (!item) return;
    const QSignalBlocker block(tree);
    item->setText(0, ToQString(node->Text()));
    QIcon icon;
    if (images_ && node->ImageIndex() >= 0 && node->ImageIndex() < images_->Count()) {
        TBitmap image;
        images_->GetBitmap(node->ImageIndex(), &image);
        icon = QIcon(QPixmap::fromImage(image.Image()));
    }
    item->setIcon(0, icon);
    item->setExpanded(node->Expanded());
}

void TTreeView::NodeDeleting(TTreeNode* node) {
    // Deleting a branch that holds the selection leaves nothing selected.
    if (selected_ && (!node || Contains(node, selected_))) SetSelected(nullptr);
}

void TTreeView::SetSelected(TTreeNode* node) {
    if (selected_ == node) return;
    selected_ = node;
    ShowSelection();
    if (OnChange) OnChange(this, node);
}

void TTreeView::ShowSelection() {
    QTreeWidget* tree = TreeOf(Widget());
    if (!tree) return;
    const QSignalBlocker block(tree);
    QTreeWidgetItem* item = selected_ ? ItemOf(tree, selected_) : nullptr;
    tree->setCurrentItem(item);
    if (item) tree->scrollToItem(item);
}

void TTreeView::UserSelected(TTreeNode* node) {
    if (applying_) return;
    SetSelected(node);
}

void TTreeView::UserExpanded(TTreeNode* node, bool expanded) {
    if (applying_ || !node) return;
    node->expanded_ = expanded;
    const TTVExpandedEvent& event = expanded ? OnExpanded : OnCollapsed;
    if (event) event(this, node);
}

void TTreeView::SetImages(TCustomImageList* images) {
    SetImageListSlot(images_, images, imageLink_.get(), this);
    Rebuild();
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == images_) {
        images_ = nullptr;
        Rebuild();
    }
}

void TTreeView::SetShowRoot(bool value) {
    showRoot_ = value;
    if (QTreeWidget* tree = TreeOf(Widget())) tree->setRootIsDecorated(value);
}

TTreeNode* TTreeView::GetNodeAt(int x, int y) const {
    QTreeWidget* tree = TreeOf(const_cast<TTreeView*>(this)->Handle());
    return tree ? NodeOf(tree->itemAt(tree->viewport()->mapFrom(tree, QPoint(x, y)))) : nullptr;
}

void TTreeView::FullExpand() {
    for (TTreeNode* node = items_.GetFirstNode(); node; node = node->GetNext())
        if (node->HasChildren()) node->SetExpanded(true);
}

void TTreeView::FullCollapse() {
    for (TTreeNode* node = items_.GetFirstNode(); node; node = node->GetNext())
        node->SetExpanded(false);
}

} // namespace ui
