#include "app/fruCodeEditor.h"

#include "app/EditorFrameTesting.h"
#include "app/fuCodeCompletion.h"
#include "app/fuCodeGenerator.h"
#include "app/fuCodeParameters.h"
#include "app/uDBAMyDataConnection.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/DebugThreadTestSupport.h"
#include "imaging/uLinkLabel.h"
#include "lazytree/LazyStringTree.h"
#include "parser/uParser.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Dialogs.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace app {
namespace {

using engine::TRoutine;
using testing::ElementsAre;
using testing::HasSubstr;

// Twelve lines: a block whose statements stand on lines 2 to 11.
constexpr char16_t kMainText[] = u"BEGIN\r\n"
                                 u"  SET @a = 1;\r\n  SET @a = 2;\r\n  SET @a = 3;\r\n  SET @a = 4;\r\n"
                                 u"  SET @a = 5;\r\n  SET @a = 6;\r\n  SET @a = 7;\r\n  SET @a = 8;\r\n"
                                 u"  SET @a = 9;\r\n  SET @a = 10;\r\nEND";

// A routine editor over the test server's database, with the program's own connection.
class CodeEditorTest : public EditorFrameTest {
protected:
    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        session = std::make_unique<testsupport::RawSession>(settings, settings.database);
        connection = CreateDBAConnection(settings.host, settings.user, settings.password, settings.database,
                                         int(settings.port));
        connection->Connect();
        const auto none = [](engine::TVeltrane&) {};
        debugger = std::make_unique<engine::TVeltrane>(
            connection, none, none, none, [tick = engine::TimeLimitedTick()](engine::TVeltrane&) { tick(); },
            none);
        answers = std::make_unique<ui::TDialogAnswers>([this](const ui::TMessageRequest& request) {
            asked.push_back(request.text);
            lastRequest = request;
            return answer;
        });
    }
    void TearDown() override {
        if (debugger && debugger->IsRunning()) debugger->Stop(true);
        delete frame;
        frame = nullptr;
    }

    TfrmCodeEditor& Open(TRoutine& routine, bool isNew = false) {
        frame = new TfrmCodeEditor(&form, debugger.get(), &routine, 0, isNew, nullptr);
        ShowFrame(*frame);
        frame->FocusEditor();
        uitest::ProcessEvents();
        return *frame;
    }
    TfrmCodeEditor& OpenMain(std::u16string_view text = kMainText) {
        TRoutine& main = debugger->MainRoutine();
        main.SetText(text);
        return Open(main);
    }
    std::string Qualified(const std::string& name) const {
        return "`" + settings.database + "`.`" + name + "`";
    }
    // A procedure created on the server and opened as the program opens it.
    TfrmCodeEditor& OpenProcedure(const std::string& name, const std::string& body) {
        session->Execute("DROP PROCEDURE IF EXISTS " + name);
        session->Execute("CREATE PROCEDURE " + name + "()\n" + body);
        TRoutine* routine = debugger->Program().GetRoutine(Qualified(name), settings.database, false, 1);
        EXPECT_NE(routine, nullptr);
        return Open(*routine);
    }
    std::string ServerText(const std::string& name) {
        const auto rows = session->Query("SHOW CREATE PROCEDURE " + name);
        return rows.empty() || !rows[0][2] ? std::string() : *rows[0][2];
    }

