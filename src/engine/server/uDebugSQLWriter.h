// The SQL writer for text that runs on the server during a run.
#pragma once

#include <memory>

#include "engine/server/uDBAExpressions.h"
#include "engine/sql/uSQLWriter.h"

namespace engine {

// The SQL writer for text that runs on the server during a run: a mirrored local variable is written
// as its session variable name, a server-side expression as its SQL text.
class TDebugSQLWriter : public TSQLWriter, public IDBAExpressionVisitor {
public:
    IDBAExpressionVisitor* ServerSideExtension() override { return this; }
    void VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) override;
    void VisitServerSideExpression(const std::shared_ptr<TDBAServerSideExpression>& expression) override;
};

} // namespace engine
