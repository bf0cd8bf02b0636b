#include "dataaccess/MemDataTesting.h"
#include "dataaccess/Owned.h"

#include "dataaccess/store/uBcd.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uMarshal.h"
#include "dataaccess/store/uSharedObject.h"
#include "dataaccess/store/uStringHeap.h"
#include "platform/data/DataError.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

using testing::Buffer;
using testing::Calculated;
using testing::FieldDef;
using ::testing::HasSubstr;
using testing::TestStore;

template <class T>
T* Slot(TData& data, void* record, int fieldNo) {
    return static_cast<T*>(
        Marshal::LoadPointer(static_cast<uint8_t*>(record) + data.FieldByNo(fieldNo).RecordOffset));
}

// ---- Layout

TEST(RecordLayoutTest, OffsetsNullBytesAndOddRecordSize) {
    TestStore store({{"A", dtInt32}, {"W", dtWideString, 2}, {"B", dtInt8}});
    EXPECT_EQ(store.FieldByNo(1).RecordOffset, 0);
    EXPECT_EQ(store.FieldByNo(2).RecordOffset, 4);
    EXPECT_EQ(store.FieldByNo(2).ByteSize, 6u);
    EXPECT_EQ(store.FieldByNo(3).RecordOffset, 10);
    EXPECT_EQ(store.DataSize(), 11);
    EXPECT_EQ(store.RecordSize(), 15);
    Buffer record(store);
    for (int fieldNo = 1; fieldNo <= 3; ++fieldNo) {
        EXPECT_EQ(static_cast<uint8_t*>(record.get())[10 + fieldNo], 1) << fieldNo; // bytes 11..13
        store.SetFieldNull(fieldNo, record, false);
        EXPECT_EQ(static_cast<uint8_t*>(record.get())[10 + fieldNo], 0) << fieldNo;
    }

    TestStore second({{"A", dtInt32}, {"S", dtString, 4}});
    EXPECT_EQ(second.FieldByNo(2).ByteSize, 5u);
    EXPECT_EQ(second.DataSize(), 9);
    EXPECT_EQ(second.RecordSize(), 11); // 9 + 2 null bytes is already odd
}

TEST(RecordLayoutTest, WideStringsStartAtEvenOffsets) {
    TestStore store({{"B", dtInt8}, {"W", dtWideString, 3}});
    EXPECT_EQ(store.FieldByNo(2).RecordOffset, 2);
    EXPECT_EQ(store.DataSize(), 10);
    EXPECT_EQ(store.RecordSize(), 13);
}

TEST(RecordLayoutTest, CalculatedFieldsLandAfterTheRecord) {
    TestStore store(
        {{"A", dtInt32}, Calculated("C", dtInt32), {"B", dtInt16}, Calculated("W", dtWideString, 1)});
    EXPECT_EQ(store.FieldByNo(1).RecordOffset, 0);
    EXPECT_EQ(store.FieldByNo(3).RecordOffset, 4);
    EXPECT_EQ(store.DataSize(), 6);
    EXPECT_EQ(store.RecordSize(), 11); // 6 + 4 null bytes, made odd
    EXPECT_EQ(store.FieldByNo(2).RecordOffset, store.RecordSize());
    // The wide field would start at 15, an odd absolute offset.
    EXPECT_EQ(store.FieldByNo(4).RecordOffset, 16);
    EXPECT_EQ(store.CalcDataSize(), 9);
    EXPECT_EQ(store.CalcRecordSize(), 9);
}

TEST(RecordLayoutTest, ComplexSlotsAreReferences) {
    TestStore store({{"M", dtMemo}, {"S", dtExtString}, {"I", dtInt32}});
    EXPECT_EQ(store.FieldByNo(2).RecordOffset, static_cast<int>(kReferenceSize));
    EXPECT_EQ(store.FieldByNo(3).RecordOffset, static_cast<int>(2 * kReferenceSize));
    EXPECT_TRUE(store.HasComplexFields());
}

