#include "ToyDataSet.h"

#include "platform/data/FieldClasses.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using namespace data;
using datatest::SixRowColumns;
using datatest::SixRows;
using datatest::ToyColumn;
using datatest::ToyDataSet;

// A replacement text class, as the wide-text layer installs.
class ReplacementStringField : public TStringField {
public:
    using TStringField::TStringField;
};

TEST(FieldClassTest, DefaultFieldsComeFromTheFieldClassTable) {
    ToyDataSet ds(nullptr, SixRowColumns(), SixRows());
    ds.Open();
    const std::vector<std::pair<const char*, const std::type_info*>> expected = {
        {"id", &typeid(TIntegerField)},   {"name", &typeid(TStringField)}, {"amount", &typeid(TFloatField)},
        {"flag", &typeid(TBooleanField)}, {"day", &typeid(TDateField)},    {"note", &typeid(TMemoField)},
    };
    for (const auto& [name, type] : expected) {
        SCOPED_TRACE(name);
        TField* field = ds.FieldByName(name);
        EXPECT_EQ(typeid(*field), *type);
        EXPECT_EQ(field->Owner(), &ds);
        EXPECT_EQ(field->DataSet(), &ds);
    }
    EXPECT_EQ(ds.FieldByName("ID")->FieldNo(), 1);
    EXPECT_EQ(ds.FieldByName("id")->MySQLType(), 3);
    EXPECT_EQ(ds.FieldByName("name")->MySQLType(), -1);
    EXPECT_EQ(ds.FindField("missing"), nullptr);
    EXPECT_EQ(ds.FieldByNumber(3)->FieldName(), "amount");
    EXPECT_EQ(ds.Fields()[3]->FieldName(), "flag");
    EXPECT_EQ(ds.Fields()[3]->Index(), 3);
    int32_t raw = 0;
    EXPECT_TRUE(ds.GetFieldData(1, &raw)); // by field number
    EXPECT_EQ(raw, 1);

    TField* name = ds.FieldByName("name");
    EXPECT_EQ(name->DisplayLabel(), "name");
    name->SetDisplayLabel("Name of the row");
    EXPECT_EQ(name->DisplayName(), "Name of the row");
    EXPECT_EQ(name->FieldName(), "name");
    name->SetIndex(0);
    EXPECT_EQ(ds.Fields()[0], name);
    EXPECT_EQ(ds.FieldByName("id")->Index(), 1);
}

TEST(FieldClassTest, ReplacedStringClassMakesTheReplacement) {
    // A table of the data set's own leaves every other data set alone.
    auto table = std::make_shared<TFieldClassTable>(TFieldClassTable::Standard());
    table->Set(ftString, &FieldClassOf<ReplacementStringField>);
    ToyDataSet own(nullptr, SixRowColumns(), SixRows());
    ToyDataSet other(nullptr, SixRowColumns(), SixRows());
    own.SetFieldClasses(table);
    own.Open();
    other.Open();
    EXPECT_NE(dynamic_cast<ReplacementStringField*>(own.FieldByName("name")), nullptr);
    EXPECT_EQ(own.FieldByName("name")->AsString(), "alpha");
    EXPECT_EQ(typeid(*other.FieldByName("name")), typeid(TStringField));
    EXPECT_EQ(typeid(*own.FieldByName("id")), typeid(TIntegerField));

    // The process-wide table serves data sets without a table of their own.
    SetDefaultFieldClass(ftString, &FieldClassOf<ReplacementStringField>);
    ToyDataSet later(nullptr, SixRowColumns(), SixRows());
    later.Open();
    SetDefaultFieldClass(ftString, &FieldClassOf<TStringField>);
    EXPECT_NE(dynamic_cast<ReplacementStringField*>(later.FieldByName("name")), nullptr);
}

TEST(FieldClassTest, TypeWithoutClassCannotMakeAField) {
    ToyDataSet ds(nullptr, {{"cursor", ftCursor}}, {});
    ds.SetName("Toy");
    try {
        ds.Open();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Toy: Field 'cursor' is of an unknown type");
    }
    EXPECT_FALSE(ds.Active());
}

