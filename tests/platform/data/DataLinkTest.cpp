#include "ToyDataSet.h"

#include "platform/data/DataLink.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace data;
using datatest::SixRowColumns;
using datatest::SixRows;
using datatest::ToyDataSet;

// Writes down every notice a control would get.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> log;

protected:
    void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
    void CheckBrowseMode() override { log.push_back("check"); }
    void DataSetChanged() override { log.push_back("changed"); }
    void DataSetScrolled(int distance) override { log.push_back("scrolled " + std::to_string(distance)); }
    void EditingChanged() override { log.push_back(Editing() ? "editing on" : "editing off"); }
    void LayoutChanged() override { log.push_back("layout"); }
    void RecordChanged(TField* field) override {
        log.push_back(field ? "record " + field->FieldName() : "record");
    }
    void UpdateData() override { log.push_back("update"); }
};

class DataLinkTest : public ::testing::Test {
protected:
    DataLinkTest() {
        ds.SetName("Toy");
        source.SetDataSet(&ds);
        link.SetBufferCount(3);
        link.SetDataSource(&source);
    }

    // The log since the last call.
    std::vector<std::string> Take() { return std::exchange(link.log, {}); }

    static std::vector<int> VisibleIds(TDataLink& l) {
        std::vector<int> ids;
        const int active = l.ActiveRecord();
        for (int row = 0; row < l.RecordCount(); ++row) {
            l.SetActiveRecord(row);
            ids.push_back(l.DataSet()->FieldByName("id")->AsInteger());
        }
        l.SetActiveRecord(active);
        return ids;
    }

    ToyDataSet ds{nullptr, SixRowColumns(), SixRows()};
    TDataSource source{nullptr};
    RecordingLink link;
};

TEST_F(DataLinkTest, DataEventsReachTheLinkInOrder) {
    using Log = std::vector<std::string>;
    ds.Open();
    EXPECT_EQ(Take(), (Log{"active"}));
    ds.Next(); // every move first lets the controls post what they hold
    EXPECT_EQ(Take(), (Log{"check", "scrolled 0"}));
    EXPECT_EQ(link.ActiveRecord(), 1);
    ds.MoveBy(3); // past the window: it moves two records on
    EXPECT_EQ(Take(), (Log{"check", "scrolled 2"}));
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(VisibleIds(link), (std::vector<int>{3, 4, 5}));
    ds.First();
    EXPECT_EQ(Take(), (Log{"check", "changed"}));
    ds.Edit();
    EXPECT_EQ(Take(), (Log{"check", "editing on", "record"}));
    ds.FieldByName("name")->SetAsString("x");
    EXPECT_EQ(Take(), (Log{"record name"}));
    ds.Post();
    EXPECT_EQ(Take(), (Log{"update", "check", "editing off", "changed"}));
    ds.Edit();
    Take();
    ds.Cancel();
    EXPECT_EQ(Take(), (Log{"check", "editing off", "changed"}));
    ds.DataEvent(deLayoutChange, 0);
    EXPECT_EQ(Take(), (Log{"layout"}));
    ds.Close();
    EXPECT_EQ(Take(), (Log{"inactive"}));
}

TEST_F(DataLinkTest, DisabledControlsHearOneChangeAtTheEnd) {
    using Log = std::vector<std::string>;
    ds.Open();
    Take();
    ds.DisableControls();
    ds.Next();
    ds.Last();
    ds.Edit();
    ds.Cancel();
    EXPECT_TRUE(link.log.empty());
    ds.EnableControls();
    EXPECT_EQ(Take(), (Log{"changed"}));
    EXPECT_EQ(VisibleIds(link), (std::vector<int>{4, 5, 6}));

    // Closing is not held back: the link must let go of the buffers.
    ds.DisableControls();
    ds.Close();
    EXPECT_EQ(Take(), (Log{"inactive"}));
    ds.Open();
    EXPECT_TRUE(link.log.empty());
    ds.EnableControls();
    EXPECT_EQ(Take(), (Log{"active", "changed"}));
}