TEST(RecordLayoutTest, SizesAreNotLimitedTo16Bits) {
    TestStore store({{"S", dtString, 65535}, {"I", dtInt32}});
    EXPECT_EQ(store.FieldByNo(1).ByteSize, 65536u);
    EXPECT_EQ(store.FieldByNo(2).RecordOffset, 65536);
    Buffer record(store);
    store.WriteFieldAsVariant(2, record, 7);
    store.WriteFieldAsVariant(1, record, std::string(70000, 'x'));
    EXPECT_EQ(store.ReadFieldAsVariant(1, record).AsString().size(), 65535u);
    EXPECT_EQ(store.ReadFieldAsVariant(2, record), rtl::Variant(7));
}

TEST(RecordLayoutTest, NamesBecomeUnique) {
    TestStore store({{"ID", dtInt32}, {"ID", dtInt32}, {"ID", dtInt32}, {"ID_1", dtInt32}});
    std::vector<std::string> names;
    for (const auto& field : store.Fields())
        names.push_back(field->FieldName);
    EXPECT_EQ(names, (std::vector<std::string>{"ID", "ID_1", "ID_2", "ID_1_1"}));

    TestStore mixed({{"name", dtInt32}, {"X", dtInt32}, {"NAME", dtInt32}, {"x", dtInt32}});
    names.clear();
    for (const auto& field : mixed.Fields())
        names.push_back(field->FieldName);
    EXPECT_EQ(names, (std::vector<std::string>{"name", "X", "NAME_1", "x_1"}));
}

TEST(RecordLayoutTest, FindingFields) {
    TestStore store({{"Name", dtInt32}});
    EXPECT_EQ(store.FindFieldDesc("NAME"), &store.FieldByNo(1));
    EXPECT_EQ(store.FindFieldDesc("X"), nullptr);
    try {
        store.FieldDescByName("X");
        FAIL();
    } catch (const data::EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field X not found");
    }
}

TEST(RecordLayoutTest, ChildFieldsAreFoundAfterTopLevelOnes) {
    TFieldDescs fields;
    const auto add = [&](const char* name, const char* serverName, TFieldDesc* owner) -> TFieldDesc& {
        TFieldDesc& field = fields.Add(TFieldDesc::Create());
        field.FieldName = name;
        field.ServerName = serverName;
        field.OwnerField = owner;
        return field;
    };
    TFieldDesc& address = add("ADDR", "ADDR", nullptr);
    TFieldDesc& city = add("CITY", "ADDR.CITY", &address);
    EXPECT_EQ(fields.FindField("city"), &city);
    EXPECT_EQ(fields.FindField("addr.city"), &city);
    TFieldDesc& topCity = add("City", "CITY", nullptr);
    EXPECT_EQ(fields.FindField("CITY"), &topCity);
    EXPECT_EQ(fields.FindField("ADDR.CITY"), &city);
    EXPECT_EQ(fields.FindField("ADDR.STREET"), nullptr);
    EXPECT_THROW(fields.Items(3), rtl::EListError);
}

// ---- Values

struct RoundTrip {
    const char* name;
    FieldDef field;
    rtl::Variant value;
};

rtl::Variant Bytes(std::initializer_list<int> bytes) {
    rtl::VariantArray items;
    for (int b : bytes)
        items.emplace_back(b);
    return rtl::Variant(items);
}

const rtl::TDateTime kStamp = rtl::EncodeDate(2024, 2, 29) + rtl::EncodeTime(13, 45, 30, 250);

