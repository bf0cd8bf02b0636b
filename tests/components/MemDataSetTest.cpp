#include "components/uMemDataSet.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMemData.h"
#include "platform/data/DataError.h"
#include "platform/data/FieldClassTable.h"
#include "platform/rtl/DateTime.h"
#include "support/ErrorText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using namespace data;
using namespace dataaccess;
using testsupport::ErrorMessageOf;

struct Column {
    std::string name;
    uint16_t type;
    uint32_t length = 0;
    uint16_t scale = 0;
};

uint32_t ByteSizeOf(uint16_t type, uint32_t length) {
    switch (type) {
    case dtString:
        return length + 1;
    case dtWideString:
        return (length + 1) * 2;
    case dtInt32:
        return 4;
    case dtBlob:
    case dtMemo:
    case dtExtString:
        return kReferenceSize;
    default:
        return 8;
    }
}

// A record store with hand-made descriptors; it lays out its fields and adds its rows when it opens.
class HandMadeStore : public TMemData {
public:
    HandMadeStore(std::vector<Column> columns, std::vector<std::vector<rtl::Variant>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}

    std::vector<std::vector<rtl::Variant>>& Rows() { return rows_; }

protected:
    void InternalInitFields() override {
        for (const Column& column : columns_) {
            auto field = GetFieldDescClass()();
            field->FieldName = field->ServerName = column.name;
            field->TypeCode = column.type;
            field->ValueLength = column.length;
            field->DecimalPlaces = column.scale;
            field->ByteSize = ByteSizeOf(column.type, column.length);
            Fields().Add(std::move(field));
        }
    }

    void InternalOpen() override {
        InitFields();
        for (const auto& row : rows_) {
            void* record = NewRecordBuffer();
            InitRecord(record);
            CreateComplexFields(record, true);
            for (size_t i = 0; i < row.size(); ++i)
                if (!row[i].IsNull()) WriteFieldAsVariant(static_cast<int>(i + 1), record, row[i]);
            AppendRecord(record);
            DisposeRecordBuffer(record);
        }
    }

private:
    std::vector<Column> columns_;
    std::vector<std::vector<rtl::Variant>> rows_;
};

// A data set that may be made read-only.
class TestDataSet : public TMemDataSet {
public:
    using TMemDataSet::TMemDataSet;
    bool canModify = true;

protected:
    bool GetCanModify() const override { return canModify; }
};

class MemDataSetTest : public ::testing::Test {
protected:
    MemDataSetTest() : ds(nullptr) {}

    HandMadeStore& Use(std::vector<Column> columns, std::vector<std::vector<rtl::Variant>> rows) {
        auto store = std::make_unique<HandMadeStore>(std::move(columns), std::move(rows));
        HandMadeStore& result = *store;
        ds.SetRecordStore(std::move(store));
        return result;
    }

    // ID integer, NAME heap string, MEMO memo; three rows.
    HandMadeStore& UsePeople() {
        return Use({{"ID", dtInt32}, {"NAME", dtExtString, 20}, {"MEMO", dtMemo}},
                   {{1, "ann", "first"}, {2, "bob", rtl::Variant::Null()}, {3, "cy", "third"}});
    }

    std::vector<std::string> Names(const std::string& field = "NAME") {
        std::vector<std::string> names;
        for (ds.First(); !ds.Eof(); ds.Next())
            names.push_back(ds.FieldByName(field)->AsString());
        return names;
    }

    TestDataSet ds;
};

TEST_F(MemDataSetTest, InactiveDataSetHasNoRecords) {
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.RecNo(), 0);
    UsePeople();
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.RecNo(), 0);
}

