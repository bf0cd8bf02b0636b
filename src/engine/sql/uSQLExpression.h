// A SELECT statement as objects, for writing it back as SQL text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/uExpressions.h"

namespace engine {

// A SELECT statement as objects, for writing it back as SQL text.

class TColumnSourceVisitor;
class TOrderItemVisitor;

// One entry of the SELECT list.
class IColumnSource {
public:
    virtual ~IColumnSource() = default;
    virtual void Accept(TColumnSourceVisitor& visitor) const = 0;
};

// An expression with an optional alias.
class TExpressionColumn : public IColumnSource {
public:
    TExpressionColumn(std::shared_ptr<IExpression> expression, std::string alias);

    void Accept(TColumnSourceVisitor& visitor) const override;
    const std::shared_ptr<IExpression>& Expression() const { return expression_; }
    const std::string& Alias() const { return alias_; }

private:
    std::shared_ptr<IExpression> expression_;
    std::string alias_;
};

// table.*: all columns of one table, named by its alias when it has one.
class TTableColumns : public IColumnSource {
public:
    TTableColumns(std::string table, std::string alias);

    void Accept(TColumnSourceVisitor& visitor) const override;
    const std::string& Qualifier() const { return alias_.empty() ? table_ : alias_; }

private:
    std::string table_;
    std::string alias_;
};

// *
class TAllColumns : public IColumnSource {
public:
    void Accept(TColumnSourceVisitor& visitor) const override;
};

// A column, qualified or not, with an optional alias.
class TColumnReference : public IColumnSource {
public:
    TColumnReference(std::string qualifier, std::string column, std::string alias = {});

    void Accept(TColumnSourceVisitor& visitor) const override;
    // qualifier.column, or the column alone.
    std::string Identifier() const;
    const std::string& Alias() const { return alias_; }

private:
    std::string qualifier_;
    std::string column_;
    std::string alias_;
};

// COUNT(*)
class TCountAll : public IColumnSource {
public:
    void Accept(TColumnSourceVisitor& visitor) const override;
};

// An aggregate function of one expression, such as SUM(x).
class TAggregate : public IColumnSource {
public:
    TAggregate(std::string name, std::shared_ptr<IExpression> expression);

    void Accept(TColumnSourceVisitor& visitor) const override;
    const std::string& Name() const { return name_; }
    const std::shared_ptr<IExpression>& Expression() const { return expression_; }

private:
    std::string name_;
    std::shared_ptr<IExpression> expression_;
};

// Every operation falls back to VisitUnsupported, which raises "Unsupported operation in %s" with
// the visitor's class name.
class TColumnSourceVisitor {
public:
    virtual ~TColumnSourceVisitor() = default;

    virtual const char* ClassName() const { return "TColumnSourceVisitor"; }
    virtual void VisitUnsupported(const IColumnSource& source);
    virtual void VisitExpressionColumn(const TExpressionColumn& source);
    virtual void VisitTableColumns(const TTableColumns& source);
    virtual void VisitAllColumns(const TAllColumns& source);
    virtual void VisitColumnReference(const TColumnReference& source);
    virtual void VisitCountAll(const TCountAll& source);
    virtual void VisitAggregate(const TAggregate& source);
};

class IOrderItem {
public:
    virtual ~IOrderItem() = default;
    virtual void Accept(TOrderItemVisitor& visitor) const = 0;
};

// ORDER BY a column.
class TColumnOrderItem : public IOrderItem {
public:
    explicit TColumnOrderItem(TColumnReference column) : column_(std::move(column)) {}

    void Accept(TOrderItemVisitor& visitor) const override;
    const TColumnReference& Column() const { return column_; }

private:
    TColumnReference column_;
};

class TOrderItemVisitor {
public:
    virtual ~TOrderItemVisitor() = default;

    virtual const char* ClassName() const { return "TOrderItemVisitor"; }
    virtual void VisitUnsupported(const IOrderItem& item);
    virtual void VisitColumnItem(const TColumnOrderItem& item);
};

enum TJoinType : std::uint8_t { jtInner, jtLeft, jtRight, jtFull };
enum TSetOperator : std::uint8_t { soUnion, soUnionAll, soExcept, soIntersect };

struct TTableSource;

struct TJoin {
    TJoinType Type = jtInner;
    std::shared_ptr<TTableSource> Source;
    std::shared_ptr<IExpression> Condition; // null without ON
};

struct TTableSource {
    std::string Table;
    std::string Alias;
    std::vector<TJoin> Joins;
};

class IQueryExpression;

// What a query is made of; empty parts are left out when it is written.
struct TQueryParts {
    bool Distinct = false;
    std::vector<std::shared_ptr<IColumnSource>> Columns;
    std::vector<TTableSource> Tables;
    std::shared_ptr<IExpression> Where;
    std::vector<std::shared_ptr<IExpression>> GroupBy;
    std::shared_ptr<IExpression> Having;
    TSetOperator SetOperator = soUnion;          // read only with a next query
    std::shared_ptr<IQueryExpression> NextQuery; // the query after the set operator
};

class IQueryExpression {
public:
    virtual ~IQueryExpression() = default;
    virtual const TQueryParts& Parts() const = 0;
};

// A query with ORDER BY items on top.
class IOrderedQueryExpression : public virtual IQueryExpression {
public:
    virtual const std::vector<std::shared_ptr<IOrderItem>>& OrderItems() const = 0;
};

class TQueryExpression : public virtual IQueryExpression {
public:
    explicit TQueryExpression(TQueryParts parts) : parts_(std::move(parts)) {}

    const TQueryParts& Parts() const override { return parts_; }

private:
    TQueryParts parts_;
};

class TOrderedQueryExpression : public TQueryExpression, public virtual IOrderedQueryExpression {
public:
    TOrderedQueryExpression(TQueryParts parts, std::vector<std::shared_ptr<IOrderItem>> orderItems)
        : TQueryExpression(std::move(parts)), orderItems_(std::move(orderItems)) {}

    const std::vector<std::shared_ptr<IOrderItem>>& OrderItems() const override { return orderItems_; }

private:
    std::vector<std::shared_ptr<IOrderItem>> orderItems_;
};

} // namespace engine
