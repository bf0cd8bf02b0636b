#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/ListControls.h"
#include "platform/ui/StatusBars.h"

#include <memory>
#include <string>

namespace core {
class IQueryResult;
}

namespace app {

// The widest a column is shown until the user widens it.
constexpr int kMaxDisplayWidth = 50;

// The text of one row: each value cut to its field's display width, NULL as "NULL".
std::string DataRowText(const core::IQueryResult& result);

// One statement's rows, read-only, with its row count and time; the result stays open while the view
// lives.
class TfrmDataView : public ui::TFrame {
public:
    TfrmDataView(ui::TComponent* owner, std::shared_ptr<core::IQueryResult> result);

    ui::TListBox* dbgResult;
    ui::TStatusBar* sbResult;

private:
    std::shared_ptr<core::IQueryResult> result_;
};

} // namespace app
