#include "widecontrols/uUcClasses.h"
#include "widecontrols/uUcUtils.h"

#include "platform/ui/Resources.h"
#include "support/ErrorText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace widecontrols {
namespace {

using testsupport::ErrorOf;

// String table block 1 (strings 0-15): "", "Hello", U+263A "x", then a length that runs past the end.
constexpr char kStrings[] = "\x00\x00"
                            "\x05\x00H\x00"
                            "e\x00l\x00l\x00o\x00"
                            "\x02\x00\x3A\x26x\x00"
                            "\x09\x00";
// A list file with its byte-order mark.
constexpr char kList[] = "\xFF\xFE"
                         "a\x00\r\x00\n\x00\x3A\x26";

const ui::TResourceRegistration kResources{
    {ui::RT_STRING, 1, std::string_view(kStrings, sizeof kStrings - 1)},
    {"TESTLIST", "ITEMS", std::string_view(kList, sizeof kList - 1)},
};

TEST(LoadStringFromTableTest, CopiesWhatTheBufferHoldsOrTellsTheLength) {
    char16_t buffer[8] = {u'?', u'?', u'?'};
    EXPECT_EQ(LoadStringFromTable(1, buffer, 1), 0);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(LoadStringFromTable(1, nullptr, 0), 5);
    EXPECT_EQ(LoadStringFromTable(1, buffer, 0), 5);
    EXPECT_EQ(LoadStringFromTable(1, buffer, 3), 2);
    EXPECT_EQ(std::u16string(buffer), u"He");
    EXPECT_EQ(LoadStringFromTable(2, buffer, 8), 2);
    EXPECT_EQ(std::u16string(buffer), u"\u263Ax");
    EXPECT_EQ(LoadStringFromTable(0, buffer, 8), 0);
    EXPECT_EQ(LoadStringFromTable(0xFFFFFFFF, nullptr, 0), 5); // -1 negated
}

TEST(LoadStringFromTableTest, AMissingOrDamagedBlockHasNoString) {
    char16_t buffer[8];
    EXPECT_EQ(LoadStringFromTable(3, buffer, 8), 0);   // its length runs past the block
    EXPECT_EQ(LoadStringFromTable(4, buffer, 8), 0);   // past the block
    EXPECT_EQ(LoadStringFromTable(16, nullptr, 0), 0); // block 2 is not there
}

TEST(UcResourceStreamTest, ReadsAResourceAndRefusesWrites) {
    TUcResourceStream stream(u"items", u"TestList");
    TUcStringList list;
    list.LoadFromStream(stream);
    EXPECT_EQ(list.GetTextStr(), u"a\r\n\u263A\r\n");
    EXPECT_EQ(ErrorOf([&] { stream.WriteString("x"); }),
              "EStreamError: Can't write to a read-only resource stream");
    EXPECT_EQ(ErrorOf([] { TUcResourceStream(u"\u263A", u"TestList"); }),
              "EResNotFound: Resource \u263A not found");
}

} // namespace
} // namespace widecontrols
