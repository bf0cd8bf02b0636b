// The node store of a lazy tree and everything in it that needs no widget.
#pragma once

#include "lazytree/LazyNode.h"
#include "lazytree/LazyTreeColors.h"
#include "lazytree/LazyTreeTypes.h"
#include "lazytree/PositionCache.h"
#include "lazytree/TreeHost.h"
#include "platform/ui/Messages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace rtl {
class TStream;
}

namespace lazytree {

// The node store of a lazy tree and everything that needs no widget: node blocks created on demand,
// their counters, life and events, the update bracket, walkers, positions, expanding and scrolling.
// The control is a thin shell over it that paints what it says; everything it needs of a window
// (client size, invalidation, scroll bars) it asks of its ITreeHost; timers and the clock are the
// framework's.
// All of it runs on the user-interface thread.
class TLazyTreeModel {
public:
    using TNodeEvent = std::function<void(TLazyTreeModel& sender, PLazyNode node)>;
    using TInitNodeEvent = std::function<void(TLazyTreeModel& sender, PLazyNode parentNode, PLazyNode node,
                                              TLazyNodeInitStates& initialStates)>;
    using TInitChildrenEvent =
        std::function<void(TLazyTreeModel& sender, PLazyNode node, uint32_t& childCount)>;
    using TStructureChangeEvent =
        std::function<void(TLazyTreeModel& sender, PLazyNode node, TChangeReason reason)>;
    using TStateChangeEvent =
        std::function<void(TLazyTreeModel& sender, TLazyTreeStates enter, TLazyTreeStates leave)>;
    using TUpdatingEvent = std::function<void(TLazyTreeModel& sender, TVTUpdateState state)>;
    using TGetNodeDataSizeEvent = std::function<void(TLazyTreeModel& sender, int& nodeDataSize)>;
    using TNodeAllowedEvent = std::function<void(TLazyTreeModel& sender, PLazyNode node, bool& allowed)>;
    using TMeasureItemEvent = std::function<void(TLazyTreeModel& sender, PLazyNode node, int& nodeHeight)>;
    using TScrollEvent = std::function<void(TLazyTreeModel& sender, int deltaX, int deltaY)>;
    using TFocusChangingEvent =
        std::function<void(TLazyTreeModel& sender, PLazyNode oldNode, PLazyNode newNode, int oldColumn,
                           int newColumn, bool& allowed)>;
    using TFocusChangedEvent = std::function<void(TLazyTreeModel& sender, PLazyNode node, int column)>;
    using TCompareEvent = std::function<void(TLazyTreeModel& sender, PLazyNode node1, PLazyNode node2,
                                             int column, int& result)>;
    using TIncrementalSearchEvent = std::function<void(TLazyTreeModel& sender, PLazyNode node,
                                                       const std::u16string& searchText, int& result)>;
    using TCheckingEvent =
        std::function<void(TLazyTreeModel& sender, PLazyNode node, TCheckState& newState, bool& allowed)>;
    // Node nil stands for the root.
    using TNodeStreamEvent =
        std::function<void(TLazyTreeModel& sender, PLazyNode node, rtl::TStream& stream)>;
    using TNodeCopyMoveEvent =
        std::function<void(TLazyTreeModel& sender, PLazyNode node, PLazyNode target, bool& allowed)>;

    static constexpr int kDefaultNodeHeight = 18;
    static constexpr int kNoColumn = -1;
    static constexpr int kInvalidColumn = -2;
    static constexpr int kCheckImageSize = 16; // the pictures of every check image list

    // Without a host the tree has no window: a client area of 0 x 0 and nothing to paint.
    explicit TLazyTreeModel(ITreeHost* host = nullptr);
    virtual ~TLazyTreeModel();
    TLazyTreeModel(const TLazyTreeModel&) = delete;
    TLazyTreeModel& operator=(const TLazyTreeModel&) = delete;

