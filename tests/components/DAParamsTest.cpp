#include "components/uDAParams.h"
#include "dataaccess/store/uBlob.h"
#include "platform/data/FieldClasses.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Streams.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <string>

namespace components {
namespace {

using namespace data;
using testsupport::ErrorMessageOf;

class DAParamsTest : public ::testing::Test {
protected:
    TDAParam* Param(TFieldType type = ftUnknown, const std::string& name = "P") {
        return params.CreateParam(type, name, ptInput);
    }

    TDAParams params;
};

TEST_F(DAParamsTest, NewParameterIsBoundAndBlobTypesGetABlob) {
    TDAParam* p = Param();
    EXPECT_TRUE(p->Bound());
    EXPECT_EQ(p->GetValueObject(), nullptr);
    p->SetDataType(ftBlob);
    dataaccess::TBlob* blob = p->GetBlobObject();
    ASSERT_NE(blob, nullptr);
    p->SetAsString("content");
    p->SetDataType(ftBlob);
    EXPECT_EQ(p->GetBlobObject(), blob) << "the same type keeps the blob";
    EXPECT_EQ(p->AsString(), "content");
    p->SetSubType(7);
    p->SetDataType(ftMemo);
    EXPECT_NE(p->GetMemoObject(), nullptr);
    EXPECT_EQ(p->AsString(), "") << "a new type gets a new, empty blob";
    EXPECT_EQ(p->SubType(), 0);
    p->SetDataType(ftString);
    EXPECT_EQ(p->GetValueObject(), nullptr);
    EXPECT_EQ(params.CreateParam(ftMemo, "M", ptInput)->GetMemoObject()->GetSize(), 0u);
    EXPECT_EQ(params.ParamByName("m")->DataType(), ftMemo);
    EXPECT_EQ(ErrorMessageOf([&] { params.ParamByName("X"); }), "Parameter 'X' not found");
}

TEST_F(DAParamsTest, EmptyMemoIsAnEmptyStringNotNull) {
    TDAParam* p = Param(ftMemo);
    EXPECT_TRUE(p->IsNull()) << "no value yet";
    p->SetAsMemo("");
    EXPECT_FALSE(p->IsNull()) << "an empty text is a value";
    EXPECT_EQ(p->Value().AsString(), "");
    p->SetAsMemo("x");
    EXPECT_FALSE(p->IsNull());
    p->Clear();
    EXPECT_TRUE(p->IsNull());
    EXPECT_TRUE(p->Value().IsNull());
}

TEST_F(DAParamsTest, AssignSharesTheBlob) {
    TDAParam* source = Param(ftBlob, "SRC");
    source->SetAsBlob(std::string("\x01\x00\x02", 3));
    source->SetNationalFlag(true);
    source->SetSize(10);
    TDAParam* target = Param(ftUnknown, "DST");
    target->Assign(source);
    EXPECT_EQ(target->Name(), "SRC");
    EXPECT_EQ(target->DataType(), ftBlob);
    EXPECT_EQ(target->GetBlobObject(), source->GetBlobObject());
    EXPECT_EQ(source->GetBlobObject()->RefCount(), 2);
    EXPECT_TRUE(target->NationalFlag());
    EXPECT_EQ(target->Size(), 10);
    EXPECT_EQ(target->AsString(), std::string("\x01\x00\x02", 3));
    source->SetAsString("changed");
    EXPECT_EQ(target->AsString(), "changed");
    target->SetDataType(ftString);
    EXPECT_EQ(source->GetBlobObject()->RefCount(), 1);
}

TEST_F(DAParamsTest, AssignFromAPlainParameterCopiesTheValue) {
    TParams plain;
    TParam* source = plain.CreateParam(ftString, "S", ptOutput);
    source->SetAsString("text");
    TDAParam* target = Param(ftMemo);
    target->SetParamType(ptUnknown);
    target->Assign(source);
    EXPECT_EQ(target->DataType(), ftString);
    EXPECT_EQ(target->AsString(), "text");
    EXPECT_EQ(target->ParamType(), ptOutput);
    plain.CreateParam(ftMemo, "M", ptInput)->SetValue("memo text");
    TDAParam* memo = Param(ftMemo);
    memo->AssignParam(plain[1]);
    EXPECT_EQ(memo->AsString(), "memo text");
    EXPECT_NE(memo->GetMemoObject(), nullptr);
}

TEST_F(DAParamsTest, AssignFieldTakesTypeFromTheField) {
    struct Case {
        TField* field;
        int size;
        bool fixed;
        rtl::Variant value;
        TFieldType expected;
    };
    TStringField fixed(nullptr), varying(nullptr);
    TMemoField longMemo(nullptr), shortMemo(nullptr);
    TIntegerField integer(nullptr);
    const Case cases[] = {
        {&fixed, 10, true, "abc", ftFixedChar},
        {&varying, 10, false, "abc", ftString},
        {&longMemo, 300, false, "long", ftString},
        {&shortMemo, 255, false, "short", ftMemo},
        {&integer, 0, false, rtl::Variant::Null(), ftInteger},
    };
    for (const Case& c : cases) {
        c.field->SetFieldName("F");
        if (c.size) c.field->SetSize(c.size);
        if (c.fixed) static_cast<TStringField*>(c.field)->SetFixedChar(true);
        TDAParam* p = Param();
        p->AssignFieldValue(c.field, c.value);
        EXPECT_EQ(p->DataType(), c.expected) << c.field->ClassName() << " " << c.size;
        EXPECT_EQ(p->IsNull(), c.value.IsNull());
        if (!c.value.IsNull()) {
            EXPECT_EQ(p->AsString(), c.value.AsString());
        }
    }
}

TEST_F(DAParamsTest, LoadFromStream) {
    rtl::TMemoryStream stream;
    stream.WriteString("streamed");
    TDAParam* p = Param();
    EXPECT_EQ(ErrorMessageOf([&] { p->LoadFromStream(stream, ftString); }), "Data type is not supported");
    EXPECT_EQ(p->DataType(), ftUnknown);
    p->LoadFromStream(stream, ftMemo);
    EXPECT_EQ(p->AsString(), "streamed");
    EXPECT_NE(ErrorMessageOf([&] { Param()->LoadFromStream(stream, ftOraClob); }), "no error")
        << "no blob for this type";
}

TEST_F(DAParamsTest, TypedSetters) {
    TDAParam* p = Param(ftString);
    p->SetAsLargeInt(int64_t{1} << 40);
    EXPECT_EQ(p->DataType(), ftLargeint);
    EXPECT_EQ(p->AsLargeInt(), int64_t{1} << 40);
    p->SetAsInteger(5);
    p->SetAsLargeInt(6);
    EXPECT_EQ(p->DataType(), ftLargeint);

    TDAParam* wide = Param(ftWideString);
    wide->SetAsString("é😀");
    EXPECT_EQ(wide->DataType(), ftWideString);
    EXPECT_EQ(wide->AsWideString(), u"é😀");
    EXPECT_EQ(wide->RawValue().Type(), rtl::varWideString);

    TDAParam* when = Param();
    const rtl::TDateTime moment = rtl::EncodeDate(2020, 5, 6) + rtl::EncodeTime(7, 8, 9, 0);
    when->SetValue(rtl::Variant::FromDateTime(moment));
    EXPECT_EQ(when->DataType(), ftDateTime);
    EXPECT_EQ(when->AsString(), "2020-05-06 07:08:09") << "a date-time keeps its time";
    when->SetDataType(ftDate);
    EXPECT_EQ(when->AsString(), "2020-05-06");

    TDAParam* bytes = Param(ftBlob);
    bytes->SetValue(rtl::Variant(rtl::VariantArray{rtl::Variant(65), rtl::Variant(0), rtl::Variant(66)}));
    EXPECT_EQ(bytes->AsString(), std::string("A\0B", 3));
}

TEST_F(DAParamsTest, NullOrEmptyValueKeepsTheType) {
    TDAParam* p = Param(ftInteger);
    SetNullOrEmptyValue(p, false);
    EXPECT_EQ(p->RawValue().AsString(), "");
    EXPECT_EQ(p->DataType(), ftInteger);
    SetNullOrEmptyValue(p, true);
    EXPECT_TRUE(p->IsNull());
}

} // namespace
} // namespace components
