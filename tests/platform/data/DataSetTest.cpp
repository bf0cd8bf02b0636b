#include "ToyDataSet.h"

#include "platform/data/DataLink.h"
#include "platform/data/FieldClasses.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace data;
using datatest::SixRowColumns;
using datatest::SixRows;
using datatest::ToyDataSet;

// A link that only sets the window size.
class WindowLink : public TDataLink {};

class DataSetTest : public ::testing::Test {
protected:
    DataSetTest() { ds.SetName("Toy"); }

    int Id() const { return ds.FieldByName("id")->AsInteger(); }
    TField* Field(const char* name) const { return ds.FieldByName(name); }

    // The ids of every record in the window of `link`, read the way a grid paints its rows.
    static std::vector<int> VisibleIds(TDataLink& link) {
        std::vector<int> ids;
        const int active = link.ActiveRecord();
        for (int row = 0; row < link.RecordCount(); ++row) {
            link.SetActiveRecord(row);
            ids.push_back(link.DataSet()->FieldByName("id")->AsInteger());
        }
        link.SetActiveRecord(active);
        return ids;
    }

    ToyDataSet ds{nullptr, SixRowColumns(), SixRows()};
};

TEST_F(DataSetTest, StateFollowsOpenEditPostCancelAndClose) {
    EXPECT_EQ(ds.State(), dsInactive);
    ds.Open();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_TRUE(ds.Active());
    EXPECT_TRUE(ds.DefaultFields());
    ASSERT_EQ(ds.FieldCount(), 6);

    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    Field("name")->SetAsString("changed");
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(ds.Modified());
    EXPECT_EQ(Field("name")->AsString(), "changed");

    ds.Edit();
    Field("name")->SetAsString("discarded");
    Field("amount")->Clear();
    EXPECT_EQ(Field("name")->AsString(), "discarded");
    ds.Cancel();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Field("name")->AsString(), "changed");
    EXPECT_DOUBLE_EQ(Field("amount")->AsFloat(), 1.5);

    ds.Insert();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_TRUE(Field("id")->IsNull());
    ds.Cancel();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 6);
    EXPECT_EQ(Id(), 1);

    ds.Close();
    EXPECT_EQ(ds.State(), dsInactive);
    EXPECT_EQ(ds.FieldCount(), 0); // default fields go with the cursor
}

TEST_F(DataSetTest, EventsFireInOrder) {
    std::vector<std::string> log;
    const auto record = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
    ds.BeforeOpen = record("BeforeOpen");
    ds.AfterOpen = record("AfterOpen");
    ds.BeforeScroll = record("BeforeScroll");
    ds.AfterScroll = record("AfterScroll");
    ds.BeforeEdit = record("BeforeEdit");
    ds.AfterEdit = record("AfterEdit");
    ds.BeforePost = record("BeforePost");
    ds.AfterPost = record("AfterPost");
    ds.BeforeInsert = record("BeforeInsert");
    ds.OnNewRecord = record("OnNewRecord");
    ds.AfterInsert = record("AfterInsert");
    ds.BeforeCancel = record("BeforeCancel");
    ds.AfterCancel = record("AfterCancel");
    ds.BeforeDelete = record("BeforeDelete");
    ds.AfterDelete = record("AfterDelete");
    ds.BeforeClose = record("BeforeClose");
    ds.AfterClose = record("AfterClose");

    const std::vector<std::pair<std::function<void()>, std::vector<std::string>>> steps = {
        {[&] { ds.Open(); }, {"BeforeOpen", "AfterOpen", "AfterScroll"}},
        {[&] { ds.Next(); }, {"BeforeScroll", "AfterScroll"}},
        {[&] { ds.Edit(); }, {"BeforeEdit", "AfterEdit"}},
        {[&] { ds.Post(); }, {"BeforePost", "AfterPost"}},
        {[&] { ds.Insert(); }, {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}},
        {[&] { ds.Cancel(); }, {"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}},
        {[&] { ds.Delete(); }, {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}},
        {[&] { ds.Close(); }, {"BeforeClose", "AfterClose"}},
    };
    for (const auto& [step, expected] : steps) {
        log.clear();
        step();
        EXPECT_EQ(log, expected);
    }
}

TEST_F(DataSetTest, ClosedAndOpenChecksRaiseTheirTexts) {
    const std::string closed = "Toy: Cannot perform this operation on a closed dataset";
    const std::vector<std::pair<const char*, std::function<void()>>> onClosed = {
        {"First", [&] { ds.First(); }},     {"Last", [&] { ds.Last(); }},
        {"Next", [&] { ds.Next(); }},       {"MoveBy", [&] { ds.MoveBy(-2); }},
        {"Edit", [&] { ds.Edit(); }},       {"Insert", [&] { ds.Insert(); }},
        {"Append", [&] { ds.Append(); }},   {"Delete", [&] { ds.Delete(); }},
        {"Refresh", [&] { ds.Refresh(); }}, {"CheckActive", [&] { ds.CheckActive(); }},
    };
    for (const auto& [name, operation] : onClosed) {
        SCOPED_TRACE(name);
        try {
            operation();
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), closed);
        }
    }

    ds.Open();
    TField* name = Field("name");
    const std::string open = "Toy: Cannot perform this operation on an open dataset";
    const std::vector<std::pair<const char*, std::function<void()>>> onOpen = {
        {"CheckInactive", [&] { ds.CheckInactive(); }},
        {"field to other data set", [&] { name->SetDataSet(nullptr); }},
        {"new field", [&] { TIntegerField(nullptr).SetDataSet(&ds); }},
        {"rename field", [&] { name->SetFieldName("other"); }},
        {"resize field", [&] { name->SetSize(3); }},
    };
    for (const auto& [what, operation] : onOpen) {
        SCOPED_TRACE(what);
        try {
            operation();
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), open);
        }
    }
    EXPECT_EQ(ds.FieldCount(), 6);
}