const RoundTrip kRoundTrips[] = {
    {"String", {"F", dtString, 10}, rtl::Variant("abc")},
    {"Int8", {"F", dtInt8, 1}, rtl::Variant(-5)},
    {"Int8InTwoBytes", {"F", dtInt8, 2}, rtl::Variant(200)},
    {"Int16", {"F", dtInt16}, rtl::Variant(-300)},
    {"Int32", {"F", dtInt32}, rtl::Variant(-123456)},
    {"Float", {"F", dtFloat}, rtl::Variant(1.25)},
    {"Date", {"F", dtDate}, rtl::Variant::FromDateTime(rtl::EncodeDate(2024, 2, 29))},
    {"Time", {"F", dtTime}, rtl::Variant::FromDateTime(rtl::EncodeTime(13, 45, 30, 500))},
    {"DateTime", {"F", dtDateTime}, rtl::Variant::FromDateTime(kStamp)},
    {"UInt16", {"F", dtUInt16}, rtl::Variant(65535)},
    {"Boolean", {"F", dtBoolean}, rtl::Variant(true)},
    {"Int64", {"F", dtInt64}, rtl::Variant(int64_t{-9007199254740993})},
    {"Currency", {"F", dtCurrency}, rtl::Variant(2.5)},
    {"Blob", {"F", dtBlob}, rtl::Variant(std::string("bin\0ary", 7))},
    {"Memo", {"F", dtMemo}, rtl::Variant("memo text")},
    {"Variant", {"F", dtVariant}, rtl::Variant(u"any")},
    {"ExtString", {"F", dtExtString}, rtl::Variant("on the heap")},
    {"Bytes", {"F", dtBytes, 3}, Bytes({1, 2, 255})},
    {"VarBytes", {"F", dtVarBytes, 5}, Bytes({4, 5})},
    {"ExtVarBytes", {"F", dtExtVarBytes}, Bytes({6, 7, 8, 9})},
    {"UInt32", {"F", dtUInt32}, rtl::Variant(uint32_t{4000000000u})},
    {"WideString", {"F", dtWideString, 10}, rtl::Variant(u"wide é")},
    {"ExtWideString", {"F", dtExtWideString}, rtl::Variant(u"heap 😀")},
    {"BCD", {"F", dtBCD}, rtl::Variant(12.3456)},
    {"FMTBCD", {"F", dtFMTBCD}, rtl::Variant("-123.4500")},
    {"Guid", {"F", dtGuid, 38}, rtl::Variant("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
    {"WideMemo", {"F", dtWideMemo}, rtl::Variant(u"wide memo 😀")},
    {"SQLTimeStamp", {"F", dtSQLTimeStamp}, rtl::Variant::FromDateTime(kStamp)},
};

class ValueRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ValueRoundTripTest, WritesAndReadsBack) {
    const RoundTrip& c = GetParam();
    TestStore store({{"ID", dtInt32}, c.field});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    EXPECT_TRUE(store.IsFieldNull(2, record));
    EXPECT_TRUE(store.ReadFieldAsVariant(2, record).IsNull());
    store.WriteFieldAsVariant(2, record, c.value);
    EXPECT_FALSE(store.IsFieldNull(2, record));
    EXPECT_EQ(store.ReadFieldAsVariant(2, record), c.value);
    store.WriteFieldAsVariant(2, record, rtl::Variant::Null());
    EXPECT_TRUE(store.IsFieldNull(2, record));
    store.FreeComplexFields(record, true);
}

INSTANTIATE_TEST_SUITE_P(Types, ValueRoundTripTest, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FieldValueTest, ExternalFormsRoundTrip) {
    TestStore store({{"S", dtString, 5},
                     {"W", dtWideString, 3},
                     {"D", dtDate},
                     {"T", dtTime},
                     {"DT", dtDateTime},
                     {"U", dtUInt32},
                     {"H", dtExtString},
                     {"B", dtExtVarBytes}});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    store.WriteFieldByNo(1, record, "toolong");
    store.WriteFieldByNo(2, record, u"abcd");
    const int32_t day = 738945; // 2024-02-29
    store.WriteFieldByNo(3, record, &day);
    const int32_t msecs = 3600000;
    store.WriteFieldByNo(4, record, &msecs);
    const double stamp = 738945.0 * 86400000 + 43200000;
    store.WriteFieldByNo(5, record, &stamp);
    const uint64_t big = 4000000000u;
    store.WriteFieldByNo(6, record, &big);
    store.WriteFieldByNo(7, record, "heap");
    const uint8_t bytes[] = {3, 0, 'a', 'b', 'c'};
    store.WriteFieldByNo(8, record, bytes);

    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant("toolo"));
    EXPECT_EQ(store.ReadFieldAsVariant(2, record), rtl::Variant(u"abc"));
    EXPECT_EQ(store.ReadFieldAsVariant(3, record).AsDateTime(), rtl::EncodeDate(2024, 2, 29));
    EXPECT_EQ(store.ReadFieldAsVariant(4, record).AsDateTime(), rtl::EncodeTime(1, 0, 0, 0));
    EXPECT_EQ(store.ReadFieldAsVariant(5, record).AsDateTime(), rtl::EncodeDate(2024, 2, 29) + 0.5);
    EXPECT_EQ(store.ReadFieldAsVariant(6, record), rtl::Variant(big));

    bool isNull = true;
    char text[8] = {};
    store.ReadFieldByNo(1, record, isNull, text);
    EXPECT_FALSE(isNull);
    EXPECT_STREQ(text, "toolo");
    int32_t dayOut = 0;
    store.ReadFieldByNo(3, record, isNull, &dayOut);
    EXPECT_EQ(dayOut, day);
    double stampOut = 0;
    store.ReadFieldByNo(5, record, isNull, &stampOut);
    EXPECT_EQ(stampOut, stamp);
    uint64_t bigOut = 0;
    store.ReadFieldByNo(6, record, isNull, &bigOut);
    EXPECT_EQ(bigOut, big);
    char heap[8] = {};
    store.ReadFieldByNo(7, record, isNull, heap);
    EXPECT_STREQ(heap, "heap");
    uint8_t bytesOut[5] = {};
    store.ReadFieldByNo(8, record, isNull, bytesOut);
    EXPECT_EQ(std::memcmp(bytesOut, bytes, 5), 0);

    store.WriteFieldByNo(7, record, nullptr);
    store.ReadFieldByNo(7, record, isNull, nullptr);
    EXPECT_TRUE(isNull);
    store.FreeComplexFields(record, true);
}

