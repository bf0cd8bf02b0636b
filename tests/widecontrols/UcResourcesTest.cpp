#include "widecontrols/AnsiCodePageScope.h"
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

TEST(LoadWideResStringTest, ReadsTheTablesOrTheTextAtTheAddress) {
    static const char kMarked[] = "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87";
    static const char kPlain[] = "caf\xE9";
    static const char kOnlyTheMark[] = "\xEF\xBB\xBF";
    const TResStringRec tableString{1}, marked{reinterpret_cast<uintptr_t>(kMarked)},
        plain{reinterpret_cast<uintptr_t>(kPlain)}, onlyTheMark{reinterpret_cast<uintptr_t>(kOnlyTheMark)};
    AnsiCodePageScope latin(1252);
    EXPECT_EQ(LoadWideResString(&tableString), u"Hello");
    EXPECT_EQ(LoadWideResString(&marked), u"\u4E2D\u6587");
    EXPECT_EQ(LoadWideResString(&plain), u"caf\u00E9") << "no mark: the default code page";
    EXPECT_EQ(LoadWideResString(&onlyTheMark), u"\u00EF\u00BB\u00BF") << "a mark alone is text";
    EXPECT_EQ(LoadWideResString(nullptr), u"");
    char16_t buffer[8];
    EXPECT_EQ(LoadStringWide(2, buffer, 8), 2);
    EXPECT_EQ(std::u16string(buffer), u"\u263Ax");
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
