// A backtracking regular-expression engine over byte strings, and its errors.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/Exception.h"

namespace core {

// Error of compiling or executing a regular expression; compile errors (codes below 1000) also
// carry the position in the expression where compilation stopped.
class ERegExpr : public rtl::Exception {
public:
    ERegExpr(std::string message, int code, int compilePos)
        : rtl::Exception(std::move(message)), code_(code), compilePos_(compilePos) {}

    const char* ClassName() const override { return "ERegExpr"; }
    int Code() const { return code_; }
    int CompilePos() const { return compilePos_; }

private:
    int code_;
    int compilePos_;
};

// Backtracking regular-expression engine over byte strings, with up to 15 submatches (0 is the
// whole match). The expression compiles on the first execution after it or the settings changed.
//
// Modifiers, switched by letter here or inside the expression with "(?i)", "(?-g)" and so on:
//   i  case-insensitive            r  cp1251 Russian letters (ranges and case mapping)
//   s  "." matches line breaks     g  greedy quantifiers (off: all quantifiers non-greedy)
//   m  "^"/"$" at line breaks      x  blanks and "#" comments in the expression are ignored
// Defaults: r, s and g on.
class TRegExpr {
public:
    static constexpr int SubMatchCount = 15;

    TRegExpr();
    ~TRegExpr();
    TRegExpr(const TRegExpr&) = delete;
    TRegExpr& operator=(const TRegExpr&) = delete;

    const std::string& Expression() const { return expression_; }
    void SetExpression(std::string_view expression);

    // The letters are accepted in either case; any other letter raises code 127.
    bool Modifier(char letter) const;
    void SetModifier(char letter, bool on);

    const std::string& SpaceChars() const { return spaceChars_; }
    void SetSpaceChars(std::string_view chars);
    const std::string& WordChars() const { return wordChars_; }
    void SetWordChars(std::string_view chars);
    // Every character of LineSeparators is a line break; LinePairedSeparator is a two-character
    // sequence that counts as one (two different characters, or empty for none; else code 128).
    const std::string& LineSeparators() const { return lineSeparators_; }
    void SetLineSeparators(std::string_view chars);
    const std::string& LinePairedSeparator() const { return linePairedSeparator_; }
    void SetLinePairedSeparator(std::string_view chars);

    // Matches the expression against `input`, trying every start position from the first; a zero
    // byte ends the input. Raises ERegExpr when the expression is empty or does not compile.
    bool Exec(std::string_view input);
    const std::string& InputString() const { return input_; }

    // 1-based start, length and text of a submatch; -1, -1 and "" when it did not take part or
    // the index is out of range.
    int SubMatchStart(int index) const;
    int SubMatchLength(int index) const;
    std::string SubMatchText(int index) const;

    static std::string ErrorMsg(int code);

    struct Program;

private:
    void Invalidate();
    void ClearSubMatches();

    std::string expression_;
    unsigned modifiers_;
    std::string spaceChars_;
    std::string wordChars_;
    std::string lineSeparators_;
    std::string linePairedSeparator_;
    std::unique_ptr<Program> program_;
    std::string input_;
    // 0-based start and end (exclusive) of each submatch, -1 when none.
    std::array<int, 2 * SubMatchCount> subMatches_;
};

} // namespace core
