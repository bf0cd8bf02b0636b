#include "app/fruSchemaBrowser.h"

#include <strings.h>

#include "app/duVeltraneCommon.h"
#include "core/uDBAConnection.h"
#include "core/uIdentifierManager.h"
#include "core/uStringUtils.h"
#include "imaging/uPngImageList.h"
#include "lazytree/LazyStringTree.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Messages.h"

#include <new>

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

using lazytree::PLazyNode;

TfrmSchemaBrowser::TfrmSchemaBrowser(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection)
    : ui::TFrame(owner), tvObjects(new lazytree::TLazyStringTree(this)), connection_(std::move(connection)) {
    RTL_ASSERT(connection_);
    SetName("frmSchemaBrowser");
    SetBounds(0, 0, 220, 300);
    tvObjects->SetName("tvObjects");
    tvObjects->SetParent(this);
    tvObjects->SetAlign(ui::alClient);
    lazytree::TLazyTreeModel& tree = tvObjects->Tree();
    tree.SetNodeDataSize(sizeof(TSchemaItemData));
    if (dmVeltraneCommon) tvObjects->SetImages(dmVeltraneCommon->ilObjects);
    tree.SetSelectionOptions(tree.Options().SelectionOptions +
                             lazytree::TVTSelectionOptions{lazytree::toRightClickSelect});
    tree.SetPaintOptions(tree.Options().PaintOptions - lazytree::TVTPaintOptions{lazytree::toShowTreeLines});
    lazytree::TVTHeader& header = tvObjects->Header();
    header.SetOptions(header.Options() +
                      lazytree::TVTHeaderOptions{lazytree::hoAutoResize, lazytree::hoAutoSpring});
    header.SetStyle(lazytree::hsXPStyle);
    header.Columns().Add().Look().Text = u"Name";
    header.SetSortColumn(0);
    tree.SetIndent(16);

    tvObjects->OnGetText = [this](lazytree::TCustomLazyStringTree&, PLazyNode node, lazytree::TColumnIndex,
                                  lazytree::TVSTTextType,
                                  std::u16string& text) { text = rtl::Utf8ToUtf16(Data(node)->displayText); };
    // Also called while the tree itself goes: only the tree is asked.
    tree.OnFreeNode = [](lazytree::TLazyTreeModel& sender, PLazyNode node) {
        std::destroy_at(sender.GetNodeData<TSchemaItemData>(node));
    };
    tree.OnInitChildren = [this](lazytree::TLazyTreeModel&, PLazyNode node, uint32_t& childCount) {
        InitChildren(node, childCount);
    };
    tree.OnInitNode = [](lazytree::TLazyTreeModel&, PLazyNode, PLazyNode, lazytree::TLazyNodeInitStates&) {};
    tvObjects->OnGetImageIndex = [this](lazytree::TBaseLazyTree&, PLazyNode node, lazytree::TVTImageKind kind,
                                        lazytree::TColumnIndex, bool&, int& imageIndex) {
        if (kind == lazytree::ikNormal || kind == lazytree::ikSelected)
            imageIndex = SchemaItemImage(Data(node)->kind);
    };
    tvObjects->OnDblClick = [this](ui::TObject*) { OpenFocusedRoutine(); };
    tvObjects->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState) {
        if (key == ui::VK_RETURN) OpenFocusedRoutine();
    };
}

TSchemaItemData* TfrmSchemaBrowser::Data(PLazyNode node) const {
    return tvObjects->Tree().GetNodeData<TSchemaItemData>(node);
}

// The node's record lives in the tree's own node memory; OnFreeNode destroys it.
void TfrmSchemaBrowser::AddNode(PLazyNode parent, const TSchemaItemData& item, bool hasChildren) {
    lazytree::TLazyTreeModel& tree = tvObjects->Tree();
    PLazyNode node = tree.AddChild(parent);
    new (Data(node)) TSchemaItemData(item);
    node->States.Include(lazytree::nsInitialized);
    if (hasChildren) node->States.Include(lazytree::nsHasChildren);
}

void TfrmSchemaBrowser::Refresh() {
    lazytree::TLazyTreeModel& tree = tvObjects->Tree();
    tree.BeginUpdate();
    const rtl::ScopeExit endUpdate([&] { tree.EndUpdate(); });
    tree.Clear();
    const std::string configured = connection_->GetDatabase();
    for (const auto& database : ReadSchemaDatabases(*connection_)) {
        AddNode(nullptr, database, true);
        if (strcasecmp(database.name.c_str(), configured.c_str()) == 0)
            tree.SetExpanded(tree.RootNode()->LastChild, true);
    }
}

void TfrmSchemaBrowser::InitChildren(PLazyNode node, uint32_t& childCount) {
    lazytree::TLazyTreeModel& tree = tvObjects->Tree();
    tree.BeginUpdate();
    const rtl::ScopeExit endUpdate([&] { tree.EndUpdate(); });
    childCount = 0;
    const TSchemaItemData& schema = *Data(node);
    if (schema.kind != TSchemaItemData::skSchema) return;
    for (const auto& routine : ReadSchemaRoutines(*connection_, schema.name)) {
        AddNode(node, routine, false);
        ++childCount;
    }
}

void TfrmSchemaBrowser::GetSelectedItem(TSchemaItemData& item) const {
    PLazyNode node = tvObjects->Tree().FocusedNode();
    if (!node) {
        item = {};
        return;
    }
    item = *Data(node);
    if (item.kind == TSchemaItemData::skProcedure || item.kind == TSchemaItemData::skFunction)
        item.name = Data(node->Parent)->name + "." + item.name;
}

std::string TfrmSchemaBrowser::SelectedRoutineQuotedName(const core::TIdentifierManager& manager) const {
    PLazyNode node = tvObjects->Tree().FocusedNode();
    if (!node || Data(node)->kind == TSchemaItemData::skSchema ||
        Data(node)->kind == TSchemaItemData::skUnknown)
        return {};
    return manager.QuoteIdentifier(Data(node->Parent)->name) + "." +
           manager.QuoteIdentifier(Data(node)->name);
}

void TfrmSchemaBrowser::SetPopupMenu(ui::TPopupMenu* menu) {
    tvObjects->OnGetPopupMenu = [menu](lazytree::TBaseLazyTree&, PLazyNode, lazytree::TColumnIndex,
                                       ui::TPoint, bool&, ui::TPopupMenu*& shown) { shown = menu; };
}

void TfrmSchemaBrowser::DeleteFocusedNode() {
    if (PLazyNode node = tvObjects->Tree().FocusedNode()) tvObjects->Tree().RemoveNode(node);
}

void TfrmSchemaBrowser::FocusTree() {
    if (tvObjects->CanFocus()) tvObjects->SetFocus();
}

void TfrmSchemaBrowser::OpenFocusedRoutine() {
    TSchemaItemData item;
    GetSelectedItem(item);
    if (OnOpen && (item.kind == TSchemaItemData::skProcedure || item.kind == TSchemaItemData::skFunction))
        OnOpen(item.name, item.kind);
}

} // namespace app
