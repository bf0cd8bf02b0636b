#include "components/uDASQLMonitor.h"
#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "platform/data/Params.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using testing::NewConnection;

struct THookCall {
    const data::TComponent* component;
    std::string sql, operation;
    int paramCount;
};

// Records what MonitorHook sees while it lives.
class HookLog {
public:
    HookLog() {
        TCustomDASQLMonitor::SetMonitorHook([this](const data::TComponent* component, const std::string& sql,
                                                   const std::string& operation,
                                                   const data::TParams* params) {
            calls.push_back({component, sql, operation, params ? params->Count() : -1});
        });
    }
    ~HookLog() { TCustomDASQLMonitor::SetMonitorHook({}); }
    std::vector<std::string> Operations() const {
        std::vector<std::string> out;
        for (const THookCall& call : calls)
            out.push_back(call.operation + " " + call.sql);
        return out;
    }
    std::vector<THookCall> calls;
};

struct TEvent {
    const data::TComponent* sender;
    std::string text;
    TDATraceFlag flag;
};

// A MySQL monitor whose OnSQL events are kept.
struct RecordingMonitor {
    RecordingMonitor() {
        monitor.OnSQL = [this](const data::TComponent* sender, const std::string& text, TDATraceFlag flag) {
            events.push_back({sender, text, flag});
        };
    }
    std::vector<std::string> Texts(TDATraceFlag flag) const {
        std::vector<std::string> out;
        for (const TEvent& e : events)
            if (e.flag == flag) out.push_back(e.text);
        return out;
    }
    TMySQLMonitor monitor;
    std::vector<TEvent> events;
};

// A command with p1 = 'abc' (string) and p2 = NULL (integer), both input.
void SetTwoParams(TMyCommand& command) {
    command.SetSQL("SELECT :p1, :p2");
    command.ParamByName("p1")->SetAsString("abc");
    command.ParamByName("p1")->SetParamType(data::ptInput);
    command.ParamByName("p2")->SetDataType(data::ftInteger);
    command.ParamByName("p2")->Clear();
    command.ParamByName("p2")->SetParamType(data::ptInput);
}

TEST(SQLMonitorTest, ParameterLinesShowTypeKindAndValue) {
    TMyCommand command;
    SetTwoParams(command);
    TSQLParams items;
    EXPECT_EQ(TCustomDASQLMonitor::ParamsToText(&command.Params(), &items),
              ":p1(String[3],IN)='abc' \r\n:p2(Integer,IN)=<NULL>");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].DataType, "String[3]");
    EXPECT_EQ(items[1].Value, "<NULL>");

    struct Case {
        data::TFieldType type;
        data::TParamType kind;
        rtl::Variant value;
        const char* line;
    };
    const Case cases[] = {
        {data::ftWideString, data::ptOutput, "xy", ":q(WideString[2],OUT)='xy'"},
        {data::ftFixedChar, data::ptInputOutput, "", ":q(FixedChar[0],IN/OUT)=''"},
        {data::ftLargeint, data::ptResult, int64_t(42), ":q(LargeInt,RESULT)=42"},
        {data::ftBlob, data::ptInput, std::string(5, 'z'), ":q(Blob,IN)=<BLOB:5>"},
        {data::ftVarBytes, data::ptUnknown, std::string(3, 'z'), ":q(VarBytes)=<BLOB:3>"},
        {data::ftUnknown, data::ptUnknown, rtl::Variant::Null(), ":q(Unknown)=<NULL>"},
    };
    for (const Case& c : cases) {
        data::TParams params;
        data::TParam* param = params.CreateParam(c.type, "q", c.kind);
        if (!c.value.IsNull()) param->SetValue(c.value);
        EXPECT_EQ(TCustomDASQLMonitor::ParamsToText(&params), c.line) << c.line;
    }
    EXPECT_EQ(TCustomDASQLMonitor::ParamsToText(nullptr), "");
}