TEST_F(MemDataSetTest, OpenBuildsFieldDefsWithMappedTypes) {
    struct Case {
        Column column;
        TFieldType type;
        int size;
    };
    const std::vector<Case> cases = {
        {{"S", dtString, 10}, ftString, 10},
        {{"EMPTY", dtString, 0}, ftString, 1},
        {{"I", dtInt32, 11}, ftInteger, 0},
        {{"F", dtFloat, 10, 2}, ftFloat, 0},
        {{"DT", dtDateTime}, ftDateTime, 0},
        {{"L", dtInt64, 20}, ftLargeint, 0},
        {{"B", dtBlob}, ftBlob, 0},
        {{"M", dtMemo}, ftMemo, 0},
        {{"H", dtExtString, 30}, ftString, 30},
        {{"W", dtWideString, 5}, ftWideString, 5},
    };
    std::vector<Column> columns;
    for (const Case& c : cases)
        columns.push_back(c.column);
    Use(columns, {});
    ds.Open();
    ASSERT_EQ(ds.FieldDefs().Count(), static_cast<int>(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].column.name);
        const TFieldDef* def = ds.FieldDefs()[static_cast<int>(i)];
        EXPECT_EQ(def->Name(), cases[i].column.name);
        EXPECT_EQ(def->FieldNo(), static_cast<int>(i + 1));
        EXPECT_EQ(def->DataType(), cases[i].type);
        EXPECT_EQ(def->Size(), cases[i].size);
    }
    EXPECT_EQ(ds.FieldDefs()[2]->Precision(), 11);
    EXPECT_EQ(ds.FieldCount(), static_cast<int>(cases.size()));
    EXPECT_EQ(ds.FieldByName("W")->DataType(), ftWideString);
}

TEST_F(MemDataSetTest, FieldDefsWithoutOpening) {
    UsePeople();
    ds.FieldDefs().Update();
    EXPECT_FALSE(ds.Active());
    ASSERT_EQ(ds.FieldDefs().Count(), 3);
    EXPECT_EQ(ds.FieldDefs()[2]->DataType(), ftMemo);
    ds.Prepare();
    EXPECT_TRUE(ds.Prepared());
    ds.Open();
    EXPECT_EQ(ds.GetFieldDesc(ds.FieldByName("NAME"))->TypeCode, dtExtString);
    ds.UnPrepare();
    EXPECT_FALSE(ds.Active());
    EXPECT_FALSE(ds.FieldDefs().Updated());
}

TEST_F(MemDataSetTest, ColumnWithoutTypeIsNotSupported) {
    Use({{"ID", dtInt32}, {"X", dtUnknown}}, {});
    EXPECT_EQ(ErrorMessageOf([&] { ds.Open(); }), "Data type is not supported");
    EXPECT_FALSE(ds.Active());
}

TEST_F(MemDataSetTest, TypeMapRoundTripsAndRejectsUnknownCodes) {
    const TDataTypesMap& map = TDataTypesMap::Instance();
    for (uint16_t code : {dtString, dtInt32, dtFloat, dtDateTime, dtInt64, dtBlob, dtMemo, dtWideString})
        EXPECT_EQ(map.GetDataType(map.GetFieldType(code)), code) << code;
    EXPECT_EQ(map.GetFieldType(dtExtString), ftString);
    EXPECT_EQ(map.GetDataType(ftAutoInc), dtInt32);
    EXPECT_EQ(map.GetDataType(ftGraphic), dtUnknown);
    EXPECT_EQ(ErrorMessageOf([&] { map.GetFieldType(99); }).find("Unknown data type") != std::string::npos,
              true);
}

TEST_F(MemDataSetTest, ReadsAndNavigatesRows) {
    UsePeople();
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(ds.FieldByName("MEMO")->AsString(), "first");
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.FieldByName("MEMO")->IsNull());
    const TBookmark second = ds.GetBookmark();
    EXPECT_EQ(second.size(), kBookmarkSize);
    ds.Last();
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "cy");
    EXPECT_GT(ds.CompareBookmarks(ds.GetBookmark(), second), 0);
    ds.GotoBookmark(second);
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "bob");
    EXPECT_TRUE(ds.BookmarkValid(second));
    ds.SetRecNo(3);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"ann", "bob", "cy"}));
}

