#include "docking/vzDockKeys.h"

#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

namespace docking {
namespace {

TEST(DockKeysTest, TextRoundTripsAndStoresTheFirstGroupsLittleEndian) {
    const TGuid key = StringToGuid(kDefaultSiteKey);
    EXPECT_EQ(GuidToString(key), kDefaultSiteKey);
    const TGuid expected = {0x84, 0x7F, 0x1B, 0x07, 0xEC, 0xCA, 0x44, 0x4D,
                            0x85, 0xBA, 0xBC, 0x29, 0x24, 0x8C, 0x1F, 0xF2};
    EXPECT_EQ(key, expected);
    EXPECT_EQ(GuidToString(StringToGuid("{3c0f92b1-7cd7-4482-bfcf-4cfbdada58e4}")),
              "{3C0F92B1-7CD7-4482-BFCF-4CFBDADA58E4}");
}

TEST(DockKeysTest, MalformedTextIsRefused) {
    for (const char* text :
         {"", "{}", "071B7F84-CAEC-4D44-85BA-BC29248C1FF2", "{071B7F84-CAEC-4D44-85BA-BC29248C1FF}",
          "{071B7F84+CAEC-4D44-85BA-BC29248C1FF2}", "{071B7F84-CAEC-4D44-85BA-BC29248C1FG2}"})
        EXPECT_THROW(StringToGuid(text), rtl::EConversionError) << text;
}

TEST(DockKeysTest, NewKeysDifferAndAreVersionFour) {
    const TGuid a = NewGuid();
    const TGuid b = NewGuid();
    EXPECT_NE(a, b);
    EXPECT_NE(a, kNullGuid);
    EXPECT_EQ(GuidToString(a)[15], '4');
}

} // namespace
} // namespace docking
