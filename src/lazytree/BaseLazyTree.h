// The lazy tree control: nodes made on demand, painting, header, scrolling, editing and drag and drop.
#pragma once

#include "lazytree/LazyTreeDragDrop.h"
#include "lazytree/LazyTreeEditLink.h"
#include "lazytree/LazyTreeHeader.h"
#include "lazytree/LazyTreeLines.h"
#include "lazytree/LazyTreeModel.h"
#include "lazytree/TreeHost.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Themes.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace ui {
class TCustomImageList;
class TPopupMenu;
} // namespace ui

namespace lazytree {

enum TVTLineMode : uint8_t { lmNormal, lmBands };
enum TVTLineStyle : uint8_t { lsCustomStyle, lsDotted, lsSolid };
enum TVTButtonStyle : uint8_t { bsRectangle, bsTriangle };
enum TVTButtonFillMode : uint8_t { fmTreeColor, fmWindowColor, fmShaded, fmTransparent };
enum TVTImageKind : uint8_t { ikNormal, ikSelected, ikState, ikOverlay };
enum TItemEraseAction : uint8_t { eaColor, eaDefault, eaNone };
enum TVTCellPaintMode : uint8_t { cpmPaint, cpmGetContentMargin };
enum TVTHintMode : uint8_t { hmDefault, hmHint, hmHintAndDefault, hmTooltip };
enum TVTDrawSelectionMode : uint8_t { smDottedRectangle, smBlendedRectangle };

// What one paint call draws.
enum TVTPaintCallOption : uint8_t {
    pcBackground,
    pcColumnColor,
    pcFocusRect,
    pcSelection,
    pcDropMark,
    pcGridLines,
    pcMainColumnOnly,
    pcSelectedOnly,
};
using TVTPaintCallOptions = rtl::Set<TVTPaintCallOption, 8>;
// What the screen paint asks for.
inline const TVTPaintCallOptions kScreenPaintOptions{pcBackground, pcColumnColor, pcFocusRect,
                                                     pcSelection,  pcDropMark,    pcGridLines};

// One image of a cell: which, from which list, and where in the row's bitmap.
struct TVTImageSlot {
    int Index = -1;
    int XPos = 0;
    int YPos = 0;
    bool Ghosted = false;
    ui::TCustomImageList* Images = nullptr;
};
enum TVTImageSlotIndex : uint8_t { isNormal, isState, isCheck, isOverlay };

// Everything the steps of painting one cell share. Rectangles are in the row bitmap: x in tree
// coordinates, y from the node's top.
struct TVTCellPaintInfo {
    ui::TCanvas* Canvas = nullptr;
    TVTPaintCallOptions PaintOptions;
    PLazyNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    int Position = 0;
    ui::TRect CellRect;
    ui::TRect ContentRect;
    int NodeWidth = 0;
    TAlignment Alignment = taLeftJustify;
    bool RightToLeft = false;
    ui::TPoint BrushOrigin;
    std::array<TVTImageSlot, 4> ImageSlots;
};

enum TVTNodeHitPosition : uint8_t {
    nhAbove,
    nhBelow,
    nhNowhere,
    nhOnButton,
    nhOnButtonArea,
    nhOnCheckBox,
    nhOnNode,
    nhOnNormalImage,
    nhOnStateImage,
    nhOnText,
    nhLeftOfText,
    nhRightOfText,
    nhLeft,
    nhRight,
    nhUpperEdge,
    nhLowerEdge,
};
using TVTNodeHitPositions = rtl::Set<TVTNodeHitPosition, 16>;

// What a header click hit, as bits: nowhere 1, on a column 2, on its image 4, on its check box 8.
enum TVTHeaderHitPosition : uint8_t { hhiNoWhere, hhiOnColumn, hhiOnIcon, hhiOnCheckbox };
using TVTHeaderHitPositions = rtl::Set<TVTHeaderHitPosition, 8>;

struct TVTHeaderHitInfo {
    int X = 0;
    int Y = 0;
    ui::TMouseButton Button = ui::mbLeft;
    ui::TShiftState Shift;
    TColumnIndex Column = NoColumn;
    TVTHeaderHitPositions HitPosition;
};

struct TVTNodeHitInfo {
    PLazyNode HitNode = nullptr;
    TVTNodeHitPositions HitPositions;
    TColumnIndex HitColumn = NoColumn;
};

// What a header section shows while a column is dragged over it.
enum TVTDropMarkMode : uint8_t { dmmNone, dmmLeft, dmmRight };
// The parts of the header an advanced owner draw takes over.
enum THeaderPaintElement : uint8_t { hpeBackground, hpeDropMark, hpeHeaderGlyph, hpeSortGlyph, hpeText };
using THeaderPaintElements = rtl::Set<THeaderPaintElement, 8>;
// A column whose section the application draws (its look's Style).
inline constexpr int kOwnerDrawColumn = 1;

// One header section being painted (Column NoColumn: the background).
struct THeaderPaintInfo {
    ui::TCanvas* TargetCanvas = nullptr;
    TColumnIndex Column = NoColumn;
    ui::TRect PaintRectangle;
    ui::TRect TextRectangle;
    bool IsHoverIndex = false;
    bool IsDownIndex = false;
    bool IsEnabled = true;
    bool ShowHeaderGlyph = false;
    bool ShowSortGlyph = false;
    bool ShowRightBorder = true;
    TVTDropMarkMode DropMark = dmmNone;
    ui::TPoint GlyphPos;
    ui::TPoint SortGlyphPos;
};

// The lazy tree control: a custom-painted window over a TLazyTreeModel. It paints the rows the model
// positions, turns mouse and keys into model calls and gives the model what a window has; the model
// decides what is where.
class TBaseLazyTree : public ui::TCustomControl {
public:
    using TGetImageIndexEvent = std::function<void(TBaseLazyTree& sender, PLazyNode node, TVTImageKind kind,
                                                   TColumnIndex column, bool& ghosted, int& imageIndex)>;
    using TGetImageIndexExEvent =
        std::function<void(TBaseLazyTree& sender, PLazyNode node, TVTImageKind kind, TColumnIndex column,
                           bool& ghosted, int& imageIndex, ui::TCustomImageList*& imageList)>;
    using TGetLineStyleEvent = std::function<void(TBaseLazyTree& sender, const uint8_t*& bits)>;
    using TItemEraseEvent =
        std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas, PLazyNode node,
                           const ui::TRect& itemRect, ui::TColor& itemColor, TItemEraseAction& eraseAction)>;
    using TItemEvent = std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas, PLazyNode node,
                                          const ui::TRect& itemRect)>;
    using TBeforeItemPaintEvent =
        std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas, PLazyNode node,
                           const ui::TRect& itemRect, bool& customDraw)>;
    using TBeforeCellPaintEvent =
        std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
                           TVTCellPaintMode mode, const ui::TRect& cellRect, ui::TRect& contentRect)>;
    using TAfterCellPaintEvent =
        std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
                           const ui::TRect& cellRect)>;
    using TPaintEvent = std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas)>;
    using TBackgroundPaintEvent =
        std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas, const ui::TRect& r, bool& handled)>;
    using TGetCellIsEmptyEvent =
        std::function<void(TBaseLazyTree& sender, PLazyNode node, TColumnIndex column, bool& isEmpty)>;
    using TGetPopupMenuEvent = std::function<void(TBaseLazyTree& sender, PLazyNode node, TColumnIndex column,
                                                  ui::TPoint p, bool& askParent, ui::TPopupMenu*& menu)>;
    using THotChangeEvent = std::function<void(TBaseLazyTree& sender, PLazyNode oldNode, PLazyNode newNode)>;
    using TColumnClickEvent =
        std::function<void(TBaseLazyTree& sender, TColumnIndex column, ui::TShiftState shift)>;
    using TKeyActionEvent =
        std::function<void(TBaseLazyTree& sender, uint16_t& key, ui::TShiftState& shift, bool& doDefault)>;
    using TEditingEvent =
        std::function<void(TBaseLazyTree& sender, PLazyNode node, TColumnIndex column, bool& allowed)>;
    using TCreateEditorEvent = std::function<void(TBaseLazyTree& sender, PLazyNode node, TColumnIndex column,
                                                  PVTEditLink& editLink)>;
    using TEditedEvent = std::function<void(TBaseLazyTree& sender, PLazyNode node, TColumnIndex column)>;
    using TEditCancelEvent = std::function<void(TBaseLazyTree& sender, TColumnIndex column)>;
    using THeaderDrawEvent =
        std::function<void(TBaseLazyTree& sender, ui::TCanvas& canvas, TColumnIndex column,
                           const ui::TRect& r, bool hover, bool pressed, TVTDropMarkMode dropMark)>;
    using THeaderDrawQueryElementsEvent =
        std::function<void(TBaseLazyTree& sender, THeaderPaintInfo& info, THeaderPaintElements& elements)>;
    using TAdvancedHeaderDrawEvent =
        std::function<void(TBaseLazyTree& sender, THeaderPaintInfo& info, THeaderPaintElements elements)>;
    // A drag over the tree: `source` is the tree the nodes come from (or the framework's source);
    // clear accept to refuse, or change the proposed effect.
    using TNodeDragOverEvent = std::function<void(TBaseLazyTree& sender, ui::TObject* source,
                                                  ui::TShiftState shift, ui::TDragState state, ui::TPoint p,
                                                  TDropMode mode, uint32_t& effect, bool& accept)>;
    // A drop: the handler inserts what it wants (ProcessDrop) and says what it did in effect.
    using TNodeDragDropEvent =
        std::function<void(TBaseLazyTree& sender, ui::TObject* source, ui::TShiftState shift, ui::TPoint p,
                           uint32_t& effect, TDropMode mode)>;
    using THeaderClickEvent = std::function<void(TVTHeader& sender, const TVTHeaderHitInfo& hitInfo)>;
    using THeaderDraggedEvent =
        std::function<void(TVTHeader& sender, TColumnIndex column, uint32_t oldPosition)>;
    using TColumnEvent = std::function<void(TVTHeader& sender, TColumnIndex column)>;
    using TDragAllowedEvent =
        std::function<void(TBaseLazyTree& sender, PLazyNode node, TColumnIndex column, bool& allowed)>;

    static constexpr int kDefaultButtonSize = 9;
    static constexpr uint32_t kDefaultEditDelay = 1000;

    explicit TBaseLazyTree(ui::TComponent* owner);
    ~TBaseLazyTree() override;

    TLazyTreeModel& Tree() { return tree_; }
    const TLazyTreeModel& Tree() const { return tree_; }
    TVTHeader& Header() { return header_; }
    const TVTHeader& Header() const { return header_; }

    // --- Look ---------------------------------------------------------------------------------------
    ui::TCustomImageList* Images() const { return images_; }
    void SetImages(ui::TCustomImageList* list);
    ui::TCustomImageList* StateImages() const { return stateImages_; }
    void SetStateImages(ui::TCustomImageList* list);
    ui::TCustomImageList* CheckImages() const { return checkImages_; }
    void SetCheckImages(ui::TCustomImageList* list);
    TVTLineMode LineMode() const { return lineMode_; }
    void SetLineMode(TVTLineMode value);
    TVTLineStyle LineStyle() const { return lineStyle_; }
    void SetLineStyle(TVTLineStyle value);
    TVTButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TVTButtonStyle value);
    TVTButtonFillMode ButtonFillMode() const { return buttonFillMode_; }
    void SetButtonFillMode(TVTButtonFillMode value);
    TVTNodeAlignment NodeAlignment() const { return nodeAlignment_; }
    void SetNodeAlignment(TVTNodeAlignment value);
    int SelectionCurveRadius() const { return selectionCurveRadius_; }
    void SetSelectionCurveRadius(int value);
    // How the rubber band shows (themes always blend it), and how strongly blending colours.
    TVTDrawSelectionMode DrawSelectionMode() const { return drawSelectionMode_; }
    void SetDrawSelectionMode(TVTDrawSelectionMode value);
    uint8_t SelectionBlendFactor() const { return selectionBlendFactor_; }
    void SetSelectionBlendFactor(uint8_t value);
    TVTHintMode HintMode() const { return hintMode_; }
    void SetHintMode(TVTHintMode value) { hintMode_ = value; }
    uint32_t EditDelay() const { return editDelay_; }
    void SetEditDelay(uint32_t value) { editDelay_ = value; }
    // The bitmaps of the expand buttons: collapsed, expanded, hot collapsed, hot expanded.
    const ui::TBitmap& ButtonBitmap(bool expanded, bool hot);
    // Right-to-left layout (bdRightToLeft) keeps the columns to the right; any mode but bdLeftToRight
    // lays its cells out from the right. Columns with coParentBidiMode follow the tree.
    TBiDiMode BiDiMode() const { return tree_.BiDiMode(); }
    void SetBiDiMode(TBiDiMode value);
    // How far right-to-left layout moves the columns right, so that they end at the client's edge.
    int RTLOffset() const;

    // The header's own images, and the strip of drop marks (0, 1), sort glyphs (2-5) and the hot
    // underline's pieces (6-8) it draws with.
    ui::TCustomImageList* HeaderImages() const { return headerImages_; }
    void SetHeaderImages(ui::TCustomImageList* list);
    ui::TCustomImageList& UtilityImages();

    // --- Painting -----------------------------------------------------------------------------------
    // Paints the part `target` (header coordinates) of the visible header onto canvas at `at`.
    void PaintHeader(ui::TCanvas& canvas, const ui::TRect& target, ui::TPoint at);
    // Paints the tree area `window` (tree coordinates) onto canvas at target.
    void PaintTree(ui::TCanvas& canvas, const ui::TRect& window, ui::TPoint target,
                   TVTPaintCallOptions options);
    TColumnIndex HotColumn() const { return hotColumn_; }
    bool HotButton() const { return hotButton_; }

    // --- Hit testing and mouse --------------------------------------------------------------------------
    // What lies under a point: client coordinates when relative, else tree coordinates.
    TVTNodeHitInfo HitTestAt(int x, int y, bool relative = true);
    void HandleMouseDown(ui::TMouseButton button, ui::TShiftState shift, ui::TPoint p, TVTNodeHitInfo hit);
    void HandleMouseUp(ui::TShiftState shift, ui::TPoint p, const TVTNodeHitInfo& hit);
    void HandleMouseDblClick(ui::TShiftState shift, ui::TPoint p, const TVTNodeHitInfo& hit);
    void HandleHotTrack(int x, int y);
    ui::TPopupMenu* DoGetPopupMenu(PLazyNode node, TColumnIndex column, ui::TPoint p);

    // --- Keyboard -----------------------------------------------------------------------------------
    // The tree's reaction to a pressed key; false when the key meant nothing to it.
    bool HandleKeyDown(uint16_t key, ui::TShiftState shift);
    void HandleKeyUp(uint16_t key);

    // --- Hints --------------------------------------------------------------------------------------
    struct TNodeHint {
        ui::TRect Rect; // client coordinates
        std::u16string Text;
    };
    // The hint for a client point by the hint mode; empty text when none shows there.
    TNodeHint HintAt(int x, int y);

    // Fits every visible resizable column (or one) to the widest content it shows.
    void AutoFitColumns();
    void AutoFitColumn(TColumnIndex index);
    // Scrolls horizontally until the column shows (centred on request); false for no such column.
    bool ScrollColumnIntoView(TColumnIndex column, bool center);

    // --- Dragging nodes -------------------------------------------------------------------------------
    TDragOperations DragOperations() const { return dragOperations_; }
    void SetDragOperations(TDragOperations value) { dragOperations_ = value; }
    uint32_t AutoExpandDelay() const { return autoExpandDelay_; }
    void SetAutoExpandDelay(uint32_t value) { autoExpandDelay_ = value; }
    // Drags the selection: at once, or once the mouse moved `threshold` pixels from the last press
    // (negative: the system's drag distance).
    void BeginDragging(bool immediate, int threshold = -1);
    bool IsDragInProgress() const;
    // The nodes of the running drag, in tree order without nodes below dragged ones.
    const std::vector<PLazyNode>& DragSelection() const { return dragSelection_; }
    PLazyNode DropTargetNode() const { return dropTargetNode_; }
    TDropMode LastDropMode() const { return lastDropMode_; }
    // For a drop handler: the nodes dragged from source arrive at target by mode. A move from a tree
    // of this program relinks them (and they are gone from the source's drag); anything else copies
    // them. False for a source that is no tree or a read-only tree.
    bool ProcessDrop(ui::TObject* source, PLazyNode target, uint32_t effect, TVTNodeAttachMode mode);

    // --- In-place editing ---------------------------------------------------------------------------
    // Whether the node's cell may be edited (toEditable, then OnEditing).
    bool CanEdit(PLazyNode node, TColumnIndex column);
    // Focuses the node and edits the cell; true when an editor runs.
    bool EditNode(PLazyNode node, TColumnIndex column);
    // Accept or drop a running (or pending) edit; true when none is left.
    bool EndEditNode();
    bool CancelEditNode();
    bool IsEditing() const { return tree_.TreeStates().Contains(tsEditing); }
    TColumnIndex EditColumn() const { return editColumn_; }
    // Moves the editor over its cell again, after scrolling or a change of the cell's size.
    void UpdateEditBounds();

    void WndProc(ui::TMessage& message) override;

    TGetImageIndexEvent OnGetImageIndex;
    TGetImageIndexExEvent OnGetImageIndexEx;
    TGetLineStyleEvent OnGetLineStyle;
    TItemEraseEvent OnBeforeItemErase;
    TItemEvent OnAfterItemErase;
    TBeforeItemPaintEvent OnBeforeItemPaint;
    TItemEvent OnAfterItemPaint;
    TBeforeCellPaintEvent OnBeforeCellPaint;
    TAfterCellPaintEvent OnAfterCellPaint;
    TPaintEvent OnBeforePaint;
    TPaintEvent OnAfterPaint;
    TBackgroundPaintEvent OnPaintBackground;
    TGetCellIsEmptyEvent OnGetCellIsEmpty;
    TGetPopupMenuEvent OnGetPopupMenu;
    THotChangeEvent OnHotChange;
    TColumnClickEvent OnColumnClick;
    TColumnClickEvent OnColumnDblClick;
    TKeyActionEvent OnKeyAction;
    TEditingEvent OnEditing;
    TCreateEditorEvent OnCreateEditor;
    TEditedEvent OnEdited;
    TEditCancelEvent OnEditCancelled;
    TDragAllowedEvent OnDragAllowed;
    // The tree's own drag events; they take the place of the framework's.
    TNodeDragOverEvent OnDragOver;
    TNodeDragDropEvent OnDragDrop;
    THeaderClickEvent OnHeaderClick;
    THeaderClickEvent OnHeaderDblClick;
    // A column was dragged to another position.
    THeaderDraggedEvent OnHeaderDragged;
    // The mouse let go of (or Escape ended) a column's width.
    TColumnEvent OnAfterColumnWidthTracking;
    THeaderDrawEvent OnHeaderDraw;
    THeaderDrawQueryElementsEvent OnHeaderDrawQueryElements;
    TAdvancedHeaderDrawEvent OnAdvancedHeaderDraw;

