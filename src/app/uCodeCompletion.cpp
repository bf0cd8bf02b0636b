#include "app/uCodeCompletion.h"

#include "app/uCodeCompletionCache.h"
#include "app/uCodeCompletionItem.h"
#include "app/uCodeCompletionOptions.h"
#include "app/uCodeCompletionUtils.h"
#include "core/uDBAConnection.h"
#include "core/uIdentifierManager.h"
#include "core/uStringUtils.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "parser/uSQLDataChange.h"
#include "parser/uSQLRoutines.h"
#include "parser/uSQLStatements.h"
#include "parser/uSQLValues.h"
#include "parser/uSystemFunctions.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>

namespace app {

using namespace parser;

namespace {

// The routine catalogue in lower case: table names are case-sensitive on a server on Linux.
// Values of catalogue queries are written as escaped literals: a name may hold a quote or a backslash.
std::string Literal(std::string_view value) {
    return core::QuoteEscapedString(value);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::unique_ptr<TMySqlGrammar> NewGrammar(uint8_t parseMode) {
    auto grammar = std::make_unique<TMySqlGrammar>();
    grammar->SetParseMode(parseMode);
    return grammar;
}

// Calls `row` for each row of the catalogue statement's result, as the connection's catalogue cache
// has it.
void ForEachRow(core::IDBAConnection& connection, const std::string& sql,
                const std::function<void(const TMetadataRow& row)>& row) {
    const TMetadataRows rows = CatalogueRows(connection, sql);
    for (const TMetadataRow& each : *rows)
        row(each);
}

std::string FieldText(const TMetadataRow& row, int index) {
    return row[index].value_or(std::string());
}

// One completion request: the statement's names against the server's catalogue.
class TCandidates {
public:
    TCandidates(TCodeCompletionItems& items, core::IDBAConnection& connection,
                const core::TIdentifierManager& manager, const std::string& defaultSchema)
        : items_(items), connection_(connection), manager_(manager), schema_(defaultSchema) {}

    core::TIdentifierParts Split(std::string_view table) const {
        try {
            return manager_.SplitIdentifier(table, schema_);
        } catch (const core::EDefaultSchemaNotAssigned&) {
            return {"", std::string(table)};
        }
    }

    // The table's name alone in the default schema, else schema.name; both unquoted.
    std::string DisplayName(std::string_view table) const {
        const auto parts = Split(table);
        const std::string name = manager_.UnquoteIdentifier(parts.name);
        if (parts.schema.empty() || manager_.SameIdentifier(parts.schema, schema_)) return name;
        return manager_.UnquoteIdentifier(parts.schema) + "." + name;
    }

    std::string QuotedName(std::string_view table) const {
        const auto parts = Split(table);
        return parts.schema.empty() ? manager_.QuoteIdentifier(manager_.UnquoteIdentifier(parts.name))
                                    : manager_.QuotedQualifiedName(table, schema_);
    }

    // Raises what the server raises.
    void TableColumns(std::string_view table) {
        const std::string context = DisplayName(table);
        ForEachRow(connection_, "SHOW COLUMNS FROM " + QuotedName(table), [&](const TMetadataRow& row) {
            items_.Add(ckColumn, FieldText(row, 0), FieldText(row, 1), {}, context);
        });
    }

    void TableColumnsQuietly(std::string_view table) {
        try {
            TableColumns(table);
        } catch (const std::exception&) {
        }
    }

    void Indexes(std::string_view table) {
        try {
            std::string key, columns;
            const auto flush = [&] {
                if (!key.empty()) items_.Add(ckIndex, key, {}, {}, "(" + columns + ")");
            };
            ForEachRow(connection_, "SHOW INDEX FROM " + QuotedName(table), [&](const TMetadataRow& row) {
                const std::string name = FieldText(row, 2);
                if (name != key) {
                    flush();
                    key = name;
                    columns.clear();
                }
                core::AppendWithDelimiter(columns, FieldText(row, 4), ", ");
            });
            flush();
        } catch (const std::exception&) {
        }
    }

    void DerivedColumns(const TRelation& relation) {
        try {
            const auto query = connection_.CreateQuery(
                rtl::Format("SELECT * FROM (%s) sub_query LIMIT 0", relation.Table.c_str()), true);
            query->Open();
            for (int i = 0; i < query->FieldCount(); ++i) {
                data::TField* field = query->Fields()[i];
                items_.Add(ckColumn, field->FieldName(), Lower(connection_.FieldDataType(field).TypeName), {},
                           relation.Alias);
            }
        } catch (const std::exception&) {
        }
    }

    void StoredRoutines(const std::string& database, bool functions) {
        const char* type = functions ? "FUNCTION" : "PROCEDURE";
        const std::string unquoted = manager_.UnquoteIdentifier(database);
        try {
            ForEachRow(connection_,
                       "SELECT NAME, PARAM_LIST, RETURNS FROM mysql.proc WHERE DB=" + Literal(unquoted) +
                           " AND TYPE=" + Literal(type),
                       [&](const TMetadataRow& row) {
                           const std::string parameters = core::CompressSpaces(FieldText(row, 1));
                           if (functions)
                               items_.Add(ckFunction, FieldText(row, 0), {}, {},
                                          "(" + parameters + "): " + FieldText(row, 2));
                           else
                               items_.Add(ckProcedure, FieldText(row, 0), {}, {}, "(" + parameters + ")");
                       });
        } catch (const std::exception&) {
            try {
                ForEachRow(connection_, rtl::Format("SHOW %s STATUS WHERE Db = ", type) + Literal(unquoted),
                           [&](const TMetadataRow& row) {
                               items_.Add(functions ? ckFunction : ckProcedure, FieldText(row, 1));
                           });
            } catch (const std::exception&) {
            }
        }
    }

    void BuiltinFunctions() {
        const TSystemFunctions& table = SystemFunctions();
        for (int i = 0; i < table.Count(); ++i) {
            const TSystemFunction function = table.GetFunction(i);
            std::string parameters;
            for (const auto& parameter : function.Parameters)
                core::AppendWithDelimiter(parameters, ParameterText(parameter), ", ");
            items_.Add(ckBuiltinFunction, function.Name, {}, {}, "(" + parameters + ")");
        }
    }

    static std::string ParameterText(const TSystemFunctionParameter& parameter) {
        return parameter.TypeName.empty() ? parameter.Name : parameter.Name + ": " + parameter.TypeName;
    }

    // Whether the relation is the table schema.table (unquoted, as the catalogue gives them).
    bool IsTable(const TRelation& relation, const std::string& schema, const std::string& table) const {
        if (relation.Derived) return false;
        const auto parts = Split(relation.Table);
        return manager_.SameIdentifier(manager_.UnquoteIdentifier(parts.schema), schema) &&
               manager_.SameIdentifier(manager_.UnquoteIdentifier(parts.name), table);
    }

    std::vector<std::string> Aliases(const TRelations& relations) const {
        std::vector<std::string> aliases;
        for (const auto& relation : relations)
            aliases.push_back(relation.Alias);
        return aliases;
    }

    static const std::string& Reference(const TRelation& relation) {
        return relation.Alias.empty() ? relation.Table : relation.Alias;
    }

    void JoinSuggestions(const TRelations& relations) {
        std::string sides, referenced;
        for (const auto& relation : relations) {
            if (relation.Derived) continue;
            const auto parts = Split(relation.Table);
            const std::string schema = Literal(manager_.UnquoteIdentifier(parts.schema));
            const std::string table = Literal(manager_.UnquoteIdentifier(parts.name));
            core::AppendWithDelimiter(
                sides, "((cu.table_schema = " + schema + ") AND (cu.table_name = " + table + "))", " OR ");
            core::AppendWithDelimiter(referenced,
                                      "((cu.referenced_table_schema = " + schema +
                                          ") AND (cu.referenced_table_name = " + table + "))",
                                      " OR ");
        }
        if (sides.empty()) return;
        const std::vector<std::string> taken = Aliases(relations);
        try {
            ForEachRow(connection_,
                       "SELECT cu.table_schema, cu.table_name, cu.column_name, cu.referenced_table_schema, "
                       "cu.referenced_table_name, cu.referenced_column_name FROM "
                       "information_schema.key_column_usage cu "
                       "WHERE (cu.referenced_table_name IS NOT NULL) AND (" +
                           sides +
                           ") UNION SELECT cu.referenced_table_schema, cu.referenced_table_name, "
                           "cu.referenced_column_name, cu.table_schema, cu.table_name, cu.column_name FROM "
                           "information_schema.key_column_usage cu WHERE (cu.referenced_table_name IS NOT "
                           "NULL) AND (" +
                           referenced + ")",
                       [&](const TMetadataRow& row) {
                           const std::string schema = FieldText(row, 0), table = FieldText(row, 1);
                           const std::string column = FieldText(row, 2), otherSchema = FieldText(row, 3);
                           const std::string otherTable = FieldText(row, 4), otherColumn = FieldText(row, 5);
                           const std::string otherName =
                               manager_.SameIdentifier(otherSchema, manager_.UnquoteIdentifier(schema_))
                                   ? otherTable
                                   : otherSchema + "." + otherTable;
                           for (const auto& relation : relations) {
                               if (!IsTable(relation, schema, table)) continue;
                               const std::string alias = MakeJoinAlias(otherTable, taken, manager_);
                               const std::string condition = "ON (" + alias + "." + otherColumn + " = " +
                                                             Reference(relation) + "." + column + ")";
                               const std::string name = otherName + " " + alias;
                               items_.Add(ckJoin, name, {}, name + " " + condition, condition);
                           }
                       });
        } catch (const std::exception&) {
        }
    }

    void JoinConditions(const std::string& joinTable, const std::string& joinAlias,
                        const TRelations& relations) {
        const auto parts = Split(joinTable);
        const std::string schema = Literal(manager_.UnquoteIdentifier(parts.schema));
        const std::string table = Literal(manager_.UnquoteIdentifier(parts.name));
        const std::string& reference = joinAlias.empty() ? joinTable : joinAlias;
        try {
            ForEachRow(connection_,
                       "SELECT cu.column_name, cu.referenced_table_schema, cu.referenced_table_name, "
                       "cu.referenced_column_name FROM information_schema.key_column_usage cu WHERE "
                       "(cu.referenced_table_name IS NOT NULL) AND (cu.table_schema = " +
                           schema + ") AND (cu.table_name = " + table +
                           ") UNION SELECT cu.referenced_column_name, cu.table_schema, cu.table_name, "
                           "cu.column_name FROM information_schema.key_column_usage cu WHERE "
                           "(cu.referenced_table_name IS NOT NULL) AND (cu.referenced_table_schema = " +
                           schema + ") AND (cu.referenced_table_name = " + table + ")",
                       [&](const TMetadataRow& row) {
                           const std::string column = FieldText(row, 0), otherSchema = FieldText(row, 1);
                           const std::string otherTable = FieldText(row, 2), otherColumn = FieldText(row, 3);
                           for (const auto& relation : relations) {
                               if (!IsTable(relation, otherSchema, otherTable)) continue;
                               const std::string condition =
                                   reference + "." + column + " = " + Reference(relation) + "." + otherColumn;
                               items_.Add(ckJoinCondition, condition, {}, "(" + condition + ")");
                           }
                       });
        } catch (const std::exception&) {
        }
    }

    // A relation that is not derived and has no alias: its table and its database as candidates.
    void RelationNames(const TRelation& relation) {
        const auto parts = Split(relation.Table);
        items_.Add(ckTable, manager_.UnquoteIdentifier(parts.name), {}, parts.name);
        const std::string& schema = parts.schema.empty() ? schema_ : parts.schema;
        if (!schema.empty()) items_.Add(ckDatabase, manager_.UnquoteIdentifier(schema), {}, schema);
    }

    TCodeCompletionItems& items_;
    core::IDBAConnection& connection_;
    const core::TIdentifierManager& manager_;
    const std::string& schema_;
};

} // namespace

std::string MakeJoinAlias(std::string_view tableName, const std::vector<std::string>& taken,
                          const core::TIdentifierManager& manager) {
    if (tableName.size() < 2) return {};
    std::string alias(1, tableName[0]);
    for (size_t i = 1; i < tableName.size(); ++i)
        if (tableName[i - 1] == '_') alias += tableName[i];
    const auto isTaken = [&](const std::string& candidate) {
        return std::any_of(taken.begin(), taken.end(), [&](const std::string& other) {
            return manager.SameIdentifier(other, candidate);
        });
    };
    if (!isTaken(alias)) return alias;
    for (int number = 2;; ++number)
        if (const std::string numbered = alias + std::to_string(number); !isTaken(numbered)) return numbered;
}

void FillCompletionItems(std::u16string_view statement, int caret, TCodeCompletionItems& items,
                         core::IDBAConnection& connection, const core::TIdentifierManager& manager,
                         const std::string& defaultSchema, std::u16string_view textBefore,
                         uint8_t parseMode) {
    if (statement.size() >= kMaxAnalysedStatementLength) return;
    TCompletionContextFiller filler;
    filler.Fill(statement, *NewGrammar(parseMode), caret);
    const TCompletionContext& context = filler.Context();
    if (context.Nothing) return;
    TCandidates candidates(items, connection, manager, defaultSchema);
    const auto& qualifiers = context.Qualifiers;

    if (!context.InsertTable.empty()) candidates.TableColumnsQuietly(context.InsertTable);
    if (context.IndexHint) candidates.Indexes(context.IndexTable);

    if (context.Columns && !context.InValues) {
        TRelations relations;
        ExtractRelations(statement, *NewGrammar(parseMode), caret, relations);
        if (context.JoinCondition && AllowJoinConditions)
            candidates.JoinConditions(context.JoinTable, context.JoinAlias, relations);
        if (qualifiers.empty()) {
            for (const auto& relation : relations) {
                if (relation.Derived)
                    candidates.DerivedColumns(relation);
                else
                    candidates.TableColumnsQuietly(relation.Table);
                if (!rtl::Trim(relation.Alias).empty())
                    items.Add(ckAlias, manager.UnquoteIdentifier(relation.Alias), {}, relation.Alias,
                              relation.Derived ? std::string("query")
                                               : candidates.DisplayName(relation.Table));
                else if (!relation.Derived)
                    candidates.RelationNames(relation);
            }
        } else if (qualifiers.size() == 1) {
            const std::string& qualifier = qualifiers[0];
            try {
                for (const auto& relation : relations) {
                    if (!relation.Alias.empty()) {
                        if (manager.SameIdentifier(relation.Alias, qualifier)) {
                            if (relation.Derived)
                                candidates.DerivedColumns(relation);
                            else
                                candidates.TableColumns(relation.Table);
                        }
                        continue;
                    }
                    if (relation.Derived) continue;
                    const auto parts = candidates.Split(relation.Table);
                    if (manager.SameIdentifier(parts.name, qualifier))
                        candidates.TableColumns(relation.Table);
                    else if (manager.SameIdentifier(parts.schema, qualifier))
                        items.Add(ckTable, manager.UnquoteIdentifier(parts.name), {}, parts.name);
                }
            } catch (const std::exception&) {
                return;
            }
        } else if (qualifiers.size() == 2) {
            const std::string qualified = qualifiers[0] + "." + qualifiers[1];
            for (const auto& relation : relations)
                if (relation.Alias.empty() && !relation.Derived &&
                    manager.SameQualifiedName(relation.Table, qualified, defaultSchema))
                    candidates.TableColumnsQuietly(relation.Table);
        } else {
            return;
        }
    }

    if (qualifiers.empty()) {
        if (context.Locals) ExtractLocalSymbols(textBefore, items, lsmVariables);
        if (context.Cursors) ExtractLocalSymbols(textBefore, items, lsmCursors);
        if (context.Conditions) ExtractLocalSymbols(textBefore, items, lsmConditions);
    }

    const std::string database = qualifiers.size() == 1   ? qualifiers[0]
                                 : !defaultSchema.empty() ? defaultSchema
                                                          : connection.GetDatabase();
    if (context.Functions) {
        candidates.StoredRoutines(database, true);
        if (qualifiers.empty() && AllowEmbeddedFunctions) candidates.BuiltinFunctions();
    }
    if (context.Procedures) candidates.StoredRoutines(database, false);
    if (context.Tables) {
        try {
            if (qualifiers.empty() && context.Joins && AllowJoins) {
                TRelations relations;
                ExtractRelations(statement, *NewGrammar(parseMode), caret, relations);
                candidates.JoinSuggestions(relations);
            }
            ForEachRow(connection, "SHOW TABLES FROM " + database,
                       [&](const TMetadataRow& row) { items.Add(ckTable, FieldText(row, 0)); });
        } catch (const std::exception&) {
            return;
        }
    }
    if (AllowDatabases && qualifiers.empty() && (context.Tables || context.Functions || context.Procedures)) {
        try {
            ForEachRow(connection, "SHOW DATABASES",
                       [&](const TMetadataRow& row) { items.Add(ckDatabase, FieldText(row, 0)); });
        } catch (const std::exception&) {
        }
    }
    if (AllowKeywords)
        for (const auto& keyword : context.Keywords)
            items.Add(ckKeyword, keyword);
}

namespace {

// Which argument of the list the caret is in; a trailing "," starts the next one.
template <class TArgument>
int ArgumentIndex(const TProduction* list, const std::vector<TArgument*>& arguments, int caret) {
    if (!list) return 0;
    for (size_t i = 0; i < arguments.size(); ++i)
        if (ProductionHoldsCaret(*arguments[i], caret)) return static_cast<int>(i);
    const TSymbol* last = list->Children().Last();
    while (last && last->ClassType().InheritsFrom(list->ClassType()))
        last = static_cast<const TProduction*>(last)->Children().Last();
    const auto* terminal = dynamic_cast<const TConstantTerminal*>(last);
    if (terminal && terminal->Text() == ",") return static_cast<int>(arguments.size());
    return std::max(0, static_cast<int>(arguments.size()) - 1);
}

void BuiltinParameters(const TSystemFunction& function, rtl::TStringList& list) {
    for (const auto& parameter : function.Parameters)
        list.Add(parameter.TypeName.empty() ? parameter.Name : parameter.Name + ": " + parameter.TypeName);
    if (function.Parameters.empty()) list.Add(kNoParametersExpected);
}

// Each parameter definition of a catalogue parameter list as written.
void AddParameterDefinitions(const std::string& parameterList, rtl::TStringList& list) {
    TMySqlGrammar grammar;
    grammar.SetParseMode(pmRoutineHeader);
    GrammarParserCache().GetParser<TMySqlGrammar>().Parse(
        grammar, rtl::Utf8ToUtf16("CREATE PROCEDURE routine(" + parameterList + ")"));
    for (TSymbol* symbol : grammar.Children())
        if (auto* header = dynamic_cast<TgrmRoutineHeader*>(symbol)) {
            std::vector<TgrmParameterDefinition*> definitions;
            header->GetParameters(&definitions);
            for (const auto* definition : definitions)
                list.Add(GetSourceText(*definition, true, false));
        }
}

void StoredRoutineParameters(core::IDBAConnection& connection, const core::TIdentifierManager& manager,
                             const std::string& defaultSchema, const std::string& name, bool function,
                             rtl::TStringList& list) {
    core::TIdentifierParts parts;
    try {
        parts = manager.SplitIdentifier(name, defaultSchema);
    } catch (const std::exception&) {
        return;
    }
    std::string sql =
        "SELECT PARAM_LIST FROM mysql.proc WHERE DB=" + Literal(manager.UnquoteIdentifier(parts.schema)) +
        " AND NAME=" + Literal(manager.UnquoteIdentifier(parts.name)) +
        " AND TYPE=" + Literal(function ? "FUNCTION" : "PROCEDURE");
    try {
        ForEachRow(connection, sql, [&](const TMetadataRow& row) {
            if (!row[0]) return;
            const std::string parameters = core::CompressSpaces(FieldText(row, 0));
            if (rtl::Trim(parameters).empty())
                list.Add(kNoParametersExpected);
            else
                AddParameterDefinitions(parameters, list);
        });
    } catch (const std::exception&) {
        // No hint rather than an error box on every "(" for a user who may not read the catalogue.
    }
}

void InsertColumns(core::IDBAConnection& connection, const core::TIdentifierManager& manager,
                   const std::string& defaultSchema, const std::string& table, rtl::TStringList& list) {
    const bool columnsGiven = list.Count() > 0;
    try {
        const std::string quoted = manager.QuotedQualifiedName(table, defaultSchema);
        ForEachRow(connection, "SHOW COLUMNS FROM " + quoted, [&](const TMetadataRow& row) {
            const std::string field = FieldText(row, 0);
            const std::string entry = field + ": " + FieldText(row, 1);
            if (!columnsGiven) {
                list.Add(entry);
                return;
            }
            for (int i = 0; i < list.Count(); ++i)
                if (manager.SameIdentifier(list[i], field)) list.SetString(i, entry);
        });
    } catch (const std::exception&) {
    }
}

TFunction* CalledFunction(TSymbol* symbol) {
    for (TProduction* owner = symbol->Owner(); owner; owner = owner->Owner())
        if (auto* function = dynamic_cast<TFunction*>(owner); function && !function->Children().IsEmpty())
            return function;
    return nullptr;
}

} // namespace

void FillParameterHints(std::u16string_view statement, int caret, core::IDBAConnection& connection,
                        const core::TIdentifierManager& manager, const std::string& defaultSchema,
                        rtl::TStringList& list, int& index, uint8_t parseMode) {
    index = -1;
    if (statement.size() >= kMaxAnalysedStatementLength) return;
    const auto grammar = NewGrammar(parseMode);
    std::vector<TSymbol*> symbols;
    if (!ParseToCursor(statement, *grammar, caret, true, true, symbols) || symbols.empty()) return;
    TSymbol* symbol = symbols.front();

    if (TFunction* function = CalledFunction(symbol)) {
        const int builtin = SystemFunctions().IndexOf(function->GetName());
        if (builtin >= 0)
            BuiltinParameters(SystemFunctions().GetFunction(builtin), list);
        else
            StoredRoutineParameters(connection, manager, defaultSchema, function->GetName(), true, list);
        std::vector<TExpression*> arguments;
        function->GetArguments(&arguments);
        index = ArgumentIndex(function->Children().Find<TExpressionList>(), arguments, caret);
        if (builtin >= 0) {
            const TSystemFunction entry = SystemFunctions().GetFunction(builtin);
            if (entry.Variadic && !entry.Parameters.empty())
                index = std::min(index, static_cast<int>(entry.Parameters.size()) - 1);
        }
        return;
    }
    auto* parameters = symbol->FindOwner<TgrmRoutineParameters>();
    auto* call = parameters ? parameters->FindOwner<TRoutineCallStatement>() : nullptr;
    if (call) {
        StoredRoutineParameters(connection, manager, defaultSchema, call->GetRoutineName(), false, list);
        std::vector<TExpression*> arguments;
        parameters->GetArguments(&arguments);
        index = ArgumentIndex(parameters->Children().Find<TExpressionList>(), arguments, caret);
        return;
    }
    auto* values = symbol->FindOwner<TInsertValuesItem>();
    auto* insert = values ? values->FindOwner<TInsertStatement>() : nullptr;
    if (insert) {
        if (auto* columns = FindChildSymbol<TInsertColumnList>(*insert)) columns->GetColumns(list);
        InsertColumns(connection, manager, defaultSchema, insert->GetTableName(), list);
        auto* expressions = values->Children().Find<TInsertValuesExpressionList>();
        std::vector<TInsertValuesExpression*> items;
        if (expressions) expressions->GetExpressions(&items);
        index = ArgumentIndex(expressions, items, caret);
    }
}

} // namespace app
