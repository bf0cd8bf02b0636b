// MySQL's identifier quoting rules and the table info of MySQL record sets.
#pragma once

#include "dataaccess/server/uCRTableInfo.h"
#include "platform/rtl/DateTime.h"

#include <string>
#include <string_view>

namespace dataaccess {

// MySQL's identifier rules: backquotes; a name counts as quoted in backquotes, double or single
// quotes; "#", "$" and "@" need no quotes, a leading digit does. The quoting tests take one part
// of a name only.
class TMyTableInfoClass : public TTableInfoClass {
public:
    std::unique_ptr<TCRTableInfo> Create(TCRTablesInfo* owner) const override;
    char LeftQuote() const override { return '`'; }
    char RightQuote() const override { return '`'; }
    bool IsQuoted(std::string_view name) const override;
    bool QuotesNeeded(std::string_view name) const override;
};

// A table of a MySQL result.
class TMyTableInfo : public TCRTableInfo {
public:
    using TCRTableInfo::TCRTableInfo;

    static const TTableInfoClass& Class();
    const TTableInfoClass& ClassType() const override { return Class(); }

    // Database-qualified as the SQL wrote it or as the server named it; the table name until known.
    std::string GetTableNameFull() const override {
        return tableNameFull_.empty() ? TableName() : tableNameFull_;
    }
    void SetTableNameFull(const std::string& value) override { tableNameFull_ = value; }

    // The largest TIMESTAMP value fetched from this table; 0 after the record set closes.
    rtl::TDateTime MaxTimestamp() const { return maxTimestamp_; }
    void SetMaxTimestamp(rtl::TDateTime value) { maxTimestamp_ = value; }

private:
    rtl::TDateTime maxTimestamp_ = 0;
    std::string tableNameFull_;
};

} // namespace dataaccess