// Navigation with windows smaller than, equal to and larger than the six records.
class NavigationTest : public DataSetTest, public ::testing::WithParamInterface<int> {
protected:
    NavigationTest() {
        source.SetDataSet(&ds);
        link.SetBufferCount(GetParam());
        link.SetDataSource(&source);
    }
    ~NavigationTest() override { link.SetDataSource(nullptr); }

    TDataSource source{nullptr};
    WindowLink link;
};

TEST_P(NavigationTest, MovesThroughTheRecords) {
    struct Step {
        const char* what;
        std::function<int(TDataSet&)> move; // answers the records moved
        int id, moved;
        bool bof, eof;
    };
    const std::vector<Step> steps = {
        {"open", [](TDataSet& d) { return d.Open(), 0; }, 1, 0, true, false},
        {"next", [](TDataSet& d) { return d.MoveBy(1); }, 2, 1, false, false},
        {"by 3", [](TDataSet& d) { return d.MoveBy(3); }, 5, 3, false, false},
        {"next to last", [](TDataSet& d) { return d.MoveBy(1); }, 6, 1, false, false},
        {"past the end", [](TDataSet& d) { return d.MoveBy(1); }, 6, 0, false, true},
        {"prior", [](TDataSet& d) { return d.MoveBy(-1); }, 5, 1, false, false},
        {"back 10", [](TDataSet& d) { return d.MoveBy(-10); }, 1, 4, true, false},
        {"before the start", [](TDataSet& d) { return d.MoveBy(-1); }, 1, 0, true, false},
        {"last", [](TDataSet& d) { return d.Last(), 0; }, 6, 0, false, true},
        {"back 2", [](TDataSet& d) { return d.MoveBy(-2); }, 4, 2, false, false},
        {"forward 5", [](TDataSet& d) { return d.MoveBy(5); }, 6, 2, false, true},
        {"first", [](TDataSet& d) { return d.First(), 0; }, 1, 0, true, false},
        {"RecNo 4", [](TDataSet& d) { return d.SetRecNo(4), 0; }, 4, 0, false, false},
        {"Next", [](TDataSet& d) { return d.Next(), 0; }, 5, 0, false, false},
        {"Prior", [](TDataSet& d) { return d.Prior(), 0; }, 4, 0, false, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.move(ds), step.moved);
        EXPECT_EQ(Id(), step.id);
        EXPECT_EQ(ds.RecNo(), step.id);
        EXPECT_EQ(ds.Bof(), step.bof);
        EXPECT_EQ(ds.Eof(), step.eof);
        EXPECT_EQ(ds.RecordCount(), 6);
        // The window holds consecutive records around the active one.
        EXPECT_EQ(ds.BufferCount(), GetParam());
        const std::vector<int> ids = VisibleIds(link);
        ASSERT_FALSE(ids.empty());
        EXPECT_EQ(static_cast<int>(ids.size()), std::min(GetParam(), 6));
        for (size_t i = 1; i < ids.size(); ++i)
            EXPECT_EQ(ids[i], ids[i - 1] + 1);
        EXPECT_EQ(ids.at(link.ActiveRecord()), step.id);
    }
}

