#include "parser/uSQLStatements.h"

#include "core/uIdentifierManager.h"
#include "core/uStringUtils.h"
#include "parser/uParser.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLSignals.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"

#include <charconv>

namespace parser {

namespace {

// The integer a numeric token reads as; a number that is not an integer raises a conversion error.
int ReadInteger(const TSymbol& number) {
    std::string text = GetSymbolText(number);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid integer value", text));
    return value;
}

bool SameLabel(std::string_view a, std::string_view b) {
    static const core::TIdentifierManager names("`", ".", "`");
    return names.SameIdentifier(a, b);
}

} // namespace

TSymbol* ChildOrNone(const TProduction& production, int index) {
    return index >= 0 && index < production.Children().Count() ? production.Children()[index] : nullptr;
}

std::string ChildText(const TProduction& production, int index) {
    const TSymbol* child = ChildOrNone(production, index);
    return child ? GetSymbolText(*child) : std::string();
}

// ---- statement lists and the statement choice

void TStatementList::DefineRule(TRule& rule) {
    rule.Add<TSingleStatement>().Add<TStatementList>(kOptional);
}

void TSingleStatement::DefineRule(TRule& rule) {
    rule.Add(Builder().StatementClass()).Const(";", !GetGrammar()->Tolerant());
}

void TStatement::DefineRule(TRule& rule) {
    rule.Add<TgrmSignal>()
        .Add<TgrmResignal>()
        .Add<TSpecialSETStatement>()
        .Add<TAssignationStatement>()
        .Add<TConditionDeclaration>()
        .Add<THandlerDeclaration>()
        .Add<TCursorDeclaration>()
        .Add<TVariableDeclaration>()
        .Add<TIFStatement>()
        .Add<TCaseStatement>()
        .Add<TLoopStatement>()
        .Add<TLeaveStatement>()
        .Add<TIterateStatement>()
        .Add<TRepeatStatement>()
        .Add<TWhileStatement>()
        .Add<TBlockStatement>()
        .Add<TRoutineCallStatement>()
        .Add<TOpenCursor>()
        .Add<TFetchCursor>()
        .Add<TCloseCursor>()
        .Add<TReturnStatement>()
        .Add<TgrmDoStatement>()
        .Add<TgrmSimpleCreateTableAsSelectStatement>()
        .Add<TgrmExplainStatement>()
        .Add<TgrmDishonestStatement>()
        .Add(Builder().SQLStatementClass());
}

// ---- SET

void TAssignationStatement::DefineRule(TRule& rule) {
    rule.Const("SET").Add<TAssignationList>();
}

void TAssignationStatement::GetAssignations(rtl::TStringList& list) const {
    if (auto* assignations = Children().Find<TAssignationList>()) assignations->GetAssignations(list);
}

void TAssignationList::DefineRule(TRule& rule) {
    rule.Add<TAssignation>().Const(",").Add<TAssignationList>();
}

void TAssignationList::GetAssignations(rtl::TStringList& list) const {
    for (const TAssignationList* items = this; items;) {
        if (auto* assignation = items->Children().Find<TAssignation>())
            list.AddObject(assignation->GetReceiverName(), assignation->GetExpression());
        items = items->Children().Find<TAssignationList>();
    }
}

void TAssignation::DefineRule(TRule& rule) {
    rule.Add<TAssignationReceiver>().Add<TAssignOperator>().Add<TExpression>();
}

void TAssignationReceiver::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>();
}

bool TAssignationReceiver::DoMatch(TTokenIterator& iterator) {
    if (iterator.Eof()) return false;
    const auto* word = iterator.Current()->As<TTextToken>();
    return !(word && core::SameText(word->Text(), "PASSWORD")) && TSQLProduction::DoMatch(iterator);
}

void TAssignOperator::DefineRule(TRule& rule) {
    rule.Const("=").Const(":=");
}

void TSpecialSETStatement::DefineRule(TRule& rule) {
    rule.Add<TSetNames>().Add<TSetCharacterSet>().Add<TSetCharSet>();
}

void TSetNames::DefineRule(TRule& rule) {
    rule.ConstSeq("SET NAMES").Add<TIdentifierTerminal>().Add<TCollateClause>(kOptional);
}

