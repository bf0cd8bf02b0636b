// The parser of a link label's caption markup into elements.
#pragma once

#include "imaging/uMarkupTree.h"

#include <memory>
#include <string>
#include <string_view>

namespace imaging {

RTL_DECLARE_EXCEPTION(EParserError, rtl::Exception);

// Asked for the markup of each dynamic part while a caption is parsed.
class IDynamicNodeHandler {
public:
    virtual ~IDynamicNodeHandler() = default;
    virtual void SupplyDynamicSource(std::u16string& source, TDynamicNode& node) = 0;
};

enum TElementKind { ekTag, ekEndTag, ekText };

struct TElement {
    TElementKind Kind = ekText;
    std::u16string Text;
};

// The tags, end tags and texts of a markup text in order. A tag without its ">" runs to the end of
// the text and loses the last character, which stands in for the ">".
class TElementEnumerator {
public:
    explicit TElementEnumerator(std::u16string text) : text_(std::move(text)) {}
    bool AtEnd() const { return position_ >= text_.size(); }
    // Both raise EParserError "TElementEnumerator.GetNextElement: No more elements to return".
    TElement PopElement();
    TElement PeekElement() const;

private:
    TElement Scan(std::size_t& next) const;

    std::u16string text_;
    std::size_t position_ = 0;
};

class IParser {
public:
    virtual ~IParser() = default;
    virtual std::unique_ptr<TNodeTree> Parse(std::u16string_view text) = 0;
    virtual void SetDynamicNodeHandler(IDynamicNodeHandler* handler) = 0;
};

// Tags B, I, U, LINK, BR, P and DYNAMIC, ignoring case; any other tag is kept as a TUnknownNode. An
// end tag closes the innermost open element whatever its name, and one at the root ends the parse.
class TDefaultParser : public IParser {
public:
    std::unique_ptr<TNodeTree> Parse(std::u16string_view text) override;
    void SetDynamicNodeHandler(IDynamicNodeHandler* handler) override { handler_ = handler; }

protected:
    virtual std::unique_ptr<TNode> CreateNodeFromTag(const std::u16string& tag);

private:
    void SupplyDynamicContent(TDynamicNode& node);

    IDynamicNodeHandler* handler_ = nullptr;
};

} // namespace imaging
