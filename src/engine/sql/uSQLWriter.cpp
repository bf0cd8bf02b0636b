#include "engine/sql/uSQLWriter.h"

#include <array>

#include "core/uDataValues.h"
#include "platform/rtl/Exception.h"

namespace engine {

namespace {

// The written form of a binary operator; only these have one.
std::string_view OperatorText(std::uint8_t op) {
    switch (op) {
    case boGreater:
        return ">";
    case boLess:
        return "<";
    case boGreaterOrEqual:
        return ">=";
    case boEqual:
        return "=";
    case boAdd:
        return "+";
    case boSubtract:
        return "-";
    case boAnd:
        return "AND";
    case boMultiply:
        return "*";
    default:
        throw rtl::Exception("Unsupported operation");
    }
}

constexpr std::array<std::string_view, 4> kJoinTypes = {"INNER", "LEFT", "RIGHT", "FULL"};
constexpr std::array<std::string_view, 4> kSetOperators = {"UNION", "UNION ALL", "EXCEPT", "INTERSECT"};

} // namespace

void TCodeWriter::Separate() {
    if (text_.empty() || EndsWith(" ") || EndsWith("\r\n")) return;
    text_ += ' ';
}

// The SELECT list of a query.
class TColumnSourceWriter : public TColumnSourceVisitor {
public:
    explicit TColumnSourceWriter(TSQLWriter& writer) : writer_(writer) {}

    const char* ClassName() const override { return "TColumnSourceWriter"; }

    void VisitExpressionColumn(const TExpressionColumn& source) override {
        writer_.WriteNested(source.Expression());
        WriteAlias(source.Alias());
    }
    void VisitTableColumns(const TTableColumns& source) override {
        writer_.WriteWord(source.Qualifier() + ".*");
    }
    void VisitAllColumns(const TAllColumns&) override { writer_.WriteWord("*"); }
    void VisitColumnReference(const TColumnReference& source) override {
        writer_.WriteWord(source.Identifier());
        WriteAlias(source.Alias());
    }
    void VisitCountAll(const TCountAll&) override {
        writer_.WriteWord("COUNT");
        writer_.WritePunctuation("(*)");
    }
    void VisitAggregate(const TAggregate& source) override {
        writer_.WriteWord(source.Name());
        writer_.WritePunctuation("(");
        writer_.WriteNested(source.Expression());
        writer_.WritePunctuation(")");
    }

private:
    void WriteAlias(const std::string& alias) {
        if (alias.empty()) return;
        writer_.WriteWord("AS");
        writer_.WriteWord(alias);
    }

    TSQLWriter& writer_;
};

// The ORDER BY list of a query.
class TOrderItemWriter : public TOrderItemVisitor {
public:
    explicit TOrderItemWriter(TSQLWriter& writer) : writer_(writer) {}

    const char* ClassName() const override { return "TOrderItemWriter"; }