protected:
    // Hooks of a derived tree.
    virtual int DoGetNodeWidth(PLazyNode node, TColumnIndex column);
    virtual void DoPaintNode(TVTCellPaintInfo& info) {}
    virtual bool ColumnIsEmpty(PLazyNode node, TColumnIndex column);
    // Widens the cell over what a derived tree spans; returns the next column to paint.
    virtual TColumnIndex AdjustPaintCellRect(TVTCellPaintInfo& info);
    virtual void DoNodeInitialized(PLazyNode node) {}
    virtual void DoNodeInvalidated(PLazyNode node) {}
    // A node's hint: the control's own here; a tooltip repeats the node's text.
    virtual std::u16string GetNodeHint(PLazyNode node, TColumnIndex column);
    virtual std::u16string GetNodeToolTip(PLazyNode node, TColumnIndex column) {
        return GetNodeHint(node, column);
    }
    virtual void FontChanged() {}
    // What a derived tree adds to a node's stream chunk, and reads back (true: a chunk of its own).
    virtual void WriteNodeExtras(rtl::TStream& stream, PLazyNode node) {}
    virtual bool ReadExtraChunk(rtl::TStream& stream, int chunkType, int chunkSize, PLazyNode node) {
        return false;
    }
    // The editor of a cell: OnCreateEditor's, which must give one; none without a handler.
    virtual PVTEditLink DoCreateEditor(PLazyNode node, TColumnIndex column);
    // Whether a node's text starts with the search text (0); OnIncrementalSearch decides here.
    virtual int DoIncrementalSearch(PLazyNode node, const std::u16string& searchText) {
        return tree_.IncrementalSearchEvent(node, searchText);
    }
    bool DoEndEdit();
    bool DoCancelEdit();
    // The text area's bounds for a tooltip: the cell's content rectangle in client coordinates.
    ui::TRect ContentRectInClient(PLazyNode node, TColumnIndex column);

    ui::TColor TreeColor() const;
    bool HasFocus() const;
    void GetImageIndex(TVTCellPaintInfo& info, TVTImageKind kind, TVTImageSlotIndex slot,
                       ui::TCustomImageList* defaultImages);
    bool HasImage(PLazyNode node, TVTImageKind kind, TColumnIndex column);
    // The indentation of a node's content in a column.
    int NodeIndent(PLazyNode node, TColumnIndex column) const;

    void Paint() override;
    ui::TRect NonClientInsets() const override;
    void Resize() override;
    void CreateWnd() override;
    void ApplyEnabled() override;
    void ApplyFont() override;
    void ApplyColor() override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    bool DoMouseWheel(ui::TShiftState shift, int wheelDelta, ui::TPoint mousePos) override;
    void KeyDown(uint16_t& key, ui::TShiftState shift) override;
    void KeyUp(uint16_t& key, ui::TShiftState shift) override;
    void KeyPress(char16_t& key) override;
    void DoExit() override;
    void DoStartDrag(ui::TDragObject*& dragObject) override;
    bool DragOver(ui::TObject* source, int x, int y, ui::TDragState state) override;
    void DragDrop(ui::TObject* source, int x, int y) override;
    void DoEndDrag(ui::TObject* target, int x, int y) override;