void TCollateClause::DefineRule(TRule& rule) {
    rule.Const("COLLATE").Add<TIdentifierTerminal>();
}

void TSetCharacterSet::DefineRule(TRule& rule) {
    rule.ConstSeq("SET CHARACTER SET").Add<TIdentifierTerminal>();
}

void TSetCharSet::DefineRule(TRule& rule) {
    rule.ConstSeq("SET CHARSET").Add<TIdentifierTerminal>();
}

// ---- declarations

void TVariableDeclaration::DefineRule(TRule& rule) {
    rule.Const("DECLARE").Add<commonsql::TIdentifierList>().Add(Builder().DataTypeClass());
    DefineTail(rule);
}

void TVariableDeclaration::DefineTail(TRule& rule) {
    rule.Add<TDefaultValueClause>(kOptional);
}

void TVariableDeclaration::GetNames(rtl::TStringList& list) const {
    const TSymbol* names = ChildOrNone(*this, 1);
    if (!names) return;
    if (names->Is<TIdentifier>())
        list.Add(GetSymbolText(*names));
    else if (const auto* identifiers = dynamic_cast<const commonsql::TIdentifierList*>(names))
        identifiers->GetIdentifiers(list);
}

core::TDatatypeCharacteristics TVariableDeclaration::GetDataType() const {
    const auto* type = dynamic_cast<const TgrmDataType*>(ChildOrNone(*this, 2));
    RTL_ASSERT(type != nullptr);
    return type->GetCharacteristics(false);
}

TSymbol* TVariableDeclaration::GetDefaultValue() const {
    const auto* clause =
        Children().Count() == 4 ? dynamic_cast<const TDefaultValueClause*>(Children()[3]) : nullptr;
    return clause ? ChildOrNone(*clause, 1) : nullptr;
}

void TDefaultValueClause::DefineRule(TRule& rule) {
    rule.Const("DEFAULT").Add<TExpression>();
}

void TConditionDeclaration::DefineRule(TRule& rule) {
    rule.Const("DECLARE").Add<TIdentifierTerminal>().ConstSeq("CONDITION FOR").Add<TgrmConditionValue>();
}

const TgrmConditionValue& TConditionDeclaration::ConditionValue() const {
    const auto* value = Children().Find<TgrmConditionValue>();
    RTL_ASSERT(value != nullptr);
    return *value;
}

int TConditionDeclaration::GetErrorCode() const {
    return ConditionValue().GetErrorCode();
}

std::string TConditionDeclaration::GetSQLState() const {
    return ConditionValue().GetSQLState();
}

std::string TConditionDeclaration::GetValueText() const {
    int code = GetErrorCode();
    return code != 0 ? rtl::Format("error code %d", code) : "sqlstate " + GetSQLState();
}

void TgrmConditionValue::DefineRule(TRule& rule) {
    rule.Add<TgrmSQLStateConditionValue>().Add<TgrmErrorCodeConditionValue>();
}

int TgrmConditionValue::GetErrorCode() const {
    const auto* code = Children().Find<TgrmErrorCodeConditionValue>();
    return code ? ReadInteger(*code) : 0;
}

std::string TgrmConditionValue::GetSQLState() const {
    const auto* state = Children().Find<TgrmSQLStateConditionValue>();
    return state ? state->GetSQLState() : std::string();
}

void TgrmSQLStateConditionValue::DefineRule(TRule& rule) {
    rule.Const("SQLSTATE").Const("VALUE", kOptional).Add<TSQLStateValue>();
}

std::string TgrmSQLStateConditionValue::GetSQLState() const {
    const auto* value = Children().Find<TSQLStateValue>();
    return value ? core::UnquoteString(GetSymbolText(*value)) : std::string();
}

void TSQLStateValue::DefineRule(TRule& rule) {
    rule.Add<TTextTerminal>();
}

bool TSQLStateValue::DoMatch(TTokenIterator& iterator) {
    if (iterator.Eof()) return false;
    const auto* token = iterator.Current()->As<TQuotedStringToken>();
    return token && token->Text().size() == 7 && TSQLProduction::DoMatch(iterator);
}

