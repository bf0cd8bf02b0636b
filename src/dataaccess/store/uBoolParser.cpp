#include "dataaccess/store/uBoolParser.h"

#include "dataaccess/store/uDAConsts.h"
#include "dataaccess/store/uData.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uSortColumn.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <charconv>

namespace dataaccess {

namespace {

const TLexemeTable& BoolSymbols() {
    static const TLexemeTable table({{"=", 1},
                                     {">", 2},
                                     {"<", 3},
                                     {">=", 4},
                                     {"<=", 5},
                                     {"<>", 6},
                                     {"(", 7},
                                     {")", 8},
                                     {"-", 9},
                                     {"+", 10},
                                     {"[", 11},
                                     {"]", 12}});
    return table;
}

const TLexemeTable& BoolKeywords() {
    static const TLexemeTable table({{"AND", 13},
                                     {"FALSE", 14},
                                     {"IS", 15},
                                     {"LIKE", 16},
                                     {"NOT", 17},
                                     {"NULL", 18},
                                     {"OR", 19},
                                     {"TRUE", 20}});
    return table;
}

using B = TBoolParser;

// Recursive descent over the filter grammar with one lexeme of look-ahead.
class FilterReader {
public:
    FilterReader(std::string_view text, TFilterExpression& expression, const TData& data)
        : lexer_(std::string(text)), expression_(expression), data_(data) {
        Next();
    }

    TExpressionNode* Expression() {
        TExpressionNode* node = Term();
        while (code_ == B::bcOr) {
            Next();
            node = Binary(ntOr, node, Term());
        }
        return node;
    }

    bool AtEnd() const { return code_ == lxEnd; }
    [[noreturn]] static void Illegal() { data::DatabaseError(SIllegalFilter); }

private:
    void Next() { code_ = lexer_.NextLexem(lexem_); }

    void Expect(int code) {
        if (code_ != code) Illegal();
        Next();
    }

    TExpressionNode* Binary(TExpressionNodeType type, TExpressionNode* left, TExpressionNode* right) {
        TExpressionNode* node = expression_.NewNode(type);
        node->LeftOperand = left;
        node->RightOperand = right;
        return node;
    }

    TExpressionNode* Constant(rtl::Variant value) {
        TExpressionNode* node = expression_.NewNode(ntValue);
        node->Value = std::move(value);
        return node;
    }

    TExpressionNode* Term() {
        TExpressionNode* node = Factor();
        while (code_ == B::bcAnd) {
            Next();
            node = Binary(ntAnd, node, Factor());
        }
        return node;
    }

    TExpressionNode* Factor() {
        switch (code_) {
        case B::bcOpen: {
            Next();
            TExpressionNode* node = Expression();
            Expect(B::bcClose);
            return node;
        }
        case B::bcNot:
            Next();
            return Binary(ntNot, Factor(), nullptr);
        case B::bcTrue:
            Next();
            return expression_.NewNode(ntTrue);
        case B::bcFalse:
            Next();
            return expression_.NewNode(ntFalse);
        case B::bcMinus:
        case B::bcPlus:
        case B::bcOpenBracket:
        case lxString:
        case lxNumber:
        case lxIdent:
            return Comparison();
        default:
            Illegal();
        }
    }

    TExpressionNode* Comparison() {
        TExpressionNode* left = Operand();
        TExpressionNodeType type;
        switch (code_) {
        case B::bcEqual:
        case B::bcMore:
        case B::bcLess:
        case B::bcMoreEqual:
        case B::bcLessEqual:
        case B::bcNoEqual:
            type = static_cast<TExpressionNodeType>(code_ - B::bcEqual);
            Next();
            break;
        case B::bcLike:
            type = ntLike;
            Next();
            break;
        case B::bcNot:
            Next();
            Expect(B::bcLike);
            type = ntNotLike;
            break;
        case B::bcIs: {
            Next();
            type = ntEqual;
            if (code_ == B::bcNot) {
                type = ntNoEqual;
                Next();
            }
            Expect(B::bcNull);
            return Binary(type, left, Constant(rtl::Variant::Null()));
        }
        default:
            Illegal();
        }
        return Binary(type, left, Operand());
    }

    TExpressionNode* Operand() {
        switch (code_) {
        case B::bcMinus:
        case B::bcPlus: {
            const std::string sign = lexem_;
            Next();
            if (code_ != lxNumber) Illegal();
            const std::string text = (sign == "-" ? "-" : "") + lexem_;
            Next();
            double value = 0;
            std::from_chars(text.data(), text.data() + text.size(), value);
            return Constant(value);
        }
        case B::bcOpenBracket:
            return Field(BracketedName());
        case lxString: {
            std::string text = lexem_;
            for (size_t at = text.find("''"); at != std::string::npos; at = text.find("''", at + 1))
                text.erase(at, 1);
            Next();
            return Constant(std::move(text));
        }
        case lxNumber: {
            const std::string text = lexem_;
            Next();
            int64_t integer = 0;
            const auto parsed = std::from_chars(text.data(), text.data() + text.size(), integer);
            if (parsed.ec == std::errc() && parsed.ptr == text.data() + text.size()) return Constant(integer);
            double value = 0;
            std::from_chars(text.data(), text.data() + text.size(), value);
            return Constant(value);
        }
        case lxIdent: {
            std::string name = lexem_;
            Next();
            while (code_ == lxSymbol && lexem_ == ".") {
                Next();
                if (code_ != lxIdent) Illegal();
                name += "." + lexem_;
                Next();
            }
            return Field(name);
        }
        case B::bcTrue:
            Next();
            return Constant(true);
        case B::bcFalse:
            Next();
            return Constant(false);
        case B::bcNull:
            Next();
            return Constant(rtl::Variant::Null());
        default:
            Illegal();
        }
    }

