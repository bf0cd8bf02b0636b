#include "widecontrols/uUcProps.h"

#include "support/ErrorText.h"
#include "widecontrols/StoredForm.h"
#include "widecontrols/uUcClasses.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace widecontrols {
namespace {

using testing::HasSubstr;
using testing::Not;
using testsupport::ErrorOf;

constexpr WideChar kDefaultMark = u'*';

// A component with a published wide string, a wide character with a declared default, and one without.
class TMarked : public data::TPersistent, public IStreamedObject {
public:
    WideString caption;
    WideChar mark = kDefaultMark;
    WideChar separator = u'\0';

    const TPropInfos& PropInfos() const override {
        static const TPropInfos props = {
            {"Caption", tkWString, [](const data::TPersistent& o) { return rtl::Variant(Self(o).caption); },
             [](data::TPersistent& o, const rtl::Variant& v) { Self(o).caption = v.AsWideString(); }, nullptr,
             TPropInfo::kNoDefault},
            {"Mark", tkWChar, [](const data::TPersistent& o) { return rtl::Variant(int64_t{Self(o).mark}); },
             [](data::TPersistent& o, const rtl::Variant& v) {
                 Self(o).mark = static_cast<WideChar>(v.AsInt64());
             },
             nullptr, kDefaultMark},
            {"Separator", tkWChar,
             [](const data::TPersistent& o) { return rtl::Variant(int64_t{Self(o).separator}); },
             [](data::TPersistent& o, const rtl::Variant& v) {
                 Self(o).separator = static_cast<WideChar>(v.AsInt64());
             },
             nullptr, TPropInfo::kNoDefault},
        };
        return props;
    }
    void DefineProperties(TFiler& filer) override { DefineWideProperties(filer, *this); }

private:
    static TMarked& Self(data::TPersistent& o) { return static_cast<TMarked&>(o); }
    static const TMarked& Self(const data::TPersistent& o) { return static_cast<const TMarked&>(o); }
};

TEST(WidePropertiesTest, AWideCharacterTravelsAsAOneCharacterWideString) {
    TMarked marked;
    marked.caption = u"\u00E9t\u00E9";
    marked.mark = u'\u263A';
    const std::string bytes = Stored(marked);
    EXPECT_THAT(bytes, HasSubstr(std::string("\x05MarkW\x12\x01\x00\x00\x00\x3A\x26", 12)));
    EXPECT_THAT(bytes, HasSubstr(std::string("\x0ASeparatorW\x12\x01\x00\x00\x00\x00\x00", 17)));
    TMarked back;
    Load(back, bytes);
    EXPECT_EQ(back.caption, marked.caption);
    EXPECT_EQ(back.mark, u'\u263A');
}

TEST(WidePropertiesTest, DefaultsAndInheritedValuesAreNotWritten) {
    TMarked marked;
    EXPECT_THAT(Stored(marked), Not(HasSubstr("MarkW")));
    marked.mark = u'x';
    marked.separator = u';';
    TMarked ancestor;
    ancestor.mark = u'x';
    const std::string inherited = Stored(marked, &ancestor);
    EXPECT_THAT(inherited, Not(HasSubstr("MarkW")));
    EXPECT_THAT(inherited, HasSubstr("SeparatorW"));
}

TEST(WidePropertiesTest, AStoredCharacterMustBeOneCharacterOfAStringType) {
    TMarked marked;
    Load(marked, Form([](TWriter& w) {
             w.WritePropName("MarkW");
             w.WriteString("\xC3\xA9");
         }));
    EXPECT_EQ(marked.mark, u'\u00E9');
    Load(marked, Form([](TWriter& w) {
             w.WritePropName("MarkW");
             w.WriteWideString(u"");
         }));
    EXPECT_EQ(marked.mark, u'\0');
    const auto bad = [](const std::function<void(TWriter&)>& value) {
        return Form([&](TWriter& w) {
            w.WritePropName("MarkW");
            value(w);
        });
    };
    for (const std::string& form :
         {bad([](TWriter& w) { w.WriteString("ab"); }), bad([](TWriter& w) { w.WriteWideString(u"ab"); }),
          bad([](TWriter& w) { w.WriteInteger(65); })})
        EXPECT_EQ(ErrorOf([&] { Load(marked, form); }), "EReadError: Invalid property value");
}

TEST(WidePropertiesTest, LegacyNamesLoadAndTheOwnValueWins) {
    TMarked marked;
    Load(marked, Form([](TWriter& w) {
             w.WritePropName("Caption");
             w.WriteWideString(u"own");
             w.WritePropName("CaptionW");
             w.WriteString("utf8");
             w.WritePropName("Caption_UTF7");
             w.WriteString("+AOk-");
             w.WritePropName("Mark_UTF7");
             w.WriteString("+Jjo-");
         }));
    EXPECT_EQ(marked.caption, u"own");
    EXPECT_EQ(marked.mark, u'\u263A');
    EXPECT_EQ(ErrorOf([&] { Load(marked, Form([](TWriter& w) { w.WritePropName("Other"); })); }),
              "EReadError: Property Other does not exist");
}

TEST(WideStringsStoredFormTest, StringsAreWrittenWhenTheyDifferFromTheAncestor) {
    TUcStringList list;
    EXPECT_EQ(Stored(list), std::string(1, '\0'));
    list.SetTextStr(u"a\n\u263A");
    TUcStringList same;
    same.Assign(list);
    EXPECT_EQ(Stored(list, &same), std::string(1, '\0'));
    TMarked notAList;
    EXPECT_EQ(Stored(list, &notAList), Stored(list));
    TUcStringList back;
    Load(back, Stored(list));
    EXPECT_TRUE(back.Equals(list));
}

TEST(WideStringsStoredFormTest, StringsAsOneTextAndTheLegacyLists) {
    TUcStringList list;
    Load(list, Form([](TWriter& w) {
             w.WritePropName("Strings");
             w.WriteWideString(u"x\r\ny");
         }));
    EXPECT_EQ(list.GetTextStr(), u"x\r\ny\r\n");

    const auto legacy = [](const std::string& name) {
        return Form([&](TWriter& w) {
            w.WritePropName(name);
            w.WriteListBegin();
            w.WriteString("\xC3\xA9");
            w.WriteString("b");
            w.WriteListEnd();
        });
    };
    Load(list, legacy("WideStringsW")); // the list has items: read and dropped
    EXPECT_EQ(list.GetTextStr(), u"x\r\ny\r\n");
    Load(list, legacy("WideStrings_UTF7"));
    EXPECT_EQ(list.GetTextStr(), u"x\r\ny\r\n");
    Load(list, legacy("WideStrings"));
    EXPECT_EQ(list.GetTextStr(), u"\u00E9\r\nb\r\n");
    TUcStringList empty;
    Load(empty, legacy("WideStringsW"));
    EXPECT_EQ(empty.GetTextStr(), u"\u00E9\r\nb\r\n");
}

TEST(StoredFormTest, EveryCutOfAStoredFormOnlyRaisesStreamErrors) {
    TMarked marked;
    marked.caption = u"caption";
    marked.mark = u'\u263A';
    marked.separator = u';';
    const std::string bytes = Stored(marked);
    for (size_t length = 0; length < bytes.size(); ++length) {
        TMarked target;
        EXPECT_THAT(ErrorOf([&] { Load(target, bytes.substr(0, length)); }),
                    testing::AnyOf(testing::StartsWith("EStreamError"), testing::StartsWith("EReadError")))
            << length;
    }
}

} // namespace
} // namespace widecontrols
