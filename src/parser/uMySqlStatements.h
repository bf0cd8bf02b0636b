// The MySQL forms of SELECT, INSERT, UPDATE and DELETE.
#pragma once

// The MySQL forms of SELECT, INSERT, UPDATE and DELETE: each builds the common rule first and adds
// the dialect's modifiers and clauses (SELECT options, LIMIT, a final INTO, locking reads, WITH ROLLUP,
// STRAIGHT_JOIN, "=" aliases, index hints, multi-table DELETE with USING, ORDER BY and LIMIT on
// UPDATE and DELETE, INSERT priorities, INSERT ... SET and ON DUPLICATE KEY UPDATE). They visit as
// their common parents do.

#include "parser/uSQLDataChange.h"
#include "parser/uSQLQueries.h"

#include <string>

namespace parser {

// ---- SELECT

// The common SELECT, then [LIMIT] [INTO] [FOR UPDATE | LOCK IN SHARE MODE] [INTO]: the server takes
// the final INTO before or after the locking clause.
class TMySelectStatement : public TSelectStatement {
    PARSER_SYMBOL_CLASS(TMySelectStatement, TSelectStatement)
    void DefineRule(TRule& rule) override;
};

class TMyFinishIntoClause : public TIntoClause {
    PARSER_SYMBOL_CLASS(TMyFinishIntoClause, TIntoClause)
};

// FOR UPDATE or LOCK IN SHARE MODE, with an optional WAIT n, NOWAIT or SKIP LOCKED.
class TMySelectLockingClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySelectLockingClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMySelectLockingMode : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySelectLockingMode, TSQLProduction)
    PARSER_RULE(Choice);
};

class TMySelectLockShareMode : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySelectLockShareMode, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMySelectLockingWait : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySelectLockingWait, TSQLProduction)
    PARSER_RULE(Choice);
};

class TMySelectWaitSeconds : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySelectWaitSeconds, TSQLProduction)
    PARSER_RULE(Sequence);
};

// The SELECT options, each optional, in this order only.
class TMySqlRestriction : public TRestriction {
    PARSER_SYMBOL_CLASS(TMySqlRestriction, TRestriction)
    PARSER_RULE(Sequence);
};

// DISTINCT, ALL or DISTINCTROW
class TMyRestrictionValue : public TSimpleRestrictionValue {
    PARSER_SYMBOL_CLASS(TMyRestrictionValue, TSimpleRestrictionValue)
    void DefineRule(TRule& rule) override;
};

class TMySqlSqlCache : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySqlSqlCache, TSQLProduction)
    PARSER_RULE(Choice);
};

// GROUP BY ... [WITH ROLLUP]
class TMySqlGroupClause : public TGroupClause {
    PARSER_SYMBOL_CLASS(TMySqlGroupClause, TGroupClause)
    void DefineRule(TRule& rule) override;
};

class TWithRollupOpt : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TWithRollupOpt, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMyJoin : public TJoin {
    PARSER_SYMBOL_CLASS(TMyJoin, TJoin)
    void DefineRule(TRule& rule) override;
};

// STRAIGHT_JOIN table [ON condition]
class TStraightJoinVariant : public TJoinVariant {
    PARSER_SYMBOL_CLASS(TStraightJoinVariant, TJoinVariant)
    PARSER_RULE(Sequence);
};

// An alias, also written "= alias".
class TMyAliasIDOpt : public TAliasIdOpt {
    PARSER_SYMBOL_CLASS(TMyAliasIDOpt, TAliasIdOpt)
    PARSER_RULE(Choice);
    std::string GetAlias() const override;
};

class TMyAliasID : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyAliasID, TSQLProduction)
    PARSER_RULE(Sequence);
};

// A named table with its alias and index hints.
class TMyTableFactor_01 : public TTableFactor_01 {
    PARSER_SYMBOL_CLASS(TMyTableFactor_01, TTableFactor_01)
    void DefineRule(TRule& rule) override;
};