void TgrmErrorCodeConditionValue::DefineRule(TRule& rule) {
    rule.Add<TNumericTerminal>();
}

void THandlerDeclaration::DefineRule(TRule& rule) {
    rule.Const("DECLARE")
        .Add<THandlerTypeClause>()
        .ConstSeq("HANDLER FOR")
        .Add<THandlerConditionValueList>()
        .Add(Builder().StatementClass());
}

std::vector<THandlerCondition> THandlerDeclaration::GetConditions() const {
    const auto* conditions = Children().Find<THandlerConditionValueList>();
    RTL_ASSERT(conditions != nullptr);
    std::vector<THandlerCondition> list;
    conditions->GetConditions(list);
    return list;
}

TStatement* THandlerDeclaration::GetStatement() const {
    return Children().Find<TStatement>();
}

bool THandlerDeclaration::IsContinue() const {
    return core::SameText(ChildText(*this, 1), "CONTINUE");
}

void THandlerTypeClause::DefineRule(TRule& rule) {
    rule.Reserved("CONTINUE").Reserved("EXIT");
}

void THandlerConditionValueList::DefineRule(TRule& rule) {
    rule.Add<THandlerConditionValue>().Const(",").Add<THandlerConditionValueList>();
}

void THandlerConditionValueList::GetConditions(std::vector<THandlerCondition>& list) const {
    for (const THandlerConditionValueList* items = this; items;) {
        if (auto* value = items->Children().Find<THandlerConditionValue>())
            list.push_back({value->GetKind(), value->GetValueText()});
        items = items->Children().Find<THandlerConditionValueList>();
    }
}

void THandlerConditionValue::DefineRule(TRule& rule) {
    rule.Add<TgrmSQLStateConditionValue>()
        .Add<TgrmErrorCodeConditionValue>()
        .Const("SQLWARNING")
        .ConstSeq("NOT FOUND")
        .Const("SQLEXCEPTION")
        .Add<TConditionIdentifier>();
}

THandlerConditionKind THandlerConditionValue::GetKind() const {
    const TSymbol* value = ChildOrNone(*this, 0);
    if (!value) return hckConditionName;
    if (value->Is<TgrmSQLStateConditionValue>()) return hckSQLState;
    if (value->Is<TgrmErrorCodeConditionValue>()) return hckErrorCode;
    if (value->Is<TConditionIdentifier>()) return hckConditionName;
    // A keyword phrase reads as its words without blanks.
    std::string text = GetSymbolText(*value);
    if (core::SameText(text, "SQLWARNING")) return hckSQLWarning;
    if (core::SameText(text, "NOTFOUND")) return hckNotFound;
    return hckSQLException;
}

std::string THandlerConditionValue::GetValueText() const {
    switch (GetKind()) {
    case hckSQLState:
        return static_cast<const TgrmSQLStateConditionValue*>(Children()[0])->GetSQLState();
    case hckErrorCode:
    case hckConditionName:
        return ChildText(*this, 0);
    default:
        return {};
    }
}

// ---- cursors

std::string TCursorOperation::GetCursorName() const {
    for (const TSymbol* child : Children()) {
        if (child->Is<TCursorIdentifier>() || child->Is<TIdentifierTerminal>()) return GetSymbolText(*child);
    }
    return {};
}

void TCursorDeclaration::DefineRule(TRule& rule) {
    rule.Const("DECLARE").Add<TIdentifierTerminal>().ReservedSeq("CURSOR FOR");
    DefineSelect(rule);
}

void TCursorDeclaration::DefineSelect(TRule& rule) {
    rule.Add(Builder().SelectStatementClass());
}

TSelectStatement* TCursorDeclaration::GetSelect() const {
    return Children().Find<TSelectStatement>();
}

void TOpenCursor::DefineRule(TRule& rule) {
    rule.Const("OPEN").Add<TCursorIdentifier>();
}

void TFetchCursor::DefineRule(TRule& rule) {
    rule.Const("FETCH")
        .Add<TgrmFetchOptions>(kOptional)
        .Add<TCursorIdentifier>()
        .Const("INTO")
        .Add<TFetchIntoIdentifierList>();
}

void TFetchCursor::GetTargets(rtl::TStringList& list) const {
    if (auto* targets = Children().Find<TFetchIntoIdentifierList>()) targets->GetIdentifiers(list);
}

