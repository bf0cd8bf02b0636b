#include "components/uMyScript.h"

#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "dataaccess/mysql/uMyParser.h"

namespace components {

std::unique_ptr<dataaccess::TParser> TMyScriptProcessor::CreateParser(std::string text) const {
    return std::make_unique<dataaccess::TMyParser>(std::move(text));
}

std::unique_ptr<dataaccess::TParser>
TMyScriptProcessor::CreateParser(rtl::TStream& stream, const dataaccess::Encoding& encoding) const {
    return std::make_unique<dataaccess::TMyParser>(stream, encoding);
}

void TMyScriptProcessor::CheckLexem(int code, const std::string&, int& statementType, bool&) {
    if (code == dataaccess::lxBlank || code == dataaccess::lxComment) return;
    if (SignificantCount() == 0) previousCode_ = lastCode_ = 0;
    previousCode_ = lastCode_;
    lastCode_ = code;
    // DELIMITER is a command only where a statement starts: elsewhere it is a name.
    if (code == dataaccess::kwDelimiter && SignificantCount() == 0) {
        DelimiterState() = 1;
        statementType = kDelimiterCommand;
    } else if (CurrentDelimiter() == ";" && previousCode_ == dataaccess::kwCreate &&
               (code == dataaccess::kwFunction || code == dataaccess::kwProcedure ||
                code == dataaccess::kwTrigger)) {
        statementType = kSpecificSQL;
    }
}

TMyScript::TMyScript(data::TComponent* owner) : TDAScript(owner, std::make_unique<TMyCommand>(nullptr)) {
    Macros().SetParserClass([](std::string text) -> std::unique_ptr<dataaccess::TSQLParser> {
        return std::make_unique<dataaccess::TMyParser>(std::move(text));
    });
}

TCustomMyConnection* TMyScript::Connection() const {
    return static_cast<TCustomMyConnection*>(Command().Connection());
}

void TMyScript::SetConnection(TCustomMyConnection* value) {
    Command().SetConnection(value);
}

std::unique_ptr<TDAScriptProcessor> TMyScript::CreateProcessor() {
    return std::make_unique<TMyScriptProcessor>(this);
}

} // namespace components