private:
    // The window side of the model.
    class THost : public ITreeHost {
    public:
        explicit THost(TBaseLazyTree& control) : control_(control) {}
        bool HandleAllocated() const override { return control_.HandleAllocated(); }
        int ClientWidth() const override { return control_.ClientWidth(); }
        int ClientHeight() const override { return control_.ClientHeight(); }
        void SetRedraw(bool on) override;
        void Invalidate(const TTreeRect* rect) override;
        void ScrollContent(int dx, int dy, const TTreeRect& clip) override;
        void SetScrollBar(bool horizontal, const TScrollBarState& state) override;
        TTreePoint CursorPos() const override;

    private:
        TBaseLazyTree& control_;
    };
    // The model with the derived tree's say in node widths and node life.
    class TModel : public TLazyTreeModel {
    public:
        TModel(TBaseLazyTree& control, ITreeHost* host) : TLazyTreeModel(host), control_(control) {}

    protected:
        int DoGetNodeWidth(PLazyNode node, int column) override {
            return control_.DoGetNodeWidth(node, column);
        }
        void DoInitNode(PLazyNode parent, PLazyNode node, TLazyNodeInitStates& initialStates) override;
        void NodeInvalidated(PLazyNode node) override;
        void DoFreeNode(PLazyNode node) override {
            control_.NodeFreed(node);
            TLazyTreeModel::DoFreeNode(node);
        }
        int ContentWidth() override;
        int DoIncrementalSearch(PLazyNode node, const std::u16string& searchText) override {
            return control_.DoIncrementalSearch(node, searchText);
        }
        bool EndEditBeforeSort() override { return control_.EndEditBeforeSort(); }
        void WriteNodeExtras(rtl::TStream& stream, PLazyNode node) override {
            control_.WriteNodeExtras(stream, node);
        }
        bool ReadExtraChunk(rtl::TStream& stream, int chunkType, int chunkSize, PLazyNode node) override {
            return control_.ReadExtraChunk(stream, chunkType, chunkSize, node);
        }

    private:
        TBaseLazyTree& control_;
    };

    void Scroll(int bar, int code);
    void InvalidateGlyphs();
    // Whether a column's cells (the tree's without columns) are laid out from the right.
    bool CellRightToLeft(TColumnIndex column) const;
    // The main column's colour, the tree's when the column follows it.
    ui::TColor MainColumnColor() const;
    void PrepareButtons();
    // The 8 x 8 tree-line pattern in two colours: 0 bits in fore, 1 bits in back.
    const ui::TBitmap& LinePattern(ui::TColor fore, ui::TColor back);

    // Paint steps.
    void PaintRow(ui::TCanvas& canvas, TVTCellPaintInfo& info, const ui::TRect& window, int nodeTop,
                  TVTPaintCallOptions options, bool useColumns, const TLineImage& lineImage);
    void EraseItem(ui::TCanvas& canvas, PLazyNode node, ui::TRect r, TVTPaintCallOptions options);
    // windowOrgX: the tree x of the row bitmap's left edge.
    void PaintCellSelection(TVTCellPaintInfo& info, int windowOrgX);
    // Blends r (tree x, moved by -originX onto the bitmap) with a colour by the blend factor.
    void BlendRect(ui::TBitmap& bitmap, ui::TRect r, int originX, ui::TColor color);
    // The rubber band over a bitmap whose canvas shows tree x from originX.
    void PaintSelectionRectangle(ui::TBitmap& bitmap, int originX, const ui::TRect& band);
    void PaintTreeLines(TVTCellPaintInfo& info, int vAlign, const TLineImage& lineImage);
    void DrawLineImage(TVTCellPaintInfo& info, int x, int y, int height, int vAlign, TVTLineType type);
    void PaintNodeButton(TVTCellPaintInfo& info, int buttonX, int buttonY);
    // The themed item under a selected or hot cell in the explorer look.
    void PaintExplorerItem(TVTCellPaintInfo& info, const ui::TRect& r, bool clipToCell,
                           ui::TThemedTreeItem state);
    void PaintImage(TVTCellPaintInfo& info, TVTImageSlotIndex slot, bool doOverlay);
    // The space below the last row; treeTop is its top in tree coordinates.
    void PaintRemainingArea(ui::TCanvas& canvas, ui::TPoint target, int height, const ui::TRect& window,
                            int treeTop, TVTPaintCallOptions options, bool useColumns);
    void DrawDottedHLine(TVTCellPaintInfo& info, int left, int right, int top);
    void DrawDottedVLine(TVTCellPaintInfo& info, int top, int bottom, int left);
    void FillLine(ui::TCanvas& canvas, const ui::TRect& band);
    int EffectiveOffsetX() const { return -tree_.OffsetX(); }
    bool Focusable(TColumnIndex column) const;

    // Header.
    bool HeaderVisible() const { return header_.Options().Contains(hoVisible); }
    // What the mouse does in the header: sizing, dragging and clicking columns.
    enum THeaderTrack : uint8_t { htNone, htPressed, htWidthPending, htWidth, htDragPending, htDragging };
    // The header's turn at a message before the tree's; true when it took it.
    bool HeaderMessage(ui::TMessage& message);
    bool HeaderMouseDown(ui::TPoint p, bool doubleClick);
    bool HeaderMouseMove(ui::TPoint p);
    bool HeaderMouseUp(ui::TPoint p);
    bool CancelHeaderTracking();
    bool InHeader(ui::TPoint p) const;
    TColumnIndex HeaderColumnAt(ui::TPoint p) const;
    // The column whose right edge lies near x, and its left edge in client coordinates.
    TColumnIndex SplitterAt(int x, int& left) const;
    void HeaderClick(ui::TPoint p, bool doubleClick);
    void ShowSplitCursor(bool on);
    void HeaderChanged(bool layout);
    void PaintHeaderSection(THeaderPaintInfo& info, THeaderPaintElements ownerDrawn, bool simpleOwnerDraw);
    void PaintSectionBackground(THeaderPaintInfo& info);
    void DrawButtonText(ui::TCanvas& canvas, const std::u16string& caption, ui::TRect bounds, bool enabled,
                        bool hot, ui::TTextFormat format);
    void DrawXPSection(ui::TCanvas& canvas, const ui::TRect& r, bool hot, bool pressed, bool rightBorder);

    // Hit classification inside a cell (offset from its left, width right).
    void ClassifyHit(TVTNodeHitInfo& hit, int offset, int right, TAlignment alignment);
    // The same, measured from the cell's right edge.
    void ClassifyHitRTL(TVTNodeHitInfo& hit, int offset, int right, TAlignment alignment);
    // The room images take before the content of a node's cell.
    int ImagesWidth(PLazyNode node, TColumnIndex column);
    void ShowHint(ui::TMessage& message);
    void MouseLeft();

    // Mouse.
    bool HasPopupMenu(PLazyNode node, TColumnIndex column, ui::TPoint p);
    void DoPopupMenu(PLazyNode node, TColumnIndex column, ui::TPoint p);
    void ClearPendingMouseStates();
    void StartEditTimer();
    // Editing of the focused node's edit column begins.
    void DoEdit();
    void StopEditTimer();
    bool EndEditBeforeSort();
    void SetMouseCaptured(bool on);

    // Dragging nodes.
    void DoDragging();
    // The drop target and mode under a client point, and the effect a drop there would have.
    uint32_t DragOverNodes(ui::TObject* source, ui::TDragState state, ui::TPoint p);
    void SetDropTarget(PLazyNode node, TDropMode mode);
    void ForgetDropTarget();
    // A node going is no longer dragged or a drop target.
    void NodeFreed(PLazyNode node);
    void DoDragExpand();
    void PaintDropMark(ui::TCanvas& canvas, const ui::TRect& r);

    // Keyboard.
    bool HandleNavigationKey(uint16_t key, ui::TShiftState shift);
    void FocusNodeByKey(PLazyNode node);
    TColumnIndex FocusableColumn(TColumnIndex from, int step) const;
    void StepFocusedColumn(int step);
    void TabToCell(bool back);

    ui::TPoint mouse_;                      // where the mouse last moved over the window
    ui::TPoint lastClick_;                  // where the last button went down
    ui::TCursor ownCursor_ = ui::crDefault; // the cursor to restore after wheel panning
    bool resizing_ = false;
    THost host_;
    TModel tree_; // after host_, which it uses
    TVTHeader header_{tree_};

    ui::TCustomImageList* images_ = nullptr;
    ui::TCustomImageList* stateImages_ = nullptr;
    ui::TCustomImageList* checkImages_ = nullptr;
    ui::TCustomImageList* headerImages_ = nullptr;
    std::unique_ptr<ui::TCustomImageList> utilityImages_;
    ui::TBitmap headerBuffer_;
    TVTLineMode lineMode_ = lmNormal;
    TVTLineStyle lineStyle_ = lsDotted;
    TVTButtonStyle buttonStyle_ = bsRectangle;
    TVTButtonFillMode buttonFillMode_ = fmTreeColor;
    TVTNodeAlignment nodeAlignment_ = naProportional;
    int selectionCurveRadius_ = 0;
    TVTDrawSelectionMode drawSelectionMode_ = smDottedRectangle;
    uint8_t selectionBlendFactor_ = 128;
    TVTHintMode hintMode_ = hmDefault;
    uint32_t editDelay_ = kDefaultEditDelay;

    bool buttonsValid_ = false;
    bool buttonsThemed_ = false; // the look the buttons were built for
    bool buttonsExplorer_ = false;
    std::array<ui::TBitmap, 4> buttons_; // collapsed, expanded, hot collapsed, hot expanded
    std::map<std::pair<ui::TColor, ui::TColor>, ui::TBitmap> linePatterns_;
    ui::TBitmap rowBitmap_;

    TColumnIndex hotColumn_ = NoColumn;
    bool hotButton_ = false;
    TColumnIndex clickColumn_ = NoColumn; // the column of the last press
    TColumnIndex editColumn_ = NoColumn;
    PVTEditLink editLink_; // while editing
    bool destroying_ = false;
    ui::TShiftState drawShift_;        // the modifiers when the rubber band was armed
    PLazyNode pressToggled_ = nullptr; // what the press being held toggled by its button

    THeaderTrack headerTrack_ = htNone;
    TColumnIndex trackColumn_ = NoColumn; // the column sized or dragged
    int trackLeft_ = 0;                   // its left edge while sized
    ui::TPoint headerPress_;              // where the header was pressed
    TColumnIndex clickedColumn_ = NoColumn;
    bool splitCursor_ = false;
    ui::TCursor cursorBeforeSplit_ = ui::crDefault;

    TDragOperations dragOperations_{doCopy, doMove};
    uint32_t autoExpandDelay_ = 1000;
    int dragThreshold_ = -1;
    std::unique_ptr<TNodeDragObject> dragObject_; // while this tree's nodes are dragged
    std::vector<PLazyNode> dragSelection_;
    PLazyNode dropTargetNode_ = nullptr;
    TDropMode lastDropMode_ = dmNowhere;
};

} // namespace lazytree