TEST_F(MemDataSetTest, DateTimeValuesKeepDateAndTime) {
    const rtl::TDateTime moment = rtl::EncodeDate(2024, 2, 29) + rtl::EncodeTime(13, 45, 30, 0);
    Use({{"ID", dtInt32}, {"AT", dtDateTime}}, {{1, rtl::Variant::FromDateTime(moment)}});
    ds.Open();
    EXPECT_DOUBLE_EQ(ds.FieldByName("AT")->AsDateTime(), moment);
    const rtl::TDateTime later = rtl::EncodeDate(2001, 1, 2) + rtl::EncodeTime(3, 4, 5, 0);
    ds.Edit();
    ds.FieldByName("AT")->SetAsDateTime(later);
    ds.Post();
    EXPECT_DOUBLE_EQ(ds.FieldByName("AT")->AsDateTime(), later);
}

TEST_F(MemDataSetTest, EmptyDataSetReadsNull) {
    Use({{"ID", dtInt32}}, {});
    ds.Open();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.FieldByName("ID")->IsNull());
    EXPECT_EQ(ds.RecNo(), 0);
}

TEST_F(MemDataSetTest, EditingReachesTheStore) {
    HandMadeStore& store = UsePeople();
    ds.Open();
    ds.Next();
    ds.Edit();
    ds.FieldByName("NAME")->SetAsString("bea");
    ds.Post();
    ds.Insert();
    EXPECT_EQ(ds.RecNo(), 0);
    ds.FieldByName("ID")->SetAsInteger(9);
    ds.FieldByName("NAME")->SetAsString("new");
    ds.Post();
    ds.Append();
    ds.FieldByName("ID")->SetAsInteger(10);
    ds.FieldByName("NAME")->SetAsString("last");
    ds.Post();
    EXPECT_EQ(store.GetRecordCount(), 5);
    EXPECT_EQ(Names(), (std::vector<std::string>{"ann", "new", "bea", "cy", "last"}));

    ds.First();
    ds.Edit();
    ds.FieldByName("NAME")->SetAsString("changed");
    EXPECT_EQ(ds.FieldByName("NAME")->OldValue().AsString(), "ann");
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "ann");
    ds.Insert();
    EXPECT_TRUE(ds.FieldByName("NAME")->OldValue().IsNull());
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 5);
    ds.Delete();
    EXPECT_EQ(store.GetRecordCount(), 4);
    EXPECT_EQ(Names(), (std::vector<std::string>{"new", "bea", "cy", "last"}));
}

TEST_F(MemDataSetTest, AssignCopiesUpdateOptions) {
    ds.SetRequiredFields(false);
    ds.SetLocalUpdate(true);
    TestDataSet other(nullptr);
    other.Assign(&ds);
    EXPECT_FALSE(other.RequiredFields());
    EXPECT_TRUE(other.LocalUpdate());
}