TEST(FieldValueTest, EmptyStringsAreNullUnlessEnabled) {
    TestStore store({{"H", dtExtString}, {"S", dtString, 4}, {"W", dtExtWideString}});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    store.WriteFieldByNo(1, record, "");
    store.WriteFieldByNo(2, record, "");
    store.WriteFieldByNo(3, record, u"");
    EXPECT_TRUE(store.IsFieldNull(1, record));
    EXPECT_TRUE(store.IsFieldNull(2, record));
    EXPECT_TRUE(store.IsFieldNull(3, record));
    store.SetEnableEmptyStrings(true);
    store.WriteFieldByNo(1, record, "");
    store.WriteFieldByNo(3, record, u"");
    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant(""));
    EXPECT_EQ(store.ReadFieldAsVariant(3, record), rtl::Variant(u""));
    store.FreeComplexFields(record, true);
}

TEST(FieldValueTest, FloatsAreRoundedToTheScaleAsTheServerRoundsDecimals) {
    // MariaDB: CAST(1.005e0 AS DECIMAL(10,2)) is 1.01, CAST(2.675e0 ...) is 2.68.
    TestStore store({{"F", dtFloat, 10, 2}});
    Buffer record(store);
    for (const auto& [in, out] : std::vector<std::pair<double, double>>{
             {1.005, 1.01}, {2.675, 2.68}, {-1.005, -1.01}, {1.004, 1.0}, {0.125, 0.13}}) {
        store.WriteFieldAsVariant(1, record, in);
        EXPECT_EQ(store.ReadFieldAsVariant(1, record).AsDouble(), out) << in;
        store.WriteFieldByNo(1, record, &in);
        EXPECT_EQ(store.ReadFieldAsVariant(1, record).AsDouble(), out) << in;
    }
    store.WriteFieldAsVariant(1, record, "3.14159");
    EXPECT_EQ(store.ReadFieldAsVariant(1, record).AsDouble(), 3.14);
}

