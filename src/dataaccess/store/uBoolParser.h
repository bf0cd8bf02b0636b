// Filter expressions of the record store: their lexer and the parsed expression tree.
#pragma once

#include "dataaccess/store/uCRParser.h"
#include "platform/rtl/Variant.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dataaccess {

class TData;
class TFieldDesc;

// The lexer of filter expressions and of sort orders (IndexFieldNames): the generic character classes, where
// a pair of single quotes inside a string does not end it, and the filter symbols and keywords.
class TBoolParser : public TParser {
public:
    // Symbol codes.
    static constexpr int bcEqual = 1, bcMore = 2, bcLess = 3, bcMoreEqual = 4, bcLessEqual = 5, bcNoEqual = 6;
    static constexpr int bcOpen = 7, bcClose = 8, bcMinus = 9, bcPlus = 10, bcOpenBracket = 11,
                         bcCloseBracket = 12;
    // Keyword codes.
    static constexpr int bcAnd = 13, bcFalse = 14, bcIs = 15, bcLike = 16, bcNot = 17, bcNull = 18, bcOr = 19,
                         bcTrue = 20;

    explicit TBoolParser(std::string text);

protected:
    void SkipToQuote(char quote) override;
};

enum TExpressionNodeType : uint8_t {
    ntEqual = 0, // also IS NULL
    ntMore = 1,
    ntLess = 2,
    ntMoreEqual = 3,
    ntLessEqual = 4,
    ntNoEqual = 5, // also IS NOT NULL
    ntAnd = 6,
    ntOr = 7,
    ntNot = 8,
    ntField = 9,
    ntValue = 10,
    ntTrue = 11,
    ntFalse = 12,
    ntLike = 13,
    ntNotLike = 14
};

struct TExpressionNode {
    TExpressionNodeType NodeType = ntValue;
    TExpressionNode* LeftOperand = nullptr;
    TExpressionNode* RightOperand = nullptr;
    TFieldDesc* FieldDesc = nullptr; // field nodes
    rtl::Variant Value;              // the constant, or the field name of a field node
};

// A parsed filter: a tree of nodes that it owns.
class TFilterExpression {
public:
    // nullptr for a blank text. Raises "Illegal filter expression", "Field %s not found" or the
    // lexer's error.
    static std::unique_ptr<TFilterExpression> Parse(std::string_view text, const TData& data);

    // Whether the record passes, with the store's case-insensitive and no-partial-compare options.
    bool Evaluate(const TData& data, void* record) const;
    const TExpressionNode& Root() const { return *root_; }

    TExpressionNode* NewNode(TExpressionNodeType type);
    void SetRoot(TExpressionNode* root) { root_ = root; }

private:
    std::vector<std::unique_ptr<TExpressionNode>> nodes_;
    TExpressionNode* root_ = nullptr;
};

} // namespace dataaccess
