// Writes XML text with escaping, elements and attributes.
#pragma once

#include "platform/rtl/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dataaccess {

RTL_DECLARE_EXCEPTION(XmlException, rtl::Exception);

// "&", "'", the double quote, "<" and ">" as character references, in this order.
std::u16string XmlEscape(const std::u16string& text);

// Where a writer stands; attributes may be added in wsStart and wsAttribute only.
enum TXmlWriteState : uint8_t {
    wsStart = 0,
    wsProlog = 1,
    wsElement = 2,
    wsAttribute = 3,
    wsContent = 4,
    wsClosed = 5,
};

// The XML text of the data-set export. A start tag stays open for attributes until content
// follows: attributes go in behind the tag's last one.
class TXmlTextWriter {
public:
    explicit TXmlTextWriter(char16_t quoteChar = u'"') : quoteChar_(quoteChar) {}

    void WriteStartElement(const std::u16string& name);
    // Raises XmlException "Token WriteAttributeString in state Content would result in an invalid
    // XML document." outside wsStart and wsAttribute.
    void WriteAttributeString(const std::u16string& name, const std::u16string& value);
    void WriteString(const std::u16string& text);
    void WriteEndElement();

    const std::u16string& Text() const { return output_; }
    TXmlWriteState State() const { return state_; }

private:
    std::u16string output_;
    char16_t quoteChar_;
    TXmlWriteState state_ = wsStart;
    // Behind the last attribute of each open start tag, innermost on top.
    std::vector<size_t> positions_;
    std::vector<std::u16string> openElements_;
};

} // namespace dataaccess
