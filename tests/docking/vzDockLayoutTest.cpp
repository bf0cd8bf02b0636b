#include "docking/vzDockLayout.h"

#include "docking/vzDockTexts.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

namespace docking::layout {
namespace {

using testsupport::ErrorMessageOf;

std::string Bytes(const TvzLayoutData& data) {
    rtl::TMemoryStream stream;
    TvzBinaryDockingWriter writer(stream);
    Write(writer, data);
    return stream.Bytes();
}

TvzLayoutData Parse(const std::string& bytes, bool formPlacement) {
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    TvzBinaryDockingReader reader(stream);
    return Read(reader, formPlacement);
}

TvzSiteData EmptyDockingSite() {
    TvzSiteData site;
    site.key = StringToGuid(kDefaultSiteKey);
    site.hideZones.resize(4);
    return site;
}

TEST(LayoutStreamTest, AManagerWithAnEmptySiteIs125Bytes) {
    TvzLayoutData data;
    data.formPlacement = TvzFormPlacementData{};
    data.sites.push_back(EmptyDockingSite());
    const std::string bytes = Bytes(data);
    ASSERT_EQ(bytes.size(), 125u);
    EXPECT_EQ(bytes.substr(0, 10), std::string("VZDOCK\x08\0\0\0", 10));
    EXPECT_EQ(bytes.substr(60, 4), std::string("\x35\0\0\0", 4)); // the site block: 53 bytes
    EXPECT_EQ(bytes.substr(117), std::string(8, '\0'));
}

TEST(LayoutStreamTest, AnEmptyCaptionIsFourZeroBytesAndBlockLengthsNest) {
    TvzControlData panel;
    panel.typeId = 0;
    TvzControlData tabs;
    tabs.typeId = 3;
    tabs.children = {panel, panel};
    tabs.currentTab = 1;
    TvzLayoutData data;
    data.freeControls.push_back(tabs);
    const std::string bytes = Bytes(data);
    // header, sites 0, then the tab container block
    const auto lengthAt = [&](std::size_t at) {
        return static_cast<int>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
    };
    const int panelBlock =
        4 + 16 + 16 + 8 + 1 + 4 + 1 + 1 + 1 + 16 + 16 + 8 * 4 + 1 + 1 + 4 + 1 + 16 + 1 + 1 + 4 + 4;
    EXPECT_EQ(lengthAt(14), 2 * (4 + panelBlock) + panelBlock + 4 + 1);
    const std::size_t caption = 14 + 4 + 4 + 16 + 16 + 8 + 1;
    EXPECT_EQ(bytes.substr(caption, 4), std::string(4, '\0'));

    const TvzLayoutData back = Parse(bytes, false);
    ASSERT_EQ(back.freeControls.size(), 1u);
    EXPECT_EQ(back.freeControls[0].children.size(), 2u);
    EXPECT_EQ(back.freeControls[0].currentTab, 1);
    EXPECT_EQ(Bytes(back), bytes);
}

TEST(LayoutStreamTest, TheHeaderAndVersionAreCheckedFirst) {
    EXPECT_EQ(ErrorMessageOf([] { Parse("XXDOCK\x08\0\0\0", false); }), texts::sInvalidLayoutHeader);
    EXPECT_EQ(ErrorMessageOf([] { Parse("VZDO", false); }), texts::sInvalidLayoutHeader);
    EXPECT_EQ(ErrorMessageOf([] { Parse(std::string("VZDOCK\x09\0\0\0", 10), false); }),
              texts::sInvalidLayoutVersion);
    EXPECT_EQ(ErrorMessageOf([] { Parse(std::string("VZDOCK\0\0\0\0", 10), false); }),
              texts::sInvalidLayoutVersion);
    EXPECT_EQ(ErrorMessageOf([] { Parse("VZDOCK", false); }), texts::sInvalidLayoutVersion);
}

TEST(LayoutStreamTest, SkippingASiteLandsOnTheNextBlock) {
    TvzLayoutData data;
    data.sites = {EmptyDockingSite(), EmptyDockingSite()};
    data.sites[1].key = NewGuid();
    rtl::TMemoryStream stream;
    stream.WriteString(Bytes(data));
    stream.SetPosition(0);
    TvzBinaryDockingReader reader(stream);
    reader.BeginSites();
    ASSERT_TRUE(reader.BeginSite());
    reader.ReadInteger("TypeId");
    reader.SkipSite();
    ASSERT_TRUE(reader.BeginSite());
    EXPECT_EQ(reader.ReadInteger("TypeId"), 0);
    EXPECT_EQ(reader.ReadGUID("Key"), data.sites[1].key);
    reader.SkipSite();
    EXPECT_FALSE(reader.BeginSite());
}

TEST(LayoutStreamTest, NegativeOrOverlongLengthsAreCorrupt) {
    TvzLayoutData data;
    data.sites.push_back(EmptyDockingSite());
    std::string bytes = Bytes(data);
    std::string negative = bytes;
    negative[10] = '\xff';
    negative[13] = '\xff';
    EXPECT_EQ(ErrorMessageOf([&] { Parse(negative, false); }), texts::sCorruptLayout);
    std::string overlong = bytes;
    overlong[11] = '\x7f';
    EXPECT_EQ(ErrorMessageOf([&] { Parse(overlong, false); }), texts::sCorruptLayout);

    TvzControlData panel;
    panel.caption = "Output";
    data.freeControls.push_back(panel);
    std::string caption = Bytes(data);
    const std::size_t at = caption.find("Output") - 4;
    caption[at + 3] = '\x7f'; // a caption of two gigabytes
    EXPECT_EQ(ErrorMessageOf([&] { Parse(caption, false); }), texts::sCorruptLayout);
}

TEST(LayoutStreamTest, EveryTruncationRaisesOnlyTheFrameworksErrors) {
    TvzControlData panel;
    panel.caption = "Call stack";
    TvzControlData tabs;
    tabs.typeId = 3;
    tabs.children = {panel, panel};
    TvzLayoutData data;
    data.formPlacement = TvzFormPlacementData{};
    data.sites.push_back(EmptyDockingSite());
    data.sites[0].root = tabs;
    data.sites[0].hideZones[2].tabs = 1;
    data.sites[0].hideZones[2].controls = {panel};
    data.sites[0].hideZones[2].states = {2};
    data.freeControls = {panel};
    const std::string bytes = Bytes(data);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        try {
            Parse(bytes.substr(0, length), true);
        } catch (const EvzDocking&) {
        }
    }
    const TvzLayoutData back = Parse(bytes, true);
    EXPECT_EQ(back.sites[0].hideZones[2].states, std::vector<int32_t>{2});
    EXPECT_EQ(Bytes(back), bytes);
}

// The smallest layout that once read but did not read back: a version 5 docking site, empty, from
// before sites kept hide zones. It reads with four empty zones and writes all four.
TEST(LayoutStreamTest, ASiteFromBeforeHideZonesWritesBackAllFourAndReadsTheSame) {
    rtl::TMemoryStream stream;
    stream.WriteString(std::string("VZDOCK\x05\0\0\0", 10));
    const auto put = [&](int32_t v) { stream.WriteBuffer(&v, 4); };
    put(4 + 16 + 1); // the site block: TypeId, Key, HasMainItem
    put(0);
    WriteGuid(stream, StringToGuid(kDefaultSiteKey));
    stream.WriteString(std::string(1, '\0'));
    put(0); // end of the sites
    put(0); // no free controls
    const TvzLayoutData old = Parse(stream.Bytes(), false);
    ASSERT_EQ(old.sites.size(), 1u);
    EXPECT_EQ(old.sites[0].hideZones.size(), kHideZoneCount);

    const std::string bytes = Bytes(old);
    EXPECT_EQ(Bytes(Parse(bytes, false)), bytes);
    TvzLayoutData withoutZones;
    withoutZones.sites.push_back(EmptyDockingSite());
    EXPECT_EQ(Bytes(withoutZones), bytes);
    withoutZones.sites[0].hideZones.clear();
    EXPECT_EQ(Bytes(withoutZones), bytes) << "zones the data lacks are written empty";
}

// A stream of an old version holding one free control block: key, rect, size, state, empty caption,
// then (from version 2) the alignment byte 0 and (from version 3) ShowCaption, no children, and the
// tab container's fields.
TvzLayoutData ParseLegacyControl(int version, const TGuid& key) {
    rtl::TMemoryStream stream;
    stream.WriteString(std::string("VZDOCK", 6));
    const auto put = [&](int32_t v) { stream.WriteBuffer(&v, 4); };
    put(version);
    put(0); // no sites
    const int extra = (version >= 2 ? 1 : 0) + (version >= 3 ? 1 : 0);
    put(16 + 16 + 8 + 1 + 4 + extra + 4 + 4 + 1);
    WriteGuid(stream, key);
    stream.WriteString(std::string(16 + 8 + 1, '\0'));
    put(0); // the caption
    stream.WriteString(std::string(static_cast<std::size_t>(extra), '\0'));
    put(0); // children
    put(0); // CurrentTab
    stream.WriteString(std::string(1, '\0'));
    put(0); // end of the free controls
    stream.SetPosition(0);
    TvzBinaryDockingReader reader(stream);
    return Read(reader, false);
}

TEST(LayoutStreamTest, OldStreamsKnowLegacyContainersAndAlignLeftBeforeAlignmentWasStored) {
    for (int version : {1, 3}) {
        const TGuid legacy = StringToGuid(kLegacyTabContainerKey);
        const TvzLayoutData data = ParseLegacyControl(version, legacy);
        ASSERT_EQ(data.freeControls.size(), 1u);
        EXPECT_EQ(data.freeControls[0].typeId, 3);
        EXPECT_NE(data.freeControls[0].key, legacy);
        EXPECT_EQ(data.freeControls[0].alignment, version >= 2 ? 0 : 1) << version;
    }
}

} // namespace
} // namespace docking::layout
