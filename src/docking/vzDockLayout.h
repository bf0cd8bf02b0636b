// A docking layout as plain data, read whole and checked before anything on screen changes.
#pragma once

#include "docking/vzDockStream.h"

#include <optional>
#include <string>
#include <vector>

// A docking layout as plain data: what the stream holds, read completely (and so checked) before
// anything on screen changes, and written from the same data.
namespace docking::layout {

struct TvzPlacementData {
    ui::TPoint position{-1, -1};
    ui::TPoint size{450, 200};
    ui::TPoint floatPosition{-1, -1};
    ui::TPoint floatSize{450, 200};
    uint8_t floatState = 0;
    uint8_t state = 0;
    int32_t containerId = 0;
    uint8_t order = 0;
    TGuid parentKey{};
    uint8_t tabOrientation = 0;
    uint8_t alignment = 0;
    int32_t hideSize = 0;
};

struct TvzControlData {
    int32_t typeId = 0;
    TGuid key{};
    ui::TRect screenRect;
    ui::TPoint normalSize;
    uint8_t panelState = 0;
    std::string caption;
    uint8_t alignment = 0;
    uint8_t showCaption = 0;
    uint8_t ahOrientation = 4;
    TGuid ahSite{};
    TGuid ahContainer{};
    TvzPlacementData placement;
    std::vector<TvzControlData> children;
    int32_t currentTab = -1; // tab containers
    uint8_t orientation = 0; // tab containers
};

struct TvzHideZoneData {
    int32_t tabs = 0;
    std::vector<TvzControlData> controls;
    std::vector<int32_t> states;
};

// A docking site always has this many hide zones in the stream, whatever its version.
inline constexpr std::size_t kHideZoneCount = 4;

struct TvzSiteData {
    int32_t typeId = 0;
    TGuid key{};
    std::optional<TvzControlData> root;
    std::vector<TvzHideZoneData> hideZones; // a docking site's zones: left, top, right, bottom
    ui::TRect formBounds;                   // floating sites
    uint8_t formState = 0;
};

struct TvzFormPlacementData {
    uint8_t mask = 0;
    ui::TRect bounds;
    uint8_t windowState = 0;
    int32_t maxHeight = 0;
    int32_t maxWidth = 0;
    int32_t minHeight = 0;
    int32_t minWidth = 0;
    TGuid activeControl{};
};

struct TvzLayoutData {
    int version = kLayoutVersion;
    std::optional<TvzFormPlacementData> formPlacement; // only managers that keep their form's place
    std::vector<TvzSiteData> sites;
    std::vector<TvzControlData> freeControls;
};

// Which version gates a field passes when it is read.
struct TvzFieldGates {
    bool alignment = true;   // version 2
    bool showCaption = true; // version 3
    bool placement = true;   // version 4
    bool autoHide = true;    // version 6
};
TvzFieldGates GatesOf(int version);

// The bytes of `data` (always the current version).
void Write(TvzCustomDockingWriter& writer, const TvzLayoutData& data);
// The whole document; raises EvzDocking for a corrupt stream. `withFormPlacement`: the record
// leads the stream.
TvzLayoutData Read(TvzCustomDockingReader& reader, bool withFormPlacement);

// Legacy keys of streams before version 4.
inline constexpr const char* kLegacyFloatingSiteKey = "{1884DC45-F28B-D511-99FD-00D0B749C8FE}";
inline constexpr const char* kLegacyTabContainerKey = "{DEEFC069-D18B-D511-99FE-00D0B749C8FE}";
inline constexpr const char* kLegacyVerticalKey = "{5613B07F-D18B-D511-99FE-00D0B749C8FE}";
inline constexpr const char* kLegacyHorizontalKey = "{EE521390-D18B-D511-99FE-00D0B749C8FE}";

} // namespace docking::layout
