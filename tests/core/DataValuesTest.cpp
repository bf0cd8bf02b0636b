#include "core/uDataValues.h"

#include <gtest/gtest.h>

#include "core/uDataConverter.h"
#include "core/uMySQLTypes.h"
#include "DataValueTesting.h"

namespace core {
namespace {

using rtl::Variant;
using valuetest::ErrorMessage;

class DataValuesTest : public ::testing::Test {
protected:
    std::shared_ptr<TRWDataValue> Make(const Variant& value, const TDatatypeCharacteristics& c,
                                       bool binaryLiteral = false) {
        return std::make_shared<TRWDataValue>(value, c, &converter, binaryLiteral);
    }
    std::shared_ptr<TRWDataValue> Integer(std::int64_t value) { return Make(Variant(value), IntegerType()); }
    static TDatatypeCharacteristics IntegerType() { return BareCharacteristics(dtInteger); }
    static TDatatypeCharacteristics TinyInt() {
        return MySQLTypeCharacteristics(1, {}, false, -2, -1, 0, "");
    }

    TDataConverter converter;
};

TEST_F(DataValuesTest, IntegersAreClampedToTheirTypeOnCreationAndOnEverySet) {
    const auto tiny = Make(Variant(300), TinyInt());
    EXPECT_EQ(tiny->AsVariant(), Variant(127));
    tiny->SetAsInteger(Variant(-1000));
    EXPECT_EQ(tiny->AsInteger(), Variant(-128));
    tiny->SetAsString(Variant(" 12.7"));
    EXPECT_EQ(tiny->AsInteger(), Variant(13));
    tiny->SetAsBoolean(Variant(true));
    EXPECT_EQ(tiny->AsString(), Variant("1"));
    tiny->SetAsVariant(Variant(1000));
    EXPECT_EQ(tiny->AsInteger(), Variant(127));
    EXPECT_EQ(tiny->GetCharacteristics().TypeName, "TINYINT");
}

TEST_F(DataValuesTest, StringsAreCutInCharacters) {
    const auto text = Make(Variant(""), StringCharacteristics(65001, 5));
    text->SetAsString(Variant("abcdéfg"));
    EXPECT_EQ(text->AsString(), Variant("abcdé"));
    EXPECT_EQ(text->AsWideString(), Variant(u"abcdé"));
    text->SetAsString(Variant("😀😁😂😃😄😅"));
    EXPECT_EQ(text->AsString(), Variant("😀😁😂😃😄"));
    EXPECT_EQ(text->AsWideString().AsWideString().size(), 10u);
}

TEST_F(DataValuesTest, DefaultCodePageIsResolvedWhenTheValueIsCreated) {
    const auto text = Make(Variant("x"), StringCharacteristics(-2, 10));
    EXPECT_EQ(text->GetCharacteristics().CodePage, 1252);
    converter.SetDefaultCodePage(65001);
    EXPECT_EQ(text->GetCharacteristics().CodePage, 1252);
    EXPECT_EQ(text->AsSQL(), "_latin1'x'");
}

TEST_F(DataValuesTest, BinaryLiteralFlagIsNotCarriedOver) {
    const auto hex =
        Make(Variant(std::string("\x01\x00", 2)), StringCharacteristics(-1, kUnlimitedLength), true);
    EXPECT_EQ(hex->AsInteger(), Variant(256));
    EXPECT_EQ(hex->AsFloat(), Variant(256.0));
    EXPECT_EQ(hex->Clone()->AsInteger(), Variant(0));
    EXPECT_EQ(hex->CloneRW()->AsInteger(), Variant(0));
    EXPECT_EQ(hex->ConvertTo(BareCharacteristics(dtInteger))->AsInteger(), Variant(0));
}

TEST_F(DataValuesTest, EqualsComparesAcrossKinds) {
    const auto five = Integer(5);
    const auto fiveFloat = Make(Variant(5.0), FloatCharacteristics(1));
    EXPECT_TRUE(five->Equals(fiveFloat));
    EXPECT_TRUE(fiveFloat->Equals(five));
    EXPECT_GT(Integer(6)->Compare(fiveFloat), 0);
    EXPECT_LT(Make(Variant("abc"), Utf8StringCharacteristics())
                  ->Compare(Make(Variant("abd"), Utf8StringCharacteristics())),
              0);
    EXPECT_THROW(five->Compare(nullptr), rtl::EAssertionFailed);
    EXPECT_THROW(five->Equals(nullptr), rtl::EAssertionFailed);
}

TEST_F(DataValuesTest, NullIsEqualOnlyToNull) {
    const auto null = Make(Variant::Null(), IntegerType());
    const auto zero = Integer(0);
    const auto empty = Make(Variant(""), Utf8StringCharacteristics());
    EXPECT_TRUE(null->IsNull());
    EXPECT_FALSE(zero->Equals(null));
    EXPECT_FALSE(null->Equals(zero));
    EXPECT_FALSE(empty->Equals(NullDataValue()));
    EXPECT_FALSE(NullDataValue()->Equals(empty));
    EXPECT_TRUE(null->Equals(NullDataValue()));
    EXPECT_TRUE(null->Equals(DefaultDataValue()));
    EXPECT_TRUE(NullDataValue()->Equals(null));
    EXPECT_GT(Integer(-5)->Compare(null), 0);
    EXPECT_LT(null->Compare(Integer(-5)), 0);

    for (const Variant& r : {null->AsString(), null->AsWideString(), null->AsFloat(), null->AsVariant(),
                             null->AsInteger(), null->AsBoolean()})
        EXPECT_TRUE(r.IsNull());
    EXPECT_EQ(null->AsSQL(), "NULL");
    EXPECT_TRUE(null->ConvertTo(Utf8StringCharacteristics())->IsNull());
}

TEST_F(DataValuesTest, ConvertToMakesANewValueOfTheTargetType) {
    const auto b = Make(Variant("B"), Utf8StringCharacteristics());
    const auto member = b->ConvertTo(EnumCharacteristics({"a", "b"}, 65001));
    EXPECT_EQ(member->AsVariant(), Variant(2));
    EXPECT_EQ(member->AsString(), Variant("b"));
    EXPECT_EQ(member->GetCharacteristics().DataType, dtEnum);
    EXPECT_EQ(std::dynamic_pointer_cast<IRWDataValue>(member), nullptr);

    const auto year = Make(Variant(20240131), MySQLTypeCharacteristics(10, {}, false, -2, -1, 0, ""));
    EXPECT_EQ(year->ConvertTo(MySQLTypeCharacteristics(13, {}, false, -2, -1, 0, ""))->AsString(),
              Variant("2024"));
    EXPECT_EQ(ErrorMessage([&] { b->ConvertTo(BareCharacteristics(dtUnknown)); }),
              "Incompatible types Unknown and String");
}

TEST_F(DataValuesTest, AssignConvertsFromTheSourceAndKeepsThePayloadOnFailure) {
    const auto target = Make(Variant(20240131), MySQLTypeCharacteristics(10, {}, false, -2, -1, 0, ""));
    // A string needs the server to become a date; the base converter cannot.
    EXPECT_EQ(ErrorMessage([&] { target->Assign(Make(Variant("2025-01-01"), Utf8StringCharacteristics())); }),
              "Unsupported to date conversion");
    EXPECT_EQ(target->AsString(), Variant("2024-01-31"));
    target->Assign(Make(Variant(20250101), MySQLTypeCharacteristics(10, {}, false, -2, -1, 0, "")));
    EXPECT_EQ(target->AsString(), Variant("2025-01-01"));
    target->Assign(NullDataValue());
    EXPECT_TRUE(target->IsNull());
    EXPECT_THROW(target->Assign(nullptr), rtl::EAssertionFailed);

    const auto text = Make(Variant(""), StringCharacteristics(1252, 3));
    text->Assign(Make(Variant(12345), IntegerType()));
    EXPECT_EQ(text->AsString(), Variant("123"));
}

TEST_F(DataValuesTest, ClonesAreIndependent) {
    const auto original = Integer(1);
    const auto copy = original->CloneRW();
    copy->SetAsInteger(Variant(2));
    EXPECT_EQ(original->AsInteger(), Variant(1));
    EXPECT_EQ(copy->AsInteger(), Variant(2));
    const auto readOnly = original->Clone();
    original->SetAsInteger(Variant(3));
    EXPECT_EQ(readOnly->AsInteger(), Variant(1));
}

TEST_F(DataValuesTest, SetAsVariantNormalisesWithoutConverting) {
    const auto year = Make(Variant(2000), MySQLTypeCharacteristics(13, {}, false, -2, -1, 0, ""));
    year->SetAsVariant(Variant(69));
    EXPECT_EQ(year->AsInteger(), Variant(2069));
    const auto text = Make(Variant(""), StringCharacteristics(65001, 2));
    text->SetAsVariant(Variant(u"日本語"));
    EXPECT_EQ(text->AsVariant(), Variant("日本"));
}

TEST_F(DataValuesTest, CreatingWithoutConverterFails) {
    EXPECT_THROW(TRODataValue(Variant(1), BareCharacteristics(dtInteger), nullptr), rtl::EAssertionFailed);
}

} // namespace
} // namespace core
