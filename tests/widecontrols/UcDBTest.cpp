#include "widecontrols/uUcDB.h"

#include "components/ComponentsTestSupport.h"
#include "components/uMemDataSet.h"
#include "components/uMyQuery.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMemData.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"
#include "widecontrols/AnsiCodePageScope.h"
#include "widecontrols/StoredForm.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace widecontrols {
namespace {

using testsupport::ErrorMessageOf;

// One row of a text column S (20 bytes) and a memo M, holding the given bytes (Null for none).
class TextRowStore : public dataaccess::TMemData {
public:
    TextRowStore(rtl::Variant text, rtl::Variant memo) : row_{std::move(text), std::move(memo)} {}

protected:
    void InternalInitFields() override {
        for (const auto& [name, type] : {std::pair{"S", dataaccess::dtString}, {"M", dataaccess::dtMemo}}) {
            auto field = GetFieldDescClass()();
            field->FieldName = field->ServerName = name;
            field->TypeCode = type;
            field->ValueLength = type == dataaccess::dtString ? 20 : 0;
            field->ByteSize = type == dataaccess::dtString ? 21 : dataaccess::kReferenceSize;
            Fields().Add(std::move(field));
        }
    }

    void InternalOpen() override {
        InitFields();
        void* record = NewRecordBuffer();
        InitRecord(record);
        CreateComplexFields(record, true);
        for (int i = 0; i < 2; ++i)
            if (!row_[i].IsNull()) WriteFieldAsVariant(i + 1, record, row_[i]);
        AppendRecord(record);
        DisposeRecordBuffer(record);
    }

private:
    rtl::Variant row_[2];
};

class UcFieldTest : public testing::Test {
protected:
    UcFieldTest() : ds(nullptr) { ds.SetFieldClasses(UcFieldClasses()); }

    void Open(rtl::Variant text, rtl::Variant memo = rtl::Variant::Null()) {
        ds.SetRecordStore(std::make_unique<TextRowStore>(std::move(text), std::move(memo)));
        ds.Open();
        text_ = dynamic_cast<TUcStringField*>(ds.FieldByName("S"));
        memo_ = dynamic_cast<TUcMemoField*>(ds.FieldByName("M"));
        ASSERT_NE(text_, nullptr);
        ASSERT_NE(memo_, nullptr);
    }

    // Writes the text in an edit and returns the bytes the record then holds.
    template <class Field>
    std::string BytesAfterWriting(Field* field, const WideString& text) {
        ds.Edit();
        field->SetWideValue(text);
        ds.Post();
        const bool raw = field->RawVariantAccess();
        field->SetRawVariantAccess(true);
        const std::string bytes = field->Value().AsString();
        field->SetRawVariantAccess(raw);
        return bytes;
    }

