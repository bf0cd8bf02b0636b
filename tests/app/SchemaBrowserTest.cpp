#include "app/fruSchemaBrowser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/duVeltraneCommon.h"
#include "app/FrameServerFixture.h"
#include "lazytree/LazyStringTree.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Messages.h"

namespace app {
namespace {

class SchemaBrowserTest : public FrameServerTest {
protected:
    void SetUp() override {
        FrameServerTest::SetUp();
        if (IsSkipped()) return;
        session->Execute("CREATE DATABASE `" + database + "`");
        session->Execute("CREATE PROCEDURE `" + database + "`.p1()\nBEGIN\n  SET @a = 1;\nEND");
        session->Execute("CREATE FUNCTION `" + database +
                         "`.f1() RETURNS varchar(20)\nBEGIN\n  RETURN 'x';\nEND");
    }
    void DropObjects() override { session->Execute("DROP DATABASE IF EXISTS `" + database + "`"); }

    // The texts of the node's children as the tree shows them.
    static std::vector<std::u16string> ChildTexts(lazytree::TLazyStringTree& tree,
                                                  lazytree::PLazyNode parent) {
        std::vector<std::u16string> texts;
        for (auto node = parent->FirstChild; node; node = node->NextSibling) {
            std::u16string text;
            tree.OnGetText(tree, node, 0, lazytree::ttNormal, text);
            texts.push_back(text);
        }
        return texts;
    }

    static lazytree::PLazyNode Child(lazytree::TLazyStringTree& tree, lazytree::PLazyNode parent,
                                     std::u16string_view text) {
        for (auto node = parent->FirstChild; node; node = node->NextSibling) {
            std::u16string shown;
            tree.OnGetText(tree, node, 0, lazytree::ttNormal, shown);
            if (shown == text) return node;
        }
        return nullptr;
    }

    const std::string database = Unique("browse'db");
};

TEST_F(SchemaBrowserTest, DatabasesWithoutTheServersCataloguesAndTheirRoutines) {
    const auto databases = ReadSchemaDatabases(*connection);
    const auto has = [&](const std::string& name) {
        return std::any_of(databases.begin(), databases.end(),
                           [&](const auto& item) { return item.name == name; });
    };
    EXPECT_TRUE(has(settings.database));
    EXPECT_TRUE(has(database));
    EXPECT_FALSE(has("information_schema"));
    EXPECT_FALSE(has("mysql"));
    EXPECT_EQ(databases.front().kind, TSchemaItemData::skSchema);

    auto routines = ReadSchemaRoutines(*connection, database);
    std::sort(routines.begin(), routines.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(routines, (std::vector<TSchemaItemData>{{"f1", "f1: varchar(20)", TSchemaItemData::skFunction},
                                                      {"p1", "p1", TSchemaItemData::skProcedure}}));
    EXPECT_EQ(SchemaItemImage(TSchemaItemData::skFunction), 2);
    EXPECT_EQ(SchemaItemImage(TSchemaItemData::skUnknown), -1);
}

TEST_F(SchemaBrowserTest, TheTreeShowsDatabasesExpandsTheConfiguredOneAndOpensRoutines) {
    std::vector<std::pair<std::string, TSchemaItemData::TKind>> opened;
    TdmVeltraneCommon common(nullptr);
    dmVeltraneCommon = &common;
    const rtl::ScopeExit forget([] { dmVeltraneCommon = nullptr; });
    TfrmSchemaBrowser browser(&form, connection);
    browser.SetParent(&form);
    browser.SetAlign(ui::alClient);
    browser.OnOpen = [&](const std::string& name, TSchemaItemData::TKind kind) {
        opened.emplace_back(name, kind);
    };
    browser.Refresh();
    lazytree::TLazyStringTree& tree = *browser.tvObjects;
    lazytree::TLazyTreeModel& model = tree.Tree();

    const auto databases = ChildTexts(tree, model.RootNode());
    EXPECT_EQ(std::count(databases.begin(), databases.end(), u"mysql"), 0);
    EXPECT_EQ(std::count(databases.begin(), databases.end(), u"information_schema"), 0);
    auto* configured = Child(tree, model.RootNode(), rtl::Utf8ToUtf16(settings.database));
    ASSERT_TRUE(configured);
    EXPECT_TRUE(model.Expanded(configured)) << "the connection's database starts expanded";
    auto* browsed = Child(tree, model.RootNode(), rtl::Utf8ToUtf16(database));
    ASSERT_TRUE(browsed);
    EXPECT_FALSE(model.Expanded(browsed));
    EXPECT_EQ(browsed->ChildCount, 0u) << "routines are read on the first expansion";

    model.SetExpanded(browsed, true);
    auto routines = ChildTexts(tree, browsed);
    std::sort(routines.begin(), routines.end());
    EXPECT_EQ(routines, (std::vector<std::u16string>{u"f1: varchar(20)", u"p1"}));

    TSchemaItemData item;
    browser.GetSelectedItem(item);
    EXPECT_EQ(item.kind, TSchemaItemData::skUnknown) << "nothing focused";
    model.SetFocusedNode(browsed);
    browser.GetSelectedItem(item);
    EXPECT_EQ(item, (TSchemaItemData{database, database, TSchemaItemData::skSchema}));
    tree.OnDblClick(&tree);
    EXPECT_TRUE(opened.empty()) << "a database is not opened";

    model.SetFocusedNode(Child(tree, browsed, u"f1: varchar(20)"));
    browser.GetSelectedItem(item);
    EXPECT_EQ(item, (TSchemaItemData{database + ".f1", "f1: varchar(20)", TSchemaItemData::skFunction}));
    tree.OnDblClick(&tree);
    model.SetFocusedNode(Child(tree, browsed, u"p1"));
    uint16_t enter = ui::VK_RETURN;
    tree.OnKeyDown(&tree, enter, {});
    EXPECT_EQ(opened, (std::vector<std::pair<std::string, TSchemaItemData::TKind>>{
                          {database + ".f1", TSchemaItemData::skFunction},
                          {database + ".p1", TSchemaItemData::skProcedure}}));

    form.Show();
    Grab(browser, "/tmp/png/schema.png");
    browser.DeleteFocusedNode();
    EXPECT_EQ(ChildTexts(tree, browsed), std::vector<std::u16string>{u"f1: varchar(20)"})
        << "gone without reading the database again";
}

} // namespace
} // namespace app
