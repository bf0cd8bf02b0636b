#include "platform/ui/TreeViews.h"

#include "platform/ui/Forms.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

class TreeViewsTest : public uitest::UiTest {
protected:
    TreeViewsTest() {
        form.SetBounds(0, 0, 300, 300);
        view.SetParent(&form);
        view.SetAlign(alClient);
        // a (a1 (a1x), a2), b
        a = view.Items().Add(nullptr, "a");
        a1 = view.Items().AddChild(a, "a1");
        a1x = view.Items().AddChildObject(a1, "a1x", &payload);
        a2 = view.Items().AddChild(a, "a2");
        b = view.Items().Add(a, "b");
    }
    QTreeWidget* Tree() { return qobject_cast<QTreeWidget*>(view.Handle()); }
    std::vector<std::string> FlatTexts() {
        std::vector<std::string> texts;
        for (TTreeNode* node = view.Items().GetFirstNode(); node; node = node->GetNext())
            texts.push_back(node->Text());
        return texts;
    }

    TForm form{nullptr};
    TTreeView view{&form};
    int payload = 0;
    TTreeNode* a;
    TTreeNode* a1;
    TTreeNode* a1x;
    TTreeNode* a2;
    TTreeNode* b;
};

TEST_F(TreeViewsTest, NodesKeepTheirShapeAndFlatOrder) {
    EXPECT_THAT(FlatTexts(), ElementsAre("a", "a1", "a1x", "a2", "b"));
    EXPECT_EQ(view.Items().Count(), 5);
    EXPECT_EQ(view.Items()[2], a1x);
    EXPECT_EQ(a1x->AbsoluteIndex(), 2);
    EXPECT_EQ(a2->Index(), 1);
    EXPECT_EQ(a1x->Level(), 2);
    EXPECT_EQ(a1x->Parent(), a1);
    EXPECT_EQ(a1x->Data(), &payload);
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_THROW(view.Items()[5], std::out_of_range);

    a1->Delete();
    EXPECT_THAT(FlatTexts(), ElementsAre("a", "a2", "b"));
    view.Items().Clear();
    EXPECT_EQ(view.Items().Count(), 0);
    EXPECT_EQ(view.Items().GetFirstNode(), nullptr);
}

TEST_F(TreeViewsTest, TheWidgetShowsTheNodesBeforeAndAfterRecreation) {
    a->SetExpanded(true);
    a1x->SetText("renamed");
    for (int round = 0; round < 2; ++round) {
        QTreeWidget* tree = Tree();
        ASSERT_EQ(tree->topLevelItemCount(), 2) << round;
        QTreeWidgetItem* top = tree->topLevelItem(0);
        EXPECT_EQ(top->text(0).toStdString(), "a");
        EXPECT_TRUE(top->isExpanded());
        EXPECT_EQ(top->child(0)->child(0)->text(0).toStdString(), "renamed");
        EXPECT_FALSE(top->child(0)->isExpanded());
        view.RecreateWnd();
    }
}

TEST_F(TreeViewsTest, SelectionFromCodeAndFromTheUserTellsOnChange) {
    std::vector<TTreeNode*> told;
    view.OnChange = [&](TObject*, TTreeNode* node) { told.push_back(node); };
    view.SetSelected(a2);
    EXPECT_TRUE(a2->Selected());
    EXPECT_EQ(Tree()->currentItem()->text(0).toStdString(), "a2");

    Tree()->setCurrentItem(Tree()->topLevelItem(1));
    EXPECT_EQ(view.Selected(), b);
    EXPECT_THAT(told, ElementsAre(a2, b));

    // Deleting the branch that holds the selection leaves none selected.
    view.SetSelected(a1x);
    a1->Delete();
    EXPECT_EQ(view.Selected(), nullptr);
    EXPECT_THAT(told, ElementsAre(a2, b, a1x, nullptr));
}

TEST_F(TreeViewsTest, TheUserExpandingANodeUpdatesItAndTellsOnExpanded) {
    std::vector<std::string> told;
    view.OnExpanded = [&](TObject*, TTreeNode* node) { told.push_back("+" + node->Text()); };
    view.OnCollapsed = [&](TObject*, TTreeNode* node) { told.push_back("-" + node->Text()); };
    Tree()->topLevelItem(0)->setExpanded(true);
    EXPECT_TRUE(a->Expanded());
    Tree()->topLevelItem(0)->setExpanded(false);
    EXPECT_FALSE(a->Expanded());
    EXPECT_THAT(told, ElementsAre("+a", "-a"));
}

} // namespace
} // namespace ui