    // --- Tree-wide properties ---------------------------------------------------------------------
    PLazyNode RootNode() const { return root_; }
    uint32_t RootNodeCount() const { return root_->ChildCount; }
    void SetRootNodeCount(uint32_t value);
    int NodeDataSize() const { return nodeDataSize_; }
    void SetNodeDataSize(int value);
    int DefaultNodeHeight() const { return defaultNodeHeight_; }
    // 0 means the default of 18; the root's height follows, for a derived tree to scale from.
    void SetDefaultNodeHeight(int value);
    uint32_t VisibleCount() const { return visibleCount_; }
    uint32_t TotalCount() const { return root_->TotalCount; }
    const TLazyTreeStates& TreeStates() const { return states_; }
    // Writing a whole set applies its side effects (an equal set does nothing). An option that moves
    // nodes on display (toChildrenAbove) changed through Options() must be followed by
    // InvalidateCache(), or the position cache keeps the old display order.
    TLazyTreeOptions& Options() { return options_; }
    const TLazyTreeOptions& Options() const { return options_; }
    void SetPaintOptions(TVTPaintOptions value);
    // Enters tsUseThemes when the tree is theme-aware and the platform draws with a visual style.
    void ApplyThemes();
    // The explorer look: themed, with toUseExplorerTheme.
    bool ExplorerLook() const {
        return states_.Contains(tsUseThemes) && options_.PaintOptions.Contains(toUseExplorerTheme);
    }
    bool TreeLinesHiddenByTheme() const {
        return states_.Contains(tsUseThemes) && options_.PaintOptions.Contains(toHideTreeLinesIfThemed);
    }
    void SetAnimationOptions(TVTAnimationOptions value);
    void SetAutoOptions(TVTAutoOptions value);
    void SetSelectionOptions(TVTSelectionOptions value);
    void SetMiscOptions(TVTMiscOptions value);
    uint32_t AnimationDuration() const { return animationDuration_; }
    // 0 also switches animated toggling off, any other duration on.
    void SetAnimationDuration(uint32_t milliseconds);
    TVTColors& Colors() { return colors_; }
    const TVTColors& Colors() const { return colors_; }
    // Only regular scroll bars exist; any other style is a programming error.
    void SetScrollBarStyle(TScrollBarStyle value);
    uint32_t ChangeDelay() const { return changeDelay_; }
    void SetChangeDelay(uint32_t milliseconds) { changeDelay_ = milliseconds; }
    int Indent() const { return indent_; }
    void SetIndent(int value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int BottomSpace() const { return bottomSpace_; }
    void SetBottomSpace(int value) { bottomSpace_ = value; }
    uint32_t AutoScrollDelay() const { return autoScrollDelay_; }
    void SetAutoScrollDelay(uint32_t value) { autoScrollDelay_ = value; }
    uint32_t AutoScrollInterval() const { return autoScrollInterval_; }
    void SetAutoScrollInterval(uint32_t value) { autoScrollInterval_ = value; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // The control sets it and brings its columns along.
    TBiDiMode BiDiMode() const { return biDiMode_; }
    void SetBiDiMode(TBiDiMode value) { biDiMode_ = value; }
    bool UseRightToLeftAlignment() const { return biDiMode_ == bdRightToLeft; }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value) { scrollBars_ = value; }
    bool AlwaysVisible() const { return alwaysVisible_; }
    void SetAlwaysVisible(bool value) { alwaysVisible_ = value; }
    int VerticalIncrement() const { return verticalIncrement_; }
    int HorizontalIncrement() const { return horizontalIncrement_; }
    ITreeHost* Host() const { return host_; }

    // --- Node record services ---------------------------------------------------------------------
    // Reserves bytes in every node for a derived tree; only before the first node exists. Returns the
    // area's offset from the start of a node block.
    std::size_t AllocateInternalDataArea(std::size_t size);
    // The user data of a node; nil for nil, the root and a tree without user data.
    void* GetNodeData(PLazyNode node) const;
    template <class T>
    T* GetNodeData(PLazyNode node) const {
        return static_cast<T*>(GetNodeData(node));
    }
    void ChangeNodeHeight(PLazyNode node, int height);
    // The owning tree of a node: the owner named by its hidden root.
    static TLazyTreeModel* OwnerTreeOfNode(PLazyNode node);
    // Tree order: negative when node1 comes first; with childrenAbove (and toChildrenAbove) parents
    // follow their children.
    int CompareTreeOrder(PLazyNode node1, PLazyNode node2, bool childrenAbove) const;
    bool IsFullyShown(PLazyNode node) const;
    bool AncestorsExpanded(PLazyNode node) const;
    bool NodeShownAfterInit(PLazyNode node);
    bool IsEffectivelyFiltered(PLazyNode node) const;
    bool IsEffectivelyVisible(PLazyNode node) const;
    // Sets a node's child count: creates or deletes children at its end.
    void SetChildCount(PLazyNode node, uint32_t count);
    // Recomputes the counters of a subtree whose totals start at 1 and at the own height.
    void RecountTotals(PLazyNode node);
    void RecomputeTotalHeights(PLazyNode node);

    // --- Node life --------------------------------------------------------------------------------
    PLazyNode AddChild(PLazyNode parent, void* userData = nullptr);
    void InitNode(PLazyNode node);
    void InitChildren(PLazyNode node);
    void RemoveNode(PLazyNode node, bool reindex = true);
    void RemoveChildren(PLazyNode node, bool resetHasChildren = false);
    void RemoveSelectedNodes();
    void Clear();
    void ResetNode(PLazyNode node);
    void ReinitNode(PLazyNode node, bool recursive);
    void ReinitChildren(PLazyNode node, bool recursive);
    void InitializeChildren(PLazyNode node, bool recursive);
    void InitializeSubtree(PLazyNode node, bool recursive);
    // Links a detached node (from this tree) at a new place.
    void ConnectNode(PLazyNode node, PLazyNode destination, TVTNodeAttachMode mode);
    void DisconnectNode(PLazyNode node, bool keepFocus, bool reindex);
    int GetNodeLevel(PLazyNode node) const;
    bool HasAsParent(PLazyNode node, PLazyNode candidate) const;
    int CountLevelDifference(PLazyNode node1, PLazyNode node2) const;
    uint32_t CountVisibleChildren(PLazyNode node) const;
    void UpdateHiddenChildrenFlag(PLazyNode node);
    void UpdateAllHiddenChildrenFlags();

    // --- Selection and focus -------------------------------------------------------------------------
    PLazyNode FocusedNode() const { return focusedNode_; }
    // Asks OnFocusChanging; the focused node (new or kept) is scrolled into view all the same.
    void SetFocusedNode(PLazyNode node);
    int FocusedColumn() const { return focusedColumn_; }
    void SetFocusedColumn(int column);
    void SetFocusedNodeAndColumn(PLazyNode node, int column);
    // Entries marked for removal count until the array is compacted.
    std::size_t SelectedCount() const { return selection_.size(); }
    bool IsSelected(PLazyNode node) const { return node && node->States.Contains(nsSelected); }
    // The writer of a node's selection, with the single-select and range-anchor rules.
    void SetSelected(PLazyNode node, bool value);
    bool SelectionLocked() const { return selectionLocked_; }
    void SetSelectionLocked(bool value) { selectionLocked_ = value; }
    void AddToSelection(PLazyNode node);
    // Adds nodes in one merge; forceInsert skips the constraints (and disabled nodes are taken too).
    void AddToSelection(std::vector<PLazyNode> nodes, bool forceInsert);
    void RemoveFromSelection(PLazyNode node);
    void UnselectAll();
    void SelectAll(bool visibleOnly);
    void SelectNodes(PLazyNode startNode, PLazyNode endNode, bool addOnly);
    void ToggleSelection(PLazyNode startNode, PLazyNode endNode);
    void UnselectNodes(PLazyNode startNode, PLazyNode endNode);
    PLazyNode RangeAnchor() const { return rangeAnchor_; }
    void ResetRangeAnchor();
    // Binary search by address between the bounds (negative: the array's ends). index is where the
    // node is, or where it would go.
    bool FindNodeInSelection(PLazyNode node, int& index, int lowBound = -1, int highBound = -1) const;
    // What a click with these modifier keys does to the selection; the focus is the caller's.
    void HandleClickSelection(PLazyNode newNode, ui::TShiftState shift, bool dragPending);

    // --- Rubber-band selection (absolute coordinates) ------------------------------------------------
    // Starts a rubber band at a client point; with Ctrl the nodes it passes toggle.
    void StartDrawSelection(int x, int y, ui::TShiftState shift);
    void StopDrawSelection();
    // Moves the band's free corner to a client point; true when the band changed.
    bool CalculateSelectionRect(int x, int y);
    // Selects what the band now covers and deselects what it left; true when anything changed.
    bool HandleDrawSelection();
    bool IsMouseSelecting() const {
        return states_.Contains(tsDrawSelPending) || states_.Contains(tsDrawSelecting);
    }
    const TTreeRect& SelectionRect() const { return newSelectionRect_; }

    // --- Check states ---------------------------------------------------------------------------------
    static TCheckState NextCheckState(TCheckType checkType, TCheckState checkState);
    static TCheckState PressedCheckState(TCheckState state);
    static TCheckState ReleasedCheckState(TCheckState state);
    // The check image list index of a node, or of a header column's box (node nil); -1 for none.
    int GetCheckImage(PLazyNode node, TCheckType imgCheckType = ctNone,
                      TCheckState imgCheckState = csUncheckedNormal, bool imgEnabled = true) const;
    // The writer of a node's check state: asks OnChecking, then changes it with propagation.
    void SetCheckState(PLazyNode node, TCheckState value);
    // Changes a node's state and carries it to its children and parent; false when the node is
    // already changing or an ancestor refused.
    bool ChangeCheckState(PLazyNode node, TCheckState value);
    bool CheckParentCheckState(PLazyNode node, TCheckState newCheckState);
    // The press and release of a check (mouse or Space): the state shows pressed in between, and the
    // change happens on a release over the node.
    void StartCheckPending(PLazyNode node, bool byKey);
    void EndCheckPending(bool overCheckNode);
    PLazyNode CheckNode() const { return checkNode_; }
    PLazyNode HotNode() const { return hotNode_; }
    void SetHotNode(PLazyNode node) { hotNode_ = node; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }

    // --- Update bracket and notifications ---------------------------------------------------------
    void BeginUpdate();
    void EndUpdate();
    uint32_t UpdateCount() const { return updateCount_; }
    void Change(PLazyNode node);
    void StructureChange(PLazyNode node, TChangeReason reason);
    void DoStateChange(TLazyTreeStates enter, TLazyTreeStates leave = {});
    void BeginOperation();
    void EndOperation();
    bool OperationCanceled() const { return operationCanceled_ && operationCount_ > 0; }
    void CancelOperation() { operationCanceled_ = true; }

    // --- Navigation -------------------------------------------------------------------------------
    PLazyNode GetFirst(bool considerChildrenAbove = false);
    PLazyNode GetFirstNoInit(bool considerChildrenAbove = false) const;
    PLazyNode GetFirstChild(PLazyNode node);
    PLazyNode GetFirstInitialized(bool considerChildrenAbove = false) const;
    PLazyNode GetFirstSelected(bool considerChildrenAbove = false);
    PLazyNode GetFirstCutCopy(bool considerChildrenAbove = false);
    PLazyNode GetFirstVisible(PLazyNode node = nullptr, bool considerChildrenAbove = true,
                              bool includeFiltered = false);
    PLazyNode GetFirstVisibleNoInit(PLazyNode node = nullptr, bool considerChildrenAbove = true,
                                    bool includeFiltered = false) const;
    PLazyNode GetFirstVisibleChild(PLazyNode node, bool includeFiltered = false);
    PLazyNode GetFirstVisibleChildNoInit(PLazyNode node, bool includeFiltered = false) const;
    PLazyNode GetLast(PLazyNode node = nullptr, bool considerChildrenAbove = false);
    PLazyNode GetLastNoInit(PLazyNode node = nullptr, bool considerChildrenAbove = false) const;
    PLazyNode GetLastChild(PLazyNode node);
    PLazyNode GetLastChildNoInit(PLazyNode node) const;
    PLazyNode GetLastVisibleChild(PLazyNode node, bool includeFiltered = false);
    PLazyNode GetLastVisibleChildNoInit(PLazyNode node, bool includeFiltered = false) const;
    PLazyNode GetLastVisible(PLazyNode node = nullptr, bool considerChildrenAbove = true,
                             bool includeFiltered = false);
    PLazyNode GetLastVisibleNoInit(PLazyNode node = nullptr, bool considerChildrenAbove = true,
                                   bool includeFiltered = false) const;
    PLazyNode GetNext(PLazyNode node, bool considerChildrenAbove = false);
    PLazyNode GetNextNoInit(PLazyNode node, bool considerChildrenAbove = false) const;
    PLazyNode GetNextInitialized(PLazyNode node, bool considerChildrenAbove = false) const;
    PLazyNode GetNextSelected(PLazyNode node, bool considerChildrenAbove = false);
    PLazyNode GetNextCutCopy(PLazyNode node, bool considerChildrenAbove = false);
    PLazyNode GetNextSibling(PLazyNode node);
    PLazyNode GetNextVisible(PLazyNode node, bool considerChildrenAbove = true);
    PLazyNode GetNextVisibleNoInit(PLazyNode node, bool considerChildrenAbove = true) const;
    PLazyNode GetNextVisibleSibling(PLazyNode node, bool includeFiltered = false);
    PLazyNode GetNextVisibleSiblingNoInit(PLazyNode node, bool includeFiltered = false) const;
    PLazyNode GetPrevious(PLazyNode node, bool considerChildrenAbove = false);
    PLazyNode GetPreviousNoInit(PLazyNode node, bool considerChildrenAbove = false) const;
    PLazyNode GetPreviousSibling(PLazyNode node);
    PLazyNode GetPreviousVisible(PLazyNode node, bool considerChildrenAbove = true);
    PLazyNode GetPreviousVisibleNoInit(PLazyNode node, bool considerChildrenAbove = true) const;
    PLazyNode GetPreviousVisibleSibling(PLazyNode node, bool includeFiltered = false);
    PLazyNode GetPreviousVisibleSiblingNoInit(PLazyNode node, bool includeFiltered = false) const;
    PLazyNode GetVisibleParent(PLazyNode node, bool includeFiltered = false) const;
    std::vector<PLazyNode> GetSortedSelection(bool resolve) const;
    std::vector<PLazyNode> GetSortedCutCopySet(bool resolve) const;

    // --- Positions and the position cache -----------------------------------------------------------
    // The node at a vertical position (client coordinates when relative), or nil below the last one.
    PLazyNode GetNodeAt(int x, int y, bool relative, int* nodeTop = nullptr);
    PLazyNode GetNodeAt(int x, int y) { return GetNodeAt(x, y, true); }
    // The row of a node (column < 0: the whole width), or its text part; empty when not shown.
    TTreeRect GetDisplayRect(PLazyNode node, int column, bool textOnly, bool unclipped = false);
    void MeasureItemHeight(PLazyNode node);
    int GetMaxRightExtend();
    // Drops every cache entry (nil) or those from node on, when node is shown: positions before a
    // change keep their entries. The rest is rebuilt on the user-interface thread as positions are
    // next asked for, so a change costs what lies between it and the view.
    void InvalidateCache(PLazyNode node = nullptr);
    // Extends the cache to the last visible node.
    void ValidateCache();
    const TPositionCache& PositionCache() const { return cache_; }

    // --- Expanding and collapsing -------------------------------------------------------------------
    void ToggleNode(PLazyNode node);
    void FullExpand(PLazyNode node = nullptr);
    void FullCollapse(PLazyNode node = nullptr);
    bool Expanded(PLazyNode node) const { return node && node->States.Contains(nsExpanded); }
    void SetExpanded(PLazyNode node, bool value);

    // --- Scrolling ----------------------------------------------------------------------------------
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    int RangeX() const { return rangeX_; }
    int RangeY() const { return rangeY_; }
    bool ApplyScrollOffset(int x, int y, const TTreeRect* clip = nullptr);
    void SetOffsetX(int x) { ApplyScrollOffset(x, offsetY_); }
    void SetOffsetY(int y) { ApplyScrollOffset(offsetX_, y); }
    void UpdateScrollBars();
    void UpdateHorizontalScrollBar();
    void UpdateVerticalScrollBar();
    bool ScrollIntoView(PLazyNode node, bool center);
    bool CanAutoScroll() const;
    TScrollDirections DetermineScrollDirections(int x, int y);
    void DoAutoScroll(int x, int y);
    void DoTimerScroll();
    // Wheel panning: the view follows the mouse's distance from where the middle button went down.
    void StartWheelPanning(TTreePoint position);
    void StopWheelPanning();
    TPanningCursor PanningCursor(int x, int y) const;

    // --- Sorting ------------------------------------------------------------------------------------
    // Sorts a node's children (nil: the top level) by OnCompareNodes, stably; with doInit the children
    // are counted and initialised first. Nodes keep their addresses.
    void Sort(PLazyNode node, int column, TSortDirection direction, bool doInit = true);
    // Sorts every initialised level; with doInit every level, initialising the whole tree.
    void SortTree(int column, TSortDirection direction, bool doInit = true);

    // --- Incremental search ------------------------------------------------------------------------
    TVTIncrementalSearch IncrementalSearch() const { return incrementalSearch_; }
    void SetIncrementalSearch(TVTIncrementalSearch value) { incrementalSearch_ = value; }
    TVTSearchDirection IncrementalSearchDirection() const { return searchDirection_; }
    void SetIncrementalSearchDirection(TVTSearchDirection value) { searchDirection_ = value; }
    TVTSearchStart IncrementalSearchStart() const { return searchStart_; }
    void SetIncrementalSearchStart(TVTSearchStart value) { searchStart_ = value; }
    uint32_t IncrementalSearchTimeout() const { return searchTimeout_; }
    void SetIncrementalSearchTimeout(uint32_t milliseconds) { searchTimeout_ = milliseconds; }
    const std::u16string& SearchText() const { return searchText_; }
    PLazyNode LastSearchHit() const { return lastSearchHit_; }
    // One typed character: 8 is Backspace, 0 only restarts the timeout.
    void HandleIncrementalSearch(char16_t charCode);
    // OnIncrementalSearch's answer for a node (0: it matches); without a handler every node matches.
    int IncrementalSearchEvent(PLazyNode node, const std::u16string& searchText);

    // --- Node streams ---------------------------------------------------------------------------------
    // Node chunks: an anchor chunk holding a base chunk (with the children's node chunks), the user
    // data OnSaveNode writes and what a derived tree adds. A tree stream puts an identifier with the
    // format version and the number of top-level chunks before them.
    static constexpr int kStreamVersion = 2;
    static constexpr int kCaptionChunk = 3; // a derived tree's chunk type for the node's text
    // Writes the identifier, then node and its subtree, or (nil) every top-level node.
    void SaveToStream(rtl::TStream& stream, PLazyNode node = nullptr);
    // Replaces the content with a tree stream. The whole stream is checked before the tree changes: a
    // malformed one raises ELazyTreeError and leaves the tree as it was. A read-only tree stays as is.
    void LoadFromStream(rtl::TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void WriteChunks(rtl::TStream& stream, PLazyNode node);
    // Reads one node chunk into node, a connected node of this tree, and repairs counts, heights and
    // the selection. A malformed chunk raises before node changes.
    void AddFromStream(rtl::TStream& stream, int version, PLazyNode node);
    // Skips one node chunk; raises when the next chunk is no anchor.
    void SkipNode(rtl::TStream& stream);
    // Writes the size of the chunk from startPos to endPos into its header, and returns to endPos.
    static void PatchChunkSize(rtl::TStream& stream, int64_t startPos, int64_t endPos);
    // Moves source (or its children) to target, which may belong to another tree. Target nil: the top
    // level of this tree.
    void MoveNodeTo(PLazyNode source, PLazyNode target, TVTNodeAttachMode mode, bool childrenOnly);

    // --- Clipboard ------------------------------------------------------------------------------------
    // The selection goes to the clipboard as node chunks with a reference to this tree; its nodes are
    // marked until the cut or copy ends. A cut removes them when they are pasted.
    void CopyToClipboard();
    void CutToClipboard();
    void CancelCutOrCopy();
    // After a paste of a cut: the marked nodes go.
    void FinishCutOrCopy();
    // Inserts the clipboard's nodes at the focused node by DefaultPasteMode; a cut in a tree of this
    // process is moved. False when the clipboard holds no nodes or the tree is read-only.
    bool PasteFromClipboard();
    TVTNodeAttachMode DefaultPasteMode() const { return defaultPasteMode_; }
    void SetDefaultPasteMode(TVTNodeAttachMode value) { defaultPasteMode_ = value; }
    void MarkCutCopyNodes();
    // The nodes as node chunks after their 32-bit size: what a cut, a copy or a drag carries.
    std::string NodeData(const std::vector<PLazyNode>& nodes);
    // Inserts nodes at target by mode (nil: the top level). Optimised (a move inside this process),
    // the source's `moved` nodes move here; otherwise new nodes are read from data. False when the
    // tree is read-only.
    bool ProcessNodeData(TLazyTreeModel* source, const std::vector<PLazyNode>& moved, const std::string& data,
                         PLazyNode target, TVTNodeAttachMode mode, bool optimized);
    // While a drag is over the tree, holding the mouse near an edge scrolls it; entering or leaving
    // starts the delay again.
    void SetDropTarget(bool value) {
        dropTarget_ = value;
        StopAutoScroll();
    }

    // --- Invalidation -------------------------------------------------------------------------------
    void InvalidateNode(PLazyNode node);
    void InvalidateToBottom(PLazyNode node);

    // --- Events -------------------------------------------------------------------------------------
    TInitNodeEvent OnInitNode;
    TInitChildrenEvent OnInitChildren;
    TNodeEvent OnFreeNode;
    TNodeEvent OnResetNode;
    TNodeEvent OnChange;
    TFocusChangingEvent OnFocusChanging;
    TFocusChangedEvent OnFocusChanged;
    TCheckingEvent OnChecking;
    TNodeEvent OnChecked;
    TStructureChangeEvent OnStructureChange;
    TStateChangeEvent OnStateChange;
    TUpdatingEvent OnUpdating;
    TGetNodeDataSizeEvent OnGetNodeDataSize;
    TNodeAllowedEvent OnExpanding;
    TNodeAllowedEvent OnCollapsing;
    TNodeEvent OnExpanded;
    TNodeEvent OnCollapsed;
    TMeasureItemEvent OnMeasureItem;
    TScrollEvent OnScroll;
    TCompareEvent OnCompareNodes;
    TIncrementalSearchEvent OnIncrementalSearch;
    TNodeStreamEvent OnSaveNode;
    TNodeStreamEvent OnLoadNode;
    TNodeCopyMoveEvent OnNodeMoving;
    TNodeEvent OnNodeMoved;
    TNodeCopyMoveEvent OnNodeCopying;
    TNodeEvent OnNodeCopied;

    // Entries to be removed from a selection array are marked by bit 0 of their address; this packs
    // the others together and returns how many remain, or -1 for an empty array (nothing to do).
    static int CompactSelection(PLazyNode* nodes, int count);

protected:
    // The width of a node's content in a column: 0 here, the text width in a string tree.
    virtual int DoGetNodeWidth(PLazyNode node, int column);
    // How wide the content is that scrolls horizontally: the widest node in view here, the columns in a
    // tree that has them.
    virtual int ContentWidth() { return GetMaxRightExtend(); }
    // A node is about to be repainted: what a derived tree measured of it may be stale.
    virtual void NodeInvalidated(PLazyNode node) {}

    // Every event is fired by one of these, so that a derived tree can take part; without a handler
    // they do nothing and answer the default (allowed, unchanged).
    virtual void DoGetNodeDataSize(int& nodeDataSize);
    virtual void DoInitNode(PLazyNode parent, PLazyNode node, TLazyNodeInitStates& initialStates);
    virtual void DoInitChildren(PLazyNode node, uint32_t& childCount);
    virtual void DoReset(PLazyNode node);
    // Fires OnFreeNode for a node that was initialised or asked for it, then releases the block.
    virtual void DoFreeNode(PLazyNode node);
    virtual bool DoFocusChanging(PLazyNode oldNode, PLazyNode newNode, int oldColumn, int newColumn);
    virtual void DoFocusChange(PLazyNode node, int column);
    // Without OnChecking every change is allowed; a read-only tree refuses without asking.
    virtual bool DoChecking(PLazyNode node, TCheckState& newCheckState);
    virtual void DoCheckClick(PLazyNode node, TCheckState newCheckState);
    virtual void DoChecked(PLazyNode node);
    virtual void DoUpdating(TVTUpdateState state);
    virtual void DoChange(PLazyNode node);
    virtual void DoStructureChange(PLazyNode node, TChangeReason reason);
    virtual void DoMeasureItem(PLazyNode node, int& nodeHeight);
    virtual void DoScroll(int deltaX, int deltaY);
    virtual bool DoCollapsing(PLazyNode node);
    virtual bool DoExpanding(PLazyNode node);
    virtual void DoCollapsed(PLazyNode node);
    virtual void DoExpanded(PLazyNode node);
    // OnCompareNodes; negative when node1 comes first ascending, 0 (no handler) when equal.
    virtual int DoCompare(PLazyNode node1, PLazyNode node2, int column);
    // Whether a node's text starts with the search text: 0 when it does.
    virtual int DoIncrementalSearch(PLazyNode node, const std::u16string& searchText) {
        return IncrementalSearchEvent(node, searchText);
    }
    // A running edit ends before nodes move; false when it cannot, and nothing is sorted.
    virtual bool EndEditBeforeSort() { return true; }
    virtual void DoBeep();
    // What a derived tree adds to a node chunk after the user data, and reads of it: a chunk type of
    // its own (true when it was handled).
    virtual void WriteNodeExtras(rtl::TStream& stream, PLazyNode node) {}
    virtual bool ReadExtraChunk(rtl::TStream& stream, int chunkType, int chunkSize, PLazyNode node) {
        return false;
    }

private:
    // Node blocks.
    PLazyNode CreateNodeBlock();
    void CreateRootNode();
    void FreeNodeBlock(PLazyNode node);
    void ResizeChildList(PLazyNode node, uint32_t newCount);
    void PropagateTotalCount(PLazyNode node, int64_t value, bool relative);
    void PropagateTotalHeight(PLazyNode node, int64_t value, bool relative);
    bool ReadOnly() const { return options_.MiscOptions.Contains(toReadOnly); }
    bool ChildrenAboveOn(bool considerChildrenAbove) const {
        return considerChildrenAbove && options_.PaintOptions.Contains(toChildrenAbove);
    }
    // Initialises a node that is not yet, and counts the children of one about to be walked into.
    void EnsureInitialized(PLazyNode node);
    void EnsureChildrenCounted(PLazyNode node);
    // What the sibling walkers stop at: visible, and not filtered unless filtered nodes are included.
    bool Listed(PLazyNode node, bool includeFiltered) const {
        return node->States.Contains(nsVisible) && (includeFiltered || !IsEffectivelyFiltered(node));
    }
    PLazyNode VisibleSiblingNoInit(PLazyNode node, bool includeFiltered, PLazyNode TLazyNode::*step) const;
    // Walks from the root along first or last children to the deepest one, optionally initialising.
    PLazyNode DeepestFirstDescendant(PLazyNode node, bool init);

    // Selection internals: the array is sorted by address.
    bool InternalAddToSelection(PLazyNode node);
    // Drops what the constraints refuse from nodes, then merges the rest into the array.
    bool InternalAddToSelection(std::vector<PLazyNode>& nodes, bool forceInsert);
    void InternalRemoveFromSelection(PLazyNode node);
    void InternalClearSelection();
    void PackSelection();
    void DoFocusNode(PLazyNode node, bool ask);
    bool MouseButtonDown() const {
        return states_.Contains(tsLeftButtonDown) || states_.Contains(tsMiddleButtonDown) ||
               states_.Contains(tsRightButtonDown);
    }
    // The earlier and the later of two nodes on display.
    std::pair<PLazyNode, PLazyNode> DisplayOrdered(PLazyNode node1, PLazyNode node2) const;
    // Whether a band rectangle covers the part of a node that selects it.
    bool BandCovers(const TTreeRect& band, PLazyNode node, int top, int bottom);

    // Sorting internals.
    PLazyNode SortRun(PLazyNode& list, uint32_t count, int column, TSortDirection direction);
    PLazyNode MergeRuns(PLazyNode first, PLazyNode second, int column, TSortDirection direction);
    void SortLevels(PLazyNode node, int column, TSortDirection direction, bool doInit);

    // Node stream internals.
    void WriteNode(rtl::TStream& stream, PLazyNode node);
    void ReadNode(rtl::TStream& stream, int version, PLazyNode node, int depth);
    void ReadBaseChunk(rtl::TStream& stream, int version, int64_t end, PLazyNode node, int depth);
    void ReadUserData(rtl::TStream& stream, int64_t end, PLazyNode node);
    void RepairAfterLoad(PLazyNode node, uint32_t oldTotalCount, uint32_t oldTotalHeight, bool wasShown);
    void MoveToOtherTree(PLazyNode source, TLazyTreeModel& targetTree, PLazyNode target,
                         TVTNodeAttachMode mode, bool childrenOnly);

    // Clipboard internals.
    void PutOnClipboard(TLazyTreeState pending);
    // A destroyed tree leaves the registry of live trees, so that a later paste never reaches it.
    void ForgetClipboardReference();

    // Incremental search internals.
    void SearchStep(char16_t charCode);
    PLazyNode SearchStartNode();
    PLazyNode SearchNeighbour(PLazyNode node, bool forward);
    PLazyNode SearchEnd(bool forward);
    void EndIncrementalSearch();

    // Timers of the framework, keyed by this tree and a TTreeTimer id.
    void StartTimer(int id, uint32_t milliseconds);
    void TimerFired(int id);

    // Notifications.
    void AccumulateChange(bool structure, PLazyNode node, TChangeReason reason);
    PLazyNode ReportedNode(PLazyNode node) const { return node == root_ ? nullptr : node; }

    // Geometry.
    bool WheelPanning() const {
        return states_.Contains(tsWheelPanning) || states_.Contains(tsWheelScrolling);
    }
    int NodeHeight(PLazyNode node);
    int NodeTop(PLazyNode node);
    // Walks the visible nodes from a cache entry (nil: the first node at top 0) until arrived says so,
    // appending an entry every kSpacing nodes when it starts from the last entry. Returns the node it
    // stopped at (nil at the end) with its top.
    PLazyNode WalkPositions(TPositionCache::TEntry start, int64_t& top,
                            const std::function<bool(PLazyNode node, int64_t top)>& arrived);
    void UpdateRanges();
    // Recomputes every total height and the visible count, as after a change of what is shown.
    void RecountHeightsAndVisible();
    void InvalidateWindow();
    int ClientWidth() const { return host_ ? host_->ClientWidth() : 0; }
    int ClientHeight() const { return host_ ? host_->ClientHeight() : 0; }
    bool HandleAllocated() const { return host_ && host_->HandleAllocated(); }
    void ScrollAfterToggle(PLazyNode node, bool expanded, int heightDelta);
    void StopAutoScroll();

    ITreeHost* host_;
    PLazyNode root_ = nullptr;
    TLazyTreeOptions options_;
    TLazyTreeStates states_;
    int nodeDataSize_ = -1; // -1: not yet known
    std::size_t totalInternalDataSize_ = 0;
    int defaultNodeHeight_ = kDefaultNodeHeight;
    uint32_t animationDuration_ = 200;
    TVTColors colors_{*this};
    uint32_t visibleCount_ = 0;
    int indent_ = 18;
    int margin_ = 4;
    int bottomSpace_ = 0;

    std::vector<PLazyNode> selection_; // sorted by address; bit 0 marks an entry to drop
    bool selectionMarked_ = false;
    bool selectionLocked_ = false;
    PLazyNode focusedNode_ = nullptr;
    int focusedColumn_ = kNoColumn;
    PLazyNode rangeAnchor_ = nullptr;
    int lastSelectionLevel_ = -1; // the level toLevelSelectConstraint holds to; -1: not yet set
    TTreeRect lastSelectionRect_;
    TTreeRect newSelectionRect_;
    bool drawSelectionToggles_ = false; // the band was started with Ctrl

    PLazyNode checkNode_ = nullptr; // whose check press is pending
    TCheckState pendingCheckState_ = csUncheckedNormal;
    uint32_t checkPropagationCount_ = 0;
    PLazyNode hotNode_ = nullptr;
    bool enabled_ = true;

    uint32_t updateCount_ = 0;
    uint32_t changeDelay_ = 0;
    PLazyNode lastChangedNode_ = nullptr;
    PLazyNode lastStructureChangeNode_ = nullptr;
    TChangeReason lastStructureChangeReason_ = crIgnore;
    uint32_t operationCount_ = 0;
    bool operationCanceled_ = false;

    // Node tops of every 2000th visible node. Cut back by every change of a height, of the structure
    // or of an expansion state at the changed node (InvalidateCache); extended by the walks below.
    TPositionCache cache_;

    int offsetX_ = 0;
    int offsetY_ = 0;
    int rangeX_ = 0;
    int rangeY_ = 0;
    uint32_t autoScrollDelay_ = 1000;
    uint32_t autoScrollInterval_ = 1;
    TAlignment alignment_ = taLeftJustify;
    TBiDiMode biDiMode_ = bdLeftToRight;
    TScrollStyle scrollBars_ = ssBoth;
    bool alwaysVisible_ = false;
    TTreePoint panningAnchor_;
    int verticalIncrement_ = 20;
    int horizontalIncrement_ = 20;
    TScrollDirections scrollDirections_;
    uint64_t autoScrollStart_ = 0; // 0: not started

    TVTIncrementalSearch incrementalSearch_ = isNone;
    TVTSearchDirection searchDirection_ = sdForward;
    TVTSearchStart searchStart_ = ssFocusedNode;
    uint32_t searchTimeout_ = 1000;
    std::u16string searchText_; // empty while no search runs
    TVTNodeAttachMode defaultPasteMode_ = amAddChildLast;
    bool dropTarget_ = false;
    uint32_t clipboardId_ = 0; // this tree's number in the clipboard's tree reference; 0: none yet
    PLazyNode lastSearchHit_ = nullptr;
};

} // namespace lazytree