TEST(SQLMonitorTest, WithoutAMonitorOnlyTheHookHearsPreparesAndExecutesBeforehand) {
    EXPECT_FALSE(TCustomDASQLMonitor::MonitorExists());
    HookLog hook;
    TMyCommand command;
    SetTwoParams(command);
    TCustomDASQLMonitor::TraceSQLPrepare(&command, "SELECT 1 \r\n", true);
    TCustomDASQLMonitor::TraceSQLPrepare(&command, "SELECT 1", false);
    TCustomDASQLMonitor::TraceSQLExecute(&command, "SELECT 2 ", true);
    TCustomDASQLMonitor::TraceSQLExecute(&command, "SELECT 2 ", false);
    TCustomDASQLMonitor::TraceSQLExecute(&command, "SELECT 3", true, "Fetch");
    TCustomDASQLMonitor::TraceSQLUnprepare(&command, "SELECT 1", true);
    TCustomDASQLMonitor::TraceConnect(&command, true);
    // Prepare texts are trimmed; execute texts go as they are.
    EXPECT_THAT(hook.Operations(),
                ElementsAre("Prepare SELECT 1", "Execute SELECT 2 ", "Fetch SELECT 3", "Unprepare SELECT 1"));
    EXPECT_EQ(hook.calls[0].component, &command);
    EXPECT_EQ(hook.calls[0].paramCount, 2);
}

TEST(SQLMonitorTest, TheFirstMySQLMonitorHearsEveryEventUntilItGoes) {
    auto first = std::make_unique<RecordingMonitor>();
    {
        RecordingMonitor second;
        EXPECT_EQ(TCustomDASQLMonitor::ActiveMonitor(), &first->monitor);
        TCustomDASQLMonitor::TraceError(rtl::Exception("boom"));
        EXPECT_TRUE(second.events.empty());
    }
    ASSERT_EQ(first->events.size(), 1u);
    EXPECT_EQ(first->events[0].text, "Error: boom");
    EXPECT_EQ(first->events[0].flag, tfError);
    EXPECT_EQ(first->monitor.MonitorCaption(), "MyData");
    EXPECT_TRUE(TCustomDASQLMonitor::MonitorExists());
    first.reset();
    EXPECT_FALSE(TCustomDASQLMonitor::MonitorExists());
}

TEST(SQLMonitorTest, FlagsAndActiveSelectWhatIsReported) {
    RecordingMonitor log;
    EXPECT_TRUE(log.monitor.Active());
    EXPECT_EQ(log.monitor.Options(), TMonitorOptions({moDialog, moSQLMonitor, moDBMonitor, moCustom}));
    TMyConnection connection;
    connection.SetUsername("ann");
    connection.SetServer("db1");

    TCustomDASQLMonitor::TraceCommit(&connection, true);
    TCustomDASQLMonitor::TraceCommit(&connection, false);
    TCustomDASQLMonitor::TraceCommitRetaining(&connection, true);
    TCustomDASQLMonitor::TraceSavepoint(&connection, "sp1");
    TCustomDASQLMonitor::TraceRollbackToSavepoint(&connection, "sp1");
    EXPECT_THAT(log.Texts(tfTransact), ElementsAre("Commit: ann@db1", "CommitRetaining: ", "Savepoint sp1 ",
                                                   "Rollback to savepoint sp1 "));

    log.events.clear();
    log.monitor.SetTraceFlags(TDATraceFlags{tfQExecute});
    TCustomDASQLMonitor::TraceConnect(&connection, true);
    TCustomDASQLMonitor::TraceStart(&connection, true);
    TCustomDASQLMonitor::TraceError(rtl::Exception("x"));
    EXPECT_TRUE(log.events.empty());

    log.monitor.SetTraceFlags(TDATraceFlags{tfConnect});
    log.monitor.SetActive(false);
    TCustomDASQLMonitor::TraceConnect(&connection, true);
    EXPECT_TRUE(log.events.empty());
    log.monitor.SetActive(true);
    TCustomDASQLMonitor::TraceDisconnect(&connection, true);
    EXPECT_THAT(log.Texts(tfConnect), ElementsAre("Disconnect: ann@db1"));
}