TEST_P(NavigationTest, BookmarkReturnsToItsRecord) {
    ds.Open();
    ds.MoveBy(3);
    const TBookmark bookmark = ds.GetBookmark();
    ASSERT_EQ(static_cast<int>(bookmark.size()), ds.BookmarkSize());
    ds.First();
    ds.GotoBookmark(bookmark);
    EXPECT_EQ(Id(), 4);
    EXPECT_EQ(ds.RecNo(), 4);

    // It still finds the record when others went away, and orders against others.
    ds.First();
    ds.Delete();
    ds.Last();
    ds.GotoBookmark(bookmark);
    EXPECT_EQ(Id(), 4);
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_TRUE(ds.BookmarkValid(bookmark));
    ds.Next();
    EXPECT_LT(ds.CompareBookmarks(bookmark, ds.GetBookmark()), 0);
    ds.GotoBookmark(bookmark);
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(bookmark));
    EXPECT_EQ(Id(), 5);
}

TEST_P(NavigationTest, InsertAppendAndDeleteKeepTheWindowInStep) {
    ds.Open();
    ds.SetRecNo(3);
    ds.Insert();
    Field("id")->SetAsInteger(30);
    ds.Post();
    EXPECT_EQ(Id(), 30);
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Next();
    EXPECT_EQ(Id(), 3);

    ds.Append();
    Field("id")->SetAsInteger(70);
    ds.Post();
    EXPECT_EQ(Id(), 70);
    EXPECT_EQ(ds.RecNo(), 8);
    EXPECT_EQ(ds.RecordCount(), 8);

    ds.First();
    std::vector<int> ids;
    for (; !ds.Eof(); ds.Next())
        ids.push_back(Id());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 30, 3, 4, 5, 6, 70}));

    ds.Delete(); // the last one
    EXPECT_EQ(Id(), 6);
    ds.SetRecNo(2);
    ds.Delete();
    EXPECT_EQ(Id(), 30);
    while (!ds.IsEmpty())
        ds.Delete();
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(VisibleIds(link).empty());
}

INSTANTIATE_TEST_SUITE_P(Windows, NavigationTest, ::testing::Values(1, 2, 3, 6, 10));

TEST_F(DataSetTest, ResyncAndRefreshReadTheStoreAgain) {
    ds.Open();
    ds.SetRecNo(3);
    ds.ChangeStoredValue(2, Field("name")->FieldNo(), "GAMMA");
    EXPECT_EQ(Field("name")->AsString(), "gamma"); // the buffer still holds the old value
    ds.Resync({});
    EXPECT_EQ(Field("name")->AsString(), "GAMMA");
    EXPECT_EQ(ds.RecNo(), 3);
    ds.ChangeStoredValue(2, Field("name")->FieldNo(), rtl::Variant::Null());
    ds.Refresh();
    EXPECT_TRUE(Field("name")->IsNull());
}

TEST_F(DataSetTest, EmptyDataSetHasNoRecordToReadOrDelete) {
    ToyDataSet empty(nullptr, SixRowColumns(), {});
    empty.SetName("Empty");
    EXPECT_EQ(empty.RecordCount(), 0); // also while inactive
    empty.Open();
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.Bof());
    EXPECT_TRUE(empty.Eof());
    EXPECT_EQ(empty.RecNo(), 0);
    EXPECT_TRUE(empty.FieldByName("name")->IsNull());
    EXPECT_EQ(empty.FieldByName("name")->AsString(), "");
    EXPECT_TRUE(empty.GetBookmark().empty());
    try {
        empty.Delete();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Empty: Cannot perform this operation on an empty dataset");
    }
    empty.Edit(); // nothing to edit: inserts
    EXPECT_EQ(empty.State(), dsInsert);
    empty.FieldByName("id")->SetAsInteger(1);
    empty.Post();
    EXPECT_EQ(empty.RecordCount(), 1);
    EXPECT_FALSE(empty.IsEmpty());
}