void TgrmFetchOptions::DefineRule(TRule& rule) {
    rule.Const("NEXT", kOptional).Const("FROM");
}

void TCloseCursor::DefineRule(TRule& rule) {
    rule.Const("CLOSE").Add<TCursorIdentifier>();
}

void TCursorIdentifier::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>();
}

void TConditionIdentifier::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>();
}

// ---- IF and CASE

void TIFStatement::DefineRule(TRule& rule) {
    rule.Const("IF")
        .Add<TExpression>()
        .Const("THEN")
        .Add<TStatementList>()
        .Add<TELSEIFChain>(kOptional)
        .Add<TELSEBlock>(kOptional)
        .ConstSeq("END IF");
}

TStatementList* TIFStatement::GetThenStatements() const {
    return dynamic_cast<TStatementList*>(ChildOrNone(*this, 3));
}

TELSEIFChain* TIFStatement::GetElseIfChain() const {
    return Children().Find<TELSEIFChain>();
}

TStatementList* TIFStatement::GetElseStatements() const {
    const auto* block = Children().Find<TELSEBlock>();
    return block ? dynamic_cast<TStatementList*>(ChildOrNone(*block, 1)) : nullptr;
}

void TELSEIFChain::DefineRule(TRule& rule) {
    rule.Const("ELSEIF").Add<TExpression>().Const("THEN").Add<TStatementList>().Add<TELSEIFChain>(kOptional);
}

TStatementList* TELSEIFChain::GetStatements() const {
    return dynamic_cast<TStatementList*>(ChildOrNone(*this, 3));
}

TELSEIFChain* TELSEIFChain::GetNext() const {
    return Children().Find<TELSEIFChain>();
}

void TELSEBlock::DefineRule(TRule& rule) {
    rule.Const("ELSE").Add<TStatementList>();
}

void TCaseStatement::DefineRule(TRule& rule) {
    rule.Const("CASE")
        .Add<TExpression>(kOptional)
        .Add<TCaseStatementWhenChain>()
        .Add<TCaseStatementElse>(kOptional)
        .ConstSeq("END CASE");
}

TExpression* TCaseStatement::GetSelector() const {
    return static_cast<TExpression*>(Children().Find(TExpression::StaticClass(), true));
}

TCaseStatementWhenChain* TCaseStatement::GetWhenChain() const {
    return Children().Find<TCaseStatementWhenChain>();
}

TCaseStatementElse* TCaseStatement::GetElse() const {
    return Children().Find<TCaseStatementElse>();
}

void TCaseStatementWhenChain::DefineRule(TRule& rule) {
    rule.Const("WHEN").Add<TExpression>().Const("THEN").Add<TStatementList>().Add<TCaseStatementWhenChain>(
        kOptional);
}

TExpression* TCaseStatementWhenChain::GetCondition() const {
    return static_cast<TExpression*>(Children().Find(TExpression::StaticClass(), true));
}

TStatementList* TCaseStatementWhenChain::GetStatements() const {
    return Children().Find<TStatementList>();
}

TCaseStatementWhenChain* TCaseStatementWhenChain::GetNext() const {
    return Children().Find<TCaseStatementWhenChain>();
}

void TCaseStatementElse::DefineRule(TRule& rule) {
    rule.Const("ELSE").Add<TStatementList>(kOptional);
}

TStatementList* TCaseStatementElse::GetStatements() const {
    return Children().Find<TStatementList>();
}

// ---- loops and blocks

std::string TLabeledStatement::GetLabel() const {
    const auto* label = dynamic_cast<const TBeginLabel*>(ChildOrNone(*this, 0));
    return label ? ChildText(*label, 0) : std::string();
}

TStatementList* TLabeledStatement::GetStatements() const {
    return Children().Find<TStatementList>();
}

void TLoopStatement::DefineRule(TRule& rule) {
    rule.Add<TBeginLabel>(kOptional)
        .Const("LOOP")
        .Add<TStatementList>()
        .ConstSeq("END LOOP")
        .Add<TEndLabel>(kOptional);
}

