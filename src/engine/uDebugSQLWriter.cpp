#include "engine/uDebugSQLWriter.h"

#include "platform/rtl/Utf.h"

namespace engine {

void TDebugSQLWriter::VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) {
    WriteWord(variable->SessionName());
}

void TDebugSQLWriter::VisitServerSideExpression(const std::shared_ptr<TDBAServerSideExpression>& expression) {
    WriteWord(rtl::Utf16ToUtf8(expression->Text()));
}

} // namespace engine
