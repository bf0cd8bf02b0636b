#include "app/fruSQL.h"

#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "engine/uDBAExpressions.h"
#include "engine/uDBAInterpreter.h"
#include "engine/uQueryAnalyzer.h"
#include "engine/uVeltrane.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace app {
namespace {

std::u16string Counted(const char* format, core::IQueryResult& result) {
    return rtl::Utf8ToUtf16(
        rtl::Format(format, result.RowCount(), core::FormatMilliseconds(result.ExecutionTime())));
}

void Run(core::IDBAConnection& connection, const engine::TQueryAnalyzingResult& query,
         const engine::TDBAVariables& variables, TSQLExecution& execution) {
    auto result = connection.Execute(rtl::Utf16ToUtf8(query.Text));
    if (result->HasResultSet()) {
        execution.messages.push_back(Counted("%d row(s) returned (%s sec)", *result));
        engine::RestoreVariableLabels(*result, variables);
        execution.result = result;
    } else {
        execution.messages.push_back(Counted("%d row(s) affected (%s sec)", *result));
    }
    if (result->HasMoreResults()) result->NextResult();
}

} // namespace

std::u16string SQLWindowIntroText() {
    return u"Press Ctrl+Enter to execute the statement.\r\n"
           u"Press Ctrl+Shift+Enter to open data statement in separate window.\r\n"
           u"\r\n"
           u"Use semicolon (;) to separate statements. \r\n"
           u"For example:\r\n"
           u"  insert into t1 values(1);\r\n"
           u"  select * from t1;\r\n"
           u"\r\n"
           u"To redefine the default separator, use the DELIMITER command. \r\n"
           u"For example:\r\n"
           u"  delimiter //\r\n"
           u"  create procedure dorepeat(p1 int)\r\n"
           u"  begin\r\n"
           u"      set @x = 0;\r\n"
           u"      repeat set @x = @x + 1; until @x > p1 end repeat;\r\n"
           u"   end//\r\n"
           u"   delimiter ;";
}

TSQLExecution ExecuteAtStop(engine::TVeltrane& veltrane, std::u16string_view statement) {
    core::IDBAConnection& connection = *veltrane.Program().Connection();
    TSQLExecution execution;
    try {
        engine::TDBAVariables variables(false);
        const auto query = engine::AnalyzeQuery(statement, veltrane.GetCurrentContext(), variables);
        if (variables.Count() > 0) engine::PushVariables(connection, variables);
        if (query.Kind == engine::qkNotAllowed)
            throw rtl::Exception(rtl::Format("'%s' is not allowed here", rtl::Utf16ToUtf8(statement)));
        if (query.Kind != engine::qkReturnsRows && query.Kind != engine::qkCall &&
            query.Kind != engine::qkReturnsNoRows)
            throw rtl::Exception("Unknown query type");
        Run(connection, query, variables, execution);
        if (variables.Count() > 0) engine::PullVariables(connection, variables);
    } catch (const core::EDBAConnectionException& error) {
        execution.messages.push_back(rtl::Utf8ToUtf16(error.what()));
    } catch (const std::exception& error) {
        execution.messages.push_back(rtl::Utf8ToUtf16(std::string("Error: ") + error.what()));
    }
    engine::ClearServerWarnings(connection);
    return execution;
}

} // namespace app
