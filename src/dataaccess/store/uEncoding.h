// Encodings that turn 8-bit and UTF-16 strings into byte arrays and back.
#pragma once

#include "dataaccess/store/uMarshal.h"

#include <string>

namespace dataaccess {

// Turns 8-bit (ANSI, which is UTF-8 here) and UTF-16 strings into byte arrays and back.
// The base class is the default encoding: ANSI bytes passed through as they are.
// Indexes and counts are in characters of the source string, or in bytes of the array.
class Encoding {
public:
    virtual ~Encoding() = default;

    virtual TBytes GetBytes(const std::string& chars) const;
    // Writes into `bytes` from `byteIndex`, which must have room; returns the bytes written.
    virtual int GetBytesRange(const std::string& chars, int charIndex, int charCount, TBytes& bytes,
                              int byteIndex) const;
    virtual TBytes GetWideBytes(const std::u16string& chars) const;
    virtual int GetWideBytesRange(const std::u16string& chars, int charIndex, int charCount, TBytes& bytes,
                                  int byteIndex) const;
    virtual std::string GetString(const TBytes& bytes) const;
    virtual std::string GetStringRange(const TBytes& bytes, int index, int count) const;
    virtual std::u16string GetWideString(const TBytes& bytes) const;
    virtual std::u16string GetWideStringRange(const TBytes& bytes, int index, int count) const;
    virtual int GetMaxByteCount(int charCount) const;

    // Process-wide instances; the lexer tells encodings apart by comparing with these.
    static const Encoding& DefaultEncoding();
    static const Encoding& UnicodeInstance();
    static const Encoding& UTF8Instance();
};

// UTF-16 little-endian.
class UnicodeEncoding : public Encoding {
public:
    TBytes GetBytes(const std::string& chars) const override;
    int GetBytesRange(const std::string& chars, int charIndex, int charCount, TBytes& bytes,
                      int byteIndex) const override;
    TBytes GetWideBytes(const std::u16string& chars) const override;
    int GetWideBytesRange(const std::u16string& chars, int charIndex, int charCount, TBytes& bytes,
                          int byteIndex) const override;
    std::string GetString(const TBytes& bytes) const override;
    std::string GetStringRange(const TBytes& bytes, int index, int count) const override;
    std::u16string GetWideString(const TBytes& bytes) const override;
    std::u16string GetWideStringRange(const TBytes& bytes, int index, int count) const override;
    int GetMaxByteCount(int charCount) const override;
};

class UTF8Encoding : public Encoding {
public:
    TBytes GetBytes(const std::string& chars) const override;
    int GetBytesRange(const std::string& chars, int charIndex, int charCount, TBytes& bytes,
                      int byteIndex) const override;
    TBytes GetWideBytes(const std::u16string& chars) const override;
    int GetWideBytesRange(const std::u16string& chars, int charIndex, int charCount, TBytes& bytes,
                          int byteIndex) const override;
    std::string GetString(const TBytes& bytes) const override;
    std::string GetStringRange(const TBytes& bytes, int index, int count) const override;
    std::u16string GetWideString(const TBytes& bytes) const override;
    std::u16string GetWideStringRange(const TBytes& bytes, int index, int count) const override;
    int GetMaxByteCount(int charCount) const override;
};

// A Windows code page, converted through the runtime's code-page tables.
class CodePageEncoding : public Encoding {
public:
    explicit CodePageEncoding(int codePage) : codePage_(codePage) {}

    int CodePage() const { return codePage_; }

    TBytes GetBytes(const std::string& chars) const override;
    int GetBytesRange(const std::string& chars, int charIndex, int charCount, TBytes& bytes,
                      int byteIndex) const override;
    TBytes GetWideBytes(const std::u16string& chars) const override;
    int GetWideBytesRange(const std::u16string& chars, int charIndex, int charCount, TBytes& bytes,
                          int byteIndex) const override;
    std::string GetString(const TBytes& bytes) const override;
    std::string GetStringRange(const TBytes& bytes, int index, int count) const override;
    std::u16string GetWideString(const TBytes& bytes) const override;
    std::u16string GetWideStringRange(const TBytes& bytes, int index, int count) const override;
    int GetMaxByteCount(int charCount) const override;

private:
    int codePage_;
};

} // namespace dataaccess
