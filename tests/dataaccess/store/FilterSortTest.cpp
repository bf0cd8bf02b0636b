#include "dataaccess/MemDataTesting.h"

#include "dataaccess/store/uBoolParser.h"
#include "dataaccess/store/uSortColumn.h"
#include "platform/data/DataError.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dataaccess {
namespace {

using testing::AddRow;
using testing::Buffer;
using testing::Calculated;
using testing::Column;
using testing::CurrentValue;
using testing::ExpectConsistentNumbers;
using testing::GoToId;
using testing::Ids;
using testing::TestStore;
using ::testing::ThrowsMessage;

rtl::Variant Date(int year, int month, int day) {
    return rtl::Variant::FromDateTime(rtl::EncodeDate(year, month, day));
}

const rtl::Variant kNull = rtl::Variant::Null();

class FilterTest : public ::testing::Test {
protected:
    FilterTest()
        : store({{"ID", dtInt32}, {"NAME", dtExtString}, {"AMOUNT", dtFloat}, {"Order Date", dtDate}}) {
        store.SetAutoInitFields(false);
        store.Open();
        AddRow(store, {1, "Alice", 10, Date(2004, 12, 31)});
        AddRow(store, {2, "A*", 3, Date(2005, 1, 1)});
        AddRow(store, {3, "bob", kNull, Date(2006, 6, 1)});
        AddRow(store, {4, "Andy", 7, kNull});
        AddRow(store, {5, "carl", -2.5, Date(2005, 1, 2)});
        AddRow(store, {6, kNull, 5, Date(2004, 6, 1)});
        AddRow(store, {7, "it's", 6, Date(2007, 1, 1)});
    }

    std::vector<int64_t> Filtered(const std::string& text) {
        store.SetFilterText(text);
        store.FilterUpdated();
        ExpectConsistentNumbers(store);
        return Ids(store);
    }

    TestStore store;
};

struct FilterCase {
    const char* text;
    std::vector<int64_t> ids;
};

const FilterCase kFilterCases[] = {
    {"NAME = 'A*'", {1, 2, 4}},
    {"NAME = 'a*'", {}},
    {"AMOUNT > 5", {1, 4, 7}},
    {"AMOUNT IS NULL", {3}},
    {"AMOUNT = NULL", {3}},
    {"AMOUNT IS NOT NULL", {1, 2, 4, 5, 6, 7}},
    {"[Order Date] >= '2005-01-01'", {2, 3, 5, 7}},
    {"[Order Date] < '2005-01-01 00:00:01' AND ID > 1", {2, 6}},
    {"NOT ID = 1", {2, 3, 4, 5, 6, 7}},
    {"ID=1 AND NAME='x' OR ID=3", {3}},
    {"ID = 3 OR ID = 1 AND NAME = 'x'", {3}},
    {"(ID = 1 OR ID = 2) AND AMOUNT > 5", {1}},
    {"NAME LIKE '_o_'", {3}},
    {"NAME LIKE 'A%y'", {4}},
    {"NAME NOT LIKE 'A%'", {3, 5, 6, 7}},
    {"AMOUNT >= -2.5", {1, 2, 4, 5, 6, 7}},
    {"AMOUNT < +0", {5}},
    {"TRUE", {1, 2, 3, 4, 5, 6, 7}},
    {"FALSE", {}},
    {"NOT (ID <= 2 OR ID >= 6)", {3, 4, 5}},
    {"NAME = 'it''s'", {7}},
    {"NAME = \"bob\"", {3}},
    {"NAME > 'b'", {3, 5, 7}},
    {"ID <> 4 AND AMOUNT <> 5", {1, 2, 3, 5, 7}},
    {"  ", {1, 2, 3, 4, 5, 6, 7}},
};

class FilterCaseTest : public FilterTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterCaseTest, KeepsTheMatchingRows) {
    EXPECT_EQ(Filtered(GetParam().text), GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(Filters, FilterCaseTest, ::testing::ValuesIn(kFilterCases));

TEST_F(FilterTest, NoPartialCompareAndCaseInsensitivity) {
    store.SetFilterNoPartialCompare(true);
    EXPECT_EQ(Filtered("NAME = 'A*'"), (std::vector<int64_t>{2}));
    store.SetFilterNoPartialCompare(false);
    store.SetFilterCaseInsensitive(true);
    store.SetFilterText("");
    EXPECT_EQ(Filtered("NAME = 'a*'"), (std::vector<int64_t>{1, 2, 4}));
    EXPECT_EQ(Filtered("NAME = 'BOB'"), (std::vector<int64_t>{3}));
}

TEST_F(FilterTest, HooksAndExpressionTogether) {
    store.OnFilterRecord = [this](void* record) {
        return store.ReadFieldAsVariant(1, record).AsInt64() % 2 == 1;
    };
    EXPECT_EQ(Filtered("AMOUNT > 0"), (std::vector<int64_t>{1, 7}));
    store.OnMasterDetailFilter = [this](void* record) {
        return store.ReadFieldAsVariant(1, record).AsInt64() > 1;
    };
    store.FilterUpdated();
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{7}));
    store.SetToBegin();
    store.GetNextRecord(nullptr);
    EXPECT_EQ(store.GetRecordNo(), 1);
}

