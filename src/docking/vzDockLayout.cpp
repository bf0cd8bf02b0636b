#include "docking/vzDockLayout.h"

#include "docking/vzDockTexts.h"

namespace docking::layout {

TvzFieldGates GatesOf(int version) {
    return {version >= 2, version >= 3, version >= 4, version >= 6};
}

// ---- Writing ----

namespace {

void WriteControl(TvzCustomDockingWriter& w, const TvzControlData& c);

void WriteControls(TvzCustomDockingWriter& w, const std::vector<TvzControlData>& controls) {
    w.BeginControls();
    for (const TvzControlData& control : controls)
        WriteControl(w, control);
    w.EndControls();
}

void WriteControl(TvzCustomDockingWriter& w, const TvzControlData& c) {
    w.BeginControl();
    w.WriteInteger("TypeId", c.typeId);
    w.WriteGUID("Key", c.key);
    w.WriteRect("ScreenRect", c.screenRect);
    w.WritePoint("NormalSize", c.normalSize);
    w.WriteByte("PanelState", c.panelState);
    w.WriteString("Caption", c.caption);
    w.WriteByte("Alignment", c.alignment);
    w.WriteByte("ShowCaption", c.showCaption);
    w.WriteByte("AHOrientation", c.ahOrientation);
    w.WriteGUID("AHSite", c.ahSite);
    w.WriteGUID("AHContainer", c.ahContainer);
    const TvzPlacementData& p = c.placement;
    w.WritePoint("PlacementInfo.Position", p.position);
    w.WritePoint("PlacementInfo.Size", p.size);
    w.WritePoint("PlacementInfo.FloatPosition", p.floatPosition);
    w.WritePoint("PlacementInfo.FloatSize", p.floatSize);
    w.WriteByte("SPlacementInfoFloatState", p.floatState);
    w.WriteByte("PlacementInfo.State", p.state);
    w.WriteInteger("PlacementInfo.ContainerId", p.containerId);
    w.WriteByte("PlacementInfo.Order", p.order);
    w.WriteGUID("PlacementInfo.ParentKey", p.parentKey);
    w.WriteByte("PlacementInfo.TabOrientation", p.tabOrientation);
    w.WriteByte("PlacementInfo.Alignment", p.alignment);
    w.WriteInteger("PlacementInfo.HideSize", p.hideSize);
    w.WriteInteger("ChildrenCount", static_cast<int32_t>(c.children.size()));
    for (const TvzControlData& child : c.children)
        WriteControl(w, child);
    if (c.typeId == 3) {
        w.WriteInteger("CurrentTab", c.currentTab);
        w.WriteByte("Orientation", c.orientation);
    }
    w.EndControl();
}

void WriteFormPlacement(TvzCustomDockingWriter& w, const TvzFormPlacementData& f) {
    w.WriteByte("FormPlacementInfo.Mask", f.mask);
    w.WriteRect("FormPlacementInfo.Bounds", f.bounds);
    w.WriteByte("FormPlacementInfo.WindowState", f.windowState);
    w.WriteInteger("FormPlacementInfo.Constraints.MaxHeight", f.maxHeight);
    w.WriteInteger("FormPlacementInfo.Constraints.MaxWidth", f.maxWidth);
    w.WriteInteger("FormPlacementInfo.Constraints.MinHeight", f.minHeight);
    w.WriteInteger("FormPlacementInfo.Constraints.MinWidth", f.minWidth);
    w.WriteGUID("FormPlacementInfo.ActiveControl", f.activeControl);
}

} // namespace

void Write(TvzCustomDockingWriter& w, const TvzLayoutData& data) {
    if (data.formPlacement) WriteFormPlacement(w, *data.formPlacement);
    w.BeginSites();
    for (const TvzSiteData& site : data.sites) {
        w.BeginSite();
        w.WriteInteger("TypeId", site.typeId);
        w.WriteGUID("Key", site.key);
        w.WriteBoolean("HasMainItem", site.root.has_value());
        if (site.root) WriteControl(w, *site.root);
        if (site.typeId == 1) {
            w.WriteRect("FormBounds", site.formBounds);
            w.WriteByte("FormState", site.formState);
        } else {
            // Zones the data lacks are written empty: the reader expects all of them.
            static const TvzHideZoneData kEmptyZone;
            for (std::size_t edge = 0; edge < kHideZoneCount; ++edge) {
                const TvzHideZoneData& zone =
                    edge < site.hideZones.size() ? site.hideZones[edge] : kEmptyZone;
                w.BeginSection("HideZone");
                w.WriteInteger("Tabs", zone.tabs);
                WriteControls(w, zone.controls);
                for (std::size_t i = 0; i < zone.states.size(); ++i)
                    w.WriteInteger(("State" + std::to_string(i)).c_str(), zone.states[i]);
                w.EndSection();
            }
        }
        w.EndSite();
    }
    w.EndSites();
    WriteControls(w, data.freeControls);
}

// ---- Reading ----

namespace {

class TLayoutReader {
public:
    TLayoutReader(TvzCustomDockingReader& reader)
        : r_(reader), version_(reader.Version()), gates_(GatesOf(version_)) {}

