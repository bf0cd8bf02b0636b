#include "lazytree/LazyTreeError.h"
#include "lazytree/StringEditLink.h"
#include "StringTreeFixture.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace lazytree::test {
namespace {

// A link that records what the tree asks of it and answers as told.
class FakeLink : public IVTEditLink {
public:
    bool finishAnswer = true;
    std::vector<std::string> calls;
    ui::TRect placed;

    bool StartEditing() override { return Record("start"); }
    bool AbandonEditing() override { return Record("abandon"); }
    bool FinishEditing() override { return Record("finish") && finishAnswer; }
    bool PrepareEditing(TBaseLazyTree&, PLazyNode, TColumnIndex) override { return Record("prepare"); }
    ui::TRect EditorBounds() override { return placed; }
    void ForwardMessage(ui::TMessage&) override {}
    void PlaceEditor(const ui::TRect& r) override { placed = r; }

private:
    bool Record(const char* call) {
        calls.emplace_back(call);
        return true;
    }
};

class EditingTest : public StringTreeWidgetTest {
protected:
    void SetUp() override {
        StringTreeWidgetTest::SetUp();
        Fill(3);
        model().SetMiscOptions(model().Options().MiscOptions + TVTMiscOptions{toEditable});
        tree.OnNewText = [this](TCustomLazyStringTree&, PLazyNode node, TColumnIndex,
                                const std::u16string& text) { stored.emplace_back(node, text); };
    }
    void TearDown() override {
        // The string edit's posted release runs.
        QCoreApplication::processEvents();
    }
    // The running editor; an ended one waits hidden for its posted release.
    QLineEdit* Editor() {
        for (QLineEdit* edit : widget()->findChildren<QLineEdit*>())
            if (edit->isVisible()) return edit;
        return nullptr;
    }

    std::vector<std::pair<PLazyNode, std::u16string>> stored;
};

TEST_F(EditingTest, ReadOnlyTreeRefusesWithoutAsking) {
    bool asked = false;
    tree.OnEditing = [&](TBaseLazyTree&, PLazyNode, TColumnIndex, bool&) { asked = true; };
    model().SetMiscOptions(model().Options().MiscOptions + TVTMiscOptions{toReadOnly});
    EXPECT_FALSE(tree.EditNode(Top(1), NoColumn));
    EXPECT_FALSE(asked);
    EXPECT_THROW(tree.EditNode(Top(1), -2), rtl::Exception);
}

TEST_F(EditingTest, AHandlerThatGivesNoLinkRaises2000) {
    tree.OnCreateEditor = [](TBaseLazyTree&, PLazyNode, TColumnIndex, PVTEditLink&) {};
    try {
        tree.EditNode(Top(1), NoColumn);
        FAIL() << "no error";
    } catch (const ELazyTreeError& e) {
        EXPECT_STREQ(e.what(), "Edit link must not be nil.");
        EXPECT_EQ(e.HelpContext(), 2000);
    }
}

TEST_F(EditingTest, ARefusedFinishKeepsEditingAndEndsOnlyWhenAccepted) {
    auto link = std::make_shared<FakeLink>();
    tree.OnCreateEditor = [&](TBaseLazyTree&, PLazyNode, TColumnIndex, PVTEditLink& l) { l = link; };
    int edited = 0;
    tree.OnEdited = [&](TBaseLazyTree&, PLazyNode, TColumnIndex) { ++edited; };
    ASSERT_TRUE(tree.EditNode(Top(1), NoColumn));
    EXPECT_EQ(model().FocusedNode(), Top(1));
    EXPECT_EQ(link->calls, (std::vector<std::string>{"prepare", "start"}));
    EXPECT_EQ(link->placed.Top, kRow);
    link->finishAnswer = false;
    EXPECT_FALSE(tree.EndEditNode());
    EXPECT_TRUE(tree.IsEditing());
    EXPECT_EQ(edited, 0);
    link->finishAnswer = true;
    EXPECT_TRUE(tree.EndEditNode());
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(edited, 1);
    EXPECT_EQ(link.use_count(), 1); // the tree let go of it
}

TEST_F(EditingTest, EnterStoresAChangedTextOnly) {
    Activate();
    ASSERT_TRUE(tree.EditNode(Top(1), NoColumn));
    QLineEdit* edit = Editor();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "item 1");
    EXPECT_GE(edit->width(), TStringEditLink::kMinWidth);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_TRUE(stored.empty());

    ASSERT_TRUE(tree.EditNode(Top(2), NoColumn));
    edit = Editor();
    // Cyrillic has no key of its own in the test library: the events carry the text.
    for (QChar c : QString::fromUtf8("Привет")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
    // The editor lies over the edited row.
    Grab();
    EXPECT_EQ(edit->geometry().top(), tree.ClientRectInWindow().Top + kRow * 2);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(tree.IsEditing());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0], std::make_pair(Top(2), std::u16string(u"Привет")));
}

TEST_F(EditingTest, EscapeNeverStores) {
    Activate();
    int cancelled = 0;
    tree.OnEditCancelled = [&](TBaseLazyTree&, TColumnIndex) { ++cancelled; };
    ASSERT_TRUE(tree.EditNode(Top(0), NoColumn));
    QTest::keyClicks(Editor(), "x");
    QTest::keyClick(Editor(), Qt::Key_Escape);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(stored.empty());
}

TEST_F(EditingTest, LeavingTheEditorStoresOnlyWithAutoAccept) {
    Activate();
    ASSERT_TRUE(tree.EditNode(Top(0), NoColumn));
    QTest::keyClicks(Editor(), "kept");
    tree.SetFocus();
    EXPECT_FALSE(tree.IsEditing());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].second, u"kept");

    tree.SetStringOptions(tree.StringOptions() - TVTStringOptions{toAutoAcceptEditChange});
    ASSERT_TRUE(tree.EditNode(Top(1), NoColumn));
    QTest::keyClicks(Editor(), "dropped");
    tree.SetFocus();
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(stored.size(), 1u);
}

TEST_F(EditingTest, ObjectRequestsAreAnsweredWithNothing) {
    ui::TMessage request{0x003D, 0, -4, 1234};
    tree.WindowProc(request);
    EXPECT_EQ(request.Result, 0);
}

} // namespace
} // namespace lazytree::test
