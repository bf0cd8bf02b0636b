#include "dataaccess/store/uXMLWriter.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

namespace dataaccess {
namespace {

TEST(XMLWriterTest, XmlEscape) {
    EXPECT_EQ(XmlEscape(u"a&b<'\">"), u"a&#x26;b&#x3c;&#x27;&#x22;&#x3e;");
    // An escape already in the text is escaped again.
    EXPECT_EQ(XmlEscape(u"&#x26;"), u"&#x26;#x26;");
    EXPECT_EQ(XmlEscape(u"plain \u00E9"), u"plain \u00E9");
}

TEST(XMLWriterTest, AttributesGoBehindTheOpenStartTag) {
    TXmlTextWriter writer;
    writer.WriteStartElement(u"row");
    writer.WriteAttributeString(u"a", u"1");
    writer.WriteAttributeString(u"b", u"x<y");
    writer.WriteStartElement(u"cell");
    writer.WriteAttributeString(u"c", u"'");
    writer.WriteString(u"v");
    writer.WriteEndElement();
    writer.WriteEndElement();
    EXPECT_EQ(writer.Text(), u"<row a=\"1\" b=\"x&#x3c;y\"><cell c=\"&#x27;\">v</cell></row>");

    TXmlTextWriter single(u'\'');
    single.WriteStartElement(u"r");
    single.WriteAttributeString(u"n", u"v");
    EXPECT_EQ(single.Text(), u"<r n='v'>");
}

TEST(XMLWriterTest, NoAttributeAfterContent) {
    TXmlTextWriter writer;
    writer.WriteStartElement(u"row");
    writer.WriteString(u"text");
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { writer.WriteAttributeString(u"a", u"1"); }),
              "Token WriteAttributeString in state Content would result in an invalid XML document.");
    EXPECT_THROW(writer.WriteAttributeString(u"a", u"1"), XmlException);
    EXPECT_EQ(writer.Text(), u"<row>text");
}

} // namespace
} // namespace dataaccess
