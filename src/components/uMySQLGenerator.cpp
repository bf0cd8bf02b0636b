#include "components/uMySQLGenerator.h"

#include "components/uDASQLHelpers.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/store/uCRParser.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <mariadb/mysql.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <set>

namespace components {

using dataaccess::TFieldDesc;
using dataaccess::TMySQLFieldDesc;

namespace {

bool IsTimestamp(const TFieldDesc& desc) {
    const auto* my = dynamic_cast<const TMySQLFieldDesc*>(&desc);
    return my && my->MySQLType == MYSQL_TYPE_TIMESTAMP;
}

} // namespace

TCustomMySQLGenerator::TCustomMySQLGenerator(TDADataSetService* service)
    : TDASQLGenerator(service, &data::TCollection::ItemClassOf<TMyParamInfo>) {}

int TCustomMySQLGenerator::ParamPosition(int index) const {
    const auto* info = dynamic_cast<const TMyParamInfo*>(ParamsInfo().Items(index));
    RTL_ASSERT(info);
    size_t before = headerSB_.size();
    if (info->Builder != &fldSB_) {
        before += fldSB_.size() + middleSB_.size();
        if (info->Builder == &condSB_)
            before += fldParamSB_.size();
        else
            RTL_ASSERT(info->Builder == &fldParamSB_);
    }
    return static_cast<int>(before) + info->Position + 1;
}

void TCustomMySQLGenerator::AddParam(std::string& builder, const TFieldDesc& desc, bool old, int recIndex,
                                     data::TParamType paramType, TStatementType statementType) {
    const int count = ParamsInfo().Count();
    TDASQLGenerator::AddParam(builder, desc, old, recIndex, paramType, statementType);
    if (ParamsInfo().Count() == count) return;
    auto* info = static_cast<TMyParamInfo*>(ParamsInfo().Items(count));
    info->Builder = &builder;
    info->Position = static_cast<int>(builder.size()) - 1;
}

std::string TCustomMySQLGenerator::FieldNameForCondition(const TFieldDesc& desc, bool forRefresh) const {
    const auto* crDesc = dynamic_cast<const dataaccess::TCRFieldDesc*>(&desc);
    const dataaccess::TCRTableInfo* table = crDesc ? crDesc->TableInfo() : nullptr;
    if (!forRefresh || !table) return TDASQLGenerator::FieldNameForCondition(desc, false);
    return QuoteName(TableAliasOrName(*table)) + "." + QuoteName(ActualFieldName(desc, table));
}

void TCustomMySQLGenerator::AddKeyCondition(std::string& builder, const TFieldDesc* desc, int recIndex,
                                            bool flag, TStatementType statementType) {
    const auto* my = dynamic_cast<const TMySQLFieldDesc*>(desc);
    RTL_ASSERT(my);
    if (!my->TableInfo()) return;
    if (flag && statementType == stRefresh && IsTimestamp(*desc) && FieldIsNull(*desc, true)) {
        if (!builder.empty()) builder += " AND ";
        builder += FieldNameForCondition(*desc, true) + " = '00000000'";
        return;
    }
    TDASQLGenerator::AddKeyCondition(builder, desc, recIndex, flag, statementType);
}

bool TCustomMySQLGenerator::CheckRowVersion() const {
    const auto* options = dynamic_cast<const TMyDataSetOptions*>(&DataSet()->Options());
    return options && options->CheckRowVersion();
}

void TCustomMySQLGenerator::AddTimestampCondition(std::string& builder, const TKeyAndDataFields& fields) {
    const auto found = std::find_if(fields.DataFieldDescs.begin(), fields.DataFieldDescs.end(),
                                    [](const TFieldDesc* desc) { return IsTimestamp(*desc); });
    if (found == fields.DataFieldDescs.end() || !DataSet()->FindField((*found)->FieldName))
        data::DatabaseError("Timestamp field required");
    const auto* table =
        dynamic_cast<const dataaccess::TMyTableInfo*>(static_cast<TMySQLFieldDesc*>(*found)->TableInfo());
    RTL_ASSERT(table);
    builder +=
        FieldNameForCondition(**found, true) + " >= " +
        dataaccess::MyVariantToQuotedText(rtl::Variant::FromDateTime(table->MaxTimestamp()), nullptr, {});
}

void TCustomMySQLGenerator::AddKeyConditions(std::string& builder, TStatementType statementType, int recIndex,
                                             const TKeyAndDataFields& fields, bool flag) {
    if (statementType == stRefreshQuick) {
        AddTimestampCondition(builder, fields);
        return;
    }
    if (!CheckRowVersion() || (statementType != stUpdate && statementType != stDelete)) {
        TDASQLGenerator::AddKeyConditions(builder, statementType, recIndex, fields, flag);
        return;
    }
    std::set<int> keyNumbers;
    for (const TFieldDesc* desc : fields.KeyFieldDescs) {
        AddKeyCondition(builder, desc, recIndex, flag, statementType);
        keyNumbers.insert(desc->FieldNumber);
    }
    const auto version = std::find_if(fields.DataFieldDescs.begin(), fields.DataFieldDescs.end(),
                                      [](const TFieldDesc* desc) { return IsTimestamp(*desc); });
    if (version != fields.DataFieldDescs.end()) {
        const data::TField* field = DataSet()->FindField((*version)->FieldName);
        if (field && !field->IsNull()) {
            AddKeyCondition(builder, *version, recIndex, flag, statementType);
            return;
        }
    }
    RTL_ASSERT(!fields.DataFieldDescs.empty());
    for (const TFieldDesc* desc : fields.DataFieldDescs)
        if (!IsBlobDataType(desc->TypeCode) && !keyNumbers.count(desc->FieldNumber))
            AddKeyCondition(builder, desc, recIndex, flag, statementType);
}

std::string TCustomMySQLGenerator::SQLAddWhere(const std::string& sql, const std::string& condition) const {
    return MyAddWhere(sql, condition);
}

std::string TCustomMySQLGenerator::SQLGetWhere(const std::string& sql) const {
    return MyGetWhere(sql);
}

std::string TCustomMySQLGenerator::SQLGetFrom(const std::string& sql) const {
    return MyGetFrom(sql);
}

void TCustomMySQLGenerator::GenerateLockSQL(const TKeyAndDataFields& fields, int recIndex) {
    headerSB_ = "SELECT * FROM " + QuotedTableName();
    middleSB_ = "\r\nWHERE\r\n  ";
    AddKeyConditions(condSB_, stLock, recIndex, fields, false);
    footerSB_ = "\r\n";
    if (lockType_ == 0)
        footerSB_ += "FOR UPDATE";
    else if (lockType_ == 1)
        footerSB_ += "LOCK IN SHARE MODE";
}

void TCustomMySQLGenerator::LimitKeyless(const TKeyAndDataFields& fields) {
    const bool identified = !fields.KeyFieldDescs.empty() || Service()->IdentityField();
    if (!identified && !headerSB_.empty()) footerSB_ += "\r\nLIMIT 1";
}

void TCustomMySQLGenerator::GenerateUpdateSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly,
                                              int recIndex) {
    TDASQLGenerator::GenerateUpdateSQL(fields, modifiedFieldsOnly, recIndex);
    LimitKeyless(fields);
}