TEST_F(FilterTest, FilteredStoreNavigatesAndNumbersVisibleRows) {
    EXPECT_EQ(Filtered("ID >= 3 AND ID <= 6"), (std::vector<int64_t>{3, 4, 5, 6}));
    store.SetRecordNo(3);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(5));
    store.BuildRecordNoCache();
    store.SetRecordNo(2);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(4));
    AddRow(store, {8, "new", 1, kNull}); // hidden by the filter
    EXPECT_EQ(store.GetRecordCount(), 4);
    ExpectConsistentNumbers(store);
    TRecBookmark bookmark;
    GoToId(store, 4);
    store.GetBookmark(bookmark);
    EXPECT_TRUE(store.BookmarkValid(&bookmark));
    Filtered("ID > 4");
    EXPECT_FALSE(store.BookmarkValid(&bookmark));
}

TEST_F(FilterTest, ParseErrors) {
    TestStore abc({{"A", dtInt32}, {"B", dtInt32}, {"C", dtInt32}});
    abc.SetAutoInitFields(false);
    abc.Open();
    for (const char* text :
         {"A = 1 B", "A =", "(A = 1", "A ! 1", "A = 1 AND", "A IS 1", "A NOT 1", "= 1", "A = - B"})
        EXPECT_THAT([&] { abc.SetFilterText(text); },
                    ThrowsMessage<data::EDatabaseError>("Illegal filter expression"))
            << text;
    EXPECT_EQ(abc.FilterExpression(), nullptr); // a failed parse leaves none
    EXPECT_THAT([&] { abc.SetFilterText("Q = 1"); },
                ThrowsMessage<data::EDatabaseError>("Field Q not found"));
    EXPECT_THROW(abc.SetFilterText(std::string("A = \x01", 5)), EParserError);

    abc.SetFilterText("B = 2");
    abc.Close();
    abc.SetFilterText("garbage ="); // parsed when the store opens
    EXPECT_THROW(abc.Open(), data::EDatabaseError);
    EXPECT_FALSE(abc.Active());
    // The failed open was undone whole: the store opens once the filter is right.
    abc.SetFilterText("B = 2");
    abc.Open();
    EXPECT_TRUE(abc.Active());
}

TEST_F(FilterTest, PrecedenceOfTheParsedTree) {
    TestStore abc({{"A", dtInt32}, {"B", dtInt32}, {"C", dtInt32}});
    const auto notTree = TFilterExpression::Parse("NOT A = 1", abc);
    EXPECT_EQ(notTree->Root().NodeType, ntNot);
    EXPECT_EQ(notTree->Root().LeftOperand->NodeType, ntEqual);
    const auto andOr = TFilterExpression::Parse("A=1 AND B=2 OR C=3", abc);
    EXPECT_EQ(andOr->Root().NodeType, ntOr);
    EXPECT_EQ(andOr->Root().LeftOperand->NodeType, ntAnd);
    EXPECT_EQ(andOr->Root().RightOperand->NodeType, ntEqual);
    EXPECT_EQ(andOr->Root().RightOperand->LeftOperand->FieldDesc, abc.FindFieldDesc("C"));
    const auto isNotNull = TFilterExpression::Parse("A IS NOT NULL", abc);
    EXPECT_EQ(isNotNull->Root().NodeType, ntNoEqual);
    EXPECT_TRUE(isNotNull->Root().RightOperand->Value.IsNull());
}

