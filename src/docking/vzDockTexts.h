// The docking framework's fixed texts.
#pragma once

// The docking framework's fixed texts; the formats take their arguments in the order shown.
namespace docking::texts {

// Errors and internal checks.
inline constexpr const char* sInvalidIndex = "Invalid index %d (%d items total)";
inline constexpr const char* sInvalidParentControl =
    "TvzCustomDockingControl accepts only TvzCustomDockingSite and TCustomDockingContainer as a parent "
    "control";
inline constexpr const char* sParentInChildOperation =
    "Attempt to use parent control in a child-related operation";
inline constexpr const char* sInvalidControlState = "Invalid docking control state";
inline constexpr const char* sCannotInsertChild = "Cannot insert \"%s\" as a child component";
inline constexpr const char* sCannotUndoDeletion = "Cannot undo deletion of docking control";
inline constexpr const char* sCannotDeleteFloating =
    "Docking Controls cannot be deleted in floating mode. Use the "
    "Docking Setup dialog to delete controls in this case.";
inline constexpr const char* sInvalidAlignment = "Invalid alignment \"%s\" specified for container \"%s\"";
inline constexpr const char* sDockingNotAllowed = "Docking is not allowed";
inline constexpr const char* sInvalidLayoutHeader = "Invalid docking layout stream header";
inline constexpr const char* sInvalidLayoutVersion = "Invalid docking layout stream version";
// A block or text that runs past the end of the stream, or a negative length.
inline constexpr const char* sCorruptLayout = "Corrupt docking layout stream";
inline constexpr const char* sInvalidDockingControl = "Invalid docking control";
inline constexpr const char* sDragAndDockKeysEqual = "AutoDragKey and AutoDockKey properties must differ";
inline constexpr const char* sNoMouseModifier = "At least one mouse button modifier must be specified";
inline constexpr const char* sManagerOwnerRequired = "Docking manager as owner required";
inline constexpr const char* sClassContainerNil = "Docking class container is nil";
inline constexpr const char* sFloatingFormOwnerRequired = "TvzCustomFloatingForm as owner required";
// The misspelling is the text users have always seen.
inline constexpr const char* sLayoutLoadError = "Error loading docking layout from the Regitry";
inline constexpr const char* sLayoutSaveError = "Error saving docking layout to the Regitry";
inline constexpr const char* sManagerFormOwner = "TvzDockingManager requires TCustomForm as owner";
inline constexpr const char* sSingleManager =
    "Only single instance of TvzDockingManager on one form is allowed";
inline constexpr const char* sSiteOnFormOnly = "TvzDockingSite can be placed on a form only";
inline constexpr const char* sSingleSite = "Only single instance of TvzDockingSite on one form is allowed";
inline constexpr const char* sSingleSitePerManager =
    "TvzDockingSite: Cannot associate multiple DockSites with one DockingManager";
inline constexpr const char* sSiteOwnerNil = "Docking site's owner cannot have a nil value";
inline constexpr const char* sRegionTooSmall = "Too small region to dock to (%s)";
inline constexpr const char* sInvisibleDockTarget = "Docking to invisible control is not allowed";
inline constexpr const char* sInvalidTabIndex = "Invalid tab index %d for %d total tab count";
inline constexpr const char* sUseSetupForVisible =
    "Use the Docking Setup dialog to change the Visible property of docking controls.";
inline constexpr const char* sValueOutOfBounds = "Property value should be in the bounds %d..%d";
inline constexpr const char* sSiteWithoutManager =
    "vzDockigSite should be associated with vzDockingManager to perform this operation";
inline constexpr const char* sDuplicateClassName = "Class name %s duplicated";
inline constexpr const char* sNoMoreItems = "TIntegerList has no more items";

// Dock menus, buttons and the setup dialog.
inline constexpr const char* sCaptionLabel = "Caption:";
inline constexpr const char* sAlignMenu = "&Align";
inline constexpr const char* sAlignHint = "Set alignment";
inline constexpr const char* sAutoHideMenu = "Au&to Hide";
inline constexpr const char* sAutoHideHint = "Set auto hide";
inline constexpr const char* sRenameMenu = "&Rename...";
inline constexpr const char* sRenameHint = "Rename";
inline constexpr const char* sSiteDesigner = "Docking Site Designer";
inline constexpr const char* sStateHidden = "Hidden";
inline constexpr const char* sStateDocked = "Docked";
inline constexpr const char* sStateUndocked = "Undocked";
inline constexpr const char* sAlignClient = "Client";
inline constexpr const char* sAlignClientMenu = "&Client";
inline constexpr const char* sAlignLeft = "Left";
inline constexpr const char* sAlignLeftMenu = "&Left";
inline constexpr const char* sAlignRight = "Right";
inline constexpr const char* sAlignRightMenu = "&Right";
inline constexpr const char* sAlignTop = "Top";
inline constexpr const char* sAlignTopMenu = "&Top";
inline constexpr const char* sAlignBottom = "Bottom";
inline constexpr const char* sAlignBottomMenu = "&Bottom";
inline constexpr const char* sButtonHide = "Hide";
inline constexpr const char* sButtonHideMenu = "Hi&de";
inline constexpr const char* sButtonUndock = "Undock";
inline constexpr const char* sButtonUndockMenu = "&Undock";
inline constexpr const char* sButtonAutoHide = "Auto Hide";
inline constexpr const char* sButtonAutoHideMenu = "&Auto Hide";
inline constexpr const char* sButtonAutoHideOn = "Auto Hide";
inline constexpr const char* sButtonAutoHideOnMenu = "&Auto Hide";
inline constexpr const char* sButtonMaximize = "Maximize";
inline constexpr const char* sButtonMaximizeMenu = "Ma&ximize";
inline constexpr const char* sButtonRestore = "Restore";
inline constexpr const char* sButtonRestoreMenu = "&Restore";
inline constexpr const char* sButtonCustom = "Custom";
inline constexpr const char* sButtonCustomMenu = "&Custom";
inline constexpr const char* sButtonHelp = "Help";
inline constexpr const char* sButtonHelpMenu = "&Help";
inline constexpr const char* sButtonMenu = "Menu";
inline constexpr const char* sButtonMenuMenu = "&Menu";

// Tab container.
inline constexpr const char* sTabsMenu = "T&abs";
inline constexpr const char* sTabListHint = "Tab list";
inline constexpr const char* sTabsTopMenu = "&Top";
inline constexpr const char* sTabsTopHint = "Top orientation";
inline constexpr const char* sTabsBottomMenu = "&Bottom";
inline constexpr const char* sTabsBottomHint = "Bottom orientation";

// The docking hint and the names of dock regions.
inline constexpr const char* sDockHint = "Target: %s\r\nPosition: %s";
inline constexpr const char* sRegionLeft = "Left";
inline constexpr const char* sRegionRight = "Right";
inline constexpr const char* sRegionTop = "Top";
inline constexpr const char* sRegionBottom = "Bottom";
inline constexpr const char* sRegionInside = "Inside";
inline constexpr const char* sRegionNone = "None";

} // namespace docking::texts