TEST_F(DataLinkTest, TwoWindowsOfDifferentSizesShowTheActiveRecord) {
    RecordingLink small;
    small.SetBufferCount(2);
    small.SetDataSource(&source);
    ds.Open();
    EXPECT_EQ(ds.BufferCount(), 3);
    link.SetBufferCount(5);
    EXPECT_EQ(ds.BufferCount(), 5);
    EXPECT_EQ(VisibleIds(link), (std::vector<int>{1, 2, 3, 4, 5}));
    const std::vector<std::pair<int, int>> moves = {{4, 5}, {1, 6}, {-3, 3}, {-2, 1}, {5, 6}, {-1, 5}};
    for (const auto& [by, id] : moves) {
        SCOPED_TRACE(by);
        ds.MoveBy(by);
        for (RecordingLink* l : {&link, &small}) {
            const std::vector<int> ids = VisibleIds(*l);
            ASSERT_EQ(static_cast<int>(ids.size()), l->BufferCount());
            EXPECT_EQ(ids.at(l->ActiveRecord()), id);
            for (size_t i = 1; i < ids.size(); ++i)
                EXPECT_EQ(ids[i], ids[i - 1] + 1);
        }
    }
    // Shrinking the data set's window keeps the active record.
    link.SetBufferCount(1);
    EXPECT_EQ(ds.BufferCount(), 2);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 5);
    EXPECT_EQ(VisibleIds(small).at(small.ActiveRecord()), 5);
    small.SetDataSource(nullptr);
    EXPECT_EQ(ds.BufferCount(), 1);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 5);
}

TEST_F(DataLinkTest, DataSourceTellsOfStateAndDataChanges) {
    std::vector<std::string> log;
    source.OnStateChange = [&](TDataSource* s) { log.push_back("state " + std::to_string(s->State())); };
    source.OnDataChange = [&](TDataSource*, TField* f) {
        log.push_back(f ? "data " + f->FieldName() : "data");
    };
    ds.Open();
    ds.Edit();
    ds.FieldByName("flag")->SetAsBoolean(false);
    source.SetEnabled(false);
    EXPECT_FALSE(link.Active());
    source.SetEnabled(true);
    EXPECT_TRUE(link.Editing());
    EXPECT_EQ(log, (std::vector<std::string>{"state 1", "data", "state 2", "data", "data flag", "state 0",
                                             "state 2", "data"}));
}

TEST_F(DataLinkTest, LinkEditsThroughItsDataSource) {
    ds.Open();
    link.SetReadOnly(true);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(ds.State(), dsBrowse);
    link.SetReadOnly(false);
    source.SetAutoEdit(false);
    EXPECT_FALSE(link.Edit());
    source.SetAutoEdit(true);
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(ds.State(), dsEdit);
}

TEST_F(DataLinkTest, DeletingEitherSideDetaches) {
    ds.Open();
    {
        TDataSource other(nullptr);
        other.SetDataSet(&ds);
        RecordingLink temporary;
        temporary.SetBufferCount(4);
        temporary.SetDataSource(&other);
        EXPECT_EQ(ds.BufferCount(), 4);
    }
    EXPECT_EQ(ds.BufferCount(), 3);
    auto* owned = new ToyDataSet(nullptr, SixRowColumns(), SixRows());
    source.SetDataSet(owned);
    owned->Open();
    EXPECT_TRUE(link.Active());
    delete owned;
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_FALSE(link.Active());
}

TEST_F(DataLinkTest, CircularLinksAreRefused) {
    // ds would follow `source` while `source` shows ds.
    source.SetDataSet(nullptr);
    ds.MasterSource = &source;
    try {
        source.SetDataSet(&ds);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Circular datalinks are not allowed");
    }
    EXPECT_EQ(source.DataSet(), nullptr);
    TDataSource other(nullptr);
    other.SetDataSet(&ds);
    EXPECT_TRUE(ds.IsLinkedTo(&other));
    EXPECT_FALSE(ds.IsLinkedTo(&source));
    ds.MasterSource = nullptr;
}

} // namespace