TEST(FieldValueTest, ValuesOfTheSixRows) {
    ToyDataSet ds(nullptr, SixRowColumns(), SixRows());
    ds.Open();
    struct Case {
        int recNo;
        const char* field;
        const char* asString;
        bool isNull;
        rtl::VarType varType;
        const char* displayText;
    };
    const std::vector<Case> cases = {
        {1, "id", "1", false, rtl::varInt64, "1"},
        {1, "name", "alpha", false, rtl::varString, "alpha"},
        {1, "amount", "1.5", false, rtl::varDouble, "1.5"},
        {1, "flag", "True", false, rtl::varBoolean, "True"},
        {1, "day", "2024-01-01", false, rtl::varDate, "2024-01-01"},
        {1, "note", "first", false, rtl::varString, "(MEMO)"},
        {2, "note", "", true, rtl::varNull, "(Memo)"},
        {3, "amount", "", true, rtl::varNull, ""},
        {3, "day", "", true, rtl::varNull, ""},
        {4, "amount", "-4", false, rtl::varDouble, "-4"},
        {4, "note", "", false, rtl::varString, "(MEMO)"},
        {5, "name", "", true, rtl::varNull, ""},
        {5, "amount", "50000000000", false, rtl::varDouble, "50000000000"},
        {5, "flag", "", true, rtl::varNull, ""},
        {6, "flag", "True", false, rtl::varBoolean, "True"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.recNo) + " " + c.field);
        ds.SetRecNo(c.recNo);
        TField* field = ds.FieldByName(c.field);
        EXPECT_EQ(field->AsString(), c.asString);
        EXPECT_EQ(field->IsNull(), c.isNull);
        EXPECT_EQ(field->Value().Type(), c.varType);
        EXPECT_EQ(field->DisplayText(), c.displayText);
    }
    ds.SetRecNo(1);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 1);
    EXPECT_DOUBLE_EQ(ds.FieldByName("amount")->AsFloat(), 1.5);
    EXPECT_EQ(ds.FieldByName("amount")->AsInteger(), 2); // half to even
    EXPECT_TRUE(ds.FieldByName("flag")->AsBoolean());
    EXPECT_DOUBLE_EQ(ds.FieldByName("day")->AsDateTime(), rtl::EncodeDate(2024, 1, 1));
}

TEST(FieldValueTest, DataSizeAndDisplayWidthOfEachClass) {
    struct Case {
        TFieldType type;
        int size;
        int dataSize;
        int displayWidth;
    };
    const std::vector<Case> cases = {
        {ftString, 12, 13, 12}, {ftWideString, 5, 12, 5}, {ftSmallint, 0, 2, 6},  {ftInteger, 0, 4, 11},
        {ftWord, 0, 2, 5},      {ftAutoInc, 0, 4, 11},    {ftLargeint, 0, 8, 20}, {ftFloat, 0, 8, 10},
        {ftCurrency, 0, 8, 10}, {ftBCD, 4, 8, 10},        {ftBoolean, 0, 2, 5},   {ftDate, 0, 8, 10},
        {ftTime, 0, 8, 8},      {ftDateTime, 0, 8, 19},   {ftBytes, 3, 3, 10},    {ftVarBytes, 4, 6, 10},
        {ftMemo, 0, 0, 10},     {ftBlob, 0, 0, 10},       {ftGuid, 38, 39, 38},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FieldTypeName(c.type));
        std::unique_ptr<TField> field(DefaultFieldClass(c.type)(nullptr));
        field->SetSize(c.size);
        EXPECT_EQ(field->DataType(), c.type);
        EXPECT_EQ(field->DataSize(), c.dataSize);
        EXPECT_EQ(field->DisplayWidth(), c.displayWidth);
    }
    TStringField text(nullptr);
    text.SetDisplayWidth(50);
    EXPECT_EQ(text.DisplayWidth(), 50);
    EXPECT_THROW(TIntegerField(nullptr).SetSize(4), EDatabaseError);
}

// Every typed class over one row, written in edit mode.
class TypedFieldTest : public ::testing::Test {
protected:
    TypedFieldTest() {
        ds.SetName("Typed");
        ds.Open();
        ds.Edit();
    }

    TField* Field(const char* name) { return ds.FieldByName(name); }

    static std::vector<ToyColumn> Columns() {
        return {{"small", ftSmallint}, {"word", ftWord},          {"int", ftInteger},
                {"big", ftLargeint},   {"real", ftFloat},         {"money", ftCurrency},
                {"dec", ftBCD, 4},     {"wide", ftWideString, 5}, {"text", ftString, 5},
                {"bytes", ftBytes, 3}, {"vbytes", ftVarBytes, 4}, {"yes", ftBoolean},
                {"time", ftTime},      {"stamp", ftDateTime},     {"day", ftDate}};
    }

    ToyDataSet ds{nullptr, Columns(), {std::vector<rtl::Variant>(Columns().size(), rtl::Variant::Null())}};
};