void TRepeatStatement::DefineRule(TRule& rule) {
    rule.Add<TBeginLabel>(kOptional)
        .Const("REPEAT")
        .Add<TStatementList>()
        .Const("UNTIL")
        .Add<TExpression>()
        .ConstSeq("END REPEAT")
        .Add<TEndLabel>(kOptional);
}

TExpression* TRepeatStatement::GetCondition() const {
    return static_cast<TExpression*>(Children().Find(TExpression::StaticClass(), true));
}

void TWhileStatement::DefineRule(TRule& rule) {
    rule.Add<TBeginLabel>(kOptional)
        .Const("WHILE")
        .Add<TExpression>()
        .Const("DO")
        .Add<TStatementList>()
        .ConstSeq("END WHILE")
        .Add<TEndLabel>(kOptional);
}

TExpression* TWhileStatement::GetCondition() const {
    return static_cast<TExpression*>(Children().Find(TExpression::StaticClass(), true));
}

void TBlockStatement::DefineRule(TRule& rule) {
    rule.Add<TBeginLabel>(kOptional)
        .Const("BEGIN")
        .Add<TStatementList>(kOptional)
        .Const("END", !GetGrammar()->Tolerant())
        .Add<TEndLabel>(kOptional);
}

bool TBlockStatement::HasEnd() const {
    for (const TSymbol* child : Children()) {
        const auto* keyword = dynamic_cast<const TConstantTerminal*>(child);
        if (keyword && core::SameText(keyword->Text(), "END")) return true;
    }
    return false;
}

void TBeginLabel::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>().Const(":");
}

void TEndLabel::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>();
}

bool TEndLabel::DoMatch(TTokenIterator& iterator) {
    const TProduction* owner = Owner();
    const auto* label = owner ? dynamic_cast<const TBeginLabel*>(ChildOrNone(*owner, 0)) : nullptr;
    if (!label || iterator.Eof() || !SameLabel(iterator.Current()->GetText(), ChildText(*label, 0)))
        return false;
    return TSQLProduction::DoMatch(iterator);
}

void TLeaveStatement::DefineRule(TRule& rule) {
    rule.Const("LEAVE").Add<TIdentifierTerminal>();
}

void TIterateStatement::DefineRule(TRule& rule) {
    rule.Const("ITERATE").Add<TIdentifierTerminal>();
}

// ---- CALL, RETURN, DO

void TRoutineCallStatement::DefineRule(TRule& rule) {
    rule.Const("CALL").Add<TProcedureIdentifier>().Add<TgrmRoutineParameters>(kOptional);
}

void TRoutineCallStatement::GetArguments(std::vector<TExpression*>* destination) const {
    RTL_ASSERT(destination != nullptr);
    if (auto* parameters = Children().Find<TgrmRoutineParameters>()) parameters->GetArguments(destination);
}

void TgrmRoutineParameters::DefineRule(TRule& rule) {
    rule.Const("(").Add<TExpressionList>(kOptional).Const(")");
}

void TgrmRoutineParameters::GetArguments(std::vector<TExpression*>* destination) const {
    RTL_ASSERT(destination != nullptr);
    if (auto* arguments = Children().Find<TExpressionList>()) arguments->GetExpressions(destination);
}

void TReturnStatement::DefineRule(TRule& rule) {
    rule.Const("RETURN").Add<TExpression>();
}

void TgrmDoStatement::DefineRule(TRule& rule) {
    rule.Const("DO").Add<TExpression>();
}

// ---- statements the server runs as written

void TgrmSimpleCreateTableAsSelectStatement::DefineRule(TRule& rule) {
    rule.Const("CREATE")
        .Const("TEMPORARY", kOptional)
        .Const("TABLE")
        .ConstSeq("IF NOT EXISTS", kOptional)
        .Add<TIdentifier>()
        .ConstOr("IGNORE REPLACE", kOptional)
        .Const("AS", kOptional)
        .Add(Builder().SelectStatementClass());
}

void TgrmDishonestStatement::DefineRule(TRule& rule) {
    rule.Add<TgrmDishonestStatementEntry>().Add<TgrmTakeAllUntilStatementDelimiter>();
}

bool TgrmDishonestStatement::IsUse() const {
    return core::SameText(ChildText(*this, 0), "USE");
}