TEST(SQLMonitorTest, HandledOptionNamesTheComponentAndItsConnection) {
    RecordingMonitor log;
    log.monitor.SetOptions(TMonitorOptions{moHandled});
    TMyConnection connection;
    connection.SetName("conn");
    connection.SetUsername("ann");
    connection.SetServer("db1");
    TMyCommand command;
    command.SetConnection(&connection);
    command.SetSQL("SELECT 1");

    const uint32_t connectionId = TCustomDASQLMonitor::ComponentTraceID(&connection);
    const uint32_t commandId = TCustomDASQLMonitor::ComponentTraceID(&command);
    EXPECT_EQ(connectionId, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&connection)));
    EXPECT_NE(commandId, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&command)));
    EXPECT_EQ(TCustomDASQLMonitor::ComponentTraceName(&command),
              rtl::Format("TMyCommand ($%.8X)", commandId));
    EXPECT_EQ(TCustomDASQLMonitor::ComponentTraceName(&connection), "conn");

    TCustomDASQLMonitor::TraceConnect(&connection, true);
    TCustomDASQLMonitor::TraceSQLExecute(&command, "SELECT 1", true);
    EXPECT_THAT(log.Texts(tfConnect),
                ElementsAre(rtl::Format("Connect: ann@db1 [conn$%.8X] ", connectionId)));
    // The execute event carries the statement only; the suffix belongs to the external monitor's line.
    EXPECT_THAT(log.Texts(tfQExecute), ElementsAre("SELECT 1"));
    EXPECT_EQ(log.events.back().sender, &command);
}

TEST(SQLMonitorTest, TheHookOfAMonitorFollowsItsOptions) {
    RecordingMonitor log;
    HookLog hook;
    TMyCommand command;
    command.SetSQL("SELECT 1");
    TCustomDASQLMonitor::TraceSQLExecute(&command, "SELECT 1", true);
    EXPECT_TRUE(hook.calls.empty()) << "moCustom: only components being debugged";
    command.SetDebug(true);
    TCustomDASQLMonitor::TraceSQLExecute(&command, "SELECT 1", true);
    TCustomDASQLMonitor::TraceSQLExecute(&command, "SELECT 1", false);
    EXPECT_EQ(hook.calls.size(), 1u);
    command.SetDebug(false);
    log.monitor.SetOptions(TMonitorOptions{moDialog});
    TCustomDASQLMonitor::TraceSQLPrepare(&command, "SELECT 1", true);
    EXPECT_EQ(hook.calls.size(), 2u);
    log.monitor.SetOptions(TMonitorOptions{});
    TCustomDASQLMonitor::TraceSQLPrepare(&command, "SELECT 1", true);
    EXPECT_EQ(hook.calls.size(), 2u);
}

// ---- live

TEST(SQLMonitorTest, LiveConnectCommandAndStatementTraces) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    RecordingMonitor log;
    auto connection = NewConnection(s);
    connection->Connect();
    // Reported before and after the connect, shown once.
    EXPECT_THAT(log.Texts(tfConnect), ElementsAre("Connect: " + s.user + "@" + s.host));

    TMyCommand command;
    command.SetConnection(connection.get());
    SetTwoParams(command);
    command.Execute();
    EXPECT_THAT(log.Texts(tfQExecute), ElementsAre("SELECT :p1, :p2\r\n:p1(String[3],IN)='abc' \r\n"
                                                   ":p2(Integer,IN)=<NULL>"));
    // With tfMisc the statement as the client sends it.
    const std::vector<std::string> sent = log.Texts(tfMisc);
    ASSERT_FALSE(sent.empty());
    EXPECT_THAT(sent.back(), HasSubstr("'abc'"));
    EXPECT_EQ(command.MyICommand()->OnTrace, nullptr);

    connection->Disconnect();
    EXPECT_THAT(log.Texts(tfConnect).back(), "Disconnect: " + s.user + "@" + s.host);
}

TEST(SQLMonitorTest, LiveDebugCommandReachesTheHookWithoutAMonitor) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    HookLog hook;
    auto connection = NewConnection(s);
    TMyCommand command;
    command.SetConnection(connection.get());
    command.SetSQL("SELECT 1");
    command.Execute();
    EXPECT_TRUE(hook.calls.empty()) << "only components being debugged build trace texts";
    command.SetDebug(true);
    command.Execute();
    EXPECT_THAT(hook.Operations(), ElementsAre("Execute SELECT 1"));
}

} // namespace
} // namespace components
