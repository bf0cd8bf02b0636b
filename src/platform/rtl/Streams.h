// Byte streams: the base stream, memory streams and files.
#pragma once

#include "platform/rtl/Exception.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {

// "Cannot create file \"%s\". %s" and "Cannot open file \"%s\". %s" with the system's reason.
RTL_DECLARE_EXCEPTION(EFCreateError, EStreamError);
RTL_DECLARE_EXCEPTION(EFOpenError, EStreamError);

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// A sequence of bytes with a position. Read and Write move as many bytes as they can and return the
// count; ReadBuffer and WriteBuffer move all of them or raise EStreamError "Stream read error" /
// "Stream write error".
class TStream {
public:
    virtual ~TStream() = default;

    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // The new position; raises EStreamError when the result would be negative.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }

    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    void WriteString(std::string_view bytes) {
        WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    // The bytes from the position to the end.
    std::string ReadToEnd();
    // Copies `count` bytes from the source's position; a count of 0 copies the whole source from its
    // start. Returns the number of bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a growable block of memory. Writing past the end grows it; seeking past the end is
// allowed and a later write fills the gap with zero bytes.
class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    const char* Memory() const { return data_.data(); }
    const std::string& Bytes() const { return data_; }
    void Clear();
    void LoadFromStream(TStream& source); // replaces the contents, position 0
    void SaveToStream(TStream& target) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    std::string data_;
    int64_t position_ = 0;
};

// Open modes of TFileStream, one access mode or fmCreate, or-ed with a sharing flag. fmCreate creates
// or truncates the file for reading and writing. Sharing flags are accepted and ignored: Linux has no
// mandatory file sharing modes.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// The handle of a file not opened.
inline constexpr int INVALID_HANDLE_VALUE = -1;
// Creates (or truncates) a file for reading and writing; opens one with an access mode and a sharing
// flag of the modes above. Both answer a POSIX descriptor, or INVALID_HANDLE_VALUE with errno set;
// an access of 3 or a sharing value above fmShareDenyNone is refused (EINVAL). They raise nothing.
int FileCreate(const std::string& fileName);
int FileOpen(const std::string& fileName, uint16_t mode);
// The same for UTF-16 names.
int FileCreateWide(std::u16string_view fileName);
int FileOpenWide(std::u16string_view fileName, uint16_t mode);

class TFileStream : public TStream {
public:
    // Raises EFCreateError or EFOpenError when the file cannot be created or opened.
    TFileStream(const std::string& fileName, uint16_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    int fd_ = -1;
};

// The directory for temporary files: $TMPDIR when set, else /tmp.
std::string GetTempDirectory();
// Creates a new empty file with a unique name that starts with `prefix` in `directory` (the
// temporary directory when empty) and returns its path; raises EOSError when that fails.
std::string CreateTempFile(std::string_view prefix = "tmp", const std::string& directory = {});

} // namespace rtl
