#include "engine/DBAInterpreterTestSupport.h"

#include <algorithm>
#include <cctype>

#include "engine/model/uMetadataImp.h"
#include "engine/sql/uSQLWriter.h"
#include "platform/rtl/Utf.h"

namespace engine {

std::ostream& operator<<(std::ostream& stream, const TOutputMessage& message) {
    stream << "(" << message.kind << ", \"" << message.text << "\", " << message.line;
    if (!message.headings.empty()) {
        stream << ", [";
        for (const auto& heading : message.headings)
            stream << heading << ";";
        stream << "] [";
        for (const auto& row : message.rows)
            stream << row << ";";
        stream << "]";
    }
    return stream << ")";
}

TOutputMessage Message(int kind, std::string text, int line) {
    return {kind, std::move(text), line, {}, {}};
}

TOutputMessage Result(int line, std::vector<std::string> headings, std::vector<std::string> rows) {
    return {mkQueryResult, "", line, std::move(headings), std::move(rows)};
}

namespace {

int LineOf(const std::shared_ptr<IStatement>& statement) {
    return statement ? statement->GetDebugInfo()->GetBeginLine() : -1;
}

} // namespace

void TRecordingDebugger::OnException(rtl::Exception& exception, TRoutine&, bool& handled,
                                     const std::shared_ptr<IStatement>& statement) {
    // The enclosing statement lists offer the same error again.
    if (&exception != lastErrorAddress_)
        errors.push_back(std::to_string(LineOf(statement)) + ": " + exception.Message());
    lastError_ = std::current_exception();
    lastErrorAddress_ = &exception;
    handled = goOnAfterErrors;
}

void TRecordingDebugger::BeforeStatement(TRoutine& routine, const std::shared_ptr<IBlock>&,
                                         const std::shared_ptr<IStatement>& statement) {
    TProgram& program = routine.Program();
    steps.push_back(program.RoutineDisplayName(routine) + ":" + std::to_string(LineOf(statement)));
    if (program.CallStack().Count() == 0) return stack.push_back("");
    const TStackEntry& entry = program.CallStack().GetEntry(0);
    stack.push_back(program.RoutineDisplayName(*entry.Caller) + "->" +
                    program.RoutineDisplayName(*entry.Called) + ":" + std::to_string(entry.Line) + "(" +
                    entry.Arguments + ")");
}

void TRecordingDebugger::Output(TDebugMessageKind kind, const std::u16string& text,
                                const std::shared_ptr<core::IQueryResult>& result,
                                const std::shared_ptr<IStatement>& statement, TRoutine&) {
    TOutputMessage message{kind, rtl::Utf16ToUtf8(text), LineOf(statement), {}, {}};
    if (result && result->HasResultSet()) {
        data::TDataSet& dataSet = *result->GetDataSet();
        for (int i = 0; i < dataSet.FieldCount(); ++i)
            message.headings.push_back(dataSet.Fields()[i]->DisplayLabel());
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
            std::string row;
            for (int i = 0; i < dataSet.FieldCount(); ++i) {
                if (i > 0) row += "|";
                data::TField* field = dataSet.Fields()[i];
                row += field->IsNull() ? "NULL" : field->AsString();
            }
            message.rows.push_back(row);
        }
    }
    outputs.push_back(std::move(message));
}

TDBAProgramRunner::TDBAProgramRunner(std::shared_ptr<core::IDBAConnection> connection)
    : connection(connection), program(std::make_shared<TSchema>(), connection) {}

TRoutine& TDBAProgramRunner::CompileMain(std::string_view text) {
    TRoutine& main = program.MainRoutine();
    main.SetText(rtl::Utf8ToUtf16(text));
    main.Compile();
    return main;
}

std::string TDBAProgramRunner::Run() {
    monitor = std::make_unique<testsupport::SQLMonitorLog>();
    try {
        RunProgram(program, debugger);
    } catch (const rtl::Exception& error) {
        return error.Message();
    }
    return "";
}