// ---- Sorting

class SortTest : public ::testing::Test {
protected:
    SortTest()
        : store({{"ID", dtInt32}, {"NAME", dtExtString}, {"AMOUNT", dtFloat}, {"Order Date", dtDate}}) {
        store.SetAutoInitFields(false);
        store.Open();
        AddRow(store, {1, "b", 3, Date(2005, 1, 1)});
        AddRow(store, {2, "B", kNull, Date(2004, 1, 1)});
        AddRow(store, {3, "a", 1, kNull});
        AddRow(store, {4, "C", kNull, Date(2006, 1, 1)});
        AddRow(store, {5, "a", 2, Date(2003, 1, 1)});
    }

    std::vector<int64_t> Sorted(const std::string& order) {
        store.SetIndexFieldNames(order);
        ExpectConsistentNumbers(store);
        return Ids(store);
    }

    TestStore store;
};

TEST_F(SortTest, ColumnsWithOptions) {
    EXPECT_EQ(Sorted("NAME DESC CIS; ID"), (std::vector<int64_t>{4, 1, 2, 3, 5}));
    EXPECT_EQ(Sorted("name cis desc, id desc"), (std::vector<int64_t>{4, 2, 1, 5, 3}));
    // Case-sensitive: a lower-case letter comes before its capital.
    EXPECT_EQ(Sorted("NAME; ID"), (std::vector<int64_t>{3, 5, 1, 2, 4}));
    EXPECT_EQ(Sorted("NAME BIN; ID"), (std::vector<int64_t>{2, 4, 3, 5, 1}));
    EXPECT_EQ(Sorted("[Order Date] DESC"), (std::vector<int64_t>{4, 1, 2, 5, 3}));
    EXPECT_EQ(store.SortColumns().size(), 1u);
    EXPECT_TRUE(store.SortColumns()[0].DescendingOrder);
}

TEST_F(SortTest, NullKeysComeFirstAscendingAndLastDescending) {
    EXPECT_EQ(Sorted("AMOUNT; ID"), (std::vector<int64_t>{2, 4, 3, 5, 1}));
    EXPECT_EQ(Sorted("AMOUNT DESC; ID"), (std::vector<int64_t>{1, 5, 3, 2, 4}));
}

TEST_F(SortTest, BadOrderTexts) {
    for (const char* order :
         {"NAME ASC DESC", "NAME CIS BIN", "NAME FOO", "NAME;", "; NAME", "NAME = ID", "[NAME"})
        EXPECT_THAT([&] { store.SetIndexFieldNames(order); },
                    ThrowsMessage<data::EDatabaseError>("Invalid IndexFieldNames format!"))
            << order;
    EXPECT_THAT([&] { store.SetIndexFieldNames("ID; Q"); },
                ThrowsMessage<data::EDatabaseError>("Field Q not found"));
}

TEST_F(SortTest, SortedStoreKeepsItsOrderAfterChanges) {
    Sorted("NAME CIS; ID");
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{3, 5, 1, 2, 4}));
    GoToId(store, 3);
    AddRow(store, {6, "bb", 0, kNull}); // appended at the end, moves back into place
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{3, 5, 1, 2, 6, 4}));
    GoToId(store, 4);
    Buffer record(store);
    store.CreateComplexFields(record, true);
    store.WriteFieldAsVariant(1, record, 7);
    store.WriteFieldAsVariant(2, record, "A");
    store.InsertRecord(record); // inserted before row 4, moves back behind the other a's
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{3, 5, 7, 1, 2, 6, 4}));

    GoToId(store, 3);
    {
        Buffer edit(store);
        store.GetRecord(edit);
        store.EditRecord(edit);
        store.WriteFieldAsVariant(2, edit, "z");
        store.PostEditedRecord(edit);
    }
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{5, 7, 1, 2, 6, 4, 3}));
    GoToId(store, 4);
    {
        Buffer edit(store);
        store.GetRecord(edit);
        store.EditRecord(edit);
        store.WriteFieldAsVariant(2, edit, "0");
        store.PostEditedRecord(edit);
    }
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{4, 5, 7, 1, 2, 6, 3}));
    ExpectConsistentNumbers(store);
}