    components::TMemDataSet ds;
    TUcStringField* text_ = nullptr;
    TUcMemoField* memo_ = nullptr;
};

TEST_F(UcFieldTest, NewFieldsReadUtf8WithLatinWesternAsTheFixedPage) {
    TUcStringField field(nullptr);
    EXPECT_EQ(field.EncodingMode(), emUTF8);
    EXPECT_EQ(field.FixedCodePage(), 1252);
    EXPECT_EQ(field.FixedCodePageEnum(), fcpLatinWestern);
    field.SetFixedCodePage(1253);
    EXPECT_EQ(field.FixedCodePageEnum(), fcpGreek);
    for (uint16_t other : {0, 437}) {
        field.SetFixedCodePage(other);
        EXPECT_EQ(field.FixedCodePageEnum(), fcpOther);
    }
    field.SetFixedCodePageEnum(fcpOther);
    EXPECT_EQ(field.FixedCodePage(), 437);
    field.SetFixedCodePageEnum(fcpJapanese);
    EXPECT_EQ(field.FixedCodePage(), 932);
}

TEST_F(UcFieldTest, TheStoredFormKeepsTheFixedCodePageOnlyForItsOwnMode) {
    TUcStringField field(nullptr);
    EXPECT_EQ(Stored(field), std::string(1, '\0'));
    field.SetFixedCodePage(1253);
    field.SetRawVariantAccess(true);
    for (const auto mode : {emFixedCodePage, emFixedCodePage_Safe}) {
        field.SetEncodingMode(mode);
        TUcStringField back(nullptr);
        Load(back, Stored(field));
        EXPECT_EQ(back.EncodingMode(), mode);
        EXPECT_EQ(back.FixedCodePage(), mode == emFixedCodePage ? 1253 : 1252);
        EXPECT_TRUE(back.RawVariantAccess());
    }
}

TEST_F(UcFieldTest, StoredBytesReadByEncodingMode) {
    AnsiCodePageScope latin(1252);
    Open("\xC3\xA9", "\xC3\xA9");
    for (IWideTextField* field : {static_cast<IWideTextField*>(text_), static_cast<IWideTextField*>(memo_)}) {
        EXPECT_EQ(field->GetWideValue(), u"\u00E9");
    }
    text_->SetEncodingMode(emNone);
    EXPECT_EQ(text_->GetWideValue(), u"\u00C3\u00A9");
    EXPECT_EQ(text_->AsString(), "\xC3\xA9");
    text_->SetEncodingMode(emFixedCodePage);
    text_->SetFixedCodePage(1251);
    EXPECT_EQ(text_->GetWideValue(), u"\u0413\u00A9");
    text_->SetEncodingMode(emUTF7);
    EXPECT_EQ(text_->GetWideValue(), u"\u00C3\u00A9"); // not UTF-7: the bytes as they are
}

// The written rule read "C3 28" as "": the sound one keeps everything but the bad sequence.
TEST_F(UcFieldTest, MalformedUtf8KeepsTheRestOfTheValue) {
    Open("x\xC3(\xFF");
    EXPECT_EQ(text_->Value().AsWideString(), u"x\uFFFD(\uFFFD");
}

TEST_F(UcFieldTest, EachModeWritesItsBytesAndReadsThemBack) {
    Open("");
    struct Case {
        TUcStringFieldEncodingMode mode;
        std::u16string text;
        std::string bytes;
    };
    const Case cases[] = {
        {emFixedCodePage_Safe, u"\u00E9", "\x80\x69"},
        {emFixedCodePage_Safe, u"\u20AC", "\x80\x80"},
        {emFixedCodePage_Safe, u"a\u00E9b",
         "a\x80\x69"
         "b"},
        {emFixedCodePage, u"\u00E9\u20AC", "\xE9\x80"},
        {emUTF7, u"\u00E9a", "+AOk-a"},
        {emUTF8, u"\U0001F600", "\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        text_->SetEncodingMode(c.mode);
        EXPECT_EQ(BytesAfterWriting(text_, c.text), c.bytes);
        EXPECT_EQ(text_->GetWideValue(), c.text);
    }
}

TEST_F(UcFieldTest, SafeEscapeOfALoneFinalEscapeByte) {
    EXPECT_EQ(DecodeSafeCodePageText("a\x80", 1252), u"a\u20AC");
    EXPECT_EQ(DecodeSafeCodePageText("\x80\x0A", 1252), u"\u0160");
    EXPECT_EQ(EncodeSafeCodePageText(u"\u00FF", 1252), "\x80\x7F");
}

TEST_F(UcFieldTest, NullAndRawVariants) {
    Open(rtl::Variant::Null(), "\xC3\xA9");
    EXPECT_TRUE(text_->Value().IsNull());
    EXPECT_EQ(GetFieldWideValue(text_), u"");
    EXPECT_EQ(memo_->Value(), rtl::Variant(u"\u00E9"));
    memo_->SetRawVariantAccess(true);
    EXPECT_EQ(memo_->Value(), rtl::Variant(std::string("\xC3\xA9")));
    ds.Edit();
    memo_->SetValue(rtl::Variant(std::string("\xE9")));
    memo_->SetRawVariantAccess(false);
    EXPECT_EQ(memo_->Value(), rtl::Variant(u"\uFFFD"));
    text_->SetValue(rtl::Variant(u"\u4E2D"));
    EXPECT_EQ(text_->AsString(), "\xE4\xB8\xAD");
    ds.Post();
}

TEST_F(UcFieldTest, AnUnknownModeRaisesOnReadAndWrite) {
    Open("a");
    text_->SetEncodingMode(static_cast<TUcStringFieldEncodingMode>(5));
    EXPECT_EQ(ErrorMessageOf([&] { text_->GetWideValue(); }), "Internal Error: Unexpected EncodingMode");
    ds.Edit();
    EXPECT_EQ(ErrorMessageOf([&] { text_->SetWideValue(u"b"); }), "Internal Error: Unexpected EncodingMode");
    ds.Cancel();
}

TEST_F(UcFieldTest, WideTextEventsDriveTheFrameworkTextToo) {
    AnsiCodePageScope latin(1252);
    Open("abc");
    std::vector<bool> calls;
    text_->SetOnGetText([&](data::TField* sender, WideString& text, bool display) {
        EXPECT_EQ(sender, text_);
        calls.push_back(display);
        text = u"\u00E9" + text_->GetWideValue();
    });
    EXPECT_EQ(text_->DisplayText(), "\xE9"
                                    "abc");
    EXPECT_EQ(text_->Text(), "\xE9"
                             "abc");
    EXPECT_EQ(GetFieldWideDisplayValue(text_), u"\u00E9abc");
    EXPECT_EQ(GetFieldWideEditValue(text_), u"\u00E9abc");
    EXPECT_EQ(calls, (std::vector<bool>{true, false, true, false}));

    WideString stored;
    text_->SetOnSetText([&](data::TField*, const WideString& text) { stored = text; });
    text_->SetEditText("\xE9");
    EXPECT_EQ(stored, u"\u00E9");
    SetFieldWideEditValue(text_, u"\u263A");
    EXPECT_EQ(stored, u"\u263A"); // the wide handler gets the text before any 8-bit form

    text_->SetOnGetText(nullptr);
    text_->SetOnSetText(nullptr);
    EXPECT_FALSE(text_->data::TField::OnGetText);
    EXPECT_FALSE(text_->data::TField::OnSetText);
    EXPECT_EQ(text_->DisplayText(), "abc");
}

TEST_F(UcFieldTest, AnEightBitHandlerOfItsOwnStillServesTheWideText) {
    AnsiCodePageScope latin(1252);
    Open("abc");
    text_->data::TField::OnGetText = [](data::TField*, std::string& text, bool display) {
        text = display ? "\xE9" : "e";
    };
    EXPECT_EQ(text_->GetWideDisplayValue(), u"\u00E9");
    EXPECT_EQ(text_->GetWideEditValue(), u"e");
    std::string set;
    text_->data::TField::OnSetText = [&](data::TField*, const std::string& text) { set = text; };
    text_->SetWideEditValue(u"\u00E9");
    EXPECT_EQ(set, "\xE9");
}

TEST(UcFieldServerTest, TextOfTheServerArrivesAsWideVariants) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = components::testing::NewConnection(server);
    connection->Options().SetCharset("utf8mb4");
    components::TMyQuery query;
    query.SetConnection(connection.get());
    query.SetFieldClasses(UcFieldClasses());
    query.SetSQL("SELECT 'Grüße', _utf8'中文', NULL, '', REPEAT('я', 300)");
    query.Open();
    ASSERT_NE(dynamic_cast<TUcStringField*>(query.Fields()[0]), nullptr);
    EXPECT_EQ(query.Fields()[0]->Value(), rtl::Variant(u"Grüße"));
    EXPECT_EQ(query.Fields()[1]->Value(), rtl::Variant(u"中文"));
    EXPECT_TRUE(query.Fields()[2]->Value().IsNull());
    EXPECT_EQ(query.Fields()[3]->Value(), rtl::Variant(u""));
    EXPECT_EQ(GetFieldWideValue(query.Fields()[4]), std::u16string(300, u'я'));
}

} // namespace
} // namespace widecontrols
