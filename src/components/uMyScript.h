// The MySQL script component: DELIMITER commands and routine bodies with inner semicolons.
#pragma once

#include "components/uDAScript.h"

namespace components {

class TCustomMyConnection;
class TCustomMyDataSet;

// MySQL rules: the MySQL lexer, the DELIMITER command at the start of a statement, and routine
// bodies (CREATE PROCEDURE, FUNCTION, TRIGGER) in which ";" does not end the statement.
class TMyScriptProcessor : public TDAScriptProcessor {
public:
    using TDAScriptProcessor::TDAScriptProcessor;

protected:
    std::unique_ptr<dataaccess::TParser> CreateParser(std::string text) const override;
    std::unique_ptr<dataaccess::TParser> CreateParser(rtl::TStream& stream,
                                                      const dataaccess::Encoding& encoding) const override;
    void CheckLexem(int code, const std::string& lexem, int& statementType, bool& omit) override;
    bool DelimiterEndsAtBlank() const override { return true; }

private:
    int previousCode_ = 0;
    int lastCode_ = 0;
};

class TMyScript : public TDAScript {
public:
    explicit TMyScript(data::TComponent* owner = nullptr);

    TCustomMyConnection* Connection() const;
    void SetConnection(TCustomMyConnection* value);

protected:
    std::unique_ptr<TDAScriptProcessor> CreateProcessor() override;
};

} // namespace components