TEST_F(MemDataSetTest, RefusedWrites) {
    UsePeople();
    ds.Open();
    EXPECT_EQ(ErrorMessageOf([&] { ds.FieldByName("NAME")->SetAsString("x"); }),
              "Dataset not in edit or insert mode");
    ds.FieldByName("NAME")->SetReadOnly(true);
    ds.Edit();
    EXPECT_EQ(ErrorMessageOf([&] { ds.FieldByName("NAME")->SetAsString("x"); }),
              "Field 'NAME' cannot be modified");
    ds.Cancel();
    ds.canModify = false;
    EXPECT_EQ(ErrorMessageOf([&] { ds.Delete(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(MemDataSetTest, DefaultExpressionIsUnquoted) {
    UsePeople();
    ds.Open();
    ds.FieldByName("NAME")->SetDefaultExpression("'abc'");
    ds.FieldByName("ID")->SetDefaultExpression("7");
    ds.Insert();
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "abc");
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7);
    ds.Cancel();
}

TEST_F(MemDataSetTest, FailingOnNewRecordCancelsTheInsert) {
    UsePeople();
    ds.Open();
    ds.Next();
    ds.OnNewRecord = [](TDataSet* dataSet) {
        dataSet->FieldByName("MEMO")->SetAsString("leaked?");
        throw rtl::Exception("no new records");
    };
    EXPECT_EQ(ErrorMessageOf([&] { ds.Insert(); }), "no new records");
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "bob");
    ds.OnNewRecord = nullptr;
    ds.Append();
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 4);
}

TEST_F(MemDataSetTest, BlobStreams) {
    UsePeople();
    ds.Open();
    auto* memo = ds.FieldByName("MEMO");
    ASSERT_TRUE(memo->IsBlob());
    {
        auto stream = ds.CreateBlobStream(memo, bmRead);
        char buffer[16] = {};
        EXPECT_EQ(stream->Size(), 5);
        EXPECT_EQ(stream->Read(buffer, 3), 3);
        EXPECT_EQ(std::string(buffer, 3), "fir");
        EXPECT_EQ(stream->Read(buffer, 10), 2);
        EXPECT_EQ(stream->Read(buffer, 10), 0);
        stream->Seek(10, rtl::soBeginning);
        EXPECT_EQ(stream->Read(buffer, 4), 0) << "a read past the end reads nothing";
    }
    EXPECT_EQ(ErrorMessageOf([&] { ds.CreateBlobStream(memo, bmWrite); }),
              "Dataset not in edit or insert mode");

    ds.Edit();
    {
        auto stream = ds.CreateBlobStream(memo, bmReadWrite);
        stream->Seek(0, rtl::soEnd);
        stream->WriteString(" and more");
    }
    EXPECT_EQ(memo->AsString(), "first and more");
    {
        auto stream = ds.CreateBlobStream(memo, bmReadWrite);
        stream->Seek(5, rtl::soBeginning);
        static_cast<TBlobStream&>(*stream).Truncate();
    }
    EXPECT_EQ(memo->AsString(), "first");
    ds.Post();
    EXPECT_TRUE(static_cast<TBlobField*>(memo)->Modified());
    EXPECT_EQ(ds.GetBlob(memo)->GetAsString(), "first");

    ds.Next();
    ds.Edit();
    memo->SetAsString("written");
    ds.Cancel();
    EXPECT_TRUE(memo->IsNull()) << "a cancelled edit leaves the blob as it was";
}

TEST_F(MemDataSetTest, ReadOnlyBlobOpensForReadingOnly) {
    UsePeople();
    ds.Open();
    auto* memo = static_cast<TBlobField*>(ds.FieldByName("MEMO"));
    memo->SetReadOnly(true);
    ds.Edit();
    EXPECT_NE(ds.CreateBlobStream(memo, bmRead), nullptr);
    EXPECT_EQ(ErrorMessageOf([&] { ds.CreateBlobStream(memo, bmWrite); }), "Field 'MEMO' cannot be modified");
    ds.Cancel();
}

class CalcFieldsTest : public MemDataSetTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CalcFieldsTest, CalculatedFieldsAreComputed) {
    UsePeople();
    ds.SetCacheCalcFields(GetParam());
    auto* id = new TIntegerField(nullptr);
    id->SetFieldName("ID");
    id->SetDataSet(&ds);
    auto* name = new TStringField(nullptr);
    name->SetFieldName("NAME");
    name->SetSize(20);
    name->SetDataSet(&ds);
    auto* label = new TStringField(nullptr);
    label->SetFieldName("LABEL");
    label->SetSize(30);
    label->SetFieldKind(fkCalculated);
    label->SetDataSet(&ds);
    int calculations = 0;
    ds.OnCalcFields = [&](TDataSet* dataSet) {
        ++calculations;
        dataSet->FieldByName("LABEL")->SetAsString(dataSet->FieldByName("NAME")->AsString() + "#" +
                                                   dataSet->FieldByName("ID")->AsString());
    };
    ds.Open();
    EXPECT_EQ(ds.FieldDefs().Count(), 3) << "calculated columns get no field definition";
    EXPECT_EQ(Names("LABEL"), (std::vector<std::string>{"ann#1", "bob#2", "cy#3"}));
    ds.Edit();
    ds.FieldByName("NAME")->SetAsString("bea");
    EXPECT_EQ(ds.FieldByName("LABEL")->AsString(), "bea#3");
    ds.Post();
    const int before = calculations;
    EXPECT_EQ(Names("LABEL"), (std::vector<std::string>{"ann#1", "bob#2", "bea#3"}));
    if (GetParam())
        EXPECT_EQ(calculations, before) << "cached values are not computed again";
    else
        EXPECT_GT(calculations, before);
    EXPECT_EQ(ds.GetFieldDesc(label)->FieldName, "LABEL");
}