    TvzFormPlacementData FormPlacement() {
        TvzFormPlacementData f;
        f.mask = r_.ReadByte("FormPlacementInfo.Mask");
        f.bounds = r_.ReadRect("FormPlacementInfo.Bounds");
        f.windowState = r_.ReadByte("FormPlacementInfo.WindowState");
        if (version_ < 5) r_.Skip(2);
        f.maxHeight = r_.ReadInteger("FormPlacementInfo.Constraints.MaxHeight");
        f.maxWidth = r_.ReadInteger("FormPlacementInfo.Constraints.MaxWidth");
        f.minHeight = r_.ReadInteger("FormPlacementInfo.Constraints.MinHeight");
        f.minWidth = r_.ReadInteger("FormPlacementInfo.Constraints.MinWidth");
        if (version_ >= 6) f.activeControl = r_.ReadGUID("FormPlacementInfo.ActiveControl");
        return f;
    }

    std::vector<TvzSiteData> Sites() {
        std::vector<TvzSiteData> sites;
        r_.BeginSites();
        while (r_.BeginSite())
            sites.push_back(Site());
        r_.EndSites();
        return sites;
    }

    std::vector<TvzControlData> Controls() {
        std::vector<TvzControlData> controls;
        r_.BeginControls();
        while (auto control = Control())
            controls.push_back(std::move(*control));
        r_.EndControls();
        return controls;
    }

private:
    TvzSiteData Site() {
        TvzSiteData site;
        site.typeId = version_ >= 4 ? r_.ReadInteger("TypeId") : 0;
        site.key = r_.ReadGUID("Key");
        if (version_ < 4 && site.key == StringToGuid(kLegacyFloatingSiteKey)) site.typeId = 1;
        if (r_.ReadBoolean("HasMainItem")) {
            r_.BeginControls(); // the root is a single block, not a list: bracket only for the checks
            site.root = Control();
            r_.EndControls();
            if (!site.root) throw EvzDocking(texts::sCorruptLayout);
        }
        if (site.typeId == 1) {
            site.formBounds = r_.ReadRect("FormBounds");
            if (version_ >= 7) site.formState = r_.ReadByte("FormState");
        } else if (version_ >= 6) {
            for (std::size_t edge = 0; edge < kHideZoneCount; ++edge)
                site.hideZones.push_back(HideZone());
        } else {
            site.hideZones.resize(kHideZoneCount); // older streams kept no hidden panels
        }
        return site;
    }

