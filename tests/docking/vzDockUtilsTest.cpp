#include "docking/vzDockUtils.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/ImageList.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <QWidget>

namespace docking {
namespace {

using namespace ui;

TEST(KeyedListTest, WalksEveryItemAndFailsPastTheEnd) {
    TObject first, second;
    TvzIntegerList list;
    list.Add(7, &first);
    list.Add(3, &second);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Find(7), &first);
    EXPECT_EQ(list.Find(5), nullptr);

    auto items = list.Items();
    std::vector<intptr_t> keys;
    while (items.HasNext())
        keys.push_back(items.Next().first);
    EXPECT_EQ(keys, (std::vector<intptr_t>{3, 7}));
    try {
        items.Next();
        FAIL() << "no error";
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "TIntegerList has no more items");
    }
    items.Reset();
    EXPECT_TRUE(items.HasNext());
    EXPECT_EQ(list.Remove(3), &second);
    EXPECT_EQ(list.Count(), 1);
}

struct TShape {
    virtual ~TShape() = default;
};
struct TSquare : TShape {};
struct TCircle : TShape {};

TEST(ClassListTest, RegistersFindsAndRemovesByName) {
    TvzClassList<TShape> classes;
    std::vector<std::string> heard;
    classes.OnAdded = [&](const auto& c) { heard.push_back("+" + c.name); };
    classes.OnRemoved = [&](const auto& c) { heard.push_back("-" + c.name); };
    classes.Add<TSquare>("Square");
    classes.Add<TCircle>("Circle");
    try {
        classes.Add<TCircle>("Square");
        FAIL() << "no error";
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "Class name Square duplicated");
    }
    ASSERT_EQ(classes.Count(), 2);
    EXPECT_NE(dynamic_cast<TCircle*>(classes.Find("Circle")->create().get()), nullptr);
    EXPECT_EQ(classes.NameOf(typeid(TSquare)), "Square");
    EXPECT_EQ(classes.Find("Triangle"), nullptr);
    EXPECT_TRUE(classes.Remove("Square").has_value());
    EXPECT_FALSE(classes.Remove("Square").has_value());
    EXPECT_EQ(classes.NameOf(typeid(TSquare)), "");
    EXPECT_EQ(heard, (std::vector<std::string>{"+Square", "+Circle", "-Square"}));
}

class DockUtilsTest : public uitest::UiTest {};

TEST_F(DockUtilsTest, AFilterReportsMoveResizeAndDestroyOfItsWindow) {
    auto* window = new QWidget;
    window->show();
    uitest::ProcessEvents();
    std::vector<std::string> events;
    TvzWindowEventFilter filter;
    filter.OnMove = [&](TvzWindowEventFilter*) { events.push_back("move"); };
    filter.OnSize = [&](TvzWindowEventFilter*) { events.push_back("size"); };
    filter.OnDestroy = [&](TvzWindowEventFilter* f) {
        events.push_back("destroy");
        EXPECT_EQ(f, &filter);
    };
    filter.Attach(window);
    EXPECT_EQ(filter.Window(), window);
    window->move(20, 30);
    window->resize(150, 90);
    delete window;
    EXPECT_EQ(events, (std::vector<std::string>{"move", "size", "destroy"}));
    EXPECT_EQ(filter.Window(), nullptr);
}

TEST_F(DockUtilsTest, ADetachedFilterHearsNothing) {
    QWidget window;
    int reports = 0;
    TvzWindowEventFilter filter;
    filter.OnSize = [&](TvzWindowEventFilter*) { ++reports; };
    filter.Attach(&window);
    filter.Detach();
    window.resize(10, 10);
    EXPECT_EQ(reports, 0);
}

TEST(UniqueNameTest, TakesTheFirstFreeNumber) {
    TComponent owner(nullptr);
    EXPECT_EQ(UniqueName("vzDockPanel", nullptr), "vzDockPanel1");
    EXPECT_EQ(UniqueName("vzDockPanel", &owner), "vzDockPanel1");
    auto* taken = new TComponent(&owner);
    taken->SetName("vzDockPanel1");
    EXPECT_EQ(UniqueName("vzDockPanel", &owner), "vzDockPanel2");
}

TEST(GeometryTest, DistanceIsTheRoundedStraightLine) {
    EXPECT_EQ(Distance({0, 0}, {3, 4}), 5);
    EXPECT_EQ(Distance({1, 1}, {2, 2}), 1);   // 1.41
    EXPECT_EQ(Distance({0, 0}, {-1, -2}), 2); // 2.24
    EXPECT_EQ(Distance({0, 0}, {3, 3}), 4);   // 4.24
    EXPECT_EQ(Distance({5, 5}, {5, 5}), 0);
}

TEST(GeometryTest, ExchangeSortOrdersOnlyTheGivenRange) {
    std::vector<int> items{9, 4, 7, 1, 8, 0};
    ExchangeSort(items, 1, 4, [](int a, int b) { return a - b; });
    EXPECT_EQ(items, (std::vector<int>{9, 1, 4, 7, 8, 0}));
}

TEST(StreamHelpersTest, StringsAndGuidsRoundTripLittleEndian) {
    rtl::TMemoryStream stream;
    WriteStreamString(stream, "Locals");
    WriteStreamString(stream, "");
    const TGuid guid{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    WriteGuid(stream, guid);
    EXPECT_EQ(stream.Size(), 4 + 6 + 4 + 16);
    stream.SetPosition(0);
    uint8_t length[4];
    stream.ReadBuffer(length, 4);
    EXPECT_EQ(length[0], 6);
    EXPECT_EQ(length[3], 0);
    stream.SetPosition(0);
    EXPECT_EQ(ReadStreamString(stream), "Locals");
    EXPECT_EQ(ReadStreamString(stream), "");
    EXPECT_EQ(ReadGuid(stream), guid);
}

TEST_F(DockUtilsTest, ARegionFromAnImageHoldsItsUnmaskedPixels) {
    TBitmap glyph(5, 4, pf24bit);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect({0, 0, 5, 4});
    glyph.Canvas()->Brush()->SetColor(clNavy);
    glyph.Canvas()->FillRect({1, 1, 4, 3});
    glyph.Canvas()->SetPixel(0, 3, clNavy);
    TImageList images(5, 4);
    images.AddMasked(&glyph, clFuchsia);

    const TRegion region = RegionFromImage(images, 0);
    EXPECT_EQ(region, TRegion(Rect(1, 1, 4, 3)) | TRegion(Rect(0, 3, 1, 4)));
    EXPECT_FALSE(IsEmptyRegion(&region));
    EXPECT_TRUE(IsEmptyRegion(nullptr));
    EXPECT_TRUE(EqualRegions(nullptr, nullptr));
    EXPECT_FALSE(EqualRegions(&region, nullptr));
}

} // namespace
} // namespace docking