TEST_F(TypedFieldTest, TextIsReadBackOrRefusedWithTheFieldsMessage) {
    struct Case {
        const char* field;
        std::string text;
        std::string expected; // AsString after the write, or the error message
        bool error;
    };
    const std::vector<Case> cases = {
        {"small", "32767", "32767", false},
        {"small", " -32768 ", "-32768", false},
        {"small", "32768",
         "32768 is not a valid value for field 'small'. The allowed range is -32768 to 32767", true},
        {"small", "abc", "'abc' is not a valid integer value for field 'small'", true},
        {"word", "-1", "-1 is not a valid value for field 'word'. The allowed range is 0 to 65535", true},
        {"int", "1.5", "'1.5' is not a valid integer value for field 'int'", true},
        {"big", "9223372036854775807", "9223372036854775807", false},
        {"big", "9223372036854775808", "'9223372036854775808' is not a valid integer value for field 'big'",
         true},
        {"real", "1e3", "1000", false},
        {"real", "0.1", "0.1", false},
        {"real", "1,5", "'1,5' is not a valid floating point value for field 'real'", true},
        {"money", "1.25", "1.25", false},
        {"dec", "12.345678", "12.3457", false},
        {"dec", "0.00015", "0.0002", false},
        {"dec", "0.00025", "0.0002", false},
        {"dec", "-7", "-7", false},
        {"dec", "922337203685477.5807", "922337203685477.5807", false},
        {"dec", "922337203685477.5808",
         "922337203685477.5808 is not a valid value for field 'dec'. The allowed range is "
         "-922337203685477.5808 to "
         "922337203685477.5807",
         true},
        {"wide", "h\xC3\xA9llo world", "h\xC3\xA9llo", false},
        {"wide", "abcd\xF0\x9F\x98\x80", "abcd", false}, // the emoji would need units 5 and 6
        {"text", "abcd\xC3\xA9", "abcd", false},         // no half character at the cut
        {"text", "abcdef", "abcde", false},
        {"bytes", "abcd", "abc", false},
        {"vbytes", "ab", "ab", false},
        {"yes", "true", "True", false},
        {"yes", "FALSE", "False", false},
        {"yes", "maybe", "'maybe' is not a valid boolean value for field 'yes'", true},
        {"time", "10:20:30", "10:20:30", false},
        {"stamp", "2024-02-29 23:59:59", "2024-02-29 23:59:59", false},
        {"stamp", "2024-02-30", "'2024-02-30' is not a valid date and time for field 'stamp'", true},
        {"day", "2024-02-29 12:00", "2024-02-29", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- " + c.text);
        TField* field = Field(c.field);
        try {
            field->SetAsString(c.text);
            EXPECT_FALSE(c.error) << "no error";
            EXPECT_EQ(field->AsString(), c.expected);
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(c.error) << e.what();
            EXPECT_EQ(e.Message(), c.expected);
        }
    }
}

TEST_F(TypedFieldTest, NumbersConvertBetweenAccessors) {
    Field("dec")->SetAsFloat(2.5);
    EXPECT_EQ(Field("dec")->AsLargeInt(), 2);
    Field("dec")->SetAsString("3.5");
    EXPECT_EQ(Field("dec")->AsLargeInt(), 4);
    EXPECT_DOUBLE_EQ(Field("dec")->AsFloat(), 3.5);
    Field("small")->SetAsFloat(-2.5);
    EXPECT_EQ(Field("small")->AsInteger(), -2);
    EXPECT_THROW(Field("int")->SetAsFloat(3e9), EDatabaseError);
    EXPECT_THROW(Field("big")->SetAsFloat(1e19), EDatabaseError); // would saturate
    Field("big")->SetAsLargeInt(-9000000000LL);
    EXPECT_EQ(Field("big")->AsInteger(), INT32_MIN); // saturates
    EXPECT_DOUBLE_EQ(Field("big")->AsFloat(), -9e9);
    Field("int")->SetValue(rtl::Variant("12"));
    EXPECT_EQ(Field("int")->Value(), rtl::Variant(12));
    Field("int")->SetValue(rtl::Variant::Null());
    EXPECT_TRUE(Field("int")->IsNull());
    EXPECT_EQ(Field("int")->AsInteger(), 0);
    Field("wide")->SetValue(rtl::Variant(u"\u00e9t\u00e9"));
    EXPECT_EQ(Field("wide")->Value(), rtl::Variant(u"\u00e9t\u00e9"));
    EXPECT_EQ(Field("wide")->AsString(), "\xC3\xA9t\xC3\xA9");
    Field("yes")->SetAsInteger(7);
    EXPECT_TRUE(Field("yes")->AsBoolean());
    try {
        Field("yes")->SetAsFloat(1.0);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Cannot access field 'yes' as type Float");
    }
}

TEST_F(TypedFieldTest, LimitsAndDisplayValues) {
    auto* integer = static_cast<TIntegerField*>(Field("int"));
    integer->SetMinValue(-100);
    integer->SetMaxValue(100);
    integer->SetAsInteger(100);
    try {
        integer->SetAsInteger(101);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "101 is not a valid value for field 'int'. The allowed range is -100 to 100");
    }
    EXPECT_EQ(integer->AsInteger(), 100);

    auto* yes = static_cast<TBooleanField*>(Field("yes"));
    yes->SetDisplayValues("Ja;Nein");
    yes->SetAsString("nein");
    EXPECT_EQ(yes->AsString(), "Nein");
    EXPECT_EQ(yes->DisplayWidth(), 4);
    EXPECT_THROW(yes->SetDisplayValues("Ja"), EDatabaseError);

    auto* real = static_cast<TFloatField*>(Field("real"));
    real->SetPrecision(4);
    real->SetAsFloat(3.14159);
    EXPECT_EQ(real->AsString(), "3.142");
}

