// The lines where a routine compiled for the server can stop.
#pragma once

#include <memory>

#include "engine/local/uExecutableLineFiller.h"
#include "engine/server/uDBAStatements.h"

namespace engine {

// The executable lines of a routine compiled for the server: those of the local statements, the
// first line of every server-side statement, and the lines of the handler bodies, which follow the
// lines of the block that declares them.
class TDBAExecutableLineFiller : public TExecutableLineFiller, public IDBAStatementVisitor {
public:
    using TExecutableLineFiller::TExecutableLineFiller;

    void VisitBlock(const std::shared_ptr<IBlock>& statement) override;

    void VisitServerSideStatement(const std::shared_ptr<TDBAServerSideStatement>& statement) override;
    void VisitOpenCursor(const std::shared_ptr<TDBAOpenCursor>& statement) override;
    void VisitFetchCursor(const std::shared_ptr<TDBAFetchCursor>& statement) override;
    void VisitCloseCursor(const std::shared_ptr<TDBACloseCursor>& statement) override;
    void VisitSignal(const std::shared_ptr<TDBASignal>& statement) override;
    void VisitResignal(const std::shared_ptr<TDBAResignal>& statement) override;
};

} // namespace engine
