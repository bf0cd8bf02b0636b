#include "app/fruSchemaBrowser.h"

#include <strings.h>

#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/StringList.h"

namespace app {

int SchemaItemImage(TSchemaItemData::TKind kind) {
    switch (kind) {
    case TSchemaItemData::skSchema:
        return 0;
    case TSchemaItemData::skProcedure:
        return 1;
    case TSchemaItemData::skFunction:
        return 2;
    default:
        return -1;
    }
}

std::vector<TSchemaItemData> ReadSchemaDatabases(core::IDBAConnection& connection) {
    rtl::TStringList names;
    core::QueryColumnToStrings(&connection, "show databases", 0, &names);
    std::vector<TSchemaItemData> databases;
    for (int i = 0; i < names.Count(); ++i) {
        const std::string& name = names[i];
        if (strcasecmp(name.c_str(), "INFORMATION_SCHEMA") == 0 || strcasecmp(name.c_str(), "MYSQL") == 0)
            continue;
        databases.push_back({name, name, TSchemaItemData::skSchema});
    }
    return databases;
}

std::vector<TSchemaItemData> ReadSchemaRoutines(core::IDBAConnection& connection,
                                                const std::string& database) {
    // The name is written as a quoted literal: a database name may hold a quote.
    const auto query = connection.CreateQuery(
        "SELECT R.ROUTINE_NAME, R.ROUTINE_TYPE, R.DTD_IDENTIFIER FROM INFORMATION_SCHEMA.ROUTINES R WHERE "
        "R.ROUTINE_SCHEMA = " +
            core::QuoteEscapedBuffer(database, core::TEscapeMode::Quote),
        true);
    query->Open();
    std::vector<TSchemaItemData> routines;
    for (; !query->Eof(); query->Next()) {
        const std::string name = query->Fields()[0]->AsString();
        if (query->Fields()[1]->AsString() == "PROCEDURE")
            routines.push_back({name, name, TSchemaItemData::skProcedure});
        else
            routines.push_back(
                {name, name + ": " + query->Fields()[2]->AsString(), TSchemaItemData::skFunction});
    }
    return routines;
}

} // namespace app
