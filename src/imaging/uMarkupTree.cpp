#include "imaging/uMarkupTree.h"

#include <utility>

namespace imaging {

namespace {

// The class each node class derives from, by type; -1 above TNode.
constexpr int kParentType[] = {-1,         ntNode,     ntParentNode, ntAreaNode, ntAreaNode,
                               ntAreaNode, ntAreaNode, ntNode,       ntNode,     ntNode};

int linkCounter = 0;
int dynamicCounter = 0;

void CollectTopLevel(const TParentNode& parent, TNodeType type, std::vector<TNode*>& found) {
    for (const auto& child : parent.Children()) {
        if (child->IsA(type))
            found.push_back(child.get());
        else if (child->IsA(ntParentNode))
            CollectTopLevel(static_cast<const TParentNode&>(*child), type, found);
    }
}

} // namespace

std::u16string RemoveCRLF(std::u16string_view text) {
    std::u16string result(text);
    ReplaceAllOccurrences(u"\r\n", u"", result);
    return result;
}

bool ReplaceAllOccurrences(std::u16string_view search, std::u16string_view replacement,
                           std::u16string& text) {
    bool replaced = false;
    for (std::size_t at = text.find(search); at != std::u16string::npos; at = text.find(search, at)) {
        text.replace(at, search.size(), replacement);
        at += replacement.size();
        replaced = true;
    }
    return replaced;
}

bool PointInRect(const TRect& rect, TPoint point) {
    return rect.Left <= point.X && point.X <= rect.Right && rect.Top <= point.Y && point.Y <= rect.Bottom;
}

void ResetNodeCounters() {
    linkCounter = 0;
    dynamicCounter = 0;
}

bool TNode::IsA(TNodeType type) const {
    for (int t = type_; t >= 0; t = kParentType[t])
        if (t == type) return true;
    return false;
}

TNode* TParentNode::AddChild(std::unique_ptr<TNode> node) {
    node->Parent = this;
    children_.push_back(std::move(node));
    return children_.back().get();
}

std::vector<std::unique_ptr<TNode>> TParentNode::TakeChildren() {
    return std::exchange(children_, {});
}

TNode* TParentNode::FindNodeOfClass(TNodeType type) const {
    for (const auto& child : children_) {
        if (child->IsA(type)) return child.get();
        if (child->IsA(ntParentNode))
            if (TNode* found = static_cast<const TParentNode&>(*child).FindNodeOfClass(type)) return found;
    }
    return nullptr;
}

std::vector<TNode*> TParentNode::TopLevelNodes(TNodeType type) const {
    std::vector<TNode*> found;
    CollectTopLevel(*this, type, found);
    return found;
}

std::vector<const TStringNode*> TAreaNode::TopLevelStrings() const {
    std::vector<const TStringNode*> strings;
    for (TNode* node : TopLevelNodes(ntStringNode))
        strings.push_back(static_cast<const TStringNode*>(node));
    return strings;
}

bool TAreaNode::IsPointInside(TPoint point) const {
    for (const TStringNode* string : TopLevelStrings())
        if (string->IsPointInside(point)) return true;
    return false;
}

bool TAreaNode::IsPointInNodeClass(TPoint point, TNodeType type) const {
    for (TNode* node : TopLevelNodes(type))
        if (node->IsA(ntAreaNode) && static_cast<const TAreaNode*>(node)->IsPointInside(point)) return true;
    return false;
}

TAreaNode* TAreaNode::GetNodeFromPoint(TPoint point, TNodeType type) const {
    for (TNode* node : TopLevelNodes(ntAreaNode)) {
        auto* area = static_cast<TAreaNode*>(node);
        if (!area->IsPointInside(point)) continue;
        if (area->IsA(type)) return area;
        if (TAreaNode* inner = area->GetNodeFromPoint(point, type)) return inner;
    }
    return nullptr;
}

std::u16string TAreaNode::GetText() const {
    std::u16string text;
    for (const TStringNode* string : TopLevelStrings())
        text += string->Text;
    return text;
}

std::vector<TRect> TAreaNode::CollectRects() const {
    std::vector<TRect> rects;
    for (const TStringNode* string : TopLevelStrings())
        rects.insert(rects.end(), string->Rects.begin(), string->Rects.end());
    return rects;
}

TLinkNode::TLinkNode() : TAreaNode(ntLinkNode), Number(linkCounter++) {}

TColor TLinkNode::GetColor() const {
    switch (State) {
    case lsNormal:
        return clLinkNormal;
    case lsClicked:
        return clLinkClicked;
    case lsHot:
        return clLinkHot;
    }
    return Color;
}

TDynamicNode::TDynamicNode() : TAreaNode(ntDynamicNode), Number(dynamicCounter++) {}

bool TRootNode::IsPointInNodeClass(TPoint point, TNodeType type) const {
    if (type != ntLinkNode || LinkRects.empty()) return TAreaNode::IsPointInNodeClass(point, type);
    for (const TRect& rect : LinkRects)
        if (PointInRect(rect, point)) return true;
    return false;
}

void TRootNode::UpdateLinkRects() {
    LinkRects.clear();
    for (TNode* link : TopLevelNodes(ntLinkNode)) {
        const std::vector<TRect> rects = static_cast<const TLinkNode*>(link)->CollectRects();
        LinkRects.insert(LinkRects.end(), rects.begin(), rects.end());
    }
}

TStringNode::TStringNode(std::u16string_view text) : TNode(ntStringNode), Text(text) {
    ReplaceAllOccurrences(u"&lt;", u"<", Text);
    ReplaceAllOccurrences(u"&gt;", u">", Text);
}

const TWordInfo& TStringNode::GetWordInfo(int index) const {
    if (!HasWordInfo(index)) throw ENodeError("TStringNode.GetWordInfo: Index out of bounds");
    return wordInfo_[static_cast<std::size_t>(index)];
}

bool TStringNode::IsPointInside(TPoint point) const {
    for (const TRect& rect : Rects)
        if (PointInRect(rect, point)) return true;
    return false;
}

TNodeTree::TNodeTree() {
    root_.Color = ui::clWindowText;
}

} // namespace imaging
