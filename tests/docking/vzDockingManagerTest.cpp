#include "MainFormFixture.h"

#include "docking/vzDockingVS2005.h"
#include "docking/vzDockTexts.h"
#include "platform/rtl/Settings.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/ImageList.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <typeindex>

namespace docking::testing {
namespace {

using testsupport::ErrorMessageOf;

const char* const kDefaultShape =
    "1(2(Work area Schema browser) 2(3(Watch list Breakpoint list Call stack Local variables) Output))";

class DockingManagerTest : public MainFormFixture {};

TEST_F(DockingManagerTest, TheMainFormHoldsTheDefaultTree) {
    EXPECT_EQ(Shape(site->Root()), kDefaultShape);
    EXPECT_EQ(panels["SQL"]->DockState(), dsHidden);
    EXPECT_EQ(panels["Monitor"]->DockState(), dsHidden);
    EXPECT_EQ(panels["Output"]->DockState(), dsDocked);
    EXPECT_EQ(panels["Schema browser"]->Alignment(), alnRight);
    EXPECT_FALSE(site->Workspace()->ui::TControl::Visible());
    EXPECT_TRUE(panels["Watch list"]->CaptionVisible()) << "bottom tabs: panels keep their captions";
}

TEST_F(DockingManagerTest, ASavedLayoutLoadsBackAndSavesByteForByte) {
    const std::string first = Save();
    Load(first);
    EXPECT_EQ(Shape(site->Root()), kDefaultShape);
    EXPECT_EQ(panels["SQL"]->DockState(), dsHidden);
    EXPECT_EQ(Save(), first);
    EXPECT_EQ(manager->Items().ContainerCount(), 4);
}

TEST_F(DockingManagerTest, TheDefaultLayoutHasTheKnownSizes) {
    const std::string bytes = Save();
    const auto lengthAt = [&](std::size_t at) {
        int32_t length = 0;
        std::memcpy(&length, bytes.data() + at, 4);
        return length;
    };
    EXPECT_EQ(bytes.size(), 2208u);
    EXPECT_EQ(lengthAt(60), 1820);                  // the site block, after the header and the form's place
    EXPECT_EQ(lengthAt(60 + 4 + 4 + 16 + 1), 1763); // the root column, after TypeId, Key, HasMainItem
}

TEST_F(DockingManagerTest, AnUnknownPanelIsSkippedAndAnUnknownSiteLeavesEverythingHidden) {
    layout::TvzLayoutData data = manager->CollectLayout();
    data.sites[0].root->children[1].children[0].children[1].key = NewGuid(); // "Breakpoint list"
    manager->ApplyLayout(data);
    EXPECT_EQ(Shape(site->Root()),
              "1(2(Work area Schema browser) 2(3(Watch list Call stack Local variables) Output))");
    EXPECT_EQ(panels["Breakpoint list"]->DockState(), dsHidden);

    data.sites[0].key = NewGuid();
    manager->ApplyLayout(data);
    EXPECT_EQ(site->Root(), nullptr);
    for (const auto& [caption, panel] : panels)
        EXPECT_EQ(panel->DockState(), dsHidden) << caption;
    EXPECT_TRUE(site->Workspace()->ui::TControl::Visible());
}

TEST_F(DockingManagerTest, ACorruptStreamKeepsThePreviousLayoutAndTheFrameworkUsable) {
    const std::string good = Save();
    std::string corrupt = good;
    corrupt[corrupt.rfind("Monitor") - 1] = '\x7f'; // the last free control claims a huge caption
    EXPECT_THROW(Load(corrupt), EvzDocking);
    EXPECT_EQ(Shape(site->Root()), kDefaultShape);
    EXPECT_FALSE(manager->Loading());
    EXPECT_EQ(manager->UpdateCount(), 0);
    EXPECT_EQ(ErrorMessageOf([&] { Load(std::string("VZDOCK\x09\0\0\0", 10)); }),
              texts::sInvalidLayoutVersion);
    EXPECT_EQ(Shape(site->Root()), kDefaultShape);
    EXPECT_TRUE(panels["Output"]->Hide());
    EXPECT_EQ(panels["Output"]->DockState(), dsHidden);
    Load(good);
    EXPECT_EQ(panels["Output"]->DockState(), dsDocked);
}

class DockingRegistryTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        path = (std::filesystem::temp_directory_path() /
                ("dock-registry-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                   .string();
        std::filesystem::remove(path);
        manager->SetSettingsPath(path);
    }
    void TearDown() override {
        std::filesystem::remove(path);
        MainFormFixture::TearDown();
    }
    std::string path;
    const std::string key = "Software\\Veltrane\\Desktop\\Layout";
};

TEST_F(DockingRegistryTest, TheLayoutGoesToTheBinaryValueAndComesBack) {
    manager->SaveToRegistry(key);
    panels["Output"]->Hide();
    manager->LoadFromRegistry(key);
    EXPECT_EQ(Shape(site->Root()), kDefaultShape);
}

// Each layout is saved, replaced by another, and loaded back: the same tree, states and bytes.
TEST_F(DockingRegistryTest, TheDefaultLayoutAndOneWithAFloatingAndARestoredPanelLoadBack) {
    const auto roundTrip = [&](const char* which) {
        const std::string saved = Save();
        const std::string shape = Shape(site->Root());
        std::map<std::string, TvzDockState> states;
        for (const auto& [caption, panel] : panels)
            states[caption] = panel->DockState();
        manager->SaveToRegistry(key);
        for (const auto& [caption, panel] : panels)
            panel->Hide();
        manager->LoadFromRegistry(key);
        EXPECT_EQ(Shape(site->Root()), shape) << which;
        for (const auto& [caption, panel] : panels)
            EXPECT_EQ(panel->DockState(), states[caption]) << which << ": " << caption;
        EXPECT_EQ(Save(), saved) << which;
    };
    roundTrip("default");

    panels["SQL"]->MakeVisible();
    ASSERT_EQ(panels["SQL"]->DockState(), dsFloating);
    ASSERT_TRUE(panels["Output"]->Hide());
    panels["Output"]->MakeVisible();
    ASSERT_EQ(panels["Output"]->DockState(), dsDocked);
    roundTrip("floating and restored");
}

TEST_F(DockingRegistryTest, AMissingOrTextValueIsALoadError) {
    EXPECT_EQ(ErrorMessageOf([&] { manager->LoadFromRegistry(key); }),
              "Error loading docking layout from the Regitry");
    rtl::TSettings settings(path);
    ASSERT_TRUE(settings.OpenKey(key, true));
    EXPECT_EQ(ErrorMessageOf([&] { manager->LoadFromRegistry(key); }), texts::sLayoutLoadError);
    settings.WriteString("Docking", "VZDOCK");
    EXPECT_EQ(ErrorMessageOf([&] { manager->LoadFromRegistry(key); }), texts::sLayoutLoadError);
    EXPECT_EQ(Shape(site->Root()), kDefaultShape);
}

TEST_F(DockingRegistryTest, SavingOverALongerFileTruncatesIt) {
    {
        std::ofstream file(path, std::ios::binary);
        file << std::string(10000, 'x');
    }
    manager->SaveToFile(path);
    EXPECT_EQ(std::filesystem::file_size(path), Save().size());
    panels["Output"]->Hide();
    manager->LoadFromFile(path);
    EXPECT_EQ(panels["Output"]->DockState(), dsDocked);
}

TEST_F(DockingManagerTest, TheDragStyleIsChosenByItsRegisteredName) {
    EXPECT_EQ(manager->DockingStyleClassName(), "");
    EXPECT_TRUE(dynamic_cast<const drag::TvzNativeDockingStyle*>(&manager->DockingStyle()));
    const struct {
        const char* name;
        const char* expected;
        std::type_index style;
    } cases[] = {{"VS2005", "VS2005", typeid(drag::TvzVS2005DockingStyle)},
                 {"VSWhidbey", "VSWhidbey", typeid(drag::TvzVSWhidbeyDockingStyle)},
                 {"Native", "Native", typeid(drag::TvzNativeDockingStyle)},
                 {"VS2005", "VS2005", typeid(drag::TvzVS2005DockingStyle)},
                 {"Unknown", "", typeid(drag::TvzNativeDockingStyle)},
                 {"", "", typeid(drag::TvzNativeDockingStyle)}};
    for (const auto& c : cases) {
        manager->SetDockingStyleClassName(c.name);
        EXPECT_EQ(manager->DockingStyleClassName(), c.expected) << c.name;
        const drag::TvzDockingStyle& style = manager->DockingStyle();
        EXPECT_EQ(std::type_index(typeid(style)), c.style) << c.name;
        auto* guided = dynamic_cast<TvzVS2005Mover*>(manager->Mover(panels["Output"]));
        if (auto* guidedStyle = dynamic_cast<const drag::TvzVS2005DockingStyle*>(&style))
            EXPECT_TRUE(guided && &guided->Style() == guidedStyle) << c.name << ": the mover of that style";
        else
            EXPECT_FALSE(guided) << c.name;
        EXPECT_TRUE(manager->Mover(nullptr)) << c.name;
    }
    EXPECT_THROW(drag::DockingStyles().Add<drag::TvzNativeDockingStyle>("VS2005"), rtl::EListError);
    EXPECT_THROW(drag::DockingStyles().Add<drag::TvzNativeDockingStyle>("VSWhidbey"), rtl::EListError);
}

TEST_F(DockingManagerTest, OneManagerAndOneSitePerFormAndPerManager) {
    EXPECT_EQ(ErrorMessageOf([&] { new TvzDockingManager(form.get()); }), texts::sSingleManager);
    EXPECT_EQ(ErrorMessageOf([&] { new TvzDockingSite(form.get()); }), texts::sSingleSite);
    ui::TForm other(nullptr);
    auto* second = new TvzDockingSite(&other);
    EXPECT_EQ(ErrorMessageOf([&] { second->AssociateManager(manager); }), texts::sSingleSitePerManager);
    EXPECT_EQ(ErrorMessageOf([&] { TvzDockingManager stray(nullptr); }), texts::sManagerFormOwner);
}

TEST(ClampToWorkAreaTest, OffScreenBoundsMoveToTheWorkAreaAndAreClipped) {
    const ui::TRect area{0, 0, 1024, 740};
    EXPECT_EQ(ClampToWorkArea(ui::Bounds(100, 50, 300, 200), area), ui::Bounds(100, 50, 300, 200));
    EXPECT_EQ(ClampToWorkArea(ui::Bounds(-900, 3000, 300, 200), area), ui::Bounds(0, 0, 300, 200));
    EXPECT_EQ(ClampToWorkArea(ui::Bounds(900, 600, 300, 200), area), (ui::TRect{900, 600, 1024, 740}));
    EXPECT_EQ(ClampToWorkArea(ui::Bounds(5000, 10, 2000, 900), area), (ui::TRect{0, 0, 1024, 740}));
}

TEST_F(DockingManagerTest, TheFormPlacementFollowsTheMaskAndStaysOnADisplay) {
    layout::TvzLayoutData data = manager->CollectLayout();
    ASSERT_TRUE(data.formPlacement);
    EXPECT_EQ(data.formPlacement->mask, 3);
    EXPECT_EQ(data.formPlacement->bounds, ui::Bounds(40, 30, 800, 600));

    data.formPlacement->mask = 0;
    data.formPlacement->bounds = ui::Bounds(100, 100, 500, 400);
    manager->ApplyLayout(data);
    EXPECT_EQ(form->BoundsRect(), ui::Bounds(40, 30, 800, 600));

    data.formPlacement->mask = 1;
    data.formPlacement->bounds = ui::Bounds(-5000, -5000, 500, 400);
    manager->ApplyLayout(data);
    const ui::TRect area = ui::Screen->WorkAreaRect();
    EXPECT_EQ(form->BoundsRect().Left, area.Left);
    EXPECT_EQ(form->BoundsRect().Top, area.Top);
    EXPECT_EQ(form->Width(), 500);
}

TEST_F(DockingManagerTest, PanelsOnTopTabsHideTheirCaptionAndImagesNeedAValidIndex) {
    auto* tabs = static_cast<TvzInsideContainer*>(panels["Watch list"]->Container());
    tabs->SetOrientation(uistyle::dtoTop);
    EXPECT_FALSE(panels["Watch list"]->CaptionVisible());
    manager->SetShowContainerCaption({cntInsideTop});
    EXPECT_TRUE(panels["Watch list"]->CaptionVisible());

    ui::TCustomImageList images(nullptr);
    images.SetWidth(16);
    images.SetHeight(16);
    const ui::TBitmap picture(16, 16);
    images.Add(&picture, nullptr);
    manager->SetImages(&images);
    TvzDockingControl* output = panels["Output"];
    output->SetShowImage(bvTrue);
    output->SetImageIndex(0);
    EXPECT_TRUE(output->ShowsImage());
    output->SetImageIndex(images.Count());
    EXPECT_FALSE(output->ShowsImage());
    manager->SetImages(nullptr);
}

TEST_F(DockingManagerTest, TheWorkAreaRefusesTabsButNotSides) {
    TvzDockingControl* work = panels["Work area"];
    work->OnDockZone = [](TvzDockingControl*, TvzCustomDockingControl*, ui::TPoint,
                          TvzDockingRegionType& region) {
        if (region == drtInside || region == drtInsideBefore) region = drtNone;
    };
    for (auto [asked, answered] :
         {std::pair{drtInside, drtNone}, std::pair{drtInsideBefore, drtNone}, std::pair{drtLeft, drtLeft}}) {
        TvzDockingRegionType region = asked;
        work->DockZone(panels["SQL"], {0, 0}, region);
        EXPECT_EQ(region, answered);
    }
}

TEST_F(DockingManagerTest, TheSiteRefusesAnUndockItsHandlerForbids) {
    site->OnCanUndock = [](TvzCustomDockingSite*, TvzCustomDockingControl*, bool& allow) { allow = false; };
    EXPECT_EQ(ErrorMessageOf([&] { site->CheckCanUndock(panels["Output"]); }), texts::sDockingNotAllowed);
    EXPECT_FALSE(panels["Output"]->Hide());
    EXPECT_EQ(panels["Output"]->DockState(), dsDocked);
}

TEST_F(DockingManagerTest, AFloatingFormClosedWithHideStillGoes) {
    TvzDockingControl* sql = panels["SQL"];
    sql->MakeVisible();
    ASSERT_EQ(sql->DockState(), dsFloating);
    auto* floating = static_cast<TvzFloatingSite*>(sql->ParentSite())->Form();
    floating->OnClose = [](ui::TObject*, ui::TCloseAction& action) { action = ui::caHide; };
    floating->Close();
    EXPECT_EQ(sql->DockState(), dsHidden);
    uitest::ProcessEvents();
    EXPECT_EQ(manager->Sites().size(), 2u); // the holding site and the form's site
}

} // namespace
} // namespace docking::testing
