// The schema browser: a tree of the server's databases and their stored routines.
#pragma once

#include "platform/ui/Forms.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace core {
class IDBAConnection;
class TIdentifierManager;
} // namespace core
namespace ui {
class TPopupMenu;
}
namespace lazytree {
class TLazyStringTree;
struct TLazyNode;
} // namespace lazytree

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

// The server's databases as a tree, each with its stored procedures and functions, read when the
// database is first expanded. A double click or Enter opens the routine through the main window.
class TfrmSchemaBrowser : public ui::TFrame {
public:
    // Gets "database.routine" and the routine's kind (procedure or function).
    using TOpenEvent = std::function<void(const std::string& name, TSchemaItemData::TKind kind)>;

    TfrmSchemaBrowser(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection);

    // Reads the databases again; the configured one starts expanded.
    void Refresh();
    // The focused node; a routine's name is qualified by its database. Kind 0 without a focused node.
    void GetSelectedItem(TSchemaItemData& item) const;
    // The focused routine as the program names it, schema and name each quoted; empty for other nodes.
    std::string SelectedRoutineQuotedName(const core::TIdentifierManager& manager) const;
    void DeleteFocusedNode();
    void FocusTree();
    // The menu a right click on the tree opens, over a node or not.
    void SetPopupMenu(ui::TPopupMenu* menu);

    TOpenEvent OnOpen;
    lazytree::TLazyStringTree* tvObjects;

private:
    TSchemaItemData* Data(lazytree::TLazyNode* node) const;
    void AddNode(lazytree::TLazyNode* parent, const TSchemaItemData& item, bool hasChildren);
    void InitChildren(lazytree::TLazyNode* node, uint32_t& childCount);
    void OpenFocusedRoutine();

    std::shared_ptr<core::IDBAConnection> connection_;
};

} // namespace app