TEST_F(SortTest, OrderSetBeforeOpeningAppliesAfterReopen) {
    TestStore later({{"ID", dtInt32}});
    later.SetAutoInitFields(false);
    later.SetIndexFieldNames("ID DESC");
    later.OnOpen = [](TestStore& s) {
        for (int id : {2, 3, 1})
            AddRow(s, {id});
    };
    later.InitFields(); // parses the order
    later.Open();
    later.Reopen();
    EXPECT_EQ(Ids(later), (std::vector<int64_t>{3, 2, 1}));
}

TEST_F(SortTest, CalculatedSortFields) {
    TestStore calc({{"ID", dtInt32}, Calculated("NEG", dtInt32)});
    calc.SetAutoInitFields(false);
    calc.Open();
    const int negNo = calc.FieldDescByName("NEG").FieldNumber;
    int calls = 0;
    calc.OnCalcFields = [&](void* target, void* source) {
        ++calls;
        calc.WriteFieldAsVariant(negNo, target, -calc.ReadFieldAsVariant(1, source).AsInt64());
    };
    for (int id : {2, 5, 1, 4})
        AddRow(calc, {id});
    calc.SetIndexFieldNames("NEG");
    EXPECT_EQ(Ids(calc), (std::vector<int64_t>{5, 4, 2, 1}));
    EXPECT_EQ(calls, 4); // once per row for the whole sort
    calc.SetFilterText("NEG < -2");
    calc.FilterUpdated();
    EXPECT_EQ(Ids(calc), (std::vector<int64_t>{5, 4}));
}

// ---- Value comparison

TEST_F(SortTest, CompareValuesWithFlags) {
    GoToId(store, 1); // NAME "b"
    Buffer record(store);
    store.GetRecord(record);
    const TFieldDesc& name = store.FieldDescByName("NAME");
    const auto compare = [&](const char* key, int flags) {
        return store.CompareValues(key, dtString, flags, record, name);
    };
    EXPECT_EQ(compare("b", 0), 0);
    EXPECT_EQ(compare("a", 0), -1);
    EXPECT_EQ(compare("B", 0), 1);
    EXPECT_EQ(compare("B", cfCaseInsensitive), 0);
    EXPECT_EQ(compare("bc", cfPartial), 1); // longer than the field's value

    const TFieldDesc& amount = store.FieldDescByName("AMOUNT");
    const double three = 3, four = 4;
    EXPECT_EQ(store.CompareValues(&three, dtFloat, 0, record, amount), 0);
    EXPECT_EQ(store.CompareValues(&four, dtFloat, 0, record, amount), 1);
    EXPECT_EQ(store.CompareValues("3", dtString, 0, record, amount), 0); // compared as text
}

struct MatchCase {
    const char* first;
    const char* second;
    int flags;
    int result;
};

TEST(MatchStringsTest, Flags) {
    const MatchCase cases[] = {
        {"Ali", "Alice", cfPartial, 0},
        {"ali", "Alice", cfPartial, -1}, // a lower-case letter comes first
        {"ali", "Alice", cfPartial | cfCaseInsensitive, 0},
        {"Alicia", "Alice", cfPartial, 1},
        {"lic", "Alice", cfSubstring, 0},
        {"LIC", "Alice", cfSubstring, 1},
        {"LIC", "Alice", cfSubstring | cfCaseInsensitive, 0},
        {"é", "Émile", cfPartial | cfCaseInsensitive, 0},
        {"abc", "abd", 0, -1},
        {"B", "a", cfBinary, -1},
        {"B", "a", cfCaseInsensitive, 1},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(MatchStrings(c.first, c.second, c.flags), c.result) << c.first << " " << c.second;
        EXPECT_EQ(MatchWideStrings(rtl::Utf8ToUtf16(c.first), rtl::Utf8ToUtf16(c.second), c.flags), c.result)
            << c.first << " " << c.second;
    }
}

} // namespace
} // namespace dataaccess
