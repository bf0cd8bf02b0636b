#include "engine/server/uDBAExecutableLineFiller.h"

#include "engine/server/uDBABlock.h"

namespace engine {

void TDBAExecutableLineFiller::VisitBlock(const std::shared_ptr<IBlock>& statement) {
    TExecutableLineFiller::VisitBlock(statement);
    if (const auto block = std::dynamic_pointer_cast<IDBABlock>(statement)) {
        for (int i = 0; i < block->HandlerCount(); ++i)
            Visit(block->GetHandler(i).Body());
    }
}

void TDBAExecutableLineFiller::VisitServerSideStatement(
    const std::shared_ptr<TDBAServerSideStatement>& statement) {
    AddBeginLine(*statement);
}

void TDBAExecutableLineFiller::VisitOpenCursor(const std::shared_ptr<TDBAOpenCursor>& statement) {
    AddBeginLine(*statement);
}

void TDBAExecutableLineFiller::VisitFetchCursor(const std::shared_ptr<TDBAFetchCursor>& statement) {
    AddBeginLine(*statement);
}

void TDBAExecutableLineFiller::VisitCloseCursor(const std::shared_ptr<TDBACloseCursor>& statement) {
    AddBeginLine(*statement);
}

void TDBAExecutableLineFiller::VisitSignal(const std::shared_ptr<TDBASignal>& statement) {
    AddBeginLine(*statement);
}

void TDBAExecutableLineFiller::VisitResignal(const std::shared_ptr<TDBAResignal>& statement) {
    AddBeginLine(*statement);
}

} // namespace engine