class LineBreakStore : public TestStore {
public:
    using TestStore::TestStore;
    bool GetConvertLineBreaks() const override { return true; }
};

TEST(FieldValueTest, LineBreaksBecomeCrLf) {
    LineBreakStore store(
        {{"S", dtString, 20}, {"H", dtExtString}, {"W", dtWideString, 20}, {"X", dtExtWideString}});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    store.WriteFieldByNo(1, record, "a\nb\r\nc");
    store.WriteFieldByNo(2, record, "\nx\n");
    store.WriteFieldByNo(3, record, u"a\nb");
    store.WriteFieldByNo(4, record, u"a\r\nb\n");
    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant("a\r\nb\r\nc"));
    EXPECT_EQ(store.ReadFieldAsVariant(2, record), rtl::Variant("\r\nx\r\n"));
    EXPECT_EQ(store.ReadFieldAsVariant(3, record), rtl::Variant(u"a\r\nb"));
    EXPECT_EQ(store.ReadFieldAsVariant(4, record), rtl::Variant(u"a\r\nb\r\n"));
    store.FreeComplexFields(record, true);
}

TEST(FieldValueTest, TextIsCutAtCharacterBoundariesAndTrimmed) {
    TestStore store({{"S", dtString, 4, 0, true}, {"V", dtString, 6}, {"W", dtWideString, 2}});
    Buffer record(store);
    store.WriteFieldAsVariant(1, record, "abé"); // 4 bytes fit
    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant("abé"));
    store.WriteFieldAsVariant(1, record, "abcé"); // é would be split
    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant("abc"));
    store.WriteFieldAsVariant(3, record, u"a😀");
    EXPECT_EQ(store.ReadFieldAsVariant(3, record), rtl::Variant(u"a"));

    store.WriteFieldAsVariant(1, record, "ab  ");
    store.WriteFieldAsVariant(2, record, "cd  ");
    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant("ab  "));
    store.SetTrimFixedChar(true);
    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant("ab"));
    EXPECT_EQ(store.ReadFieldAsVariant(2, record), rtl::Variant("cd  "));
    store.SetTrimVarChar(true);
    char text[8] = {};
    bool isNull = true;
    store.ReadFieldByNo(2, record, isNull, text);
    EXPECT_STREQ(text, "cd");
    store.ReadFieldByNo(1, record, isNull, text);
    EXPECT_STREQ(text, "ab");
}

TEST(FieldValueTest, DateTimeExternalModes) {
    TestStore store({{"D", dtDateTime}});
    const rtl::TDateTime value = rtl::EncodeDate(2024, 3, 15) + 0.25;
    const int32_t day = 45366 + kDateDelta;
    const double milliseconds = static_cast<double>(day) * kMSecsPerDay + 21600000;
    double asDouble = 0;
    store.DateTimeToExternal(0, value, &asDouble);
    EXPECT_EQ(asDouble, milliseconds);
    store.DateTimeToExternal(1, value, &asDouble);
    EXPECT_EQ(asDouble, value);
    int32_t asInt = 0;
    store.DateTimeToExternal(2, value, &asInt);
    EXPECT_EQ(asInt, 21600000);
    store.DateTimeToExternal(3, value, &asInt);
    EXPECT_EQ(asInt, day);

    EXPECT_EQ(store.DateTimeToInternal(0, &milliseconds), value);
    EXPECT_EQ(store.DateTimeToInternal(1, &value), value);
    const int32_t time = 21600000;
    EXPECT_EQ(store.DateTimeToInternal(2, &time), 0.25);
    EXPECT_EQ(store.DateTimeToInternal(3, &day), rtl::EncodeDate(2024, 3, 15));
    EXPECT_EQ(store.DateTimeToInternal(7, &day), 0.0);

    // Before day 0 the time still counts forward from midnight.
    const rtl::TDateTime early = -1.25;
    store.DateTimeToExternal(0, early, &asDouble);
    EXPECT_EQ(store.DateTimeToInternal(0, &asDouble), early);
}