    std::vector<int> Breakpoints() const {
        std::vector<int> lines;
        for (int k = 0; k < debugger->BreakPoints().Count(); ++k)
            lines.push_back(debugger->BreakPoints().Items(k).Line());
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    void AddBreakpoints(std::initializer_list<int> lines) {
        for (int line : lines)
            frame->ToggleBreakpoint(line);
    }
    QWidget* EditorWidget() const { return frame->TextEditor().Editor().Widget(); }
    ui::TColor LineBackground(int line) {
        const QImage image =
            Grab(frame->TextEditor(), testing::UnitTest::GetInstance()->current_test_info()->name());
        const auto& m = frame->TextEditor().Model();
        return Pixel(image, m.GutterWidth() + 120, (line - m.TopLine()) * m.LineHeight() + 1);
    }

    testsupport::ServerSettings settings;
    std::unique_ptr<testsupport::RawSession> session;
    std::shared_ptr<core::IDBAConnection> connection;
    std::unique_ptr<engine::TVeltrane> debugger;
    std::unique_ptr<ui::TDialogAnswers> answers;
    std::vector<std::string> asked;
    ui::TMessageRequest lastRequest;
    ui::TModalResult answer = ui::mrNo;
    TfrmCodeEditor* frame = nullptr;
};

// ---- breakpoints and executable lines that follow edits

TEST_F(CodeEditorTest, EnterAtTheStartOfALineTakesItsBreakpointDownAndAtTheEndLeavesIt) {
    OpenMain();
    AddBreakpoints({10});
    frame->TextEditor().SetCaretPos(0, 10);
    QTest::keyClick(EditorWidget(), Qt::Key_Return);
    EXPECT_THAT(Breakpoints(), ElementsAre(11));

    frame->TextEditor().SetCaretPos(int(frame->TextEditor().Model().Content().GetLine(10)->Length()), 11);
    QTest::keyClick(EditorWidget(), Qt::Key_Return);
    EXPECT_THAT(Breakpoints(), ElementsAre(11));
}

TEST_F(CodeEditorTest, DeletingAcrossLinesDropsTheMarksInsideAndMovesTheOnesBelow) {
    OpenMain();
    frame->Compile();
    ASSERT_TRUE(frame->ExecutableLines().Contains(8));
    AddBreakpoints({5, 6, 8});
    TfrmTextEditor& text = frame->TextEditor();
    // From the end of line 4 to the end of line 6.
    text.SetCaretPos(int(text.Model().Content().GetLine(3)->Length()), 4);
    text.Model().SetBlockBegin(text.GetCaretXY());
    text.Model().SetBlockEnd({int(text.Model().Content().GetLine(5)->Length()), 5});
    QTest::keyClick(EditorWidget(), Qt::Key_Delete);
    EXPECT_THAT(Breakpoints(), ElementsAre(4, 6));
    EXPECT_TRUE(frame->ExecutableLines().Contains(6)) << "line 8 moved up by two";
    EXPECT_FALSE(frame->ExecutableLines().Contains(11));
}

TEST_F(CodeEditorTest, BreakpointsOfOtherRoutinesStayWhereTheyAre) {
    OpenMain();
    debugger->BreakPoints().Add(Qualified("other"), 1, 8);
    frame->TextEditor().SetCaretPos(0, 2);
    QTest::keyClick(EditorWidget(), Qt::Key_Return);
    EXPECT_THAT(Breakpoints(), ElementsAre(8));
}

// ---- the gutter

TEST_F(CodeEditorTest, GutterClickTogglesABreakpointShownInTheLineColour) {
    OpenMain();
    const auto& m = frame->TextEditor().Model();
    const QPoint onGutter = WindowPoint(frame->TextEditor(), {4, 2 * m.LineHeight() + m.LineHeight() / 2});
    QTest::mouseClick(EditorWidget(), Qt::LeftButton, {}, onGutter);
    EXPECT_THAT(Breakpoints(), ElementsAre(3));
    EXPECT_EQ(frame->GetLineFlags(3) & dlfBreakpoint, dlfBreakpoint);
    EXPECT_EQ(LineBackground(3), TDebugSupportPlugin::kBreakpointColor);

    debugger->BreakPoints().Items(0).SetEnabled(false);
    EXPECT_EQ(frame->GetLineFlags(3) & (dlfBreakpoint | dlfDisabledBreakpoint), dlfDisabledBreakpoint);
    QTest::mouseClick(EditorWidget(), Qt::LeftButton, {}, onGutter);
    EXPECT_TRUE(Breakpoints().empty());
    EXPECT_EQ(LineBackground(3), ui::clWhite);
}

TEST_F(CodeEditorTest, APausedRunShowsTheCurrentLineOverItsBreakpoint) {
    OpenMain();
    frame->Compile();
    EXPECT_EQ(frame->GetLineFlags(2), dlfExecutableLine);
    AddBreakpoints({2});
    debugger->Start(true);
    while (debugger->IsRunning() && debugger->CurrentLine() < 2)
        debugger->StepInto();
    ASSERT_EQ(debugger->CurrentLine(), 2);
    EXPECT_EQ(frame->GetLineFlags(2), dlfCurrentLine | dlfBreakpoint | dlfExecutableLine);
    frame->RepaintEditor();
    EXPECT_EQ(LineBackground(2), TDebugSupportPlugin::kCurrentLineColor);
}

TEST_F(CodeEditorTest, TooltipsShowTheValueAtAStopOnly) {
    OpenMain();
    frame->Compile();
    std::u16string tooltip;
    const auto ask = [&](const std::u16string& text) {
        frame->TextEditor().OnGetTooltip(text, tooltip);
        return rtl::Utf16ToUtf8(tooltip);
    };
    EXPECT_EQ(ask(u"1 + 1"), "") << "no session";
    debugger->Start(true);
    frame->SetDebuggerState(1);
    EXPECT_TRUE(frame->TextEditor().HoverTooltips());
    EXPECT_EQ(ask(u"1 + 1"), "1 + 1 = 2");
    TooltipExpressionEvaluation = false;
    EXPECT_EQ(ask(u"1 + 1"), "");
    TooltipExpressionEvaluation = true;
    EXPECT_EQ(ask(u"no_such_column"), "") << "an error gives no tooltip";
}

TEST_F(CodeEditorTest, TheCursorIterationIsInsertedAtTheCaretsIndentationAndOnlyWithoutASession) {
    RoutineEditorServices().GenerateCursorIteration = [](ui::TComponent*, const auto&, std::u16string& code) {
        code = u"BEGIN\r\n  FETCH c;\r\nEND;";
        return true;
    };
    OpenMain(u"BEGIN\r\n    \r\nEND");
    frame->TextEditor().SetCaretPos(4, 2);
    ui::TMenuItem& item = *frame->ContextMenu().Items()->Items(0);
    EXPECT_EQ(item.Caption(), "Introduce CURSOR iteration...");
    frame->ContextMenu().OnPopup(&frame->ContextMenu());
    EXPECT_TRUE(item.Enabled());
    item.Click();
    RoutineEditorServices().GenerateCursorIteration = nullptr;
    EXPECT_EQ(frame->GetText(), u"BEGIN\r\n    BEGIN\r\n      FETCH c;\r\n    END;\r\nEND\r\n");
    frame->TextEditor().Model().Undo();
    EXPECT_EQ(frame->GetText(), u"BEGIN\r\n    \r\nEND\r\n") << "one undoable step";

    frame->SetText(kMainText);
    frame->Compile();
    debugger->Start(true);
    ASSERT_TRUE(debugger->IsRunning());
    frame->ContextMenu().OnPopup(&frame->ContextMenu());
    EXPECT_FALSE(item.Enabled());
}

// ---- compiling

TEST_F(CodeEditorTest, ACompileErrorSelectsTheOffendingTextAndPassesOn) {
    OpenMain(u"BEGIN\r\n  SET @a = ;\r\nEND");
    EXPECT_THROW(frame->Compile(), parser::EGrammarError);
    TfrmTextEditor& text = frame->TextEditor();
    ASSERT_TRUE(text.SelectionAvailable());
    EXPECT_EQ(text.GetCaretLine(), 2);
    EXPECT_EQ(text.GetSelectedText(), u";");
}

// ---- storing on the server

TEST(RoutineHeaderTest, ReadsNameTypeAndParametersOrNothing) {
    std::string name, type;
    std::vector<std::string> parameters;
    ParseRoutineHeader(u"create  procedure `db`.p(IN a  INT, OUT b VARCHAR(10))\r\nBEGIN (((", name, type,
                       &parameters);
    EXPECT_EQ(name, "`db`.p");
    EXPECT_EQ(type, "procedure");
    EXPECT_THAT(parameters, ElementsAre("IN a INT", "OUT b VARCHAR(10)"));
    parameters.clear();
    ParseRoutineHeader(u"CREATE TABLE t (a INT)", name, type, &parameters);
    EXPECT_EQ(name + type, "");
    EXPECT_TRUE(parameters.empty());
}

TEST_F(CodeEditorTest, StoresANewProcedureAndReadsItBack) {
    session->Execute("DROP PROCEDURE IF EXISTS ed_new_proc");
    const std::u16string text = u"CREATE PROCEDURE ed_new_proc()\r\nBEGIN\r\n  SELECT 'é', 1;\r\nEND";
    TRoutine& routine = debugger->Program().AddProcedure(Qualified("ed_new_proc"), text);
    Open(routine, true);
    EXPECT_TRUE(frame->GetModified()) << "a new routine starts modified";
    frame->StoreToServer();
    EXPECT_THAT(ServerText("ed_new_proc"), HasSubstr("SELECT 'é', 1;"));
    EXPECT_FALSE(frame->IsNew());
    EXPECT_FALSE(frame->GetModified());
    EXPECT_TRUE(frame->CanRefresh());
    EXPECT_TRUE(asked.empty());
}

TEST_F(CodeEditorTest, StoresAnEditedProcedureUnderANewNameAndTellsOfTheRename) {
    session->Execute("DROP PROCEDURE IF EXISTS ed_renamed");
    OpenProcedure("ed_rename_me", "BEGIN\n  SELECT 1;\nEND");
    std::vector<std::string> renamed;
    frame->OnRoutineRenamed = [&](TRoutine& routine) { renamed.push_back(routine.Name()); };
    frame->SetText(u"CREATE PROCEDURE ed_renamed()\r\nBEGIN\r\n  SELECT 2;\r\nEND");
    frame->StoreToServer();
    EXPECT_THAT(renamed, ElementsAre(Qualified("ed_renamed")));
    EXPECT_THAT(ServerText("ed_renamed"), HasSubstr("SELECT 2;"));
}

TEST_F(CodeEditorTest, RefusesAFunctionHeaderInAProcedureAndTheMainBlock) {
    OpenProcedure("ed_header", "BEGIN\n  SELECT 1;\nEND");
    frame->SetText(u"CREATE FUNCTION ed_header() RETURNS INT\r\nBEGIN\r\n  RETURN 1;\r\nEND");
    answer = ui::mrYes; // store although a procedure cannot RETURN
    EXPECT_EQ(ErrorOf([&] { frame->StoreToServer(); }), "Invalid header, expected procedure");
    EXPECT_THAT(ServerText("ed_header"), HasSubstr("SELECT 1;")) << "the server's routine is untouched";
    delete frame;
    frame = nullptr;

    asked.clear();
    OpenMain();
    EXPECT_EQ(ErrorOf([&] { frame->StoreToServer(); }), "Cannot store anonymous block");
    EXPECT_THAT(asked, ElementsAre());
}

TEST_F(CodeEditorTest, AServerErrorMarksItsLineInDarkRedUntilTheCaretMoves) {
    OpenProcedure("ed_error_line", "BEGIN\n  SELECT 1;\nEND");
    frame->SetText(u"CREATE PROCEDURE ed_error_line()\r\nBEGIN\r\n  SELECT FROM WHERE;\r\nEND");
    answer = ui::mrYes; // store although our own compile fails
    const std::string error = ErrorOf([&] { frame->StoreToServer(); });
    EXPECT_THAT(error, HasSubstr("at line 3"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_THAT(asked[0], HasSubstr("An error occurred while compiling:\r\n\r\n"));
    EXPECT_THAT(asked[0], HasSubstr("\r\n\r\nStore anyway?"));
    EXPECT_EQ(frame->ErrorLine(), 3);
    EXPECT_EQ(frame->GetCaretLine(), 3);
    EXPECT_EQ(LineBackground(3), TfrmCodeEditor::kErrorLineBackground);
    EXPECT_THAT(ServerText("ed_error_line"), HasSubstr("SELECT 1;")) << "the old routine is back";

    frame->TextEditor().SetCaretPos(1, 3);
    EXPECT_EQ(frame->ErrorLine(), -1);
    EXPECT_EQ(LineBackground(3), ui::clWhite);
}

TEST_F(CodeEditorTest, AnsweringNoToTheCompileErrorStoresNothing) {
    OpenProcedure("ed_no_store", "BEGIN\n  SELECT 1;\nEND");
    frame->SetText(u"CREATE PROCEDURE ed_no_store()\r\nBEGIN\r\n  SELECT FROM;\r\nEND");
    answer = ui::mrNo;
    frame->StoreToServer();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(frame->GetModified());
    EXPECT_THAT(ServerText("ed_no_store"), HasSubstr("SELECT 1;"));
}

// ---- closing and refreshing

TEST_F(CodeEditorTest, ClosingAModifiedProcedureAsksToStoreIt) {
    OpenProcedure("p", "BEGIN\n  SELECT 1;\nEND");
    EXPECT_TRUE(frame->CanClose());
    EXPECT_TRUE(asked.empty()) << "an unmodified routine closes without a question";

    frame->SetText(u"CREATE PROCEDURE p()\r\nBEGIN\r\n  SELECT 3;\r\nEND");
    frame->SetModified(true);
    answer = ui::mrCancel;
    EXPECT_FALSE(frame->CanClose());
    EXPECT_THAT(asked, ElementsAre("Store the changes in procedure 'p' before closing?"));
    EXPECT_EQ(lastRequest.type, ui::mtConfirmation);
    EXPECT_THAT(lastRequest.buttons, ElementsAre(ui::mbYes, ui::mbNo, ui::mbCancel));
    answer = ui::mrNo;
    EXPECT_TRUE(frame->CanClose());
    EXPECT_THAT(ServerText("p"), HasSubstr("SELECT 1;"));
    answer = ui::mrYes;
    EXPECT_TRUE(frame->CanClose());
    EXPECT_THAT(ServerText("p"), HasSubstr("SELECT 3;"));
}

TEST_F(CodeEditorTest, TheMainBlockClosesWithoutAQuestion) {
    OpenMain();
    frame->SetModified(true);
    EXPECT_TRUE(frame->CanClose());
    EXPECT_TRUE(asked.empty());
}

TEST_F(CodeEditorTest, RefreshAsksBeforeDroppingChangesAndAFailedReloadLeavesTheText) {
    OpenProcedure("ed_refresh", "BEGIN\n  SELECT 1;\nEND");
    frame->SetText(u"CREATE PROCEDURE ed_refresh()\r\nBEGIN\r\n  SELECT 5;\r\nEND");
    frame->SetModified(true);
    answer = ui::mrNo;
    frame->RefreshFromServer();
    EXPECT_THAT(asked,
                ElementsAre("Procedure 'ed_refresh' has been changed. If you click on Yes, all changes "
                            "will be lost.\r\nDo you want to refresh?"));
    EXPECT_EQ(lastRequest.type, ui::mtWarning);
    EXPECT_THAT(lastRequest.buttons, ElementsAre(ui::mbYes, ui::mbNo));
    EXPECT_THAT(rtl::Utf16ToUtf8(frame->GetText()), HasSubstr("SELECT 5;"));

    answer = ui::mrYes;
    frame->RefreshFromServer();
    EXPECT_THAT(rtl::Utf16ToUtf8(frame->GetText()), HasSubstr("SELECT 1;"));
    EXPECT_FALSE(frame->GetModified());

    frame->SetText(u"edited");
    frame->SetModified(false);
    session->Execute("DROP PROCEDURE ed_refresh");
    EXPECT_NE(ErrorOf([&] { frame->RefreshFromServer(); }), "");
    EXPECT_EQ(frame->GetText(), u"edited\r\n") << "the editor keeps its text when the server has none";
}

// ---- Ctrl+Enter

TEST_F(CodeEditorTest, CtrlEnterOpensTheNameAtTheCaretAsAProcedureAfterCall) {
    OpenMain(u"BEGIN\r\n  call ed_some_proc(1);\r\n  SET @a = ed_func(2);\r\nEND");
    std::vector<std::pair<std::string, int>> opened;
    frame->OnOpenRoutine = [&](TfrmCodeEditor&, const std::string& name, int type) {
        opened.emplace_back(name, type);
    };
    frame->TextEditor().SetCaretPos(9, 2);
    QTest::keyClick(EditorWidget(), Qt::Key_Return, Qt::ControlModifier);
    frame->TextEditor().SetCaretPos(13, 3);
    QTest::keyClick(EditorWidget(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_THAT(opened, ElementsAre(std::pair<std::string, int>{"ed_some_proc", 2},
                                    std::pair<std::string, int>{"ed_func", 0}));
}

// ---- completion and parameter hints, installed as the main window installs them

class CodeEditorCompletionTest : public CodeEditorTest {
protected:
    void SetUp() override {
        CodeEditorTest::SetUp();
        // Cases run at once in separate processes: each has a table of its own.
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        table = "cc_orders_" + std::to_string(std::hash<std::string>{}(test->name()) % 100000);
        session->Execute("DROP TABLE IF EXISTS " + table);
        session->Execute("CREATE TABLE " + table + " (order_id INT, order_total DECIMAL(10,2))");
        popup = InstallCodeCompletion(&form);
    }
    void TearDown() override {
        CodeEditorTest::TearDown();
        SetCodeParametersWindowClass({});
        RoutineEditorServices().FillCompletionItems = nullptr;
        RoutineEditorServices().FillParameterHints = nullptr;
        if (session) session->Execute("DROP TABLE IF EXISTS " + table);
    }

    TfrmTextEditor& OpenMainAt(const std::string& text, int column, int line) {
        TfrmTextEditor& editor = OpenMain(rtl::Utf8ToUtf16(text)).TextEditor();
        editor.SetCaretPos(column, line);
        uitest::ProcessEvents();
        return editor;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> names;
        for (const auto* item : popup->Shown())
            names.push_back(item->Name);
        return names;
    }
    QWidget* Keys() const { return popup->Tree().Widget(); }
    std::string Line() const { return rtl::Utf16ToUtf8(frame->TextEditor().GetCaretLineText()); }

    ui::TManualClockScope clock;
    std::string table;
    TfmCodeCompletion* popup = nullptr;
};

TEST_F(CodeEditorCompletionTest, CtrlSpaceOffersTheSchemasTablesAndEnterInsertsOne) {
    TfrmTextEditor& editor = OpenMainAt("BEGIN\r\n  SELECT * FROM \r\nEND", 16, 2);
    QTest::keyClick(Widget(editor), ' ', Qt::ControlModifier);
    ASSERT_TRUE(popup->Visible());
    EXPECT_THAT(Shown(), testing::Contains(table));
    // Other cases' tables share the prefix: the whole name picks this one.
    QTest::keyClicks(Keys(), QString::fromStdString(table));
    EXPECT_THAT(Shown(), ElementsAre(table));
    QTest::keyClick(Keys(), Qt::Key_Return);
    EXPECT_FALSE(popup->Visible());
    EXPECT_EQ(Line(), "  SELECT * FROM " + table);
}

TEST_F(CodeEditorCompletionTest, ADotOpensTheAliasesColumnsAfter300Ms) {
    TfrmTextEditor& editor = OpenMainAt("BEGIN\r\n  SELECT o FROM " + table + " o;\r\nEND", 10, 2);
    QTest::keyClick(Widget(editor), '.');
    clock->Advance(299);
    EXPECT_FALSE(popup->Visible());
    clock->Advance(1);
    ASSERT_TRUE(popup->Visible());
    EXPECT_THAT(Shown(), ElementsAre("order_id", "order_total"));
    QTest::keyClicks(Keys(), "order_t");
    QTest::keyClick(Keys(), ' ');
    EXPECT_EQ(Line(), "  SELECT o.order_total  FROM " + table + " o;");
}

TEST_F(CodeEditorCompletionTest, LocalsOfTheOpenBlockAreOffered) {
    TfrmTextEditor& editor = OpenMainAt(
        "BEGIN\r\n  DECLARE v_total INT;\r\n  BEGIN DECLARE v_gone INT; END;\r\n  SET v_\r\nEND", 8, 4);
    QTest::keyClick(Widget(editor), ' ', Qt::ControlModifier);
    ASSERT_TRUE(popup->Visible());
    EXPECT_THAT(Shown(), ElementsAre("v_total"));
    EXPECT_EQ(popup->Focused()->Detail, "int");
}

TEST_F(CodeEditorCompletionTest, ParenthesisShowsTheParametersOfAStoredFunction) {
    const std::string function = table + "_f";
    session->Execute("DROP FUNCTION IF EXISTS " + function);
    session->Execute("CREATE FUNCTION " + function + "(a INT, b VARCHAR(10)) RETURNS INT RETURN a");
    TfrmTextEditor& editor =
        OpenMainAt("BEGIN\r\n  SELECT " + function + "\r\nEND", 9 + int(function.size()), 2);
    QTest::keyClick(Widget(editor), '(');
    clock->Advance(300);
    auto* hint = dynamic_cast<TfmCodeParameters*>(editor.ParametersWindow());
    ASSERT_NE(hint, nullptr);
    ASSERT_TRUE(hint->Visible());
    EXPECT_EQ(hint->Label().Caption(), "<b>a INT</b>, b VARCHAR(10)");
    // The shown hint follows the caret into the next argument.
    QTest::keyClicks(Widget(editor), "1,");
    clock->Advance(300);
    session->Execute("DROP FUNCTION IF EXISTS " + function);
    EXPECT_EQ(hint->Label().Caption(), "a INT, <b>b VARCHAR(10)</b>");
    const QImage image = hint->Widget()->grab().toImage();
    if (const char* dir = std::getenv("EDITOR_TEST_PNG_DIR"))
        image.save(QString(dir) + "/parameters_server.png");
    QTest::keyClick(Widget(editor), Qt::Key_Escape);
    EXPECT_FALSE(hint->Visible());
}

} // namespace
} // namespace app
