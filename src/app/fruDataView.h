// The data view frame: a grid over a result set, with "NULL" shown in a colour of its own.
#pragma once

#include "platform/data/DataLink.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StatusBars.h"
#include "widecontrols/uUcDBGrids.h"

#include <memory>
#include <string>

namespace core {
class IQueryResult;
}

namespace app {

// The widest a column is shown until the user widens it.
constexpr int kMaxDisplayWidth = 50;
// The colour of "NULL" in a result cell.
constexpr ui::TColor kNullTextColor = 0xCC6600;

// One statement's rows in a read-only grid, with its row count and time; the result stays open while
// the view lives.
class TfrmDataView : public ui::TFrame {
public:
    TfrmDataView(ui::TComponent* owner, std::shared_ptr<core::IQueryResult> result);

    data::TDataSource* dsResult;
    widecontrols::TUcDBGrid* dbgResult;
    ui::TStatusBar* sbResult;

private:
    // A NULL shows as a small "NULL" instead of an empty cell.
    void dbgResultDrawColumnCell(const ui::TRect& rect, ui::TColumn* column, ui::TGridDrawState state);

    std::shared_ptr<core::IQueryResult> result_;
};

} // namespace app