// ---- Failures

TEST(FieldValueTest, ConversionFailures) {
    TestStore store({{"O", 15}, {"B", dtBytes, 3}, {"I", dtInt64}, {"L", dtBoolean}, {"V", dtVarBytes, 2}});
    Buffer record(store);
    store.SetFieldNull(1, record, false);
    try {
        store.ReadFieldAsVariant(1, record);
        FAIL();
    } catch (const rtl::EConversionError& e) {
        EXPECT_EQ(e.Message(), "Cannot convert type 15");
    }
    EXPECT_THAT(
        [&] {
            store.WriteFieldAsVariant(2, record, Bytes({1, 2}));
        },
        ::testing::ThrowsMessage<rtl::EAssertionFailed>(HasSubstr("Invalid data size")));
    EXPECT_THAT(
        [&] {
            store.WriteFieldAsVariant(5, record, Bytes({1, 2, 3}));
        },
        ::testing::ThrowsMessage<rtl::EAssertionFailed>(HasSubstr("Invalid data size")));
    EXPECT_THAT(
        [&] { store.WriteFieldAsVariant(2, record, rtl::Variant(rtl::VariantArray{rtl::Variant("x")})); },
        ::testing::ThrowsMessage<rtl::EAssertionFailed>(HasSubstr("Invalid VType")));
    EXPECT_THAT([&] { store.WriteFieldAsVariant(3, record, 1.5); },
                ::testing::ThrowsMessage<rtl::EConversionError>("Cannot convert type 11"));
    EXPECT_THAT([&] { store.WriteFieldAsVariant(4, record, 1); },
                ::testing::ThrowsMessage<rtl::EConversionError>("Cannot convert type 10"));
    EXPECT_THROW(store.ReadFieldAsVariant(0, record), rtl::EAssertionFailed);
}

// ---- Complex fields

TEST(ComplexFieldTest, CreateCopyAddRefAndFreeKeepTheCounts) {
    TestStore store(
        {{"H", dtExtString}, {"V", dtVariant}, {"M", dtMemo}, {"W", dtExtWideString}, {"B", dtExtVarBytes}});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    EXPECT_EQ(Slot<char>(store, record, 1), nullptr);
    ASSERT_NE(Slot<TVariantObject>(store, record, 2), nullptr);
    ASSERT_NE(Slot<TBlob>(store, record, 3), nullptr);
    store.WriteFieldAsVariant(1, record, "text");
    store.WriteFieldAsVariant(2, record, 42);
    store.WriteFieldAsVariant(3, record, "memo");
    store.WriteFieldAsVariant(4, record, u"wide");
    store.WriteFieldAsVariant(5, record, Bytes({1, 2}));
    char* heap = Slot<char>(store, record, 1);
    auto* variant = Slot<TVariantObject>(store, record, 2);
    TBlob* blob = Slot<TBlob>(store, record, 3);
    EXPECT_EQ(TStringHeap::BufRefCount(heap), kRefCountOne);
    EXPECT_EQ(blob->RefCount(), 1);

    store.AddRefComplexFields(record);
    EXPECT_EQ(TStringHeap::BufRefCount(heap), kRefCountOne + 1);
    EXPECT_EQ(TStringHeap::BufRefCount(Slot<char>(store, record, 5)), kRefCountOne + 1);
    EXPECT_EQ(variant->RefCount(), 2);
    EXPECT_EQ(blob->RefCount(), 2);

    Buffer copy(store);
    store.CreateComplexFields(copy, false);
    store.CopyComplexFields(record, copy);
    EXPECT_NE(Slot<char>(store, copy, 1), heap);
    EXPECT_STREQ(Slot<char>(store, copy, 1), "text");
    EXPECT_NE(Slot<TVariantObject>(store, copy, 2), variant);
    EXPECT_EQ(Slot<TVariantObject>(store, copy, 2)->Value, rtl::Variant(42));
    EXPECT_EQ(Slot<TBlob>(store, copy, 3), nullptr); // blobs are not copied
    EXPECT_EQ(std::u16string(Slot<char16_t>(store, copy, 4)), u"wide");

    store.FreeComplexFields(record, true);
    EXPECT_EQ(TStringHeap::BufRefCount(heap), kRefCountOne);
    EXPECT_EQ(variant->RefCount(), 1);
    EXPECT_EQ(blob->RefCount(), 1);
    EXPECT_EQ(Slot<char>(store, record, 1), heap); // slots keep shared values
    store.FreeComplexFields(record, true);
    EXPECT_EQ(Slot<char>(store, record, 1), nullptr);
    EXPECT_EQ(Slot<TVariantObject>(store, record, 2), nullptr);
    EXPECT_EQ(Slot<TBlob>(store, record, 3), nullptr);
    store.FreeComplexFields(copy, true);
}