    // The lexemes up to "]", blanks included.
    std::string BracketedName() {
        lexer_.SetSkipBlanks(false);
        std::string name, part;
        for (int code = lexer_.NextLexem(part); code != B::bcCloseBracket; code = lexer_.NextLexem(part)) {
            if (code == lxEnd) Illegal();
            name += part;
        }
        lexer_.SetSkipBlanks(true);
        Next();
        return name;
    }

    TExpressionNode* Field(const std::string& name) {
        TFieldDesc* field = data_.FindFieldDesc(name);
        if (!field) data::DatabaseError(rtl::Format(SFieldNotFound, name));
        TExpressionNode* node = expression_.NewNode(ntField);
        node->FieldDesc = field;
        node->Value = name;
        return node;
    }

    TBoolParser lexer_;
    TFilterExpression& expression_;
    const TData& data_;
    int code_ = lxEnd;
    std::string lexem_;
};

bool IsDateField(const TExpressionNode* node) {
    if (node->NodeType != ntField) return false;
    return IsDateTimeType(node->FieldDesc->TypeCode);
}

// "*" and "%" match any run of characters, "_" one character; the whole text must match.
bool MatchPattern(std::u32string_view text, std::u32string_view pattern) {
    size_t t = 0, p = 0;
    size_t starP = std::u32string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == U'*' || pattern[p] == U'%')) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == U'_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP != std::u32string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && (pattern[p] == U'*' || pattern[p] == U'%'))
        ++p;
    return p == pattern.size();
}

class Evaluator {
public:
    Evaluator(const TData& data, void* record) : data_(data), record_(record) {}

    bool Evaluate(const TExpressionNode* node) const {
        switch (node->NodeType) {
        case ntAnd:
            return Evaluate(node->LeftOperand) && Evaluate(node->RightOperand);
        case ntOr:
            return Evaluate(node->LeftOperand) || Evaluate(node->RightOperand);
        case ntNot:
            return !Evaluate(node->LeftOperand);
        case ntTrue:
            return true;
        case ntFalse:
            return false;
        case ntEqual:
        case ntLike:
        case ntNoEqual:
        case ntNotLike:
        case ntMore:
        case ntLess:
        case ntMoreEqual:
        case ntLessEqual:
            return Compare(node);
        default:
            rtl::AssertionFailed("Unknown filter node", __FILE__, __LINE__);
        }
    }

private:
    rtl::Variant Value(const TExpressionNode* node) const {
        if (node->NodeType == ntField) return data_.ReadFieldAsVariant(node->FieldDesc->FieldNumber, record_);
        return node->Value;
    }

    static rtl::Variant AsDate(const rtl::Variant& value) {
        return IsTextVariant(value) ? rtl::Variant::FromDateTime(value.AsDateTime()) : value;
    }

    static rtl::Variant Upper(const rtl::Variant& value) {
        if (value.Type() == rtl::varString) return AnsiUpper(value.AsString());
        if (value.Type() == rtl::varWideString) return WideUpper(value.AsWideString());
        return value;
    }

    bool Equal(const rtl::Variant& left, const rtl::Variant& right) const {
        if (!data_.FilterNoPartialCompare() && IsTextVariant(left))
            return MatchPattern(rtl::Utf16ToUtf32(left.AsWideString()),
                                rtl::Utf16ToUtf32(right.IsNull() ? std::u16string() : right.AsWideString()));
        return VarEqual(left, right);
    }

    bool Compare(const TExpressionNode* node) const {
        rtl::Variant left = Value(node->LeftOperand);
        rtl::Variant right = Value(node->RightOperand);
        if (IsDateField(node->LeftOperand)) right = AsDate(right);
        if (IsDateField(node->RightOperand)) left = AsDate(left);
        if (data_.FilterCaseInsensitive()) {
            left = Upper(left);
            right = Upper(right);
        }
        switch (node->NodeType) {
        case ntEqual:
        case ntLike:
            return Equal(left, right);
        case ntNoEqual:
        case ntNotLike:
            return !Equal(left, right);
        default:
            break;
        }
        if (left.IsNull() || right.IsNull()) return false;
        const int order = CompareVariants(left, right);
        switch (node->NodeType) {
        case ntMore:
            return order > 0;
        case ntLess:
            return order < 0;
        case ntMoreEqual:
            return order >= 0;
        default:
            return order <= 0;
        }
    }

    const TData& data_;
    void* record_;
};

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

} // namespace

// ---- TBoolParser

TBoolParser::TBoolParser(std::string text) : TParser(std::move(text)) {
    SetTables(BoolSymbols(), BoolKeywords());
}

void TBoolParser::SkipToQuote(char quote) {
    while (!AtEnd(Position()) && CharAt(Position()) != quote) {
        StepTracked();
        if (CharAt(Position()) == '\'' && CharAt(Position() + 1) == '\'') SetPosition(Position() + 2);
    }
}

// ---- TFilterExpression

std::unique_ptr<TFilterExpression> TFilterExpression::Parse(std::string_view text, const TData& data) {
    if (IsBlank(text)) return nullptr;
    auto expression = std::make_unique<TFilterExpression>();
    FilterReader reader(text, *expression, data);
    expression->SetRoot(reader.Expression());
    if (!reader.AtEnd()) FilterReader::Illegal();
    return expression;
}

TExpressionNode* TFilterExpression::NewNode(TExpressionNodeType type) {
    nodes_.push_back(std::make_unique<TExpressionNode>());
    nodes_.back()->NodeType = type;
    return nodes_.back().get();
}

bool TFilterExpression::Evaluate(const TData& data, void* record) const {
    return Evaluator(data, record).Evaluate(root_);
}

} // namespace dataaccess
