// Writes expression trees back as SQL text.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "engine/model/uExpressions.h"
#include "engine/sql/uSQLExpression.h"

namespace engine {

// A text buffer that keeps written SQL readable without double blanks.
class TCodeWriter {
public:
    void Append(std::string_view text) { text_ += text; }
    // One blank, unless the text is empty or already ends with a blank or a line break.
    void Separate();
    // Case-sensitive.
    bool EndsWith(std::string_view text) const { return text_.ends_with(text); }
    void Clear() { text_.clear(); }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

class TColumnSourceWriter;
class TOrderItemWriter;

// Writes an expression tree back as SQL: literals and variables as the SQL literals of their current
// values, brackets, binary operators with a written form, CASE, CAST, ":=" and function calls. Other
// nodes raise "Unknown expression". The same writer writes query expressions as SELECT statements.
class TSQLWriter : public TExpressionVisitor {
public:
    TSQLWriter();
    ~TSQLWriter() override;
    TSQLWriter(const TSQLWriter&) = delete;
    TSQLWriter& operator=(const TSQLWriter&) = delete;

    // The expression written by a new writer of the given class.
    template <class Writer = TSQLWriter>
    static std::string WriteExpression(const std::shared_ptr<IExpression>& expression) {
        static_assert(std::is_base_of_v<TSQLWriter, Writer>);
        Writer writer;
        return writer.Write(expression);
    }

    // Starts from an empty text.
    std::string Write(const std::shared_ptr<IExpression>& expression);
    // Append to the text.
    void WriteQuery(const IQueryExpression& query);
    void WriteOrderedQuery(const IOrderedQueryExpression& query);
    const std::string& Text() const { return code_.Text(); }

    void VisitBrackets(const std::shared_ptr<IBrackets>& brackets) override;
    void VisitReadable(const std::shared_ptr<IReadable>& readable) override;
    void VisitOperation(const std::shared_ptr<IOperation>& operation) override;
    void VisitCaseExpression(const std::shared_ptr<ICaseExpression>& expression) override;
    void VisitTypeCast(const std::shared_ptr<ITypeCast>& cast) override;
    void VisitAssignationExpression(const std::shared_ptr<IAssignationExpression>& assignation) override;
    void VisitFunctionCall(const std::shared_ptr<IFunctionCall>& call) override;

protected:
    // A keyword, name, literal or opening bracket: a blank before it, except right after "(".
    void WriteWord(std::string_view word);
    // A blank before it and nothing else.
    void WriteOperator(std::string_view text);
    // "(", ")", "," and the like, as they stand.
    void WritePunctuation(std::string_view text) { code_.Append(text); }

private:
    friend class TColumnSourceWriter;
    friend class TOrderItemWriter;

    void WriteNested(const std::shared_ptr<IExpression>& expression) { expression->Accept(*this); }
    void WriteTableSource(const TTableSource& source);

    TCodeWriter code_;
    std::unique_ptr<TColumnSourceWriter> columnSourceWriter_;
    std::unique_ptr<TOrderItemWriter> orderItemWriter_;
};

} // namespace engine