TEST(ComplexFieldTest, AddRefOfAnEmptyBlobSlotFails) {
    TestStore store({{"F", dtMemo}});
    Buffer record(store);
    store.CreateComplexFields(record, false);
    EXPECT_THAT([&] { store.AddRefComplexFields(record); },
                ::testing::ThrowsMessage<rtl::EAssertionFailed>(HasSubstr("Shared object for F=nil")));
}

TEST(ComplexFieldTest, EditAndCancelGiveTheBufferItsOwnValues) {
    TestStore store({{"H", dtExtString}, {"V", dtVariant}});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    store.WriteFieldAsVariant(1, record, "old");
    store.WriteFieldAsVariant(2, record, "old");
    char* heap = Slot<char>(store, record, 1);
    auto* variant = Slot<TVariantObject>(store, record, 2);
    Buffer edit(store);
    std::memcpy(edit, record, static_cast<size_t>(store.RecordSize()));
    store.EditRecord(edit);
    store.WriteFieldAsVariant(1, edit, "new");
    store.WriteFieldAsVariant(2, edit, "new");
    EXPECT_STREQ(heap, "old");
    EXPECT_EQ(variant->Value, rtl::Variant("old"));
    EXPECT_EQ(store.ReadFieldAsVariant(1, edit), rtl::Variant("new"));
    store.CancelRecord(edit);
    store.FreeComplexFields(record, true);
}

// ---- Blobs through a record

TEST(BlobFieldTest, UnicodeBlobPositionsCountUtf8Bytes) {
    TestStore store({{"ID", dtInt32}, {"W", dtWideMemo}, {"I", dtInt32}});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    const std::string text = "héllo";
    store.WriteBlob(2, record, 0, static_cast<uint32_t>(text.size()), text.data());
    EXPECT_FALSE(store.IsFieldNull(2, record));
    EXPECT_EQ(store.GetBlobSize(2, record), 6u);
    EXPECT_EQ(store.GetBlobSize(2, record, true), 10u);
    char part[4] = {};
    EXPECT_EQ(store.ReadBlob(2, record, 1, 2, part), 2u);
    EXPECT_EQ(std::string(part, 2), "é");
    store.WriteBlob(2, record, 3, 2, "LL");
    EXPECT_EQ(store.BlobOfField(2, record)->ReadAsWide(), u"héLLo");
    char16_t units[5] = {};
    EXPECT_EQ(store.ReadBlob(2, record, 2, 4, units, true), 4u);
    EXPECT_EQ(std::u16string(units, 2), u"éL");
    char rest[8] = {};
    EXPECT_EQ(store.ReadBlob(2, record, 3, 0, rest), 3u);
    EXPECT_EQ(std::string(rest, 3), "LLo");
    EXPECT_EQ(store.ReadBlob(2, record, 9, 2, rest), 0u);

    store.TruncateBlob(2, record, 3);
    EXPECT_EQ(store.BlobOfField(2, record)->ReadAsWide(), u"hé");
    store.TruncateBlob(2, record, 0);
    EXPECT_TRUE(store.IsFieldNull(2, record));
    EXPECT_EQ(store.GetBlobSize(2, record), 0u);
    EXPECT_THAT([&] { store.BlobOfField(3, record); },
                ::testing::ThrowsMessage<data::EDatabaseError>("Field is not BLOB"));
    store.FreeComplexFields(record, true);

    Buffer empty(store);
    store.CreateComplexFields(empty, false);
    EXPECT_THAT([&] { store.BlobOfField(2, empty); },
                ::testing::ThrowsMessage<rtl::EAssertionFailed>(HasSubstr("Object for field W(2) = nil")));
}

