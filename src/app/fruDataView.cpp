#include "app/fruDataView.h"

#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exception.h"

#include <algorithm>

namespace app {

std::string DataRowText(const core::IQueryResult& result) {
    auto& fields = const_cast<core::IQueryResult&>(result).GetDataSet()->Fields();
    std::string text;
    for (int i = 0; i < fields.Count(); ++i) {
        const data::TField* field = fields[i];
        if (i > 0) text += " | ";
        text += field->IsNull() ? "NULL" : field->DisplayText().substr(0, field->DisplayWidth());
    }
    return text;
}

TfrmDataView::TfrmDataView(ui::TComponent* owner, std::shared_ptr<core::IQueryResult> result)
    : ui::TFrame(owner), dbgResult(new ui::TListBox(this)), sbResult(new ui::TStatusBar(this)),
      result_(std::move(result)) {
    RTL_ASSERT(result_);
    if (!result_->HasResultSet()) throw rtl::Exception("Result contains no data");
    SetName("frmDataView");
    SetBounds(0, 0, 480, 240);
    sbResult->SetName("sbResult");
    sbResult->SetParent(this);
    sbResult->SetAlign(ui::alBottom);
    sbResult->Panels().Add()->SetWidth(50);
    dbgResult->SetName("dbgResult");
    dbgResult->SetParent(this);
    dbgResult->SetAlign(ui::alClient);

    data::TDataSet* dataSet = result_->GetDataSet();
    auto& fields = dataSet->Fields();
    std::string titles;
    for (int i = 0; i < fields.Count(); ++i) {
        data::TField* field = fields[i];
        field->SetDisplayWidth(std::min(field->DisplayWidth(), kMaxDisplayWidth));
        titles += (i > 0 ? " | " : "") + field->FieldName();
    }
    dbgResult->Items().Add(titles);
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
        dbgResult->Items().Add(DataRowText(*result_));
    dataSet->First();
    sbResult->Panels()[0]->SetText(std::to_string(result_->RowCount()) + " row(s) returned (" +
                                   core::FormatMilliseconds(result_->ExecutionTime()) + " sec)");
}

} // namespace app