INSTANTIATE_TEST_SUITE_P(CacheCalcFields, CalcFieldsTest, ::testing::Bool());

TEST_F(MemDataSetTest, IndexFieldNamesSort) {
    Use({{"A", dtInt32}, {"B", dtString, 5}}, {{1, "x"}, {2, "y"}, {3, "x"}, {4, "z"}});
    ds.Open();
    ds.SetIndexFieldNames("b DESC;a");
    std::vector<std::string> order;
    for (ds.First(); !ds.Eof(); ds.Next())
        order.push_back(ds.FieldByName("B")->AsString() + ds.FieldByName("A")->AsString());
    EXPECT_EQ(order, (std::vector<std::string>{"z4", "y2", "x1", "x3"}));
    EXPECT_EQ(ErrorMessageOf([&] { ds.SetIndexFieldNames("b DOWN"); }), "Invalid IndexFieldNames format!");
    EXPECT_EQ(ErrorMessageOf([&] { ds.SetIndexFieldNames("x"); }), "Field x not found");
    EXPECT_EQ(ds.IndexFieldNames(), "b DESC;a");
}

TEST_F(MemDataSetTest, NumberRangeFollowsColumnLength) {
    Use({{"I", dtInt32, 5}, {"WIDE", dtInt32, 10}, {"BIG", dtInt64, 20}, {"F", dtFloat, 5, 2}}, {});
    ds.SetNumberRange(true);
    ds.Open();
    auto* i = static_cast<TIntegerField*>(ds.FieldByName("I"));
    EXPECT_EQ(i->MaxValue(), 99999);
    EXPECT_EQ(i->MinValue(), -99999);
    EXPECT_EQ(static_cast<TIntegerField*>(ds.FieldByName("WIDE"))->MaxValue(), 2147483647) << "clamped";
    EXPECT_EQ(static_cast<TIntegerField*>(ds.FieldByName("BIG"))->MaxValue(), INT64_MAX);
    auto* f = static_cast<TFloatField*>(ds.FieldByName("F"));
    EXPECT_EQ(f->Precision(), 5);
    EXPECT_DOUBLE_EQ(f->MaxValue(), 999.99);
}

class MarkedStringField : public TStringField {
public:
    using TStringField::TStringField;
};

TEST_F(MemDataSetTest, ReplacedDefaultStringClassIsUsed) {
    const TFieldClass standard = DefaultFieldClass(ftString);
    SetDefaultFieldClass(ftString, &FieldClassOf<MarkedStringField>);
    UsePeople();
    try {
        ds.Open();
    } catch (...) {
        SetDefaultFieldClass(ftString, standard);
        throw;
    }
    SetDefaultFieldClass(ftString, standard);
    EXPECT_NE(dynamic_cast<MarkedStringField*>(ds.FieldByName("NAME")), nullptr);
}

} // namespace
} // namespace components
