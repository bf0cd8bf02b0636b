#include "dataaccess/store/uXMLWriter.h"

namespace dataaccess {

std::u16string XmlEscape(const std::u16string& text) {
    std::u16string result;
    result.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
        case u'&':
            result += u"&#x26;";
            break;
        case u'\'':
            result += u"&#x27;";
            break;
        case u'"':
            result += u"&#x22;";
            break;
        case u'<':
            result += u"&#x3c;";
            break;
        case u'>':
            result += u"&#x3e;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

void TXmlTextWriter::WriteStartElement(const std::u16string& name) {
    output_ += u"<" + name;
    positions_.push_back(output_.size());
    output_ += u">";
    openElements_.push_back(name);
    state_ = wsAttribute;
}

void TXmlTextWriter::WriteAttributeString(const std::u16string& name, const std::u16string& value) {
    if (state_ != wsStart && state_ != wsAttribute)
        throw XmlException(
            "Token WriteAttributeString in state Content would result in an invalid XML document.");
    const size_t position = positions_.empty() ? output_.size() : positions_.back();
    if (!positions_.empty()) positions_.pop_back();
    const std::u16string attribute = u" " + name + u"=" + quoteChar_ + XmlEscape(value) + quoteChar_;
    output_.insert(position, attribute);
    positions_.push_back(position + attribute.size());
    state_ = wsStart;
}

void TXmlTextWriter::WriteString(const std::u16string& text) {
    output_ += XmlEscape(text);
    state_ = wsContent;
}

void TXmlTextWriter::WriteEndElement() {
    if (openElements_.empty()) return;
    output_ += u"</" + openElements_.back() + u">";
    openElements_.pop_back();
    if (!positions_.empty()) positions_.pop_back();
    state_ = wsContent;
}

} // namespace dataaccess
