#include "engine/sql/uSQLExpression.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace engine {

TExpressionColumn::TExpressionColumn(std::shared_ptr<IExpression> expression, std::string alias)
    : expression_(std::move(expression)), alias_(std::move(alias)) {
    RTL_ASSERT(expression_);
}

void TExpressionColumn::Accept(TColumnSourceVisitor& visitor) const {
    visitor.VisitExpressionColumn(*this);
}

TTableColumns::TTableColumns(std::string table, std::string alias)
    : table_(std::move(table)), alias_(std::move(alias)) {}

void TTableColumns::Accept(TColumnSourceVisitor& visitor) const {
    visitor.VisitTableColumns(*this);
}

void TAllColumns::Accept(TColumnSourceVisitor& visitor) const {
    visitor.VisitAllColumns(*this);
}

TColumnReference::TColumnReference(std::string qualifier, std::string column, std::string alias)
    : qualifier_(std::move(qualifier)), column_(std::move(column)), alias_(std::move(alias)) {}

void TColumnReference::Accept(TColumnSourceVisitor& visitor) const {
    visitor.VisitColumnReference(*this);
}

std::string TColumnReference::Identifier() const {
    return qualifier_.empty() ? column_ : qualifier_ + "." + column_;
}

void TCountAll::Accept(TColumnSourceVisitor& visitor) const {
    visitor.VisitCountAll(*this);
}

TAggregate::TAggregate(std::string name, std::shared_ptr<IExpression> expression)
    : name_(std::move(name)), expression_(std::move(expression)) {
    RTL_ASSERT(expression_);
}

void TAggregate::Accept(TColumnSourceVisitor& visitor) const {
    visitor.VisitAggregate(*this);
}

void TColumnSourceVisitor::VisitUnsupported(const IColumnSource&) {
    throw rtl::Exception(rtl::Format("Unsupported operation in %s", ClassName()));
}

void TColumnSourceVisitor::VisitExpressionColumn(const TExpressionColumn& source) {
    VisitUnsupported(source);
}

void TColumnSourceVisitor::VisitTableColumns(const TTableColumns& source) {
    VisitUnsupported(source);
}

void TColumnSourceVisitor::VisitAllColumns(const TAllColumns& source) {
    VisitUnsupported(source);
}

void TColumnSourceVisitor::VisitColumnReference(const TColumnReference& source) {
    VisitUnsupported(source);
}

void TColumnSourceVisitor::VisitCountAll(const TCountAll& source) {
    VisitUnsupported(source);
}

void TColumnSourceVisitor::VisitAggregate(const TAggregate& source) {
    VisitUnsupported(source);
}

void TColumnOrderItem::Accept(TOrderItemVisitor& visitor) const {
    visitor.VisitColumnItem(*this);
}

void TOrderItemVisitor::VisitUnsupported(const IOrderItem&) {
    throw rtl::Exception(rtl::Format("Unsupported operation in %s", ClassName()));
}

void TOrderItemVisitor::VisitColumnItem(const TColumnOrderItem& item) {
    VisitUnsupported(item);
}

} // namespace engine