TEST_F(DataSetTest, PostChecksRequiredFieldsAndErrorHandlersDecide) {
    ds.Open();
    ds.Insert();
    Field("name")->SetAsString("no id");
    try {
        ds.Post();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'id' must have a value");
    }
    EXPECT_EQ(ds.State(), dsInsert);

    ds.OnPostError = [](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
    EXPECT_THROW(ds.Post(), EAbort);
    EXPECT_EQ(ds.State(), dsInsert);

    int calls = 0;
    ds.OnPostError = [&](TDataSet* d, EDatabaseError&, TDataAction& action) {
        ++calls;
        d->FieldByName("id")->SetAsInteger(42);
        action = daRetry;
    };
    ds.Post();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Id(), 42);
    EXPECT_EQ(ds.RecordCount(), 7);
}

TEST_F(DataSetTest, FailingNewRecordHandlerCancelsTheInsert) {
    ds.Open();
    ds.SetRecNo(2);
    ds.OnNewRecord = [](TDataSet*) { DatabaseError("no new records"); };
    EXPECT_THROW(ds.Insert(), EDatabaseError);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Id(), 2);
    EXPECT_EQ(ds.RecordCount(), 6);
}

TEST_F(DataSetTest, ReadOnlyDataSetAndReadOnlyFieldRefuseChanges) {
    ds.Open();
    ds.ReadOnlyDataSet = true;
    try {
        ds.Edit();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Toy: Cannot modify a read-only dataset");
    }
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(Field("id")->CanModify());

    ds.ReadOnlyDataSet = false;
    Field("name")->SetReadOnly(true);
    ds.Edit();
    EXPECT_THROW(Field("name")->SetAsString("x"), EDatabaseError);
    try {
        Field("amount")->SetAsFloat(1);
        ds.Cancel();
        Field("amount")->SetAsFloat(2); // browsing again
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Toy: Dataset not in edit or insert mode");
    }
}

TEST_F(DataSetTest, OldValueIsTheStoredRecord) {
    ds.Open();
    ds.Edit();
    Field("name")->SetAsString("new");
    EXPECT_EQ(Field("name")->OldValue().AsString(), "alpha");
    EXPECT_EQ(Field("name")->Value().AsString(), "new");
    ds.Cancel();
    ds.Insert();
    EXPECT_TRUE(Field("name")->OldValue().IsNull());
}

TEST_F(DataSetTest, CalculatedFieldsFollowTheRecord) {
    // Persistent fields: the data set makes none of its own.
    for (const auto& column : SixRowColumns()) {
        TField* field = DefaultFieldClass(column.type)(&ds);
        field->SetFieldName(column.name);
        if (column.size) field->SetSize(column.size);
        field->SetDataSet(&ds);
    }
    auto* label = new TStringField(&ds);
    label->SetFieldName("label");
    label->SetFieldKind(fkCalculated);
    label->SetDataSet(&ds);
    ds.OnCalcFields = [](TDataSet* d) {
        d->FieldByName("label")->SetAsString(d->FieldByName("name")->AsString() + "#" +
                                             d->FieldByName("id")->AsString());
    };
    ds.Open();
    EXPECT_FALSE(ds.DefaultFields());
    EXPECT_EQ(label->AsString(), "alpha#1");
    EXPECT_EQ(label->FieldNo(), 0);
    ds.Last();
    EXPECT_EQ(label->AsString(), "zeta#6");
    ds.Edit();
    ds.FieldByName("name")->SetAsString("omega");
    EXPECT_EQ(label->AsString(), "omega#6"); // recalculated on every change
    ds.Cancel();
    EXPECT_EQ(label->AsString(), "zeta#6");
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 7); // persistent fields stay
}

TEST_F(DataSetTest, FieldDefsWithoutOpening) {
    EXPECT_EQ(ds.FieldDefs().Count(), 0);
    ds.FieldDefs().Update();
    EXPECT_FALSE(ds.Active());
    ASSERT_EQ(ds.FieldDefs().Count(), 6);
    EXPECT_EQ(ds.FieldDefs()[1]->Name(), "name");
    EXPECT_EQ(ds.FieldDefs()[1]->FieldNo(), 2);
    EXPECT_EQ(ds.FieldDefs()[1]->Size(), 12);
    EXPECT_TRUE(ds.FieldDefs()[0]->Required());
    EXPECT_EQ(ds.FieldDefs().Find("AMOUNT")->DataType(), ftFloat);
    try {
        ds.FieldDefs().Find("nope");
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Toy: Field 'nope' not found");
    }
}

