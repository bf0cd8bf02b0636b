#include "engine/server/uDebugSQLWriter.h"

#include "engine/server/uDBAExpressionBuilder.h"
#include "platform/rtl/Utf.h"

namespace engine {

void TDebugSQLWriter::VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) {
    WriteWord(variable->SessionName());
}

void TDebugSQLWriter::VisitServerSideExpression(const std::shared_ptr<TDBAServerSideExpression>& expression) {
    // LIMIT counts taken from local variables are written in as their current values.
    if (const auto limited = std::dynamic_pointer_cast<TDBALimitedServerSideExpression>(expression))
        return WriteWord(rtl::Utf16ToUtf8(limited->RunText()));
    WriteWord(rtl::Utf16ToUtf8(expression->Text()));
}

} // namespace engine