// Index hints one after another: USE INDEX (a) IGNORE KEY FOR ORDER BY (b).
class TgrmMyIndexHintList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmMyIndexHintList, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmMyIndexHintListTail : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmMyIndexHintListTail, TSQLProduction)
    PARSER_RULE(Sequence);
};

// USE | IGNORE | FORCE INDEX | KEY [FOR JOIN | ORDER BY | GROUP BY] ([indexes])
class TgrmMyIndexHint : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmMyIndexHint, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmMyIndexHintOptions : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmMyIndexHintOptions, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmMyIndexHintOption : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmMyIndexHintOption, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmMyIndexHindIndexList : public TIdentifierList {
    PARSER_SYMBOL_CLASS(TgrmMyIndexHindIndexList, TIdentifierList)
};

class TMySubSelectStatement : public TSubSelectStatement {
    PARSER_SYMBOL_CLASS(TMySubSelectStatement, TSubSelectStatement)
};

// ---- DELETE

// DELETE [options] [tables] FROM ... [USING ...] [WHERE ...] [ORDER BY ...] [LIMIT ...]
class TMyDeleteStatement : public TDeleteStatement {
    PARSER_SYMBOL_CLASS(TMyDeleteStatement, TDeleteStatement)
    void DefineRule(TRule& rule) override;
    void DefineOptions(TRule& rule) override;
};

// The modifiers and, for the multi-table form, the tables to delete from.
class TMyDeleteStatementHead : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyDeleteStatementHead, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMyDeleteOptions : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyDeleteOptions, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMyDeleteOption : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyDeleteOption, TSQLProduction)
    PARSER_RULE(Choice);
};

class TMyDeleteStatementTail : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyDeleteStatementTail, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMyDeleteFromClause : public TStandardFromClause {
    PARSER_SYMBOL_CLASS(TMyDeleteFromClause, TStandardFromClause)
    void DefineRule(TRule& rule) override;
};

class TMyDeleteUsingClause : public TDeleteUsingClause {
    PARSER_SYMBOL_CLASS(TMyDeleteUsingClause, TDeleteUsingClause)
    PARSER_RULE(Sequence);
};

// ---- INSERT

// INSERT [priority] [IGNORE] ... [ON DUPLICATE KEY UPDATE ...]
class TMyInsertStatement : public TInsertStatement {
    PARSER_SYMBOL_CLASS(TMyInsertStatement, TInsertStatement)
    void DefineRule(TRule& rule) override;
    void DefineOptions(TRule& rule) override;
};

class TMySqlInsertPriority : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySqlInsertPriority, TSQLProduction)
    PARSER_RULE(Choice);
};

// VALUES, a query, or SET column = value, ...
class TMySqlInsertVariants : public TInsertVariants {
    PARSER_SYMBOL_CLASS(TMySqlInsertVariants, TInsertVariants)
    void DefineRule(TRule& rule) override;
};

class TMySqlInsertSetClause : public TUpdateSetClause {
    PARSER_SYMBOL_CLASS(TMySqlInsertSetClause, TUpdateSetClause)
};

class TMyInsertStatementTail : public TInsertStatementTail {
    PARSER_SYMBOL_CLASS(TMyInsertStatementTail, TInsertStatementTail)
    PARSER_RULE(Sequence);
};

// ON DUPLICATE KEY UPDATE column = value, ...
class TMySqlInsertOnDuplicate : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMySqlInsertOnDuplicate, TSQLProduction)
    PARSER_RULE(Sequence);
};

// ---- UPDATE

// UPDATE [LOW_PRIORITY] [IGNORE] ... [ORDER BY ...] [LIMIT ...]
class TMyUpdateStatement : public TUpdateStatement {
    PARSER_SYMBOL_CLASS(TMyUpdateStatement, TUpdateStatement)
    void DefineRule(TRule& rule) override;
    void DefineOptions(TRule& rule) override;
};

class TMyUpdateOptions : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyUpdateOptions, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMyUpdateOption : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyUpdateOption, TSQLProduction)
    PARSER_RULE(Choice);
};

class TMyUpdateStatementTail : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyUpdateStatementTail, TSQLProduction)
    PARSER_RULE(Sequence);
};

} // namespace parser
