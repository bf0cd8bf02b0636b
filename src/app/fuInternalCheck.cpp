#include "app/fuInternalCheck.h"

#include "core/uDataValues.h"
#include "core/uDBAConnection.h"
#include "engine/uDBAProgram.h"
#include "engine/uMetadataImp.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

namespace app {
namespace {

constexpr const char* kRoutineQuery =
    "SELECT CONCAT(R.ROUTINE_SCHEMA, '.', R.ROUTINE_NAME) as FULL_NAME, R.ROUTINE_TYPE, R.ROUTINE_SCHEMA, "
    "R.ROUTINE_NAME FROM INFORMATION_SCHEMA.ROUTINES R";

// The server's "does not exist" of a stored routine.
constexpr int kRoutineDoesNotExist = 1305;

std::string BackQuoted(const std::string& name) {
    std::string quoted = "`";
    for (char c : name)
        quoted += c == '`' ? std::string("``") : std::string(1, c);
    return quoted + "`";
}

} // namespace

TInternalCheck::TInternalCheck(std::shared_ptr<core::IDBAConnection> connection, std::string applicationTitle)
    : connection_(std::move(connection)), applicationTitle_(std::move(applicationTitle)) {
    RTL_ASSERT(connection_ && connection_->GetConnected());
}

void TInternalCheck::AppendLine(std::u16string_view line) {
    if (!report_.empty()) report_ += u"\r\n";
    report_ += line;
}

void TInternalCheck::AddFinding(const std::u16string& sourceText, const std::string& message) {
    if (report_.empty()) {
        const std::string version =
            connection_->Evaluate(u"SHOW VARIABLES LIKE 'version'", false, 1)->AsString().AsString();
        report_ = rtl::Utf8ToUtf16("Internal check report\r\n\r\nApplication: " + applicationTitle_ +
                                   "\r\nMySQL version: " + version + "\r\n" + std::string(83, '-'));
    }
    AppendLine(sourceText);
    AppendLine(rtl::Utf8ToUtf16(message));
    AppendLine(u"");
}

bool TInternalCheck::Run(const TProgress& progress) {
    const int maximum = static_cast<int>(
        connection_
            ->Evaluate(rtl::Utf8ToUtf16(std::string("SELECT COUNT(*) FROM (") + kRoutineQuery + ") as cnt"),
                       true, 0)
            ->AsInteger()
            .AsInt64());
    const auto rows = connection_->CreateQuery(kRoutineQuery, true);
    rows->Open();
    engine::TDBAProgram program(std::make_shared<engine::TSchema>(), connection_);
    int position = 0;
    for (; !rows->Eof(); rows->Next()) {
        const std::string fullName = rows->Fields()[0]->AsString();
        const bool procedure = rows->Fields()[1]->AsString() == "PROCEDURE";
        // Quoted, so that a name that needs quoting is read like any other.
        const std::string name =
            BackQuoted(rows->Fields()[2]->AsString()) + "." + BackQuoted(rows->Fields()[3]->AsString());
        const std::string show = (procedure ? "SHOW CREATE PROCEDURE " : "SHOW CREATE FUNCTION ") + name;
        std::u16string text;
        try {
            text = connection_->Evaluate(rtl::Utf8ToUtf16(show), false, 2)->AsWideString().AsWideString();
        } catch (const core::EDBAConnectionException& error) {
            // Dropped by someone else since the list was read: nothing to check any more.
            if (error.ErrorCode() != kRoutineDoesNotExist) throw;
            if (!progress(++position, maximum)) return false;
            continue;
        }
        engine::TRoutine& routine =
            procedure ? program.AddProcedure(fullName, text) : program.AddFunction(fullName, text);
        try {
            routine.Compile();
        } catch (const std::exception& error) {
            AddFinding(text, error.what());
        }
        if (!progress(++position, maximum)) return false;
    }
    return true;
}

} // namespace app
