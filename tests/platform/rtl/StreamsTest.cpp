#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace {

using rtl::TFileStream;
using rtl::TMemoryStream;

std::string ErrorMessage(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const rtl::EStreamError& e) {
        return e.Message();
    }
    return "no error";
}

// A temporary file removed at the end of the test.
class TempFile {
public:
    TempFile() : path_(rtl::CreateTempFile("streamtest")) {}
    ~TempFile() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TEST(MemoryStreamTest, ReadWriteSeekAndGaps) {
    TMemoryStream s;
    s.WriteString("hello");
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(s.Seek(-2, rtl::soEnd), 3);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2); // as many as there are
    EXPECT_EQ(std::string(buf, 2), "lo");
    s.Seek(2, rtl::soCurrent); // past the end
    s.WriteString("!");
    EXPECT_EQ(s.Bytes(), std::string("hello\0\0!", 8));
    s.SetSize(4);
    EXPECT_EQ(s.Position(), 4);
    EXPECT_EQ(s.Bytes(), "hell");
    EXPECT_EQ(ErrorMessage([&] { s.Seek(-1, rtl::soBeginning); }), "Invalid stream position");
    s.SetPosition(1);
    EXPECT_EQ(s.ReadToEnd(), "ell");
}

TEST(MemoryStreamTest, ReadBufferAndWriteBufferMoveAllOrRaise) {
    TMemoryStream s;
    s.WriteString("abc");
    s.SetPosition(0);
    char buf[4];
    EXPECT_EQ(ErrorMessage([&] { s.ReadBuffer(buf, 4); }), "Stream read error");
    s.SetPosition(0);
    s.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "abc");

    TempFile file;
    TFileStream readOnly(file.Path(), rtl::fmOpenRead);
    EXPECT_EQ(ErrorMessage([&] { readOnly.WriteBuffer("x", 1); }), "Stream write error");
}

TEST(FileStreamTest, CreateWriteReopenAndCopy) {
    TempFile file;
    {
        TFileStream out(file.Path(), rtl::fmCreate | rtl::fmShareExclusive);
        out.WriteString("0123456789");
        EXPECT_EQ(out.Size(), 10);
        out.SetSize(6);
        EXPECT_EQ(out.Position(), 6);
    }
    {
        TFileStream io(file.Path(), rtl::fmOpenReadWrite | rtl::fmShareDenyNone);
        io.Seek(2, rtl::soBeginning);
        io.WriteString("ab");
        EXPECT_EQ(io.Size(), 6);
    }
    TFileStream in(file.Path(), rtl::fmOpenRead);
    EXPECT_EQ(in.ReadToEnd(), "01ab45");
    in.SetPosition(4);
    TMemoryStream copy;
    EXPECT_EQ(copy.CopyFrom(in, 2), 2);
    EXPECT_EQ(copy.CopyFrom(in, 0), 6); // the whole source from its start
    EXPECT_EQ(copy.Bytes(), "4501ab45");

    TMemoryStream loaded;
    loaded.LoadFromFile(file.Path());
    EXPECT_EQ(loaded.Bytes(), "01ab45");
    EXPECT_EQ(loaded.Position(), 0);
}

TEST(FileStreamTest, OpenAndCreateErrorsNameTheFile) {
    const std::string missing = rtl::GetTempDirectory() + "/veltrane-no-such-dir/file";
    EXPECT_EQ(ErrorMessage([&] { TFileStream s(missing, rtl::fmOpenRead); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(ErrorMessage([&] { TFileStream s(missing, rtl::fmCreate); }),
              "Cannot create file \"" + missing + "\". No such file or directory");
    EXPECT_THROW(TFileStream(missing, rtl::fmOpenRead), rtl::EFOpenError);
    EXPECT_THROW(TFileStream(rtl::GetTempDirectory(), rtl::fmOpenRead), rtl::EFOpenError); // a directory
}

TEST(FileHandleTest, WideNamesOpenWithTheModesAccessAndRefuseTheRest) {
    TempFile file;
    const std::string name = file.Path();
    const std::u16string wide(name.begin(), name.end());
    const int created = rtl::FileCreateWide(wide);
    ASSERT_GE(created, 0);
    EXPECT_EQ(::write(created, "ab", 2), 2);
    ::close(created);
    struct Case {
        uint16_t mode;
        bool opens, reads, writes;
    } cases[] = {
        {rtl::fmOpenRead, true, true, false},
        {rtl::fmOpenWrite | rtl::fmShareDenyNone, true, false, true},
        {rtl::fmOpenReadWrite | rtl::fmShareExclusive, true, true, true},
        {0x0003, false, false, false}, // no such access
        {0x0050, false, false, false}, // no such sharing
    };
    for (const Case& c : cases) {
        const int fd = rtl::FileOpenWide(wide, c.mode);
        EXPECT_EQ(fd >= 0, c.opens) << c.mode;
        if (fd < 0) {
            EXPECT_EQ(errno, EINVAL);
            continue;
        }
        char byte = 0;
        EXPECT_EQ(::read(fd, &byte, 1) == 1, c.reads) << c.mode;
        EXPECT_EQ(::write(fd, "c", 1) == 1, c.writes) << c.mode;
        ::close(fd);
    }
    EXPECT_EQ(rtl::FileOpenWide(u"/nonexistent-veltrane-dir/x", rtl::fmOpenRead), rtl::INVALID_HANDLE_VALUE);
    EXPECT_EQ(errno, ENOENT);
}

TEST(TempFileTest, UniqueFilesInTmpdir) {
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "veltrane-rtl-tmpdir-test";
    std::filesystem::create_directories(dir);
    setenv("TMPDIR", (dir.string() + "/").c_str(), 1);
    const std::string a = rtl::CreateTempFile("cfg");
    const std::string b = rtl::CreateTempFile("cfg");
    if (saved)
        setenv("TMPDIR", savedValue.c_str(), 1);
    else
        unsetenv("TMPDIR");
    EXPECT_NE(a, b);
    EXPECT_EQ(std::filesystem::path(a).parent_path(), dir);
    EXPECT_EQ(std::filesystem::path(a).filename().string().rfind("cfg", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_regular_file(a));
    EXPECT_EQ(std::filesystem::file_size(a), 0u);
    std::filesystem::remove_all(dir);
    EXPECT_THROW(rtl::CreateTempFile("x", "/nonexistent-veltrane-dir"), rtl::EOSError);
}

} // namespace
