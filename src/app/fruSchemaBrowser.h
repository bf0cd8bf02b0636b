#pragma once

#include <string>
#include <vector>

namespace core {
class IDBAConnection;
}

namespace app {

// One node of the schema browser: a database or one of its stored routines.
struct TSchemaItemData {
    enum TKind : unsigned char { skUnknown = 0, skSchema = 1, skProcedure = 2, skFunction = 3 };

    std::string name;
    std::string displayText;
    TKind kind = skUnknown;

    bool operator==(const TSchemaItemData&) const = default;
};

// The image of the kind in the program's object images; -1 for none.
int SchemaItemImage(TSchemaItemData::TKind kind);

// The server's databases in its order, without its own two catalogues.
std::vector<TSchemaItemData> ReadSchemaDatabases(core::IDBAConnection& connection);

// The procedures and functions of the database in the server's order; a function shows its return type.
std::vector<TSchemaItemData> ReadSchemaRoutines(core::IDBAConnection& connection,
                                                const std::string& database);

} // namespace app
