// The node tree of a parsed markup caption and the text helpers it uses.
#pragma once

#include "platform/rtl/Exception.h"
#include "platform/ui/Color.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Types.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace imaging {

using ui::TColor;
using ui::TFontStyles;
using ui::TPoint;
using ui::TRect;

RTL_DECLARE_EXCEPTION(ENodeError, rtl::Exception);

// The text without its carriage-return line-feed pairs; single CR or LF stay.
std::u16string RemoveCRLF(std::u16string_view text);
// Replaces every occurrence of `search` (case-sensitive); true when anything was replaced.
bool ReplaceAllOccurrences(std::u16string_view search, std::u16string_view replacement, std::u16string& text);
// Unlike TRect::Contains, the right and bottom edges belong to the rectangle.
bool PointInRect(const TRect& rect, TPoint point);

// The node classes in hierarchy order; a node's type is the exact class it was created as.
enum TNodeType {
    ntNode,
    ntParentNode,
    ntAreaNode,
    ntStyleNode,
    ntLinkNode,
    ntDynamicNode,
    ntRootNode,
    ntStringNode,
    ntActionNode,
    ntUnknownNode,
};

class TParentNode;
class TStringNode;

class TNode {
public:
    explicit TNode(TNodeType type) : type_(type) {}
    virtual ~TNode() = default;
    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    TNodeType GetNodeType() const { return type_; }
    // Whether the node is of the class or a descendant of it.
    bool IsA(TNodeType type) const;

    TParentNode* Parent = nullptr;

private:
    TNodeType type_;
};

class TParentNode : public TNode {
public:
    explicit TParentNode(TNodeType type = ntParentNode) : TNode(type) {}

    const std::vector<std::unique_ptr<TNode>>& Children() const { return children_; }
    TNode* AddChild(std::unique_ptr<TNode> node);
    // Hands the children over to the caller, who becomes their owner.
    std::vector<std::unique_ptr<TNode>> TakeChildren();
    void DestroyChildren() { children_.clear(); }
    // The first node of the class in document order, depth first, or none.
    TNode* FindNodeOfClass(TNodeType type) const;
    // The nodes of the class in the subtree in document order, without descending into them.
    std::vector<TNode*> TopLevelNodes(TNodeType type) const;

private:
    std::vector<std::unique_ptr<TNode>> children_;
};

// A part of the text with its own styles and colour, and where its first text was placed.
class TAreaNode : public TParentNode {
public:
    explicit TAreaNode(TNodeType type = ntAreaNode) : TParentNode(type) {}

    TPoint StartingPoint;
    TFontStyles Styles;
    TColor Color = 0;

    virtual TFontStyles GetStyles() const { return Styles; }
    virtual TColor GetColor() const { return Color; }
    // Whether one of the area's texts was drawn over the point.
    bool IsPointInside(TPoint point) const;
    virtual bool IsPointInNodeClass(TPoint point, TNodeType type) const;
    // The innermost area of the class whose text lies under the point, or none.
    TAreaNode* GetNodeFromPoint(TPoint point, TNodeType type) const;
    // The texts of the area's runs, joined.
    std::u16string GetText() const;
    // Where the area's runs were drawn, in order.
    std::vector<TRect> CollectRects() const;

private:
    std::vector<const TStringNode*> TopLevelStrings() const;
};

class TStyleNode : public TAreaNode {
public:
    explicit TStyleNode(ui::TFontStyle style) : TAreaNode(ntStyleNode), Style(style) {}
    ui::TFontStyle Style;
};

enum TLinkState { lsNormal, lsClicked, lsHot };

// Colours that the renderer replaces by its link colours.
constexpr TColor clLinkNormal = static_cast<TColor>(0x80000400u);
constexpr TColor clLinkClicked = static_cast<TColor>(0x80000401u);
constexpr TColor clLinkHot = static_cast<TColor>(0x80000402u);

class TLinkNode : public TAreaNode {
public:
    // Numbered in the order created since the last ResetNodeCounters.
    TLinkNode();
    TLinkState State = lsNormal;
    int Number;
    // The placeholder colour of its state.
    TColor GetColor() const override;
};

// A part whose markup the program supplies while the caption is parsed.
class TDynamicNode : public TAreaNode {
public:
    TDynamicNode();
    int Number;
};

class TRootNode : public TAreaNode {
public:
    TRootNode() : TAreaNode(ntRootNode) {}
    // The rectangles of all link texts after the last layout.
    std::vector<TRect> LinkRects;
    bool IsPointInNodeClass(TPoint point, TNodeType type) const override;
    void UpdateLinkRects();
};

// Measurements of one word of a run, kept until the font changes.
struct TWordInfo {
    bool EndsWithSpace = false;
    int SpaceWidth = 0;
    int Width = 0;
};

class TStringNode : public TNode {
public:
    // "&lt;" and "&gt;" read as "<" and ">"; no other entity is known.
    explicit TStringNode(std::u16string_view text);

    std::u16string Text;
    // Where the text was drawn, one rectangle per line piece.
    std::vector<TRect> Rects;
    // Set when the run's first word continues the last word of the run before it.
    bool Continuation = false;

    void AddWordInfo(bool endsWithSpace, int spaceWidth, int width) {
        wordInfo_.push_back({endsWithSpace, spaceWidth, width});
    }
    bool HasWordInfo(int index) const { return index >= 0 && index < static_cast<int>(wordInfo_.size()); }
    // Raises ENodeError "TStringNode.GetWordInfo: Index out of bounds".
    const TWordInfo& GetWordInfo(int index) const;
    void ClearWordInfo() { wordInfo_.clear(); }
    bool IsPointInside(TPoint point) const;

private:
    std::vector<TWordInfo> wordInfo_;
};

enum TActionType { atLineBreak, atParagraphBreak };

class TActionNode : public TNode {
public:
    explicit TActionNode(TActionType action) : TNode(ntActionNode), Action(action) {}
    TActionType Action;
};

// A tag the parser does not know, as written between the angle brackets.
class TUnknownNode : public TNode {
public:
    explicit TUnknownNode(std::u16string tag) : TNode(ntUnknownNode), Tag(std::move(tag)) {}
    std::u16string Tag;
};

// Links and dynamic parts count from 0 again.
void ResetNodeCounters();

class TNodeTree {
public:
    TNodeTree();
    TRootNode& Root() { return root_; }
    const TRootNode& Root() const { return root_; }
    TAreaNode* GetNodeFromPoint(TPoint point, TNodeType type) const {
        return root_.GetNodeFromPoint(point, type);
    }
    std::vector<TNode*> TopLevelNodes(TNodeType type) const { return root_.TopLevelNodes(type); }
    bool IsPointInNodeClass(TPoint point, TNodeType type) const {
        return root_.IsPointInNodeClass(point, type);
    }

private:
    TRootNode root_;
};

} // namespace imaging
