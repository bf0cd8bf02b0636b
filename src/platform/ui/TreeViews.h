// A tree view over the native tree widget: nodes with text, image and data, expanding, selection.
// The nodes are the model; the widget shows them and reports the user's selection and expanding.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/ImageList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class TTreeNodes;
class TTreeView;

class TTreeNode {
public:
    TTreeNode(TTreeNodes* owner, TTreeNode* parent) : owner_(owner), parent_(parent) {}
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    bool Expanded() const { return expanded_; }
    void SetExpanded(bool expanded);
    bool Selected() const;
    void SetSelected(bool selected);

    TTreeNode* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode* Item(int index) const { return children_.at(index).get(); }
    bool HasChildren() const { return !children_.empty(); }
    // The position among the parent's children (or among the top-level nodes).
    int Index() const;
    // The position in the tree's flat order: each node, then its children, depth first.
    int AbsoluteIndex() const;
    int Level() const;
    TTreeView* TreeView() const;
    // The next node in the flat order, or null after the last.
    TTreeNode* GetNext() const;
    // Removes the node with its children from the tree and frees them.
    void Delete();

private:
    friend class TTreeNodes;
    friend class TTreeView;
    std::vector<std::unique_ptr<TTreeNode>>& Siblings() const;

    TTreeNodes* owner_;
    TTreeNode* parent_;
    std::vector<std::unique_ptr<TTreeNode>> children_;
    std::string text_;
    void* data_ = nullptr;
    int imageIndex_ = -1;
    bool expanded_ = false;
};

class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* view) : view_(view) {}

    // Every node of the tree, at every level.
    int Count() const;
    // The node at a position in the flat order.
    TTreeNode* Item(int absoluteIndex) const;
    TTreeNode* operator[](int absoluteIndex) const { return Item(absoluteIndex); }
    TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
    // A node appended after the last sibling of `sibling` (a top-level node when it is null).
    TTreeNode* Add(TTreeNode* sibling, const std::string& text);
    TTreeNode* AddObject(TTreeNode* sibling, const std::string& text, void* data);
    // A node appended to the children of `parent` (a top-level node when it is null).
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    TTreeNode* AddChildObject(TTreeNode* parent, const std::string& text, void* data);
    void Delete(TTreeNode* node);
    void Clear();
    // Changes inside the bracket show once at its end.
    void BeginUpdate();
    void EndUpdate();

    TTreeView* Owner() const { return view_; }

private:
    friend class TTreeNode;
    friend class TTreeView;
    void Changed();

    TTreeView* view_;
    std::vector<std::unique_ptr<TTreeNode>> roots_;
    int updating_ = 0;
};

using TTVChangedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
using TTVExpandedEvent = std::function<void(TObject* sender, TTreeNode* node)>;

class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* owner);
    ~TTreeView() override;

    TTreeNodes& Items() { return items_; }
    const TTreeNodes& Items() const { return items_; }
    // The selected node, or null.
    TTreeNode* Selected() const { return selected_; }
    // Selecting by program tells OnChange as a user's choice does.
    void SetSelected(TTreeNode* node);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool value);
    // The node at a client point, or null.
    TTreeNode* GetNodeAt(int x, int y) const;
    void FullExpand();
    void FullCollapse();

    // The selection moved to another node (or to none).
    TTVChangedEvent OnChange;
    TTVExpandedEvent OnExpanded;
    TTVExpandedEvent OnCollapsed;

    void WndProc(TMessage& message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    // Shows the nodes again after the tree's shape changed.
    void Rebuild();
    void NodeChanged(TTreeNode* node);
    void NodeDeleting(TTreeNode* node);
    void ShowSelection();
    void UserSelected(TTreeNode* node);
    void UserExpanded(TTreeNode* node, bool expanded);

    TTreeNodes items_;
    TTreeNode* selected_ = nullptr;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool showRoot_ = true;
    bool applying_ = false;
};

} // namespace ui