// A toy whose open, field-def read and close fail on request.
class FailingToyDataSet : public ToyDataSet {
public:
    FailingToyDataSet() : ToyDataSet(nullptr, SixRowColumns(), SixRows()) {}
    bool FailOpen = false;
    bool FailDefs = false;
    bool FailClose = false;

protected:
    void InternalOpen() override {
        if (FailOpen) DatabaseError("open failed");
        ToyDataSet::InternalOpen();
    }
    void InternalInitFieldDefs() override {
        if (FailDefs) DatabaseError("field defs failed");
        ToyDataSet::InternalInitFieldDefs();
    }
    void InternalClose() override {
        if (FailClose) DatabaseError("close failed");
        ToyDataSet::InternalClose();
    }
};

TEST(DataSetCleanUpTest, AFailedOpenReportsItsOwnErrorAndLeavesTheDataSetReusable) {
    struct Case {
        const char* name;
        bool FailingToyDataSet::*step;
        std::function<void(FailingToyDataSet&)> run;
        const char* error;
    };
    const Case cases[] = {
        {"open", &FailingToyDataSet::FailOpen, [](FailingToyDataSet& d) { d.Open(); }, "open failed"},
        {"field defs", &FailingToyDataSet::FailDefs, [](FailingToyDataSet& d) { d.FieldDefs().Update(); },
         "field defs failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FailingToyDataSet ds;
        ds.*c.step = true;
        // The close that undoes the half-done step fails as well; the step's error is the one to see.
        ds.FailClose = true;
        try {
            c.run(ds);
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), c.error);
        }
        EXPECT_EQ(ds.State(), dsInactive);
        ds.*c.step = false;
        ds.FailClose = false;
        c.run(ds);
        EXPECT_EQ(ds.FieldDefs().Count(), 6);
    }
}

TEST_F(DataSetTest, BlockReadMovesWithoutTellingTheLinks) {
    class CountingLink : public TDataLink {
    public:
        int events = 0;

    protected:
        void DataSetChanged() override { ++events; }
        void DataSetScrolled(int) override { ++events; }
    } link;
    TDataSource source(nullptr);
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
    ds.Open();
    ds.SetBlockReadSize(10);
    EXPECT_EQ(ds.State(), dsBlockRead);
    int ids = 0;
    for (; !ds.Eof(); ds.Next())
        ids += Id();
    EXPECT_EQ(ids, 21);
    EXPECT_EQ(link.events, 0);
    ds.SetBlockReadSize(0);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(link.events, 1);
    EXPECT_EQ(Id(), 6);
    link.SetDataSource(nullptr);
}

TEST_F(DataSetTest, FieldDefsCopyIntoAnotherList) {
    ds.FieldDefs().Update();
    ToyDataSet other(nullptr, {}, {});
    other.FieldDefs().Assign(&ds.FieldDefs());
    ASSERT_EQ(other.FieldDefs().Count(), 6);
    EXPECT_EQ(other.FieldDefs()[5]->Name(), "note");
    EXPECT_EQ(other.FieldDefs()[5]->DataType(), ftMemo);
    EXPECT_EQ(other.FieldDefs()[0]->MySQLType(), 3);
    EXPECT_FALSE(other.FieldDefs().Updated()); // a change
}

TEST_F(DataSetTest, AbortIsSilentWhereOtherErrorsReachTheApplication) {
    std::vector<std::string> shown;
    SetApplicationExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            shown.push_back(e.what());
        }
    });
    const auto raiseAndHandle = [&](const std::function<void()>& raise) {
        try {
            raise();
        } catch (...) {
            ds.InternalHandleException();
        }
    };
    raiseAndHandle([] { Abort(); });
    raiseAndHandle([&] { ds.CheckActive(); });
    SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(shown, (std::vector<std::string>{"Toy: Cannot perform this operation on a closed dataset"}));

    // Without a handler the message goes to standard error, an abort still nowhere.
    testing::internal::CaptureStderr();
    raiseAndHandle([] { Abort(); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    raiseAndHandle([] { DatabaseError("shown"); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "shown\n");
}

} // namespace
