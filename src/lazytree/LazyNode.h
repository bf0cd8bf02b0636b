// One node of a lazy tree: its states, check state, size and links.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace lazytree {

class TLazyTreeModel;

// States of one node: bits of the node's 16-bit state word.
enum TLazyNodeState : uint8_t {
    nsInitialized,        // OnInitNode has run
    nsChecking,           // a check-state change is under way
    nsCutOrCopy,          // marked for a clipboard cut or copy
    nsDisabled,           // drawn disabled; cannot be focused, checked or edited
    nsDeleting,           // being deleted
    nsExpanded,           // children are shown
    nsHasChildren,        // has or can have children (button; OnInitChildren on expansion)
    nsVisible,            // takes part in display
    nsSelected,           // in the selection array
    nsFreeNotifyRequired, // OnFreeNode even when never initialised
    nsAllChildrenHidden,  // no child is visible
    nsClearing,           // its children are being removed
    nsMultiline,          // its text wraps
    nsHeightMeasured,     // its multiline height has been measured
    nsToggling,           // an expand or collapse is under way
    nsFiltered,           // not painted or counted unless toShowHiddenNodes
};

// A set of node states in the 16 bits the node block has room for.
class TLazyNodeStates {
public:
    constexpr TLazyNodeStates() = default;
    constexpr TLazyNodeStates(std::initializer_list<TLazyNodeState> members) {
        for (auto m : members)
            Include(m);
    }
    constexpr bool Contains(TLazyNodeState s) const { return (bits_ & Bit(s)) != 0; }
    constexpr TLazyNodeStates& Include(TLazyNodeState s) {
        bits_ = static_cast<uint16_t>(bits_ | Bit(s));
        return *this;
    }
    constexpr TLazyNodeStates& Exclude(TLazyNodeState s) {
        bits_ = static_cast<uint16_t>(bits_ & ~Bit(s));
        return *this;
    }
    constexpr TLazyNodeStates& Set(TLazyNodeState s, bool on) { return on ? Include(s) : Exclude(s); }
    constexpr uint16_t Bits() const { return bits_; }
    constexpr bool operator==(const TLazyNodeStates&) const = default;

private:
    static constexpr uint16_t Bit(TLazyNodeState s) { return static_cast<uint16_t>(1u << s); }
    uint16_t bits_ = 0;
};

enum TCheckState : uint8_t {
    csUncheckedNormal,
    csUncheckedPressed,
    csCheckedNormal,
    csCheckedPressed,
    csMixedNormal,
    csMixedPressed
};
enum TCheckType : uint8_t { ctNone, ctTriStateCheckBox, ctCheckBox, ctRadioButton, ctButton };

// The header of a node block. The block is zero-filled; the internal data areas of derived trees and
// then NodeDataSize bytes of user data follow at kNodeHeaderSize.
struct TLazyNode {
    uint32_t Index; // among its siblings, dense from 0
    uint32_t ChildCount;
    uint16_t NodeHeight;
    TLazyNodeStates States;
    uint8_t Align; // tree lines, button and images: percent of the node height (or pixels)
    TCheckState CheckState;
    TCheckType CheckType;
    uint8_t Reserved;
    uint32_t TotalCount;    // 1 + the total count of every child
    uint32_t TotalHeight;   // own height + the total height of the visible children when expanded
    TLazyNode* Parent;      // nil for the hidden root, which names its tree in Owner instead
    TLazyNode* PrevSibling; // the root points to itself
    TLazyNode* NextSibling; // the root points to itself
    TLazyNode* FirstChild;
    TLazyNode* LastChild;
    TLazyTreeModel* Owner; // set on the hidden root only

    bool IsRoot() const { return NextSibling == this; }
    // The address after the header: where internal data areas, then the user data, start.
    std::byte* Data() { return reinterpret_cast<std::byte*>(this) + kHeaderSize(); }
    static constexpr std::size_t kHeaderSize();
};

using PLazyNode = TLazyNode*;

// The header rounded up to 16 bytes, so that every area after it is aligned for any value a user
// record holds.
inline constexpr std::size_t kNodeHeaderSize = (sizeof(TLazyNode) + 15) / 16 * 16;
constexpr std::size_t TLazyNode::kHeaderSize() {
    return kNodeHeaderSize;
}

// The smallest user area that AddChild can store its user pointer in.
inline constexpr int kUserPointerSize = static_cast<int>(sizeof(void*));

// Alignment of a new node's tree lines, button and images: the vertical middle.
inline constexpr uint8_t kDefaultNodeAlign = 50;

} // namespace lazytree
