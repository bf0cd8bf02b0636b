#include "dataaccess/mysql/uMyTableInfo.h"

#include "dataaccess/mysql/uMyHelpers.h"
#include "platform/rtl/Exception.h"

namespace dataaccess {

std::unique_ptr<TCRTableInfo> TMyTableInfoClass::Create(TCRTablesInfo* owner) const {
    return std::make_unique<TMyTableInfo>(owner);
}

bool TMyTableInfoClass::IsQuoted(std::string_view name) const {
    RTL_ASSERT_MSG(name.find('.') == std::string_view::npos,
                   "In func IsQuotedName delimited values not allowed");
    return MyIsQuotedName(name);
}

bool TMyTableInfoClass::QuotesNeeded(std::string_view name) const {
    RTL_ASSERT_MSG(name.find('.') == std::string_view::npos,
                   "In func IsBracketNeeds delimited values not allowed");
    return MyQuotesNeeded(name);
}

const TTableInfoClass& TMyTableInfo::Class() {
    static const TMyTableInfoClass instance;
    return instance;
}

} // namespace dataaccess
