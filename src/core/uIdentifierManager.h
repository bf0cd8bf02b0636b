// Splits, quotes and qualifies schema object names under the session's default schema.
#pragma once

#include "core/uContainers.h"
#include "platform/rtl/Exception.h"

#include <string>
#include <string_view>

namespace core {

// Raised with "Default schema not assigned" when a name without schema meets no default schema.
RTL_DECLARE_EXCEPTION(EDefaultSchemaNotAssigned, rtl::Exception);

// A schema-qualified name as written: each part keeps its quotes.
struct TIdentifierParts {
    std::string schema;
    std::string name;
};

// Splits, quotes, unquotes and compares schema-qualified names such as db.proc, each part written
// with or without quotes. The program builds one with the backtick as both quotes and "." as delimiter.
class TIdentifierManager {
public:
    TIdentifierManager(std::string openQuote, std::string delimiter, std::string closeQuote);

    // One part takes the default schema (EDefaultSchemaNotAssigned when it is empty); three parts give
    // the schema "a.b"; more raise "Invalid schema object identifier". A quoted part runs to its
    // closing quote, so a delimiter or a space inside quotes does not split.
    TIdentifierParts SplitIdentifier(std::string_view text, std::string_view defaultSchema) const;

    const std::string& OpenQuote() const { return quotes_.Items(0).OpenQuote(); }
    const std::string& CloseQuote() const { return quotes_.Items(0).CloseQuote(); }
    // Whether the text starts with an opening quote, and the index of its pair (-1 when none).
    bool FindOpenQuote(std::string_view text, int& pairIndex) const;

    std::string QuoteIdentifier(std::string_view text) const;
    // Text that starts with an opening quote loses it, and its closing quote when it has one; doubled
    // quotes become single. Other text is returned unchanged.
    std::string UnquoteIdentifier(std::string_view text) const;
    std::string NormalizeIdentifier(std::string_view text) const;

    std::string QuotedSchema(std::string_view text, std::string_view defaultSchema) const;
    std::string QuotedQualifiedName(std::string_view text, std::string_view defaultSchema) const;
    std::string UnquotedQualifiedName(std::string_view text, std::string_view defaultSchema) const;
    bool SameIdentifier(std::string_view a, std::string_view b) const;
    bool SameQualifiedName(std::string_view a, std::string_view b, std::string_view defaultSchema) const;

private:
    // Length of the quoted part that starts at `pos` with the pair's opening quote, quotes included;
    // an unclosed part runs to the end of the text.
    size_t QuotedPartLength(std::string_view text, size_t pos, const TQuotePair& pair) const;

    TQuotePairs quotes_;
    std::string delimiter_;
};

} // namespace core
