#include "platform/rtl/Streams.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rtl {

namespace {

[[noreturn]] void SeekError() {
    throw EStreamError("Invalid stream position");
}

} // namespace

int64_t TStream::Size() {
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::string TStream::ReadToEnd() {
    std::string bytes(static_cast<size_t>(std::max<int64_t>(Size() - Position(), 0)), '\0');
    ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buf[64 * 1024];
    for (int64_t left = count; left > 0;) {
        const int64_t n = std::min<int64_t>(left, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t n = std::clamp<int64_t>(Size() - position_, 0, std::max<int64_t>(count, 0));
    if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (position_ + count > Size()) data_.resize(static_cast<size_t>(position_ + count));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : Size();
    if (base + offset < 0) SeekError();
    position_ = base + offset;
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0) SeekError();
    data_.resize(static_cast<size_t>(size));
    position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    std::string bytes = source.ReadToEnd();
    data_ = std::move(bytes);
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& target) const {
    target.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

int FileCreate(const std::string& fileName) {
    return ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int FileOpen(const std::string& fileName, uint16_t mode) {
    static constexpr int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR};
    const unsigned access = mode & 0x3u;
    const unsigned sharing = (mode >> 4) & 0xFu;
    if (access > 2 || sharing > 4 || (mode & ~0xF3u) != 0) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    const int fd = ::open(fileName.c_str(), kAccess[access] | O_CLOEXEC);
    struct stat st;
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return INVALID_HANDLE_VALUE;
    }
    return fd;
}

int FileCreateWide(std::u16string_view fileName) {
    return FileCreate(Utf16ToUtf8(fileName));
}

int FileOpenWide(std::u16string_view fileName, uint16_t mode) {
    return FileOpen(Utf16ToUtf8(fileName), mode);
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName) {
    if ((mode & fmCreate) == fmCreate) {
        fd_ = FileCreate(fileName);
        if (fd_ < 0)
            throw EFCreateError(Format("Cannot create file \"%s\". %s", fileName, std::strerror(errno)));
        return;
    }
    fd_ = FileOpen(fileName, mode);
    if (fd_ < 0) throw EFOpenError(Format("Cannot open file \"%s\". %s", fileName, std::strerror(errno)));
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::write(fd_, static_cast<const char*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    const off_t position = ::lseek(fd_, offset, kWhence[origin]);
    if (position < 0) SeekError();
    return position;
}

void TFileStream::SetSize(int64_t size) {
    if (size < 0) SeekError();
    const int64_t position = Position();
    if (::ftruncate(fd_, size) != 0)
        throw EStreamError(Format("Cannot change the size of \"%s\". %s", fileName_, std::strerror(errno)));
    if (position > size) Seek(size, soBeginning);
}

std::string GetTempDirectory() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string CreateTempFile(std::string_view prefix, const std::string& directory) {
    const std::string dir = directory.empty() ? GetTempDirectory() : directory;
    std::string path = dir + "/" + std::string(prefix) + "XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0)
        throw EOSError(Format("Cannot create a temporary file in \"%s\". %s", dir, std::strerror(errno)));
    ::close(fd);
    return path;
}

} // namespace rtl
