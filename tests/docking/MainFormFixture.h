#pragma once

#include "docking/vzDockingManager.h"
#include "docking/vzDockSplit.h"
#include "docking/vzDockTabs.h"
#include "platform/ui/Application.h"
#include "support/UiTest.h"

#include <map>
#include <memory>
#include <string>

namespace docking::testing {

// The program's main form: a manager, the site and the nine panels with their keys, in the default
// tree: a column of the work area beside the schema browser, over four tool panels as bottom tabs
// beside the output; SQL and Monitor hidden.
class MainFormFixture : public uitest::UiTest {
protected:
    void SetUp() override {
        application = std::make_unique<ui::TApplication>();
        form = std::make_unique<ui::TForm>(nullptr);
        form->SetCaption("Veltrane");
        form->SetBounds(40, 30, 800, 600);
        manager = new TvzDockingManager(form.get());
        manager->SetStoreOptions({dsoFormPosition, dsoFormState});
        manager->SetTabOrientation(uistyle::dtoBottom);
        manager->SetCaptionButtons({dbiHide, dbiAutoHide, dbiMaximizeRestore});
        site = new TvzDockingSite(form.get());
        site->SetKey(StringToGuid("{3C0F92B1-7CD7-4482-BFCF-4CFBDADA58E4}"));
        site->SetAlign(ui::alClient);
        site->AssociateManager(manager);
        const std::pair<const char*, const char*> panels[] = {
            {"Work area", "{3038ACA2-441A-4E3F-9B49-3CDB113568E3}"},
            {"Watch list", "{7B63D008-04FB-4A7C-B650-3C29E2614C9F}"},
            {"Call stack", "{FD433340-6C49-46E7-AF15-76A7A5ADEAFB}"},
            {"Breakpoint list", "{D69A3E21-E8FF-4908-8C92-0A59F041FAFC}"},
            {"Output", "{FE9C0D1C-FB90-4EBA-BF70-D34A6B367D2C}"},
            {"Schema browser", "{950F0EE6-4BD6-4C9C-8527-5A8C049F4A3F}"},
            {"SQL", "{A71B0D60-10B2-45F6-B81D-C214C6EFEBE3}"},
            {"Monitor", "{E2255535-FA7B-44C8-A1B3-75F4608DE511}"},
            {"Local variables", "{4EA587A1-62AA-4A84-A470-165B2DD1105E}"},
        };
        for (const auto& [caption, key] : panels) {
            auto* panel = new TvzDockingControl(form.get());
            panel->SetCaption(caption);
            panel->SetKey(StringToGuid(key));
            panel->ShowInContainer();
            this->panels[caption] = panel;
        }
        BuildDefaultTree();
    }
    void TearDown() override {
        form.reset();
        application.reset();
    }

    void BuildDefaultTree() {
        manager->BeginUpdate(site->SiteId());
        auto* column = static_cast<TvzCustomDockingContainer*>(manager->CreateContainer(1));
        auto* top = static_cast<TvzCustomDockingContainer*>(manager->CreateContainer(2));
        auto* bottom = static_cast<TvzCustomDockingContainer*>(manager->CreateContainer(2));
        auto* tabs = static_cast<TvzCustomDockingContainer*>(manager->CreateContainer(3));
        for (TvzCustomDockingControl* c :
             {static_cast<TvzCustomDockingControl*>(column), static_cast<TvzCustomDockingControl*>(top),
              static_cast<TvzCustomDockingControl*>(bottom), static_cast<TvzCustomDockingControl*>(tabs)})
            c->SetDockingManager(manager);
        panels["Work area"]->SetContainer(top);
        panels["Schema browser"]->SetContainer(top);
        panels["Schema browser"]->SetAlignment(alnRight);
        for (const char* caption : {"Watch list", "Breakpoint list", "Call stack", "Local variables"})
            panels[caption]->SetContainer(tabs);
        tabs->SetContainer(bottom);
        panels["Output"]->SetContainer(bottom);
        panels["Output"]->SetAlignment(alnRight);
        top->SetContainer(column);
        bottom->SetContainer(column);
        bottom->SetAlignment(alnBottom);
        // Sizes of the aligned children; the client ones take the rest.
        panels["Schema browser"]->SetScreenRect(ui::Bounds(0, 0, 220, 300));
        panels["Output"]->SetScreenRect(ui::Bounds(0, 0, 280, 180));
        bottom->SetScreenRect(ui::Bounds(0, 0, 800, 180));
        site->SetRoot(column);
        for (TvzCustomDockingControl* c :
             {static_cast<TvzCustomDockingControl*>(column), static_cast<TvzCustomDockingControl*>(top),
              static_cast<TvzCustomDockingControl*>(bottom), static_cast<TvzCustomDockingControl*>(tabs)})
            c->ShowInContainer();
        manager->EndUpdate();
        static_cast<TvzInsideContainer*>(tabs)->SelectTab(0, false);
    }

    std::string Save() {
        rtl::TMemoryStream stream;
        manager->SaveToStream(stream);
        return stream.Bytes();
    }
    void Load(const std::string& bytes) {
        rtl::TMemoryStream stream;
        stream.WriteString(bytes);
        stream.SetPosition(0);
        manager->LoadFromStream(stream);
    }
    // The tree under a control as text: captions of panels, type ids of containers.
    static std::string Shape(const TvzCustomDockingControl* control) {
        if (!control) return "-";
        if (!control->IsContainer()) return control->Caption();
        std::string text = std::to_string(control->TypeId()) + "(";
        for (int i = 0; i < control->ChildCount(); ++i)
            text += (i ? " " : "") + Shape(control->Children(i));
        return text + ")";
    }

    std::unique_ptr<ui::TApplication> application;
    std::unique_ptr<ui::TForm> form;
    TvzDockingManager* manager = nullptr;
    TvzDockingSite* site = nullptr;
    std::map<std::string, TvzDockingControl*> panels;
};

} // namespace docking::testing