TEST_F(TypedFieldTest, TextEventsAndValidation) {
    TField* text = Field("text");
    text->SetAsString("abc");
    text->OnGetText = [](TField* f, std::string& out, bool display) {
        out = (display ? "[" : "<") + f->AsString() + (display ? "]" : ">");
    };
    EXPECT_EQ(text->DisplayText(), "[abc]");
    EXPECT_EQ(text->Text(), "<abc>");
    text->OnSetText = [](TField* f, const std::string& value) { f->SetAsString(value + "!"); };
    text->SetEditText("xy");
    EXPECT_EQ(text->AsString(), "xy!");

    // OnValidate sees the value about to be written and may refuse it.
    std::string seen;
    text->OnValidate = [&seen](TField* f) {
        seen = f->AsString();
        if (seen == "bad") DatabaseError("refused");
    };
    text->SetAsString("good");
    EXPECT_EQ(seen, "good");
    EXPECT_THROW(text->SetAsString("bad"), EDatabaseError);
    EXPECT_EQ(text->AsString(), "good");

    std::vector<std::string> changes;
    Field("int")->OnChange = [&changes](TField* f) { changes.push_back(f->AsString()); };
    Field("int")->SetAsInteger(5);
    Field("int")->Clear();
    EXPECT_EQ(changes, (std::vector<std::string>{"5", ""}));
}

TEST(BlobFieldTest, MemoIsWrittenInEditModeAndCancelRestoresIt) {
    ToyDataSet ds(nullptr, SixRowColumns(), SixRows());
    ds.Open();
    ds.SetRecNo(2);
    auto* note = static_cast<TBlobField*>(ds.FieldByName("note"));
    EXPECT_TRUE(note->IsNull());
    ds.Edit();
    note->SetAsString("new note");
    EXPECT_TRUE(note->Modified());
    EXPECT_EQ(note->AsString(), "new note");
    EXPECT_EQ(note->BlobSize(), 8);
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    EXPECT_EQ(note->AsString(), "new note");

    ds.Edit();
    rtl::TMemoryStream source;
    source.WriteString("from a stream");
    note->LoadFromStream(source);
    EXPECT_EQ(note->Value().AsString(), "from a stream");
    ds.Cancel();
    EXPECT_EQ(note->AsString(), "new note");
    rtl::TMemoryStream target;
    note->SaveToStream(target);
    EXPECT_EQ(target.Bytes(), "new note");
    EXPECT_THROW(note->SetAsString("browsing"), EDatabaseError);
}

TEST(FieldAssignTest, AssignCopiesTheValueOrRaisesTheConversionError) {
    ToyDataSet a(nullptr, SixRowColumns(), SixRows());
    ToyDataSet b(nullptr, SixRowColumns(), SixRows());
    a.Open();
    b.Open();
    b.Last();
    a.Edit();
    a.FieldByName("name")->Assign(b.FieldByName("name"));
    EXPECT_EQ(a.FieldByName("name")->AsString(), "zeta");
    a.FieldByName("amount")->Assign(b.FieldByName("amount"));
    EXPECT_EQ(a.FieldByName("amount")->AsString(), "0");
    a.FieldByName("flag")->Assign(nullptr);
    EXPECT_TRUE(a.FieldByName("flag")->IsNull());
    try {
        a.FieldByName("id")->Assign(&b);
        ADD_FAILURE() << "no error";
    } catch (const rtl::EConversionError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a ToyDataSet to a TIntegerField");
    }
}

} // namespace