    void VisitColumnItem(const TColumnOrderItem& item) override {
        writer_.WriteWord(item.Column().Identifier());
    }

private:
    TSQLWriter& writer_;
};

TSQLWriter::TSQLWriter()
    : columnSourceWriter_(std::make_unique<TColumnSourceWriter>(*this)),
      orderItemWriter_(std::make_unique<TOrderItemWriter>(*this)) {}

TSQLWriter::~TSQLWriter() = default;

std::string TSQLWriter::Write(const std::shared_ptr<IExpression>& expression) {
    RTL_ASSERT(expression);
    code_.Clear();
    WriteNested(expression);
    return code_.Text();
}

void TSQLWriter::WriteWord(std::string_view word) {
    if (!code_.EndsWith("(")) code_.Separate();
    code_.Append(word);
}

void TSQLWriter::WriteOperator(std::string_view text) {
    code_.Separate();
    code_.Append(text);
}

void TSQLWriter::VisitBrackets(const std::shared_ptr<IBrackets>& brackets) {
    WriteWord("(");
    WriteNested(brackets->GetExpression());
    WritePunctuation(")");
}

void TSQLWriter::VisitReadable(const std::shared_ptr<IReadable>& readable) {
    WriteWord(readable->GetValue()->AsSQL());
}

void TSQLWriter::VisitOperation(const std::shared_ptr<IOperation>& operation) {
    const std::string_view text = OperatorText(operation->GetOperator());
    WriteNested(operation->GetLeft());
    WriteOperator(text);
    WriteNested(operation->GetRight());
}

void TSQLWriter::VisitCaseExpression(const std::shared_ptr<ICaseExpression>& expression) {
    WriteWord("CASE");
    if (const auto selector = expression->GetSelector()) WriteNested(selector);
    for (int i = 0; i < expression->Count(); ++i) {
        WriteWord("WHEN");
        WriteNested(expression->GetWhen(i));
        WriteWord("THEN");
        WriteNested(expression->GetThen(i));
    }
    if (const auto otherwise = expression->GetElse()) {
        WriteWord("ELSE");
        WriteNested(otherwise);
    }
    WriteWord("END");
}

void TSQLWriter::VisitTypeCast(const std::shared_ptr<ITypeCast>& cast) {
    WriteWord("CAST");
    WritePunctuation("(");
    WriteNested(cast->GetExpression());
    WriteWord("AS");
    WriteWord(cast->GetCharacteristics().TypeName);
    WritePunctuation(")");
}

void TSQLWriter::VisitAssignationExpression(const std::shared_ptr<IAssignationExpression>& assignation) {
    WriteWord(assignation->GetTarget()->GetName());
    WriteOperator(":=");
    WriteNested(assignation->GetExpression());
}

void TSQLWriter::VisitFunctionCall(const std::shared_ptr<IFunctionCall>& call) {
    WriteWord(call->GetName());
    WritePunctuation("(");
    const auto arguments = call->GetArguments();
    for (int i = 0; i < arguments->Count(); ++i) {
        if (i > 0) WritePunctuation(",");
        WriteNested(arguments->GetItem(i));
    }
    WritePunctuation(")");
}

void TSQLWriter::WriteQuery(const IQueryExpression& query) {
    const TQueryParts& parts = query.Parts();
    WriteWord("SELECT");
    if (parts.Distinct) WriteWord("DISTINCT");
    for (size_t i = 0; i < parts.Columns.size(); ++i) {
        if (i > 0) WritePunctuation(",");
        parts.Columns[i]->Accept(*columnSourceWriter_);
    }
    if (!parts.Tables.empty()) {
        WriteWord("FROM");
        for (size_t i = 0; i < parts.Tables.size(); ++i) {
            if (i > 0) WritePunctuation(",");
            WriteTableSource(parts.Tables[i]);
        }
    }
    if (parts.Where) {
        WriteWord("WHERE");
        WriteNested(parts.Where);
    }
    if (!parts.GroupBy.empty()) {
        WriteWord("GROUP BY");
        for (size_t i = 0; i < parts.GroupBy.size(); ++i) {
            if (i > 0) WritePunctuation(",");
            WriteNested(parts.GroupBy[i]);
        }
    }
    if (parts.Having) {
        WriteWord("HAVING");
        WriteNested(parts.Having);
    }
    if (parts.NextQuery) {
        WriteWord(kSetOperators.at(parts.SetOperator));
        WriteQuery(*parts.NextQuery);
    }
}

void TSQLWriter::WriteOrderedQuery(const IOrderedQueryExpression& query) {
    WriteQuery(query);
    const auto& items = query.OrderItems();
    if (items.empty()) return;
    WriteWord("ORDER BY");
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) WritePunctuation(",");
        items[i]->Accept(*orderItemWriter_);
    }
}

void TSQLWriter::WriteTableSource(const TTableSource& source) {
    WriteWord(source.Table);
    if (!source.Alias.empty()) WriteWord(source.Alias);
    for (const TJoin& join : source.Joins) {
        RTL_ASSERT(join.Source);
        WriteWord(kJoinTypes.at(join.Type));
        WriteWord("JOIN");
        WriteTableSource(*join.Source);
        if (join.Condition) {
            WriteWord("ON");
            WriteNested(join.Condition);
        }
    }
}

} // namespace engine
