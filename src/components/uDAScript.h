// The script component: splits a text into statements and runs them one by one.
#pragma once

#include "components/uDASQL.h"
#include "dataaccess/store/uCRParser.h"
#include "platform/data/Component.h"
#include "platform/data/DataLink.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Threads.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace rtl {
class Exception;
class TStream;
} // namespace rtl

namespace components {

class TCustomDADataSet;
class TDAScript;

// What a script does after a statement failed.
enum TErrorAction : uint8_t { eaAbort, eaFail, eaException, eaContinue };

// Splits the script's text into statements and runs them one at a time. The lexer reads the text
// with blanks and comments as lexemes, so statements keep their inner formatting.
class TDAScriptProcessor {
public:
    explicit TDAScriptProcessor(TDAScript* script);
    virtual ~TDAScriptProcessor();
    TDAScriptProcessor(const TDAScriptProcessor&) = delete;
    TDAScriptProcessor& operator=(const TDAScriptProcessor&) = delete;

    TDAScript* Script() const { return script_; }
    const std::string& CurrentDelimiter() const { return currentDelimiter_; }
    void SetCurrentDelimiter(const std::string& value) { currentDelimiter_ = value; }
    // Handles the next statement; false at the end of the text or after a break.
    virtual bool ExecuteNext();
    // Forgets the lexer; the next statement starts again at the beginning of the text.
    void Reset();

protected:
    static constexpr int kSpecificSQL = 0x8000;
    static constexpr int kDelimiterCommand = 1;
    static constexpr int kCommentOnly = 2;

    virtual std::unique_ptr<dataaccess::TParser> CreateParser(std::string text) const = 0;
    virtual std::unique_ptr<dataaccess::TParser> CreateParser(rtl::TStream& stream,
                                                              const dataaccess::Encoding& encoding) const = 0;
    // Sees every lexeme that is not a delimiter: may start a DELIMITER command or mark the
    // statement as a routine body (kSpecificSQL) in which ";" does not end it.
    virtual void CheckLexem(int code, const std::string& lexem, int& statementType, bool& omit);
    virtual bool IsSpecificSQL(int statementType) const { return statementType == kSpecificSQL; }
    // A blank ends the new delimiter text of a DELIMITER command.
    virtual bool DelimiterEndsAtBlank() const { return false; }
    virtual bool CanOptimize(const std::string& sql) const;
    // The DELIMITER command: 0 none, 1 keyword seen, 2 blank after it, 3 reading, 4 done.
    uint8_t& DelimiterState() { return delimiterState_; }
    // Significant lexemes of the statement so far.
    int SignificantCount() const { return significantCount_; }

private:
    void CreateLexer();
    void DoExecute(std::string sql, int statementType, bool& brk, bool& omit);
    bool EndsStatement(int code, const std::string& lexem, int statementType) const;

    TDAScript* script_;
    std::unique_ptr<dataaccess::TParser> lexer_;
    std::string currentDelimiter_;
    uint8_t delimiterState_ = 0;
    std::string previousSignificant_;
    int significantCount_ = 0;
};

// Runs a text of many SQL statements through an SQL command (or a query data set when one is
// set): the text's DELIMITER commands change the delimiter, every statement passes BeforeExecute
// and AfterExecute, and OnError decides per failed statement.
class TDAScript : public data::TComponent {
public:
    using TBeforeStatementExecuteEvent = std::function<void(TDAScript* sender, std::string& sql, bool& omit)>;
    using TAfterStatementExecuteEvent = std::function<void(TDAScript* sender, const std::string& sql)>;
    using TOnErrorEvent = std::function<void(TDAScript* sender, const rtl::Exception& e,
                                             const std::string& sql, TErrorAction& action)>;

    ~TDAScript() override;

    rtl::TStringList& SQL() { return sql_; }
    void SetSQL(const std::string& text);
    const std::string& Delimiter() const { return delimiter_; }
    void SetDelimiter(const std::string& value) { delimiter_ = value; }
    bool Debug() const { return command_->Debug(); }
    void SetDebug(bool value) { command_->SetDebug(value); }
    TMacros& Macros() const { return *macros_; }
    // Raises "Macro %s not found".
    TMacro* FindMacro(const std::string& name) const { return macros_->MacroByName(name); }
    // Off: statements go out as written, "&name" and ":name" included.
    bool MacroCheck() const { return command_->MacroCheck(); }
    void SetMacroCheck(bool value);
    bool ParamCheck() const { return command_->ParamCheck(); }
    void SetParamCheck(bool value);
    bool NoPreconnect() const { return noPreconnect_; }
    void SetNoPreconnect(bool value) { noPreconnect_ = value; }
    // Statements travel in batches, one round trip each.
    bool UseOptimization() const { return useOptimization_; }
    void SetUseOptimization(bool value) { useOptimization_ = value; }
    TCustomDADataSet* DataSet() const;
    void SetDataSet(TCustomDADataSet* value);
    TCustomDASQL& Command() const { return *command_; }

    // Runs every statement of SQL.
    virtual void Execute();
    // Runs the next statement; false when there is no more.
    bool ExecuteNext();
    void ExecuteFile(const std::string& fileName);
    void ExecuteStream(rtl::TStream& stream);
    // Stops a running Execute after the current statement; callable from another thread.
    void BreakExec();
    // Runs one statement; a failure goes through OnError.
    void ExecuteStatement(const std::string& sql, bool& brk);

    // Where the statement being run starts and ends (0-based), readable during the events.
    int64_t StartLine() const { return startLine_; }
    int64_t EndLine() const { return endLine_; }
    int64_t StartOffset() const { return startOffset_; }
    int64_t EndOffset() const { return endOffset_; }
    // Where the statement that failed last starts.
    int64_t ErrorOffset() const { return errorOffset_; }

    TBeforeStatementExecuteEvent BeforeExecute;
    TAfterStatementExecuteEvent AfterExecute;
    TOnErrorEvent OnError;

protected:
    TDAScript(data::TComponent* owner, std::unique_ptr<TCustomDASQL> command);
    virtual std::unique_ptr<TDAScriptProcessor> CreateProcessor() = 0;
    TCustomDAConnection* UsedConnection() const;

private:
    friend class TDAScriptProcessor;

    void SQLChanged();
    TDAScriptProcessor& Processor();
    void FlushBatch();
    void AddToBatch(const std::string& sql);

    rtl::TStringList sql_;
    std::unique_ptr<TCustomDASQL> command_;
    std::unique_ptr<TMacros> macros_;
    std::unique_ptr<data::TDataSource> dataSource_;
    std::unique_ptr<TDAScriptProcessor> processor_;
    rtl::TStream* stream_ = nullptr;
    int64_t streamStart_ = 0;
    std::string delimiter_ = ";";
    bool noPreconnect_ = false;
    bool useOptimization_ = false;
    bool executing_ = false;
    // Set while ExecuteNext holds the lexer, so that a break from an event leaves it alone.
    bool inStatement_ = false;
    std::atomic<bool> break_{false};
    std::string batch_;
    rtl::TCriticalSection lock_;
    int64_t startOffset_ = 0, endOffset_ = 0, startLine_ = 0, endLine_ = 0;
    int64_t errorOffset_ = 0;
};

} // namespace components
