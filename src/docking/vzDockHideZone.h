// The geometry and timing of the auto-hide zones, over plain rectangles and callbacks.
#pragma once

#include "docking/vzDockingUI.h"
#include "docking/vzDockPlacement.h"
#include "docking/vzDockTypes.h"
#include "platform/ui/Types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The arithmetic and timing of the four auto-hide zones on a docking site's edges, over plain
// rectangles and callbacks: no widgets here.
namespace docking::hidezone {

enum TvzZoneEdge { zeLeft, zeTop, zeRight, zeBottom };
inline constexpr int kZoneCount = 4;

// Which zones hold controls and how thick a strip is: what places every strip and the host.
struct TvzZoneRing {
    std::array<bool, kZoneCount> nonEmpty{};
    int thickness = 0;

    static TvzZoneEdge Previous(TvzZoneEdge edge) { return TvzZoneEdge((edge + 3) % kZoneCount); }
    static TvzZoneEdge Next(TvzZoneEdge edge) { return TvzZoneEdge((edge + 1) % kZoneCount); }
    bool Holds(TvzZoneEdge edge) const { return nonEmpty[edge]; }

    // The strip of `edge` inside the site's client rectangle; the corners go to the top strip and
    // then to the left and right ones.
    ui::TRect Strip(TvzZoneEdge edge, const ui::TRect& client) const;
    // The client rectangle without the strips of the non-empty zones.
    ui::TRect Content(const ui::TRect& client) const;
    // What a slid-out panel may take from the content across `edge`.
    int AvailableExtent(TvzZoneEdge edge, const ui::TRect& client) const;
    // Where the host of `edge` stands when the panel is `extent` pixels out.
    ui::TRect HostBounds(TvzZoneEdge edge, const ui::TRect& client, int extent) const;
};

// The size a panel slides out to in zone `orientation` (0..3): `stored` when set, else what the
// auto-hidden group remembers: its docked size unless it was client-aligned, else its floating
// size; the width for the side zones, the height for the others.
int HideSizeFor(int orientation, int stored, const TvzPlacementInfo& group);

// ---- Tabs ----

enum TvzHiddenTabPosition { htpFirst = 0, htpMiddle = 1, htpLast = 2 };
inline constexpr int kActiveTabState = 2;

// One hidden tab as the layout sees it; `group` tells the controls that were hidden together.
struct TvzHiddenTab {
    const void* group = nullptr;
    int state = 0;
    std::u16string caption;
    // Laid out:
    TvzHiddenTabPosition position = htpFirst;
    bool showCaption = false;
    int left = 0;
    int width = 0;
};

struct TvzTabMetrics {
    int firstOffset = 0; // where the first tab starts along the strip
    int groupGap = 0;    // between two groups
    // The width of a tab with its position and caption flag already set.
    std::function<int(const TvzHiddenTab&)> width;
};

// Positions, captions, widths and offsets of a zone's tabs, in order. Groups are separated by one
// gap, never doubled where a group ends and the next begins.
void LayoutTabs(std::vector<TvzHiddenTab>& tabs, TvzAutoHideCaptions captions, const TvzTabMetrics& metrics);
// The tab's rectangle on `strip`; empty once the tab starts past the strip's end.
ui::TRect TabRect(const TvzHiddenTab& tab, TvzZoneEdge edge, const ui::TRect& strip);
// The tab under `point` on `strip`, or -1.
int TabAt(const std::vector<TvzHiddenTab>& tabs, TvzZoneEdge edge, const ui::TRect& strip, ui::TPoint point);

// What the painting style says about the tabs of `edge` in `ring`: the first tab clears the left
// strip on the top zone, and a gap is twice style metric 4.
TvzTabMetrics StyleTabMetrics(const uistyle::TvzDockingUIStyle& style, TvzZoneEdge edge,
                              const TvzZoneRing& ring, const uistyle::TvzImage& image);
// The strip's background and its tabs, up to the first that starts past its end.
void PaintZone(uistyle::TvzDockingUIStyle& style, ui::TCanvas& canvas, TvzZoneEdge edge,
               const ui::TRect& strip, const std::vector<TvzHiddenTab>& tabs, const uistyle::TvzImage& image);

// ---- Sliding ----

// What the motion asks of its zone.
struct TvzZoneHost {
    // Hides the panels other zones show, makes the tab active in its group and repaints the strip;
    // answers the hide size of its panel.
    std::function<int(int tab)> activate;
    std::function<void(int tab)> enter;    // the tab's panel becomes the host's only panel
    std::function<void(int extent)> place; // places and shows the host with the panel this far out
    std::function<void()> leave;           // the panel leaves the host, which hides
    std::function<bool()> shownIsActive;   // the shown panel holds the focus
    std::function<bool()> busy;            // the manager has an operation in progress
    std::function<bool()> dragging;        // a drag is running
};

struct TvzMotionSettings {
    uint32_t interval = 500; // hover delay and hide delay; 0 never fires
    int showSpeed = 150;     // 0: no animation
    int hideSpeed = 150;
};

// Hovering, clicking and the slides of one zone, driven by the UI timers.
class TvzHideZoneMotion {
public:
    static constexpr uint32_t kStepInterval = 10; // also the speed's divisor

    TvzHideZoneMotion(TvzZoneHost host, const TvzMotionSettings& settings);
    ~TvzHideZoneMotion();
    TvzHideZoneMotion(const TvzHideZoneMotion&) = delete;
    TvzHideZoneMotion& operator=(const TvzHideZoneMotion&) = delete;

    void SetSettings(const TvzMotionSettings& settings) { settings_ = settings; }
    // The tab under the pointer (-1 none; the host counts as the shown tab), on hover or click.
    void Process(int tab, bool click);
    // Slides `tab`'s panel of `hideSize` out.
    void SlideOut(int tab, int hideSize, bool immediate);
    void SlideIn(bool immediate);
    void HideAtOnce();

    int Shown() const { return shown_; }
    int Hovered() const { return hovered_; }
    int Extent() const { return extent_; }
    bool SlidingOut() const;
    bool SlidingIn() const;
    bool HidePending() const;
    bool ShowPending() const;

private:
    enum Timer : uintptr_t { tShow = 1, tHide, tSlideOut, tSlideIn };
    void Start(Timer timer, uint32_t interval, void (TvzHideZoneMotion::*step)());
    void Stop(Timer timer);
    bool Running(Timer timer) const;
    void ShowTabNow(int tab);
    void ShowElapsed();
    void HideElapsed();
    void SlideOutStep();
    void SlideInStep();

    TvzZoneHost host_;
    TvzMotionSettings settings_;
    int shown_ = -1;
    int hovered_ = -1;
    int extent_ = 0;
    int hideSize_ = 0;
};

} // namespace docking::hidezone
