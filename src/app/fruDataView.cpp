#include "app/fruDataView.h"

#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Canvas.h"

#include <algorithm>

namespace app {

TfrmDataView::TfrmDataView(ui::TComponent* owner, std::shared_ptr<core::IQueryResult> result)
    : ui::TFrame(owner), dsResult(new data::TDataSource(this)), dbgResult(new widecontrols::TUcDBGrid(this)),
      sbResult(new ui::TStatusBar(this)), result_(std::move(result)) {
    RTL_ASSERT(result_);
    if (!result_->HasResultSet()) throw rtl::Exception("Result contains no data");
    SetName("frmDataView");
    SetBounds(0, 0, 480, 240);
    sbResult->SetName("sbResult");
    sbResult->SetParent(this);
    sbResult->SetAlign(ui::alBottom);
    sbResult->Panels().Add()->SetWidth(50);

    data::TDataSet* dataSet = result_->GetDataSet();
    for (int i = 0; i < dataSet->Fields().Count(); ++i) {
        data::TField* field = dataSet->Fields()[i];
        field->SetDisplayWidth(std::min(field->DisplayWidth(), kMaxDisplayWidth));
    }
    dsResult->SetName("dsResult");
    dsResult->SetDataSet(dataSet);
    dbgResult->SetName("dbgResult");
    dbgResult->SetParent(this);
    dbgResult->SetAlign(ui::alClient);
    dbgResult->SetReadOnly(true);
    dbgResult->SetOptions({ui::dgTitles, ui::dgColumnResize, ui::dgColLines, ui::dgRowLines, ui::dgTabs});
    dbgResult->Font()->SetName("MS Sans Serif");
    dbgResult->Font()->SetHeight(-11);
    dbgResult->OnDrawColumnCell = [this](ui::TObject*, const ui::TRect& rect, int, ui::TColumn* column,
                                         ui::TGridDrawState state) {
        dbgResultDrawColumnCell(rect, column, state);
    };
    dbgResult->SetDataSource(dsResult);
    dataSet->First();
    sbResult->Panels()[0]->SetText(std::to_string(result_->RowCount()) + " row(s) returned (" +
                                   core::FormatMilliseconds(result_->ExecutionTime()) + " sec)");
}

void TfrmDataView::dbgResultDrawColumnCell(const ui::TRect& rect, ui::TColumn* column,
                                           ui::TGridDrawState state) {
    const data::TField* field = column->Field();
    if (!field || !field->IsNull()) return;
    ui::TCanvas& canvas = *dbgResult->Canvas();
    canvas.FillRect(rect);
    canvas.Font()->SetName("Small Fonts");
    canvas.Font()->SetSize(6);
    if (!state.Contains(ui::gdFocused)) canvas.Font()->SetColor(kNullTextColor);
    canvas.TextOut(rect.Left + 2, rect.Top + 2, "NULL");
}

} // namespace app
