#include "dataaccess/server/uCRCommand.h"

#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "dataaccess/store/uCRParser.h"
#include "platform/rtl/Exception.h"

#include <string_view>

namespace dataaccess {

namespace {

// Identifiers (also quoted ones), numbers and keywords name a parameter after a colon.
bool IsParamNameLexeme(int code, const std::string& lexem) {
    if (code == lxIdent || code == lxNumber) return true;
    // Keyword codes share the range of symbol codes; keywords are words.
    return code > 0 && !lexem.empty() &&
           ((lexem.front() >= 'A' && lexem.front() <= 'Z') || (lexem.front() >= 'a' && lexem.front() <= 'z'));
}

} // namespace

// ---- TParamDesc

bool TParamDesc::SetValue(const rtl::Variant& value) {
    value_ = value;
    object_ = nullptr;
    isNull_ = value.IsEmpty() || value.IsNull();
    return isNull_;
}

TSharedObject* TParamDesc::GetObject() const {
    if (object_) return object_;
    RTL_ASSERT(value_.IsEmpty() || value_.IsNull());
    return nullptr;
}

void TParamDesc::SetObject(TSharedObject* value) {
    value_ = rtl::Variant();
    object_ = value;
}

void TParamDesc::SetNull(bool value) {
    isNull_ = value;
    if (!object_) value_ = rtl::Variant();
}

// ---- TParamDescs

TParamDesc* TParamDescs::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return items_[static_cast<size_t>(index)].get();
}

TParamDesc* TParamDescs::Add(std::unique_ptr<TParamDesc> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
}

void TParamDescs::Delete(int index) {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    items_.erase(items_.begin() + index);
}

// ---- TCRCommand

void TCRCommand::ParseParam(AnsiStringBuilder& sql, TParser& parser, const std::string& renamePrefix,
                            char rightQuote, char leftQuote, TParamDescs* params) {
    std::string lexem;
    int code = parser.NextLexem(lexem);
    const bool atSign = lexem == "@";
    if (atSign) code = parser.NextLexem(lexem);

    if ((!params && renamePrefix.empty()) || !IsParamNameLexeme(code, lexem)) {
        sql.AppendChar(':');
        if (atSign) sql.AppendChar('@');
        sql.Append(lexem);
        return;
    }

    std::string name = atSign ? "@" + lexem : lexem;
    const bool quoted = name.size() > 1 && name.front() == leftQuote && name.back() == rightQuote;
    if (quoted) name = name.substr(1, name.size() - 2);
    if (params) {
        params->Add(GetParamDescClass()())->SetName(name);
        sql.AppendChar('?');
        return;
    }
    // A quoted name stays quoted, so that the renamed text is still one parameter name.
    sql.AppendChar(':');
    if (quoted) sql.AppendChar(leftQuote);
    sql.Append(renamePrefix);
    sql.Append(name);
    if (quoted) sql.AppendChar(rightQuote);
}

const TTableInfoClass& TCRCommand::GetTableInfoClass() const {
    rtl::AssertionFailed(nullptr, __FILE__, __LINE__);
}

TSQLParserClass TCRCommand::GetParserClass() const {
    rtl::AssertionFailed(nullptr, __FILE__, __LINE__);
}

void TCRCommand::SetSQL(const std::string& value) {
    if (value == userSQL_) return;
    userSQL_ = value;
    if (disableParamScan_)
        sql_ = value;
    else
        sql_ = ParseSQL(value, scanParams_ ? &params_ : nullptr, std::string());
}

std::string TCRCommand::ParseSQL(const std::string& sql, TParamDescs* params,
                                 const std::string& renamePrefix) {
    const TTableInfoClass& tableInfoClass = GetTableInfoClass();
    const char leftQuote = tableInfoClass.LeftQuote();
    const char rightQuote = tableInfoClass.RightQuote();
    const int length = static_cast<int>(sql.size());
    AnsiStringBuilder result(length + length / 2);

    const std::unique_ptr<TSQLParser> parser = GetParserClass()(sql);
    if (params) params->Clear();
    parser->SetSkipBlanks(false);
    parser->SetSkipComments(true);
    parser->SetKeepQuotes(true);

    // Text between parameters is copied from the source, so skipped comments stay in it.
    const std::string_view source(sql);
    size_t copied = 0;
    while (parser->FindKeyword(":")) {
        const auto colon = static_cast<size_t>(parser->CurrentOffset() - 1);
        result.Append(source.substr(copied, colon - copied));
        ParseParam(result, *parser, renamePrefix, rightQuote, leftQuote, params);
        copied = static_cast<size_t>(parser->CurrentOffset());
    }
    result.Append(source.substr(copied));
    return result.AsString();
}

TParamDesc* TCRCommand::AddParam() {
    return params_.Add(GetParamDescClass()());
}

void TCRCommand::SetOptionalValue(int) {
    throw rtl::Exception(SOperationNotSupported);
}

bool TCRCommand::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prAutoCommit:
        autoCommit_ = value.AsBoolean();
        break;
    case prScanParams: {
        const bool switchedOn = value.AsBoolean() && !scanParams_;
        scanParams_ = value.AsBoolean();
        if (switchedOn && !userSQL_.empty()) ReparseSQL(std::string());
        break;
    }
    case prCompressBlobMode:
        compressBlobMode_ = static_cast<TCompressBlobMode>(value.AsInt64());
        break;
    case prDisableParamScan:
        disableParamScan_ = value.AsBoolean();
        break;
    case 33:
    case prCanReadParams:
    case prIsStoredProc:
        break; // server classes handle them
    case prQuoteNames:
        quoteNames_ = value.AsBoolean();
        break;
    case prEnableBCD:
        enableBCD_ = value.AsBoolean();
        break;
    case prEnableFMTBCD:
        enableFMTBCD_ = value.AsBoolean();
        break;
    default:
        UnknownPropError(prop);
    }
    return true;
}

bool TCRCommand::GetProp(int prop, rtl::Variant& value) {
    switch (prop) {
    case prExecuting:
        value = executing_.load();
        break;
    case prCanReadParams:
        value = true;
        break;
    case prIsSelectParams:
        value = false;
        break;
    default:
        UnknownPropError(prop);
    }
    return true;
}

void TCRCommand::ReparseSQL(const std::string& renamePrefix) {
    sql_ = ParseSQL(userSQL_, &params_, renamePrefix);
}

} // namespace dataaccess
