// The states, options and reasons a lazy tree's parts share.
#pragma once

#include "platform/rtl/Set.h"

#include <cstdint>

namespace lazytree {

// The tree's own states. They change only through TLazyTreeModel::DoStateChange.
enum TLazyTreeState : uint8_t {
    tsCancelHintAnimation,
    tsChangePending,
    tsCheckPropagation,
    tsCollapsing,
    tsToggleFocusedSelection,
    tsClearPending,
    tsClipboardFlushing,
    tsCopyPending,
    tsCutPending,
    tsDrawSelPending,
    tsDrawSelecting,
    tsEditing,
    tsEditPending,
    tsExpanding,
    tsNodeHeightTracking,
    tsNodeHeightTrackPending,
    tsHint,
    tsInAnimation,
    tsIncrementalSearching,
    tsIncrementalSearchPending,
    tsIterating,
    tsKeyCheckPending,
    tsLeftButtonDown,
    tsLeftDblClick,
    tsMouseCheckPending,
    tsMiddleButtonDown,
    tsMiddleDblClick,
    tsNeedScale,
    tsNeedRootCountUpdate,
    tsOLEDragging,
    tsOLEDragPending,
    tsPainting,
    tsRightButtonDown,
    tsRightDblClick,
    tsPopupMenuShown,
    tsScrolling,
    tsScrollPending,
    tsSizing,
    tsStopValidation,
    tsStructureChangePending,
    tsSynchMode,
    tsThumbTracking,
    tsToggling,
    tsUpdateHiddenChildrenNeeded,
    tsUpdating,
    tsUseCache,
    tsUserDragObject,
    tsUseThemes,
    tsValidating,
    tsValidationNeeded,
    tsVCLDragging,
    tsVCLDragPending,
    tsWheelPanning,
    tsWheelScrolling,
    tsWindowCreating,
};
using TLazyTreeStates = rtl::Set<TLazyTreeState, 56>;

enum TChangeReason : uint8_t {
    crIgnore,
    crAccumulated,
    crChildAdded,
    crChildDeleted,
    crNodeAdded,
    crNodeCopied,
    crNodeMoved
};

enum TVTUpdateState : uint8_t { usBegin, usBeginSynch, usSynch, usUpdate, usEnd, usEndSynch };

// What OnInitNode may ask for a node.
enum TLazyNodeInitState : uint8_t { ivsDisabled, ivsExpanded, ivsHasChildren, ivsMultiline, ivsSelected };
using TLazyNodeInitStates = rtl::Set<TLazyNodeInitState, 8>;

enum TVTNodeAttachMode : uint8_t {
    amNoWhere,
    amInsertBefore,
    amInsertAfter,
    amAddChildFirst,
    amAddChildLast
};

// The option sets the node core reads.
enum TVTPaintOption : uint8_t {
    toHideFocusRect,
    toHideSelection,
    toHotTrack,
    toPopupMode,
    toShowBackground,
    toShowButtons,
    toShowDropmark,
    toShowHorzGridLines,
    toShowRoot,
    toShowTreeLines,
    toShowVertGridLines,
    toThemeAware,
    toUseBlendedImages,
    toGhostedIfUnfocused,
    toFullVertGridLines,
    toAlwaysHideSelection,
    toUseBlendedSelection,
    toStaticBackground,
    toChildrenAbove,
    toFixedIndent,
    toUseExplorerTheme,
    toHideTreeLinesIfThemed,
    toShowHiddenNodes,
};
using TVTPaintOptions = rtl::Set<TVTPaintOption, 32>;

enum TVTAnimationOption : uint8_t { toAnimatedToggle, toAdvancedAnimatedToggle };
using TVTAnimationOptions = rtl::Set<TVTAnimationOption, 8>;

enum TVTAutoOption : uint8_t {
    toAutoDropExpand,
    toAutoExpand,
    toAutoScroll,
    toAutoScrollOnExpand,
    toAutoSort,
    toAutoSpanColumns,
    toAutoTristateTracking,
    toAutoHideButtons,
    toAutoDeleteMovedNodes,
    toDisableAutoscrollOnFocus,
    toAutoChangeScale,
    toAutoFreeOnCollapse,
    toDisableAutoscrollOnEdit,
    toAutoBidiColumnOrdering,
};
using TVTAutoOptions = rtl::Set<TVTAutoOption, 16>;

enum TVTSelectionOption : uint8_t {
    toDisableDrawSelection,
    toExtendedFocus,
    toFullRowSelect,
    toLevelSelectConstraint,
    toMiddleClickSelect,
    toMultiSelect,
    toRightClickSelect,
    toSiblingSelectConstraint,
    toCenterScrollIntoView,
    toSimpleDrawSelection,
};
using TVTSelectionOptions = rtl::Set<TVTSelectionOption, 16>;

enum TVTMiscOption : uint8_t {
    toAcceptOLEDrop,
    toCheckSupport,
    toEditable,
    toFullRepaintOnResize,
    toGridExtensions,
    toInitOnSave,
    toReportMode,
    toToggleOnDblClick,
    toWheelPanning,
    toReadOnly,
    toVariableNodeHeight,
    toFullRowDrag,
    toNodeHeightResize,
    toNodeHeightDblClickResize,
    toEditOnClick,
    toEditOnDblClick,
};
using TVTMiscOptions = rtl::Set<TVTMiscOption, 16>;

struct TLazyTreeOptions {
    TVTPaintOptions PaintOptions{toShowButtons,   toShowDropmark, toShowRoot,
                                 toShowTreeLines, toThemeAware,   toUseBlendedImages};
    TVTAnimationOptions AnimationOptions;
    TVTAutoOptions AutoOptions{toAutoDropExpand, toAutoScrollOnExpand, toAutoTristateTracking,
                               toAutoDeleteMovedNodes};
    TVTSelectionOptions SelectionOptions;
    TVTMiscOptions MiscOptions{toAcceptOLEDrop,    toFullRepaintOnResize, toInitOnSave,
                               toToggleOnDblClick, toWheelPanning,        toEditOnClick};
};

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
// Left and right change places in a right-to-left cell.
constexpr TAlignment MirroredAlignment(TAlignment alignment) {
    return alignment == taLeftJustify    ? taRightJustify
           : alignment == taRightJustify ? taLeftJustify
                                         : alignment;
}

// Reading order and layout: only bdRightToLeft mirrors the layout; every mode but bdLeftToRight
// reads right to left.
enum TBiDiMode : uint8_t { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollBarStyle : uint8_t { sbmRegular, sbmFlat, sbm3D };

// Directions of auto-scrolling.
enum TScrollDirection : uint8_t { sdLeft, sdUp, sdRight, sdDown };
using TScrollDirections = rtl::Set<TScrollDirection, 4>;

// The cursor of wheel panning: where the view moves while the mouse stays where it is.
enum TPanningCursor : uint8_t {
    pcMoveAll, // resting; both directions can scroll
    pcMoveEW,  // resting; only horizontally
    pcMoveNS,  // resting; only vertically
    pcMoveN,
    pcMoveS,
    pcMoveE,
    pcMoveW,
    pcMoveNE,
    pcMoveNW,
    pcMoveSE,
    pcMoveSW,
};

enum TSortDirection : uint8_t { sdAscending, sdDescending };

// Which nodes typing searches: none, all (initialising them), the initialised ones, the visible ones.
enum TVTIncrementalSearch : uint8_t { isAll, isNone, isInitializedOnly, isVisibleOnly };
enum TVTSearchDirection : uint8_t { sdForward, sdBackward };
// Where a search step starts: the first node, the last hit or the focused node.
enum TVTSearchStart : uint8_t { ssAlwaysStartOver, ssLastHit, ssFocusedNode };

// Window timers of the tree.
enum TTreeTimer : int {
    ExpandTimer = 1,
    EditTimer = 2,
    HeaderTimer = 3,
    ScrollTimer = 4,
    ChangeTimer = 5,
    StructureChangeTimer = 6,
    SearchTimer = 7,
};

} // namespace lazytree
