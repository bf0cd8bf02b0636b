// The visitor with one operation per SQL production class.
#pragma once

#include "parser/uGrammar.h"

namespace parser {

class TSQLProduction;

// One visit operation per SQL production class, in a fixed order: Visit followed by the class name
// without its "T" ("grm" written "Grm"), and the operation its default passes the production on
// to. Most defaults walk the children; cursor and condition names stop the walk, as terminals do.
#define PARSER_SQL_PRODUCTION_VISITS(X)                                                                      \
    X(ColumnList, VisitProduction)                                                                           \
    X(ColumnItem, VisitProduction)                                                                           \
    X(Columns, VisitProduction)                                                                              \
    X(FromClause, VisitProduction)                                                                           \
    X(FromTableReference, VisitProduction)                                                                   \
    X(FromTableReferenceList, VisitProduction)                                                               \
    X(TableReference, VisitProduction)                                                                       \
    X(Join, VisitProduction)                                                                                 \
    X(OrderClause, VisitProduction)                                                                          \
    X(GroupClause, VisitProduction)                                                                          \
    X(OrderItem, VisitProduction)                                                                            \
    X(SubSelectStatement, VisitProduction)                                                                   \
    X(HavingClause, VisitProduction)                                                                         \
    X(ColumnReferenceList, VisitProduction)                                                                  \
    X(ColumnReference, VisitProduction)                                                                      \
    X(ReceiverColumnReference, VisitColumnReference)                                                         \
    X(InsertColumnReferenceList, VisitProduction)                                                            \
    X(InsertColumnReference, VisitProduction)                                                                \
    X(InsertVariants, VisitProduction)                                                                       \
    X(InsertValuesExpressionList, VisitProduction)                                                           \
    X(InsertValuesExpression, VisitProduction)                                                               \
    X(InsertStatement, VisitProduction)                                                                      \
    X(InsertStatementTail, VisitProduction)                                                                  \
    X(WhereClause, VisitProduction)                                                                          \
    X(AndOperator, VisitProduction)                                                                          \
    X(DeleteUsingClause, VisitProduction)                                                                    \
    X(UpdateSetClause, VisitProduction)                                                                      \
    X(ColumnExpressionItem, VisitProduction)                                                                 \
    X(InsertColumnList, VisitProduction)                                                                     \
    X(InsertValuesList, VisitProduction)                                                                     \
    X(IdentifierItem, VisitProduction)                                                                       \
    X(Identifier, VisitCustomIdentifier)                                                                     \
    X(CustomIdentifier, VisitProduction)                                                                     \
    X(FunctionIdentifierItem, VisitProduction)                                                               \
    X(LimitClause, VisitProduction)                                                                          \
    X(JoinCondition, VisitProduction)                                                                        \
    X(JoinCondition_01, VisitProduction)                                                                     \
    X(JoinCondition_02, VisitProduction)                                                                     \
    X(OrOperator, VisitProduction)                                                                           \
    X(ComparsionOperator, VisitProduction)                                                                   \
    X(Expression, VisitProduction)                                                                           \
    X(Tuple, VisitProduction)                                                                                \
    X(ExpressionTuple, VisitProduction)                                                                      \
    X(CaseWhenChain, VisitProduction)                                                                        \
    X(CaseElse, VisitProduction)                                                                             \
    X(CaseWhen, VisitProduction)                                                                             \
    X(CaseThen, VisitProduction)                                                                             \
    X(CaseClause, VisitProduction)                                                                           \
    X(CaseEnd, VisitProduction)                                                                              \
    X(UnionOperator, VisitProduction)                                                                        \
    X(SelectTuple, VisitProduction)                                                                          \
    X(AddBinaryExp, VisitProduction)                                                                         \
    X(MultExp_01, VisitProduction)                                                                           \
    X(ComparisonExp, VisitProduction)                                                                        \
    X(BetweenExp, VisitProduction)                                                                           \
    X(NegateExp, VisitProduction)                                                                            \
    X(PositiveExp, VisitProduction)                                                                          \
    X(NotExp, VisitProduction)                                                                               \
    X(AssignationStatement, VisitProduction)                                                                 \
    X(VariableDeclaration, VisitProduction)                                                                  \
    X(IFStatement, VisitProduction)                                                                          \
    X(CaseStatement, VisitProduction)                                                                        \
    X(LoopStatement, VisitProduction)                                                                        \
    X(LeaveStatement, VisitProduction)                                                                       \
    X(IterateStatement, VisitProduction)                                                                     \
    X(RepeatStatement, VisitProduction)                                                                      \
    X(WhileStatement, VisitProduction)                                                                       \
    X(BlockStatement, VisitProduction)                                                                       \
    X(SelectStatement, VisitProduction)                                                                      \
    X(Function, VisitProduction)                                                                             \
    X(RoutineCallStatement, VisitProduction)                                                                 \
    X(CursorDeclaration, VisitProduction)                                                                    \
    X(OpenCursor, VisitProduction)                                                                           \
    X(FetchCursor, VisitProduction)                                                                          \
    X(CloseCursor, VisitProduction)                                                                          \
    X(ConditionDeclaration, VisitProduction)                                                                 \
    X(HandlerDeclaration, VisitProduction)                                                                   \
    X(LiteralTrue, VisitProduction)                                                                          \
    X(LiteralFalse, VisitProduction)                                                                         \
    X(LiteralNull, VisitProduction)                                                                          \
    X(LiteralDefault, VisitProduction)                                                                       \
    X(IsExp, VisitProduction)                                                                                \
    X(ReturnStatement, VisitProduction)                                                                      \
    X(GrmSimpleServerSideStatement, VisitProduction)                                                         \
    X(UpdateStatement, VisitProduction)                                                                      \
    X(DeleteStatement, VisitProduction)                                                                      \
    X(GrmCreateProcedure, VisitProduction)                                                                   \
    X(GrmCreateFunction, VisitProduction)                                                                    \
    X(GrmAssignationExpression, VisitProduction)                                                             \
    X(GrmRegexpExpression, VisitProduction)                                                                  \
    X(StringLiteral, VisitProduction)                                                                        \
    X(GrmDoStatement, VisitProduction)                                                                       \
    X(OrOperation, VisitProduction)                                                                          \
    X(AndOperation, VisitProduction)                                                                         \
    X(XOROperation, VisitProduction)                                                                         \
    X(InExp, VisitProduction)                                                                                \
    X(BitBinaryExp, VisitProduction)                                                                         \
    X(BitUnaryExp, VisitProduction)                                                                          \
    X(GrmCustomTypeCast, VisitProduction)                                                                    \
    X(GrmSignal, VisitProduction)                                                                            \
    X(GrmResignal, VisitProduction)                                                                          \
    X(GrmDateTimeBinaryExp, VisitProduction)                                                                 \
    X(Statement, VisitProduction)                                                                            \
    X(SQLStatement, VisitProduction)                                                                         \
    X(IntoClause, VisitProduction)                                                                           \
    X(GrmDishonestStatement, VisitProduction)                                                                \
    X(SubQuery, VisitProduction)                                                                             \
    X(GrmServerSideExpression, VisitProduction)                                                              \
    X(InsertTarget, VisitProduction)                                                                         \
    X(TableFactor, VisitProduction)                                                                          \
    X(TableFactor_01, VisitProduction)                                                                       \
    X(TableFactor_04, VisitProduction)                                                                       \
    X(AliasIdentifier, VisitIdentifier)                                                                      \
    X(AssignationReceiver, VisitProduction)                                                                  \
    X(ProcedureIdentifier, VisitProduction)                                                                  \
    X(CursorIdentifier, VisitSymbol)                                                                         \
    X(FetchIntoIdentifierList, VisitProduction)                                                              \
    X(ConditionIdentifier, VisitSymbol)                                                                      \
    X(JoinConditionExpression, VisitExpression)                                                              \
    X(SelectStatementHead, VisitProduction)                                                                  \
    X(GrmLikeExp, VisitProduction)

// Reads a parse tree of the SQL grammar. Each SQL production's Accept calls the operation named
// after its class (descendants without their own operation use their parent's); a visitor
// overrides what it cares about and, to go on below an overridden production, calls
// VisitProduction or the inherited operation itself. The operations take the production as
// TSQLProduction: the derived visitor knows the class it overrides for.
class TSQLProductionVisitor : public TSymbolVisitor {
public:
    static const void* Kind() {
        static const char kind = 0;
        return &kind;
    }
    void* AsKind(const void* kind) override {
        return kind == Kind() ? static_cast<TSQLProductionVisitor*>(this) : TSymbolVisitor::AsKind(kind);
    }
#define PARSER_DECLARE_SQL_VISIT(Name, Default) virtual void Visit##Name(TSQLProduction* production);
    PARSER_SQL_PRODUCTION_VISITS(PARSER_DECLARE_SQL_VISIT)
#undef PARSER_DECLARE_SQL_VISIT
};

// The Accept of an SQL production with an operation of its own: production visitors only.
#define PARSER_SQL_ACCEPT(Name) PARSER_ACCEPT(::parser::TSQLProductionVisitor, Visit##Name)

} // namespace parser