namespace {

std::shared_ptr<TDBAVariable> FindIn(const std::shared_ptr<IBlock>& block, std::string_view name) {
    if (const auto symbol = std::dynamic_pointer_cast<TDBAVariable>(block->FindLocalSymbol(name)))
        return symbol;
    const auto statements = block->GetStatements();
    for (int i = 0; i < statements->Count(); ++i)
        if (const auto nested = std::dynamic_pointer_cast<IBlock>(statements->GetStatement(i)))
            if (auto found = FindIn(nested, name)) return found;
    return nullptr;
}

} // namespace

std::shared_ptr<TDBAVariable> TDBAProgramRunner::Variable(std::string_view name) const {
    auto variable = FindIn(const_cast<TDBAProgram&>(program).MainRoutine().Block(), name);
    EXPECT_TRUE(variable) << name;
    return variable;
}

std::string TDBAProgramRunner::Outcome(std::string_view text, const std::vector<std::string>& variables) {
    try {
        CompileMain(text);
        RunProgram(program, debugger);
    } catch (const core::EDBAConnectionException& error) {
        return "error " + std::to_string(error.ErrorCode()) + ": " + error.ErrorMessage();
    }
    std::string row;
    for (const std::string& name : variables)
        row += (row.empty() ? "" : "|") + ValueOf(name);
    return row;
}

std::string TDBAProgramRunner::ValueOf(std::string_view name) const {
    const auto variable = Variable(name);
    if (!variable) return "<none>";
    const auto value = variable->GetValue();
    return value->IsNull() ? "NULL" : value->AsString().AsString();
}

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return std::isalnum(c) ? static_cast<char>(std::tolower(c)) : '_';
    });
    return text;
}

} // namespace

TScenarioDatabase::TScenarioDatabase(const testsupport::ServerSettings& settings, const std::string& suffix)
    : name("dbai_" + Lower(suffix) + testsupport::kServerConnectionTag), settings_(settings),
      session_(settings) {
    session_.Execute("DROP DATABASE IF EXISTS " + name);
    session_.Execute("CREATE DATABASE " + name);
    session_.Execute("USE " + name);
    session_.Execute("CREATE TABLE t (id INT PRIMARY KEY, v VARCHAR(20))");
    session_.Execute("INSERT INTO t VALUES (1,'a'),(2,'b'),(3,'c')");
    session_.Execute("CREATE PROCEDURE p_scale(INOUT x INT, IN k INT)\nBEGIN\n  SET x = x * k;\nEND");
    session_.Execute("CREATE FUNCTION f_add(a INT, b INT) RETURNS INT RETURN a + b");
    session_.Execute("CREATE PROCEDURE p_out(OUT o INT) BEGIN SET o = 42; END");
}

TScenarioDatabase::~TScenarioDatabase() {
    try {
        session_.Execute("DROP DATABASE IF EXISTS " + name);
    } catch (const testsupport::ServerError&) {
    }
}

std::vector<std::string> TScenarioDatabase::Rows(const std::string& sql) {
    std::vector<std::string> rows;
    for (const auto& row : session_.Query(sql)) {
        std::string text;
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text += "|";
            text += row[i] ? *row[i] : "NULL";
        }
        rows.push_back(text);
    }
    return rows;
}

std::string TScenarioDatabase::Outcome(const std::string& sql) {
    try {
        const auto rows = Rows(sql);
        return rows.empty() ? "no row" : rows.front();
    } catch (const testsupport::ServerError& error) {
        return "error " + std::to_string(error.code) + ": " + error.what();
    }
}

std::shared_ptr<core::IDBAConnection> TScenarioDatabase::Connect() {
    auto connection = testsupport::NewServerConnection(settings_, name);
    connection->Connect();
    return connection;
}

std::string Literal(const std::shared_ptr<core::IRODataValue>& value) {
    return TSQLWriter::WriteExpression(std::make_shared<TLiteral>(value));
}

} // namespace engine
