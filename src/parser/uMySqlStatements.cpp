#include "parser/uMySqlStatements.h"

#include "parser/uSQLStatements.h"

namespace parser {

// ---- SELECT

void TMySelectStatement::DefineRule(TRule& rule) {
    TSelectStatement::DefineRule(rule);
    rule.Add<TLimitClause>(kOptional)
        .Add<TMyFinishIntoClause>(kOptional)
        .Add<TMySelectLockingClause>(kOptional)
        .Add<TMyFinishIntoClause>(kOptional);
}

void TMySelectLockingClause::DefineRule(TRule& rule) {
    rule.Add<TMySelectLockingMode>().Add<TMySelectLockingWait>(kOptional);
}

void TMySelectLockingMode::DefineRule(TRule& rule) {
    rule.ConstSeq("FOR UPDATE").Add<TMySelectLockShareMode>();
}

void TMySelectLockShareMode::DefineRule(TRule& rule) {
    // LOCK is reserved, as on the server, so that it is never taken for a table's alias.
    rule.Reserved("LOCK").ConstSeq("IN SHARE MODE");
}

void TMySelectLockingWait::DefineRule(TRule& rule) {
    rule.Add<TMySelectWaitSeconds>().Const("NOWAIT").ConstSeq("SKIP LOCKED");
}

void TMySelectWaitSeconds::DefineRule(TRule& rule) {
    rule.Const("WAIT").Add<TNumericTerminal>();
}

void TMySqlRestriction::DefineRule(TRule& rule) {
    rule.Add<TMyRestrictionValue>(kOptional);
    for (const char* option :
         {"HIGH_PRIORITY", "STRAIGHT_JOIN", "SQL_SMALL_RESULT", "SQL_BIG_RESULT", "SQL_BUFFER_RESULT"})
        rule.Reserved(option, kOptional);
    rule.Add<TMySqlSqlCache>(kOptional).Reserved("SQL_CALC_FOUND_ROWS", kOptional);
}

void TMyRestrictionValue::DefineRule(TRule& rule) {
    TSimpleRestrictionValue::DefineRule(rule);
    rule.Reserved("DISTINCTROW");
}

void TMySqlSqlCache::DefineRule(TRule& rule) {
    rule.Reserved("SQL_CACHE").Reserved("SQL_NO_CACHE");
}

void TMySqlGroupClause::DefineRule(TRule& rule) {
    TGroupClause::DefineRule(rule);
    rule.Add<TWithRollupOpt>(kOptional);
}

void TWithRollupOpt::DefineRule(TRule& rule) {
    rule.Reserved("WITH").Const("ROLLUP");
}

void TMyJoin::DefineRule(TRule& rule) {
    TJoin::DefineRule(rule);
    rule.Add<TStraightJoinVariant>();
}

void TStraightJoinVariant::DefineRule(TRule& rule) {
    rule.Reserved("STRAIGHT_JOIN").Add(Builder().TableFactorClass()).Add<TJoinCondition_01>(kOptional);
}

void TMyAliasIDOpt::DefineRule(TRule& rule) {
    TAliasIdOpt::DefineRule(rule);
    rule.Add<TMyAliasID>();
}

std::string TMyAliasIDOpt::GetAlias() const {
    const auto* alias = dynamic_cast<const TMyAliasID*>(ChildOrNone(*this, 0));
    return alias ? ChildText(*alias, 1) : TAliasIdOpt::GetAlias();
}

void TMyAliasID::DefineRule(TRule& rule) {
    rule.Const("=").Add(Builder().IdentifierClass());
}

void TMyTableFactor_01::DefineRule(TRule& rule) {
    TTableFactor_01::DefineRule(rule);
    rule.Add<TgrmMyIndexHintList>(kOptional);
}

void TgrmMyIndexHintList::DefineRule(TRule& rule) {
    rule.Add<TgrmMyIndexHint>().Add<TgrmMyIndexHintListTail>(kOptional);
}

void TgrmMyIndexHintListTail::DefineRule(TRule& rule) {
    // Hints follow one another without separator; the server refuses a comma between them.
    rule.Add<TgrmMyIndexHintList>();
}

void TgrmMyIndexHint::DefineRule(TRule& rule) {
    // Reserved, as on the server: a table's alias is never one of these words.
    rule.ReservedOr("USE IGNORE FORCE")
        .ConstOr("INDEX KEY")
        .Add<TgrmMyIndexHintOptions>(kOptional)
        .Const("(")
        .Add<TgrmMyIndexHindIndexList>(kOptional)
        .Const(")");
}

void TgrmMyIndexHintOptions::DefineRule(TRule& rule) {
    rule.Reserved("FOR").Add<TgrmMyIndexHintOption>();
}

void TgrmMyIndexHintOption::DefineRule(TRule& rule) {
    rule.Reserved("JOIN").ReservedSeq("ORDER BY").ReservedSeq("GROUP BY");
}

// ---- DELETE

void TMyDeleteStatement::DefineRule(TRule& rule) {
    TDeleteStatement::DefineRule(rule);
    rule.Add<TMyDeleteStatementTail>(kOptional);
}

void TMyDeleteStatement::DefineOptions(TRule& rule) {
    rule.Add<TMyDeleteStatementHead>(kOptional);
}

void TMyDeleteStatementHead::DefineRule(TRule& rule) {
    rule.Add<TMyDeleteOptions>(kOptional).Add<TColumnReferenceList>(kOptional);
}

void TMyDeleteOptions::DefineRule(TRule& rule) {
    rule.Add<TMyDeleteOption>().Add<TMyDeleteOptions>(kOptional);
}

void TMyDeleteOption::DefineRule(TRule& rule) {
    rule.Const("LOW_PRIORITY").Const("QUICK").Const("IGNORE");
}

void TMyDeleteStatementTail::DefineRule(TRule& rule) {
    rule.Add<TOrderClause>(kOptional).Add<TLimitClause>(kOptional);
}

void TMyDeleteFromClause::DefineRule(TRule& rule) {
    TStandardFromClause::DefineRule(rule);
    rule.Add<TMyDeleteUsingClause>(kOptional);
}

void TMyDeleteUsingClause::DefineRule(TRule& rule) {
    rule.Reserved("USING").Add<TTableReferenceList>();
}

// ---- INSERT

void TMyInsertStatement::DefineRule(TRule& rule) {
    TInsertStatement::DefineRule(rule);
    rule.Add<TMyInsertStatementTail>(kOptional);
}

void TMyInsertStatement::DefineOptions(TRule& rule) {
    rule.Add<TMySqlInsertPriority>(kOptional).Const("IGNORE", kOptional);
}

void TMySqlInsertPriority::DefineRule(TRule& rule) {
    rule.Reserved("HIGH_PRIORITY").Reserved("LOW_PRIORITY").Reserved("DELAYED");
}

void TMySqlInsertVariants::DefineRule(TRule& rule) {
    TInsertVariants::DefineRule(rule);
    rule.Add<TMySqlInsertSetClause>();
}

void TMyInsertStatementTail::DefineRule(TRule& rule) {
    rule.Add<TMySqlInsertOnDuplicate>(kOptional);
}

void TMySqlInsertOnDuplicate::DefineRule(TRule& rule) {
    rule.Reserved("ON").Const("DUPLICATE").ConstSeq("KEY UPDATE").Add<TColumnExpressionList>();
}

// ---- UPDATE

void TMyUpdateStatement::DefineRule(TRule& rule) {
    TUpdateStatement::DefineRule(rule);
    rule.Add<TMyUpdateStatementTail>(kOptional);
}

void TMyUpdateStatement::DefineOptions(TRule& rule) {
    rule.Add<TMyUpdateOptions>(kOptional);
}

void TMyUpdateOptions::DefineRule(TRule& rule) {
    rule.Add<TMyUpdateOption>().Add<TMyUpdateOptions>(kOptional);
}

void TMyUpdateOption::DefineRule(TRule& rule) {
    rule.Reserved("LOW_PRIORITY").Reserved("IGNORE");
}

void TMyUpdateStatementTail::DefineRule(TRule& rule) {
    rule.Add<TOrderClause>(kOptional).Add<TLimitClause>(kOptional);
}

} // namespace parser