    TvzHideZoneData HideZone() {
        TvzHideZoneData zone;
        r_.BeginSection("HideZone");
        zone.tabs = r_.ReadInteger("Tabs");
        zone.controls = Controls();
        // Each state takes 4 bytes: a count beyond what the stream holds is corrupt, not a long loop.
        for (int32_t i = 0; i < zone.tabs; ++i)
            zone.states.push_back(r_.ReadInteger(("State" + std::to_string(i)).c_str()));
        r_.EndSection();
        return zone;
    }

    std::optional<TvzControlData> Control() {
        if (!r_.BeginControl()) return std::nullopt;
        TvzControlData c;
        c.typeId = version_ >= 4 ? r_.ReadInteger("TypeId") : 0;
        c.key = r_.ReadGUID("Key");
        if (version_ < 4) LegacyType(c);
        c.screenRect = r_.ReadRect("ScreenRect");
        c.normalSize = r_.ReadPoint("NormalSize");
        c.panelState = r_.ReadByte("PanelState");
        c.caption = r_.ReadString("Caption");
        c.alignment = gates_.alignment ? r_.ReadByte("Alignment") : 1;
        if (gates_.showCaption) c.showCaption = r_.ReadByte("ShowCaption");
        if (gates_.autoHide) {
            c.ahOrientation = r_.ReadByte("AHOrientation");
            c.ahSite = r_.ReadGUID("AHSite");
            c.ahContainer = r_.ReadGUID("AHContainer");
        }
        if (gates_.placement) Placement(c.placement, c.typeId == 0);
        const int32_t count = r_.ReadInteger("ChildrenCount");
        for (int32_t i = 0; i < count; ++i) {
            auto child = Control();
            if (!child) throw EvzDocking(texts::sCorruptLayout);
            c.children.push_back(std::move(*child));
        }
        if (c.typeId == 3) {
            c.currentTab = r_.ReadInteger("CurrentTab");
            c.orientation = r_.ReadByte("Orientation");
        }
        r_.EndControl();
        return c;
    }

    void LegacyType(TvzControlData& c) {
        const std::pair<const char*, int32_t> legacy[] = {
            {kLegacyTabContainerKey, 3}, {kLegacyVerticalKey, 1}, {kLegacyHorizontalKey, 2}};
        for (const auto& [key, typeId] : legacy) {
            if (c.key != StringToGuid(key)) continue;
            c.typeId = typeId;
            c.key = NewGuid();
        }
    }

    void Placement(TvzPlacementData& p, bool panel) {
        p.position = r_.ReadPoint("PlacementInfo.Position");
        p.size = r_.ReadPoint("PlacementInfo.Size");
        if (version_ >= 6) {
            p.floatPosition = r_.ReadPoint("PlacementInfo.FloatPosition");
            p.floatSize = r_.ReadPoint("PlacementInfo.FloatSize");
        }
        if (version_ >= 7) p.floatState = r_.ReadByte("SPlacementInfoFloatState");
        if (version_ >= 8) p.state = r_.ReadByte("PlacementInfo.State");
        if (version_ < 5 && !panel) return;
        p.containerId = r_.ReadInteger("PlacementInfo.ContainerId");
        p.order = r_.ReadByte("PlacementInfo.Order");
        if (version_ == 4) r_.Skip(4);
        p.parentKey = r_.ReadGUID("PlacementInfo.ParentKey");
        if (version_ >= 5) p.tabOrientation = r_.ReadByte("PlacementInfo.TabOrientation");
        if (version_ >= 6) {
            p.alignment = r_.ReadByte("PlacementInfo.Alignment");
            p.hideSize = r_.ReadInteger("PlacementInfo.HideSize");
        }
    }

    TvzCustomDockingReader& r_;
    int version_;
    TvzFieldGates gates_;
};

} // namespace

TvzLayoutData Read(TvzCustomDockingReader& reader, bool withFormPlacement) {
    TLayoutReader read(reader);
    TvzLayoutData data;
    data.version = reader.Version();
    if (withFormPlacement) data.formPlacement = read.FormPlacement();
    data.sites = read.Sites();
    data.freeControls = read.Controls();
    return data;
}

} // namespace docking::layout