bool TgrmDishonestStatement::ReturnsResult() const {
    std::string entry = ChildText(*this, 0);
    for (const char* word :
         {"SHOW", "ANALYZE", "CHECK", "CHECKSUM", "OPTIMIZE", "REPAIR", "EXPLAIN", "DESCRIBE", "DESC"}) {
        if (core::SameText(entry, word)) return true;
    }
    return false;
}

void TgrmExplainStatement::DefineRule(TRule& rule) {
    rule.Add<TgrmExplainKeyword>().Add<TgrmExplainOption>(kOptional).Add(Builder().SQLStatementClass());
}

void TgrmExplainKeyword::DefineRule(TRule& rule) {
    rule.Const("EXPLAIN").Const("DESCRIBE").Const("DESC");
}

void TgrmExplainOption::DefineRule(TRule& rule) {
    rule.Const("EXTENDED").Const("PARTITIONS").Add<TgrmExplainFormat>();
}

void TgrmExplainFormat::DefineRule(TRule& rule) {
    rule.Const("FORMAT").Const("=").Add<TIdentifierTerminal>();
}

void TgrmDishonestStatementEntry::DefineRule(TRule& rule) {
    rule.Add<TgrmPassThroughSet>();
    for (const char* entry : {"SHOW",
                              "CREATE",
                              "DROP",
                              "ALTER",
                              "TRUNCATE",
                              "PREPARE",
                              "EXECUTE",
                              "DEALLOCATE PREPARE",
                              "START TRANSACTION",
                              "COMMIT",
                              "ROLLBACK",
                              "SAVEPOINT",
                              "RELEASE SAVEPOINT",
                              "LOCK TABLES",
                              "UNLOCK TABLES",
                              "ANALYZE",
                              "CHECK",
                              "CHECKSUM",
                              "OPTIMIZE",
                              "REPAIR",
                              "KILL",
                              "USE",
                              "FLUSH",
                              "HELP",
                              "GRANT",
                              "REVOKE",
                              "RENAME",
                              "LOAD",
                              "EXPLAIN",
                              "DESCRIBE",
                              "DESC"}) {
        std::string_view words = entry;
        words.find(' ') == std::string_view::npos ? rule.Const(words) : rule.ConstSeq(words);
    }
}

void TgrmPassThroughSet::DefineRule(TRule& rule) {
    rule.Const("SET").Add<TgrmPassThroughSetHead>();
}

void TgrmPassThroughSetHead::DefineRule(TRule& rule) {
    rule.Const("GLOBAL")
        .Const("SESSION")
        .Const("LOCAL")
        .Add<TgrmSystemVariableTerminal>()
        .Const("PASSWORD")
        .Const("TRANSACTION")
        .Const("ROLE")
        .Const("STATEMENT")
        .Add<TgrmPassThroughSetCharset>();
}

void TgrmPassThroughSetCharset::DefineRule(TRule& rule) {
    rule.Add<TgrmCharsetKeyword>().Add<TgrmCharsetName>();
}

void TgrmCharsetKeyword::DefineRule(TRule& rule) {
    rule.Const("NAMES").ConstSeq("CHARACTER SET").Const("CHARSET");
}

void TgrmCharsetName::DefineRule(TRule& rule) {
    rule.Add<TStringTerminal>().Add<TIdentifierTerminal>().Const("DEFAULT");
}

bool TgrmSystemVariableTerminal::Accepts(const TToken& token) const {
    const auto* variable = token.As<TUserVariableToken>();
    return variable && variable->Text().starts_with("@@");
}

bool TgrmTakeAllUntilStatementDelimiter::DoMatch(TTokenIterator& iterator) {
    Children().Clear();
    while (!iterator.Eof() && !IsDelimiter(*iterator.Current())) {
        auto* token = ParserFactory().CreateSymbol<TAnyTokenTerminal>(this);
        if (!Match(*token, iterator)) break;
        Children().Add(token);
    }
    return true;
}

bool TgrmTakeAllUntilStatementDelimiter::IsDelimiter(const TToken& token) const {
    return token.Is<TEOFToken>() || token.Is<TCursorToken>() || token.GetText() == ";";
}

} // namespace parser
