// Values the docking controls, their manager and their sites share.
#pragma once

#include "platform/rtl/Set.h"

// Values the docking controls, their manager and their sites share.
namespace docking {

// A setting that may follow its context.
enum TvzBooleanValue { bvDefault, bvTrue, bvFalse };

// The caption buttons a manager shows.
enum TvzDockButtonItem { dbiHide, dbiUndock, dbiAutoHide, dbiMaximizeRestore, dbiMenu, dbiCustom, dbiHelp };
using TvzDockButtonItems = rtl::Set<TvzDockButtonItem, 7>;

// The keys and buttons that start a drag or a dock.
enum TvzDockingShift { dssShift, dssCtrl, dssLeft, dssRight, dssMiddle };
using TvzDockingShiftState = rtl::Set<TvzDockingShift, 5>;

// What becomes of a hidden panel.
enum TvzHideAction { haHide, haDestroy };

// What changed on a docking control.
enum TvzDockControlChange { dccCaption, dccKey, dccImage, dccControlState };

enum TvzFloatingFormType { fftTool, fftNormal };

// Where a control stands: 0 hidden, 1 docked, 2 floating.
enum TvzDockState { dsHidden = 0, dsDocked = 1, dsFloating = 2 };

// Alignment of a control inside its container: 0 client (none), 1 left, 2 top, 3 right, 4 bottom.
enum TvzAlignment { alnClient, alnLeft, alnTop, alnRight, alnBottom };

// States of a docking control that forbid starting another operation on it.
enum TvzControlStateFlag { csfLoading, csfReadingChildren, csfSizing, csfReplacing, csfClosing };
using TvzControlStateFlags = rtl::Set<TvzControlStateFlag, 5>;

// Kinds of container, in the settings of which show captions.
enum TvzContainerType { cntInside, cntVertical, cntHorizontal, cntInsideTop, cntInsideBottom };
using TvzContainerTypes = rtl::Set<TvzContainerType, 5>;

// What slides an auto-hidden panel out: hovering its tab or clicking it.
enum TvzAutoHideStartAction { ahsHover, ahsClick };
// Which hidden tabs show their caption.
enum TvzAutoHideCaptions { ahcActiveOnly, ahcAll, ahcNone };

// Auto-hide orientations; 4 means "not chosen yet".
inline constexpr int kAutoHideNone = 4;

} // namespace docking
