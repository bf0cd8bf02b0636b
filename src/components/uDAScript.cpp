#include "components/uDAScript.h"

#include "components/uDAConnection.h"
#include "components/uDADataSet.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"

namespace components {

using dataaccess::lxBlank;
using dataaccess::lxComment;
using dataaccess::lxEnd;
using dataaccess::lxString;

namespace {

constexpr size_t kBatchLimit = 0xFFFF;

bool IsSignificant(int code) {
    return code != lxBlank && code != lxComment && code != lxEnd;
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

// ---- Processor

TDAScriptProcessor::TDAScriptProcessor(TDAScript* script)
    : script_(script), currentDelimiter_(script->Delimiter()) {}

TDAScriptProcessor::~TDAScriptProcessor() = default;

void TDAScriptProcessor::Reset() {
    lexer_.reset();
}

void TDAScriptProcessor::CreateLexer() {
    if (rtl::TStream* stream = script_->stream_) {
        stream->SetPosition(script_->streamStart_);
        unsigned char mark[3] = {0, 0, 0};
        const int64_t read = stream->Read(mark, 3);
        if (read >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
            stream->SetPosition(script_->streamStart_ + 2);
            lexer_ = CreateParser(*stream, dataaccess::Encoding::UnicodeInstance());
        } else if (read == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
            // The byte-order mark is no part of the first statement.
            stream->SetPosition(script_->streamStart_ + 3);
            lexer_ = CreateParser(*stream, dataaccess::Encoding::UTF8Instance());
        } else {
            stream->SetPosition(script_->streamStart_);
            lexer_ = CreateParser(*stream, dataaccess::Encoding::DefaultEncoding());
        }
    } else {
        std::string text = script_->sql_.Text();
        while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
            text.pop_back();
        lexer_ = CreateParser(std::move(text));
    }
    lexer_->SetSkipBlanks(false);
    lexer_->SetSkipComments(false);
    lexer_->SetUpperKeywords(false);
    lexer_->SetKeepQuotes(true);
    lexer_->SetTrackStringLines(true);
}

void TDAScriptProcessor::CheckLexem(int code, const std::string&, int& statementType, bool&) {
    if (code == lxComment) {
        if (statementType == 0) statementType = kCommentOnly;
    } else if (code != lxBlank && statementType == kCommentOnly) {
        statementType = 0;
    }
}

bool TDAScriptProcessor::CanOptimize(const std::string& sql) const {
    return sql.size() + script_->batch_.size() < kBatchLimit;
}

bool TDAScriptProcessor::EndsStatement(int code, const std::string& lexem, int statementType) const {
    if (currentDelimiter_ == script_->Delimiter())
        return lexem == currentDelimiter_ && !IsSpecificSQL(statementType);
    if (lexem == currentDelimiter_) return true;
    // A two-character delimiter the lexer reads as two lexemes.
    return currentDelimiter_.size() == 2 && lexem.size() == 1 && lexem[0] == currentDelimiter_[1] &&
           previousSignificant_.size() == 1 && previousSignificant_[0] == currentDelimiter_[0] &&
           code != lxString;
}

bool TDAScriptProcessor::ExecuteNext() {
    rtl::TCriticalSection::Guard guard(script_->lock_);
    const rtl::FlagScope inStatement(script_->inStatement_);
    if (!lexer_) CreateLexer();

    int statementType = 0;
    bool omit = false;
    delimiterState_ = 0;
    std::string newDelimiter;
    previousSignificant_.clear();
    significantCount_ = 0;
    script_->startOffset_ = script_->endOffset_ = lexer_->CurrentOffset();
    script_->startLine_ = script_->endLine_ = lexer_->CurrentLine();

    std::string text;
    // Where the text stood before its last significant lexeme: a split delimiter is cut there.
    size_t beforeLastSignificant = 0;
    // A "/" at the start of a line ends the statement only when nothing else follows on its line.
    bool pendingSlash = false;
    std::string lexem;
    for (;;) {
        const int code = lexer_->NextLexem(lexem);
        bool done = false;
        bool splitDelimiter = false;
        if (pendingSlash) {
            pendingSlash = false;
            if (code == lxEnd || (code == lxBlank && lexem.find('\n') != std::string::npos)) {
                done = true;
            } else {
                beforeLastSignificant = text.size();
                text += '/';
                previousSignificant_ = "/";
                ++significantCount_;
            }
        }
        if (!done) {
            if (delimiterState_ == 2 && code != lxBlank) delimiterState_ = 3;
            if (delimiterState_ == 3) {
                if (lexem == currentDelimiter_ && code != lxEnd) {
                    delimiterState_ = 4;
                    if (newDelimiter.empty()) newDelimiter = currentDelimiter_;
                } else if ((code == lxBlank || code == lxEnd) && DelimiterEndsAtBlank()) {
                    delimiterState_ = 4;
                } else if (code != lxEnd) {
                    newDelimiter += lexem;
                }
            } else if (delimiterState_ == 1 && code == lxBlank) {
                delimiterState_ = 2;
            }
            done = delimiterState_ == 4 || code == lxEnd;
            if (!done && delimiterState_ == 0 && code != lxString) {
                if (currentDelimiter_ == script_->Delimiter() && lexem == "/" && lexer_->PrevColumn() == 0) {
                    pendingSlash = true;
                    continue;
                }
                done = EndsStatement(code, lexem, statementType);
                splitDelimiter = done && lexem != currentDelimiter_;
            }
        }
        if (done) {
            if (splitDelimiter) text.resize(beforeLastSignificant);
            std::string sql = Trim(text);
            // Blanks and comments alone are no statement.
            if (sql.empty() || (significantCount_ == 0 && delimiterState_ != 4)) {
                if (code == lxEnd) break;
                text.clear();
                script_->startOffset_ = script_->endOffset_ = lexer_->CurrentOffset();
                script_->startLine_ = script_->endLine_ = lexer_->CurrentLine();
                continue;
            }
            omit = omit || delimiterState_ == 4;
            if (delimiterState_ == 4) currentDelimiter_ = newDelimiter;
            bool brk = false;
            DoExecute(std::move(sql), statementType, brk, omit);
            if ((!omit && brk) || script_->break_) break;
            return true;
        }
        CheckLexem(code, lexem, statementType, omit);
        if (code == lxBlank && text.empty()) {
            script_->startOffset_ = lexer_->CurrentOffset();
            script_->startLine_ = lexer_->CurrentLine();
            continue;
        }
        if (IsSignificant(code)) {
            beforeLastSignificant = text.size();
            previousSignificant_ = lexem;
            ++significantCount_;
        }
        text += lexem;
        script_->endOffset_ = lexer_->CurrentOffset() - 1;
        script_->endLine_ = lexer_->CurrentLine();
    }
    // The end of the text or a break: the next statement starts from the beginning again.
    lexer_.reset();
    return false;
}

void TDAScriptProcessor::DoExecute(std::string sql, int, bool& brk, bool& omit) {
    brk = false;
    if (script_->BeforeExecute) script_->BeforeExecute(script_, sql, omit);
    if (omit || sql.empty()) return;
    if (!script_->useOptimization_ || !script_->executing_) {
        script_->ExecuteStatement(sql, brk);
    } else {
        if (!CanOptimize(sql)) script_->FlushBatch();
        script_->AddToBatch(sql);
    }
    if (script_->AfterExecute) script_->AfterExecute(script_, sql);
}

// ---- Script

TDAScript::TDAScript(data::TComponent* owner, std::unique_ptr<TCustomDASQL> command)
    : TComponent(owner), command_(std::move(command)), macros_(std::make_unique<TMacros>(nullptr)),
      dataSource_(std::make_unique<data::TDataSource>(nullptr)) {
    command_->SetAutoCommit(false);
    sql_.OnChange = [this](rtl::TStringList&) { SQLChanged(); };
}

TDAScript::~TDAScript() {
    sql_.OnChange = nullptr;
}

void TDAScript::SetSQL(const std::string& text) {
    rtl::TStringList lines;
    lines.SetText(text);
    if (lines.Text() == sql_.Text()) return;
    sql_.SetText(text);
}

void TDAScript::SQLChanged() {
    macros_->Scan(MacroCheck() ? sql_.Text() : std::string());
    BreakExec();
}

void TDAScript::SetMacroCheck(bool value) {
    command_->SetMacroCheck(value);
    if (TCustomDADataSet* dataSet = DataSet()) dataSet->SetMacroCheck(value);
    macros_->Scan(value ? sql_.Text() : std::string());
}

void TDAScript::SetParamCheck(bool value) {
    command_->SetParamCheck(value);
    if (TCustomDADataSet* dataSet = DataSet()) dataSet->SetParamCheck(value);
}

TCustomDADataSet* TDAScript::DataSet() const {
    return static_cast<TCustomDADataSet*>(dataSource_->DataSet());
}

void TDAScript::SetDataSet(TCustomDADataSet* value) {
    dataSource_->SetDataSet(value);
}

TCustomDAConnection* TDAScript::UsedConnection() const {
    if (TCustomDADataSet* dataSet = DataSet()) return dataSet->UsedConnection();
    return command_->Connection();
}

TDAScriptProcessor& TDAScript::Processor() {
    if (!processor_) processor_ = CreateProcessor();
    return *processor_;
}

void TDAScript::Execute() {
    break_ = false;
    TDAScriptProcessor& processor = Processor();
    TCustomDAConnection* connection = UsedConnection();
    if (!connection) data::DatabaseError("Connection is not defined", this);
    if (!noPreconnect_) connection->AcquireConnection();
    TCustomDADataSet* dataSet = DataSet();
    if (dataSet) dataSet->DisableControls();
    executing_ = true;
    auto finish = [&] {
        executing_ = false;
        batch_.clear();
        {
            rtl::TCriticalSection::Guard guard(lock_);
            processor.Reset();
        }
        if (dataSet) dataSet->EnableControls();
        if (!noPreconnect_) connection->ReleaseConnection();
    };
    rtl::Finally(
        [&] {
            processor.SetCurrentDelimiter(delimiter_);
            while (!break_ && processor.ExecuteNext()) {
            }
            if (!break_) FlushBatch();
        },
        finish);
}

bool TDAScript::ExecuteNext() {
    return Processor().ExecuteNext();
}

void TDAScript::ExecuteFile(const std::string& fileName) {
    rtl::TFileStream stream(fileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
    ExecuteStream(stream);
}

void TDAScript::ExecuteStream(rtl::TStream& stream) {
    RTL_ASSERT(!stream_);
    stream_ = &stream;
    streamStart_ = stream.Position();
    if (processor_) processor_->Reset();
    rtl::Finally([&] { Execute(); }, [&] { stream_ = nullptr; });
}

void TDAScript::BreakExec() {
    break_ = true;
    rtl::TCriticalSection::Guard guard(lock_);
    // A break from an event of the running statement: the processor lets go of the lexer itself.
    if (processor_ && !inStatement_) processor_->Reset();
    startOffset_ = endOffset_ = startLine_ = endLine_ = 0;
}

void TDAScript::AddToBatch(const std::string& sql) {
    if (!batch_.empty()) batch_ += delimiter_ + "\r\n";
    batch_ += sql;
}

void TDAScript::FlushBatch() {
    if (batch_.empty()) return;
    const std::string text = std::move(batch_);
    batch_.clear();
    bool brk = false;
    ExecuteStatement(text, brk);
    if (brk) break_ = true;
}

void TDAScript::ExecuteStatement(const std::string& sql, bool& brk) {
    TCustomDADataSet* dataSet = DataSet();
    try {
        TMacros* targetMacros;
        if (dataSet) {
            dataSet->SetSQL(sql);
            targetMacros = &dataSet->Macros();
        } else {
            command_->SetSQL(sql);
            targetMacros = &command_->Macros();
        }
        for (int i = 0; i < targetMacros->Count(); ++i)
            targetMacros->Items(i)->SetValue(FindMacro(targetMacros->Items(i)->Name())->Value());
        if (dataSet)
            dataSet->Execute();
        else
            command_->Execute();
    } catch (const data::EAbort&) {
        throw;
    } catch (const rtl::Exception& error) {
        errorOffset_ = startOffset_;
        TErrorAction action = eaException;
        if (OnError) OnError(this, error, Trim(sql), action);
        switch (action) {
        case eaAbort:
            brk = true;
            break_ = true;
            break;
        case eaFail:
            throw;
        case eaException:
            data::HandleApplicationException(std::current_exception());
            break;
        case eaContinue:
            break;
        }
    }
}

} // namespace components