TEST(BlobFieldTest, RollbackCopyCanBeRead) {
    TestStore store({{"M", dtMemo}});
    Buffer record(store);
    store.CreateComplexFields(record, true);
    store.WriteBlob(1, record, 0, 3, "old");
    store.BlobOfField(1, record)->CommitRollback();
    store.WriteBlob(1, record, 0, 5, "newer");
    char text[8] = {};
    EXPECT_EQ(store.ReadBlob(1, record, 0, 0, text, false, true), 3u);
    EXPECT_EQ(std::string(text, 3), "old");
    EXPECT_EQ(store.GetBlobSize(1, record, false, true), 3u);
    EXPECT_EQ(store.GetBlobSize(1, record), 5u);
    store.CancelRecord(record); // back to the rollback copy; blobs are kept
    EXPECT_EQ(store.BlobOfField(1, record)->ReadAsAnsi(), "old");
    store.FreeComplexFields(record, true);
}

TEST(BookmarkTest, BaseComparisonOfMissingBookmarks) {
    TestStore store({{"ID", dtInt32}});
    TRecBookmark present;
    present.RecordNo = 3;
    TRecBookmark later;
    later.RecordNo = 5;
    TData& base = store;
    EXPECT_EQ(base.TData::CompareBookmarks(nullptr, &present), 1);
    EXPECT_EQ(base.TData::CompareBookmarks(&present, nullptr), -1);
    EXPECT_EQ(base.TData::CompareBookmarks(nullptr, nullptr), 0);
    EXPECT_EQ(base.TData::CompareBookmarks(&present, &later), -1);
    EXPECT_EQ(store.CompareBookmarks(nullptr, &present), 1);
}

// ---- Decimal stand-ins

TEST(BcdTest, TextRoundTripsAndComparison) {
    for (const char* text : {"0", "-123.4500", "0.05", "99999999999999999999.123456789", "7"})
        EXPECT_EQ(BcdToText(BcdFromText(text)), text);
    EXPECT_EQ(BcdToText(BcdFromText(" +001.50 ")), "1.50");
    EXPECT_EQ(BcdToText(BcdFromText("-0.00")), "0.00");
    EXPECT_EQ(BcdCompare(BcdFromText("1.50"), BcdFromText("1.5")), 0);
    EXPECT_EQ(BcdCompare(BcdFromText("-2"), BcdFromText("1")), -1);
    EXPECT_EQ(BcdCompare(BcdFromText("-2"), BcdFromText("-10")), 1);
    EXPECT_EQ(BcdCompare(BcdFromText("10.01"), BcdFromText("10.1")), -1);
    EXPECT_THROW(BcdFromText("1e5"), rtl::EConversionError);
    EXPECT_THROW(BcdFromText(std::string(65, '9')), rtl::EConversionError);
    EXPECT_EQ(RoundDecimalText("9.995", 2), "10.00");
    EXPECT_EQ(RoundDecimalText("-0.004", 2), "0.00");
    EXPECT_EQ(ScaledInteger("12.34565", 4), 123457);
    EXPECT_THROW(ScaledInteger("922337203685478", 4), rtl::EConversionError);
}

} // namespace
} // namespace dataaccess
