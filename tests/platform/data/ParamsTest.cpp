#include "ToyDataSet.h"

#include "platform/data/Params.h"

#include <gtest/gtest.h>

namespace {

using namespace data;

TEST(ParamsTest, ValuesSetTheTypeTheyCarry) {
    TParams params;
    struct Case {
        const char* name;
        std::function<void(TParam&)> set;
        TFieldType type;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"int", [](TParam& p) { p.SetAsInteger(7); }, ftInteger, "7"},
        {"small", [](TParam& p) { p.SetAsSmallInt(-7); }, ftSmallint, "-7"},
        {"word", [](TParam& p) { p.SetAsWord(7); }, ftWord, "7"},
        {"float", [](TParam& p) { p.SetAsFloat(0.5); }, ftFloat, "0.5"},
        {"text", [](TParam& p) { p.SetAsString("abc"); }, ftString, "abc"},
        {"stamp", [](TParam& p) { p.SetAsSQLTimeStamp(rtl::EncodeDate(2024, 3, 1)); }, ftTimeStamp,
         "2024-03-01"},
        {"big", [](TParam& p) { p.SetValue(int64_t{1} << 40); }, ftLargeint, "1099511627776"},
        {"wide", [](TParam& p) { p.SetValue(u"w"); }, ftWideString, "w"},
        {"bool", [](TParam& p) { p.SetValue(true); }, ftBoolean, "True"},
        {"edit", [](TParam& p) { p.SetText("12"); }, ftString, "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TParam* param = params.CreateParam(ftUnknown, c.name, ptInput);
        EXPECT_FALSE(param->Bound());
        c.set(*param);
        EXPECT_EQ(param->DataType(), c.type);
        EXPECT_EQ(param->AsString(), c.text);
        EXPECT_TRUE(param->Bound());
        EXPECT_FALSE(param->IsNull());
    }
    TParam* typed = params.CreateParam(ftFloat, "typed", ptInput);
    typed->SetValue(3);
    EXPECT_EQ(typed->DataType(), ftFloat); // a known type stays
    EXPECT_EQ(typed->AsInteger(), 3);
    typed->Clear();
    EXPECT_TRUE(typed->IsNull());
    EXPECT_EQ(typed->AsString(), "");
    EXPECT_EQ(typed->DataType(), ftFloat);
}

TEST(ParamsTest, FoundByNameIgnoringCase) {
    datatest::ToyDataSet owner(nullptr, {}, {});
    owner.SetName("Query");
    TParams params(&owner);
    TParam* id = params.CreateParam(ftInteger, "Id", ptInputOutput);
    EXPECT_EQ(params.FindParam("ID"), id);
    EXPECT_EQ(params.ParamByName("id"), id);
    EXPECT_EQ(id->ParamType(), ptInputOutput);
    EXPECT_EQ(params.FindParam("name"), nullptr);
    try {
        params.ParamByName("name");
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Query: Parameter 'name' not found");
    }
}

TEST(ParamsTest, AssignValuesCopiesByName) {
    TParams source, target;
    source.CreateParam(ftUnknown, "a", ptInput)->SetAsInteger(1);
    source.CreateParam(ftString, "b", ptInput)->Clear();
    source.CreateParam(ftUnknown, "only", ptInput)->SetAsString("x");
    TParam* a = target.CreateParam(ftUnknown, "A", ptUnknown);
    TParam* b = target.CreateParam(ftUnknown, "B", ptOutput);
    b->SetAsString("old");
    target.AssignValues(source);
    EXPECT_EQ(target.Count(), 2);
    EXPECT_EQ(a->AsInteger(), 1);
    EXPECT_EQ(a->DataType(), ftInteger);
    EXPECT_EQ(a->ParamType(), ptInput); // taken when unknown
    EXPECT_TRUE(b->IsNull());
    EXPECT_EQ(b->ParamType(), ptOutput);
}

TEST(ParamsTest, ParamsAndFieldsExchangeValues) {
    datatest::ToyDataSet ds(nullptr, datatest::SixRowColumns(), datatest::SixRows());
    ds.Open();
    TParams params;
    TParam* param = params.CreateParam(ftUnknown, "x", ptInput);
    param->Assign(ds.FieldByName("amount"));
    EXPECT_EQ(param->Name(), "amount");
    EXPECT_EQ(param->DataType(), ftFloat);
    EXPECT_DOUBLE_EQ(param->AsFloat(), 1.5);
    ds.SetRecNo(3);
    param->Assign(ds.FieldByName("amount"));
    EXPECT_TRUE(param->IsNull());

    ds.Edit();
    param->SetAsString("gamma ray");
    ds.FieldByName("name")->Assign(param);
    EXPECT_EQ(ds.FieldByName("name")->AsString(), "gamma ray");
}

} // namespace
