// libFuzzer entry point: the MySQL lexer of the data-access layer over arbitrary bytes, in text and
// stream mode (the first byte picks the mode and the lexer's switches), read to the end and once
// more from the start through the searches.

#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/store/uEncoding.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

void Configure(dataaccess::TParser& lexer, uint8_t switches) {
    lexer.SetSkipBlanks(switches & 2);
    lexer.SetSkipComments(switches & 4);
    lexer.SetUpperKeywords(switches & 8);
    lexer.SetKeepQuotes(switches & 16);
    lexer.SetTrackStringLines(switches & 32);
}

// Each read moves forward, so the text bounds the number of lexemes.
void ReadAll(dataaccess::TParser& lexer, size_t size) {
    std::string lexem;
    for (size_t count = 0; lexer.NextLexem(lexem) != dataaccess::lxEnd; ++count) {
        if (count > size + 1) __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t switches = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        if (switches & 1) {
            rtl::TMemoryStream stream;
            stream.Write(text.data(), static_cast<int64_t>(text.size()));
            stream.Seek(0, rtl::soBeginning);
            const dataaccess::Encoding& encoding = switches & 64 ? dataaccess::Encoding::UTF8Instance()
                                                                 : dataaccess::Encoding::DefaultEncoding();
            dataaccess::TMyParser lexer(stream, encoding);
            Configure(lexer, switches);
            ReadAll(lexer, text.size());
        } else {
            dataaccess::TMyParser lexer(text);
            Configure(lexer, switches);
            ReadAll(lexer, text.size());
            lexer.ToBegin();
            lexer.FindKeyword("select");
            lexer.ToBegin();
            lexer.SkipToCode(lexer.WhereCode());
        }
    } catch (const dataaccess::EParserError&) {
    }
    return 0;
}
