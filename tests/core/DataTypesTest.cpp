#include "core/uDataTypes.h"

#include <limits>

#include <gtest/gtest.h>

#include "core/uDataConverter.h"
#include "core/uDataValues.h"
#include "DataValueTesting.h"

namespace core {
namespace {

using valuetest::ErrorMessage;

TEST(DataTypesTest, BuildersCapTheScaleAtEighteenUnlessUnspecified) {
    EXPECT_EQ(MakeDatatypeCharacteristics(dtFloat, -1, 30, 10, 5, -5, "X").Scale, 18);
    EXPECT_EQ(MakeDatatypeCharacteristics(dtFloat, -1, 254, 10, 5, -5, "X").Scale, 254);
    EXPECT_EQ(FloatCharacteristics(19).Scale, 18);
    EXPECT_EQ(FloatCharacteristics(7).Scale, 7);

    const TDatatypeCharacteristics c = MakeDatatypeCharacteristics(dtInteger, 1250, 3, 11, 255, -7, "T");
    EXPECT_EQ(c.DataType, dtInteger);
    EXPECT_EQ(c.CodePage, 1250);
    EXPECT_EQ(c.Length, 11);
    EXPECT_EQ(c.MaxValue, 255u);
    EXPECT_EQ(c.MinValue, -7);
    EXPECT_EQ(c.TypeName, "T");
    EXPECT_TRUE(c.Values.empty());
}

TEST(DataTypesTest, StringAndBareDescriptions) {
    const TDatatypeCharacteristics utf8 = Utf8StringCharacteristics();
    EXPECT_EQ(utf8.DataType, dtString);
    EXPECT_EQ(utf8.CodePage, 65001);
    EXPECT_EQ(utf8.Length, kUnlimitedLength);
    EXPECT_EQ(utf8.Scale, 0);

    // A bare integer holds every signed and unsigned 64-bit number.
    const TDatatypeCharacteristics bare = BareCharacteristics(dtInteger);
    EXPECT_EQ(bare.CodePage, -1);
    EXPECT_EQ(bare.MaxValue, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(bare.MinValue, std::numeric_limits<std::int64_t>::min());
}

TEST(DataTypesTest, EnumAndSetDescriptionsCopyTheMembers) {
    const TDatatypeCharacteristics e = EnumCharacteristics({"a", "b", "c"}, 65001);
    EXPECT_EQ(e.DataType, dtEnum);
    EXPECT_EQ(e.Values, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(e.Length, 2147483647);
    EXPECT_EQ(e.MaxValue, 0u);
    EXPECT_EQ(e.MinValue, 0);
    EXPECT_EQ(e.CodePage, 65001);
    EXPECT_EQ(SetCharacteristics({"x"}, -1).DataType, dtSet);

    EXPECT_THROW(EnumSetCharacteristics(dtInteger, {"a"}, 65001), rtl::EAssertionFailed);
}

TEST(DataTypesTest, NullAndDefaultAreDistinctSharedNulls) {
    const auto null = NullDataValue();
    const auto def = DefaultDataValue();
    EXPECT_EQ(null, NullDataValue());
    EXPECT_EQ(def, DefaultDataValue());
    EXPECT_NE(null, def);

    for (const auto& v : {null, def}) {
        EXPECT_TRUE(v->IsNull());
        EXPECT_EQ(v->GetCharacteristics().DataType, dtUnknown);
        EXPECT_EQ(v->GetCharacteristics().TypeName, "NULL");
        EXPECT_EQ(v->AsSQL(), "NULL");
        for (const rtl::Variant& r :
             {v->AsString(), v->AsWideString(), v->AsFloat(), v->AsVariant(), v->AsInteger(), v->AsBoolean()})
            EXPECT_TRUE(r.IsNull());
        EXPECT_EQ(v->Clone(), v);
        EXPECT_EQ(v->ConvertTo(BareCharacteristics(dtInteger)), v);
    }
}

TEST(DataTypesTest, NullEqualsOnlyNull) {
    TDataConverter converter;
    const auto zero =
        std::make_shared<TRODataValue>(rtl::Variant(0), BareCharacteristics(dtInteger), &converter);
    const auto empty =
        std::make_shared<TRODataValue>(rtl::Variant(""), Utf8StringCharacteristics(), &converter);
    const auto typedNull =
        std::make_shared<TRODataValue>(rtl::Variant::Null(), BareCharacteristics(dtInteger), &converter);

    EXPECT_EQ(NullDataValue()->Compare(DefaultDataValue()), 0);
    EXPECT_TRUE(NullDataValue()->Equals(DefaultDataValue()));
    EXPECT_TRUE(NullDataValue()->Equals(typedNull));
    EXPECT_EQ(NullDataValue()->Compare(zero), -1);
    EXPECT_FALSE(NullDataValue()->Equals(zero));
    EXPECT_FALSE(NullDataValue()->Equals(empty));
    EXPECT_THROW(NullDataValue()->Compare(nullptr), rtl::EAssertionFailed);
}

TEST(DataTypesTest, AsRWDataValueRefusesReadOnlyValues) {
    TDataConverter converter;
    const std::shared_ptr<IRODataValue> ro =
        std::make_shared<TRODataValue>(rtl::Variant(1), BareCharacteristics(dtInteger), &converter);
    const std::shared_ptr<IRODataValue> rw =
        std::make_shared<TRWDataValue>(rtl::Variant(1), BareCharacteristics(dtInteger), &converter);
    EXPECT_EQ(ErrorMessage([&] { AsRWDataValue(ro); }), "Read only value");
    EXPECT_EQ(ErrorMessage([&] { AsRWDataValue(NullDataValue()); }), "Read only value");
    EXPECT_NE(AsRWDataValue(rw), nullptr);
}

TEST(DataTypesTest, VariantHelpersReadNullAsZeroEmptyOrFalse) {
    const rtl::Variant null = rtl::Variant::Null();
    EXPECT_EQ(VariantToInt64(null), 0);
    EXPECT_EQ(VariantToExtended(null), 0.0);
    EXPECT_EQ(VariantToWideString(null), u"");
    EXPECT_FALSE(VariantToBoolean(null));

    EXPECT_EQ(VariantToInt64(rtl::Variant(2.5)), 2);
    EXPECT_EQ(VariantToExtended(rtl::Variant("12.5")), 12.5);
    EXPECT_EQ(VariantToWideString(rtl::Variant("é")), u"é");
    EXPECT_TRUE(VariantToBoolean(rtl::Variant(3)));
    EXPECT_THROW(VariantToInt64(rtl::Variant("abc")), rtl::EConversionError);
}

} // namespace
} // namespace core