void TCustomMySQLGenerator::GenerateDeleteSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly,
                                              int recIndex) {
    TDASQLGenerator::GenerateDeleteSQL(fields, modifiedFieldsOnly, recIndex);
    LimitKeyless(fields);
}

bool TCustomMySQLGenerator::IsProtocol41() const {
    const auto* connection = dynamic_cast<const TCustomMyConnection*>(DataSet()->UsedConnection());
    const dataaccess::TMySQLConnection* session = connection ? connection->MyIConnection() : nullptr;
    return session && session->IsClient41() && session->IsServer41();
}

std::string TCustomMySQLGenerator::GenerateTableSQL(const std::string& tableName,
                                                    const std::string& orderFields) {
    const std::string table = QuoteName(tableName);
    // "LIMIT n, -1" is not SQL: a window without a row count runs to the end.
    const int rows = limit_ == -1 ? std::numeric_limits<int32_t>::max() : limit_;
    if (!useHandler_) {
        std::string sql = "SELECT * FROM " + table;
        if (!orderFields.empty()) sql += " ORDER BY " + orderFields;
        if (limit_ != -1 || offset_ != 0) sql += rtl::Format(" LIMIT %d, %d", offset_, rows);
        return sql;
    }
    const bool protocol41 = IsProtocol41();
    std::string sql = protocol41 ? "HANDLER " + table + " OPEN; " : "";
    sql += "HANDLER " + table + " READ";
    const std::string index = TrimBlanks(handlerIndex_);
    if (index.empty()) {
        sql += " FIRST";
    } else {
        sql += " " + index;
        // An index with a comparison reads from the given key; a bare index name reads from its start.
        std::unique_ptr<dataaccess::TSQLParser> lexer = MyParserClass()(index);
        lexer->SetSkipBlanks(true);
        std::string lexem;
        lexer->NextLexem(lexem);
        lexer->NextLexem(lexem);
        if (lexem.empty() || !std::strchr("=<>", lexem[0])) sql += " FIRST";
    }
    if (!DataSet()->FilterSQL().empty()) sql += " WHERE " + DataSet()->FilterSQL();
    sql += rtl::Format(" LIMIT %d, %d", offset_, rows);
    if (protocol41) sql += "; HANDLER " + table + " CLOSE";
    return sql;
}

} // namespace components
