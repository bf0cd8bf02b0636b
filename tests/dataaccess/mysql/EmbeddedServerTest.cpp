#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLEmbedded.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Threads.h"
#include "support/ErrorText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dataaccess;
using testing::HasSubstr;
using testing::StartsWith;
using testsupport::ErrorMessageOf;

namespace {

// Whether another holder has the lock of the folder.
bool FolderLocked(const std::string& folder) {
    TMutex probe(folder, 0);
    try {
        probe.Acquire();
    } catch (const rtl::EOSError&) {
        return true;
    }
    probe.Release();
    return false;
}

PMYSQL_CON Connect(TMySQLAPI& api) {
    PMYSQL_CON handle = api.mysql_init(nullptr);
    EXPECT_EQ(api.mysql_real_connect(handle, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0), handle)
        << api.mysql_error(handle);
    return handle;
}

// The first column of the first row.
std::string Scalar(TMySQLAPI& api, PMYSQL_CON handle, const std::string& sql) {
    if (api.mysql_real_query(handle, sql.data(), sql.size()) != 0) return "error: " + api.mysql_error(handle);
    PMYSQL_RES result = api.mysql_use_result(handle);
    if (!result) return "no rows";
    std::string text;
    if (PMYSQL_ROW row = api.mysql_fetch_row(result)) api.GetFieldString(row, 0, text);
    while (api.mysql_fetch_row(result)) {
    }
    api.mysql_free_result(result);
    return text;
}

std::pair<dev_t, ino_t> StandardErrorFile() {
    struct stat info {};
    fstat(STDERR_FILENO, &info);
    return {info.st_dev, info.st_ino};
}

TEST(EmbeddedLockTest, TheNameComesFromThePathAndTheLockSpansHolders) {
    TMutex first("  /Tmp/EmbeddedLockTest:Name\\Lock \t", 100);
    EXPECT_EQ(first.Name(), " tmp embeddedlocktest name lock");
    first.Acquire();
    // Another holder, even in this process, waits out its timeout.
    TMutex second("/tmp/embeddedlocktest/name/lock", 100);
    const uint64_t start = rtl::GetTickCount();
    EXPECT_EQ(ErrorMessageOf([&] { second.Acquire(); }),
              std::string(" tmp embeddedlocktest name lock.Acquire = WAIT_TIMEOUT\r\n") +
                  std::strerror(EWOULDBLOCK));
    EXPECT_GE(rtl::GetTickCount() - start, 100u);
    first.Release();
    second.Acquire();
    second.Release();
    EXPECT_THROW(TMutex(" \t", 100), rtl::EAssertionFailed);
}

TEST(EmbeddedLockTest, TheDataFolderIsDatadirElseBasedirWithData) {
    const std::string cwd = std::filesystem::current_path().string();
    const struct {
        std::vector<std::string> params;
        std::string folder;
    } cases[] = {
        {{"--no-defaults", "--basedir=/x"}, "/x/data"},         {{"--basedir=/x/"}, "/x/data"},
        {{"--basedir=/x", "--datadir=/y/./z/"}, "/y/z"},        {{"--datadir=rel/../d"}, cwd + "/d"},
        {{"--no-defaults", "# --datadir=/y", "--datadir"}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EmbeddedDataFolder(c.params), c.folder) << testing::PrintToString(c.params);
}

TEST(EmbeddedLockTest, ABasedirLocksItsDataFolderBeforeTheServerStarts) {
    TMutex holder("/x/data", 5000);
    holder.Acquire();
    TMySQLAPIEmbedded api;
    api.SetParams({"--no-defaults", "--basedir=/x"});
    EXPECT_EQ(ErrorMessageOf([&] { api.Init(); }), SSecondEmbeddedServer);
    EXPECT_FALSE(api.Loaded());
    EXPECT_EQ(api.Clients(), 0);
    EXPECT_FALSE(api.ServerStarted());
}

TEST(EmbeddedLockTest, AStartWithoutTheServerEntryPointIsReported) {
    TMySQLAPIEmbedded api(VELTRANE_MYSQL_STUB);
    api.SetParams({"--no-defaults"});
    EXPECT_THAT(ErrorMessageOf([&] { api.Init(); }),
                StartsWith(std::string(SServerInitFailed) +
                           "\r\nMySQL API function is not linked. You should update MySQL Embedded Server "
                           "library (" VELTRANE_MYSQL_STUB ")."));
    EXPECT_FALSE(api.Loaded());
    EXPECT_EQ(api.Clients(), 0);
}

// Each case starts the server, which the library does once per process; ctest runs every case in
// a process of its own. The data folder is a fresh one, prepared by the server's installer.
class EmbeddedServerTest : public testing::Test {
protected:
    void SetUp() override {
        static int serverCases = 0;
        if (++serverCases > 1)
            GTEST_SKIP() << "the embedded server starts once per process; run through ctest";
        std::string pattern = rtl::GetTempDirectory() + "/veltrane-embedded-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern.data())) << std::strerror(errno);
        root_ = pattern;
        data_ = root_ + "/data";
        // A server removes the temporary tables it finds in its temporary folder, so each has its own.
        tmp_ = root_ + "/tmp";
        std::filesystem::create_directory(tmp_);
        const std::string log = root_ + "/install.log";
        const std::string command = "mariadb-install-db --no-defaults --datadir='" + data_ + "' --tmpdir='" +
                                    tmp_ + "' --auth-root-authentication-method=normal --skip-test-db >'" +
                                    log + "' 2>&1";
        if (std::system(command.c_str()) != 0) {
            std::ifstream file(log);
            std::stringstream text;
            text << file.rdbuf();
            FAIL() << command << "\n" << text.str();
        }
    }
    void TearDown() override {
        if (root_.empty()) return;
        std::filesystem::remove(TMutex(data_, 0).FileName());
        std::filesystem::remove_all(root_);
    }

    std::vector<std::string> Params() const {
        return {"--no-defaults", "--datadir=" + data_, "--tmpdir=" + tmp_};
    }

    std::string root_;
    std::string data_;
    std::string tmp_;
};

TEST_F(EmbeddedServerTest, TwoConnectionsShareOneServerUntilBothDisconnect) {
    TMySQLAPIEmbedded api;
    api.SetParams(Params());
    api.Init();
    EXPECT_TRUE(api.ServerStarted());
    EXPECT_EQ(api.ClientVersion().substr(0, 3), "10.");
    PMYSQL_CON first = Connect(api);

    api.SetParams(Params());
    api.Init();
    EXPECT_EQ(api.Clients(), 2);
    PMYSQL_CON second = Connect(api);
    EXPECT_EQ(Scalar(api, first, "CREATE DATABASE EmbeddedServerTest_shared"), "no rows");
    EXPECT_EQ(Scalar(api, second,
                     "SELECT COUNT(*) FROM information_schema.SCHEMATA "
                     "WHERE SCHEMA_NAME = 'EmbeddedServerTest_shared'"),
              "1");

    api.mysql_close(first);
    api.FreeLib();
    EXPECT_TRUE(api.ServerStarted());
    EXPECT_TRUE(FolderLocked(data_));
    EXPECT_EQ(Scalar(api, second, "SELECT 6 * 7"), "42");

    api.mysql_close(second);
    api.FreeLib();
    EXPECT_FALSE(api.ServerStarted());
    EXPECT_FALSE(api.Loaded());
    EXPECT_FALSE(FolderLocked(data_));
}

TEST_F(EmbeddedServerTest, ConnectionsStartTheServerWithTheirParametersAndTheLastStopsIt) {
    std::string params;
    for (const std::string& line : Params())
        params += line + "\n";
    const auto connect = [&] {
        auto connection = std::make_unique<TMySQLConnection>();
        connection->SetProp(prEmbedded, true);
        connection->SetProp(prEmbParams, params);
        connection->Connect("");
        return connection;
    };
    TMySQLAPIEmbedded& server = MySQLAPIEmbeddedServer();
    auto first = connect();
    EXPECT_EQ(first->API(), &server);
    EXPECT_TRUE(server.ServerStarted());
    EXPECT_TRUE(FolderLocked(data_));
    auto second = connect();
    EXPECT_EQ(server.Clients(), 2);
    first->ExecSQL("CREATE DATABASE EmbeddedServerTest_connections");

    first->Disconnect();
    first->Disconnect(); // a second disconnect does not count again
    EXPECT_TRUE(server.ServerStarted());
    EXPECT_EQ(Scalar(server, second->Handle(),
                     "SELECT COUNT(*) FROM information_schema.SCHEMATA "
                     "WHERE SCHEMA_NAME = 'EmbeddedServerTest_connections'"),
              "1");

    second.reset();
    EXPECT_FALSE(server.ServerStarted());
    EXPECT_FALSE(server.Loaded());
    EXPECT_FALSE(FolderLocked(data_));
}

TEST_F(EmbeddedServerTest, AConnectionThatFailsToStartTheServerHoldsNoClient) {
    auto connection = std::make_unique<TMySQLConnection>();
    connection->SetProp(prEmbedded, true);
    connection->SetProp(prEmbParams, "--no-defaults\n--bogus-option");
    EXPECT_THAT(ErrorMessageOf([&] { connection->Connect(""); }), StartsWith(SServerInitFailed));
    EXPECT_EQ(MySQLAPIEmbeddedServer().Clients(), 0);
    EXPECT_FALSE(MySQLAPIEmbeddedServer().Loaded());
    connection->Disconnect();
    EXPECT_EQ(MySQLAPIEmbeddedServer().Clients(), 0);
}

TEST_F(EmbeddedServerTest, ADifferentParameterTextIsRefusedWhileInUse) {
    TMySQLAPIEmbedded api;
    api.SetParams(Params());
    api.Init();
    std::vector<std::string> withOption = Params(), withComment = Params(), withEmptyLine = Params();
    withOption.push_back("--skip-name-resolve");
    withComment.push_back("# the same server");
    withEmptyLine.insert(withEmptyLine.begin() + 1, "");
    for (const auto& params : {withOption, withComment, withEmptyLine}) {
        api.SetParams(params);
        EXPECT_EQ(ErrorMessageOf([&] { api.Init(); }), SSecondEmbeddedServer)
            << testing::PrintToString(params);
    }
    EXPECT_EQ(api.Clients(), 1);
    api.FreeLib();
    EXPECT_FALSE(api.ServerStarted());
    EXPECT_FALSE(FolderLocked(data_));
}

TEST_F(EmbeddedServerTest, CommentAndEmptyLinesAreNotPassedToTheServer) {
    // The server takes either line for a stray argument and refuses to start.
    std::vector<std::string> params = Params();
    params.insert(params.begin() + 1, {"", "# --datadir=/elsewhere"});
    params.push_back("   ");
    TMySQLAPIEmbedded api;
    api.SetParams(params);
    api.Init();
    PMYSQL_CON handle = Connect(api);
    EXPECT_EQ(Scalar(api, handle, "SELECT @@datadir"), data_ + "/");
    api.mysql_close(handle);

    // The server runs with the lines removed: that text shares it, the text as given does not.
    api.SetParams(params);
    EXPECT_EQ(ErrorMessageOf([&] { api.Init(); }), SSecondEmbeddedServer);
    api.SetParams(Params());
    api.Init();
    EXPECT_EQ(api.Clients(), 2);
    api.FreeLib();
    api.FreeLib();
    EXPECT_FALSE(api.ServerStarted());
}

TEST_F(EmbeddedServerTest, ASecondProcessOnTheSameFolderIsRefused) {
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other process: starts a server on the folder and keeps it until told.
        TMySQLAPIEmbedded api;
        api.SetParams(Params());
        char status = 'S';
        try {
            api.Init();
        } catch (...) {
            status = 'F';
        }
        (void)!write(ready[1], &status, 1);
        (void)!read(done[0], &status, 1);
        api.FreeLib();
        _exit(0);
    }
    char status = 0;
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    EXPECT_EQ(status, 'S');

    TMySQLAPIEmbedded api;
    api.SetParams(Params());
    EXPECT_EQ(ErrorMessageOf([&] { api.Init(); }), SSecondEmbeddedServer);
    EXPECT_FALSE(api.Loaded());
    EXPECT_FALSE(api.ServerStarted());

    (void)!write(done[1], "x", 1);
    int exitStatus = 0;
    ASSERT_EQ(waitpid(child, &exitStatus, 0), child);
    EXPECT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0);
    EXPECT_FALSE(FolderLocked(data_));
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        close(fd);
}

TEST_F(EmbeddedServerTest, AFailedStartReportsTheServerOutputAndUnloads) {
    const auto standardError = StandardErrorFile();
    TMySQLAPIEmbedded api;
    std::vector<std::string> params = Params();
    params.push_back("--bogus-option");
    api.SetParams(params);
    const std::string message = ErrorMessageOf([&] { api.Init(); });
    EXPECT_THAT(message, StartsWith(std::string(SServerInitFailed) + "\r\n"));
    EXPECT_THAT(message, HasSubstr("unknown option '--bogus-option'"));
    EXPECT_FALSE(api.Loaded());
    EXPECT_EQ(api.Clients(), 0);
    EXPECT_FALSE(api.ServerStarted());
    EXPECT_FALSE(FolderLocked(data_));
    EXPECT_EQ(StandardErrorFile(), standardError);
}

TEST_F(EmbeddedServerTest, AServerThatEndsTheProcessAtStartIsReportedInstead) {
    // The server takes "--log" for an ambiguous option and calls exit().
    TMySQLAPIEmbedded api;
    std::vector<std::string> params = Params();
    params.push_back("--log=EmbeddedServerTest");
    api.SetParams(params);
    const std::string message = ErrorMessageOf([&] { api.Init(); });
    EXPECT_THAT(message, StartsWith(std::string(SServerInitFailed) + "\r\n"));
    EXPECT_THAT(message, HasSubstr("ambiguous option '--log=EmbeddedServerTest'"));
    EXPECT_FALSE(api.Loaded());
    EXPECT_FALSE(FolderLocked(data_));
}

TEST_F(EmbeddedServerTest, TheLogsGoToUnlinkedFilesNamedByServerOptions) {
    const auto standardError = StandardErrorFile();
    TMySQLAPIEmbedded api;
    api.SetParams(Params());
    api.Init();
    // The server points standard error at its error log; the program keeps its own.
    EXPECT_EQ(StandardErrorFile(), standardError);
    for (const std::string& line : api.Params())
        EXPECT_THAT(line, testing::Not(StartsWith("--log=")));

    PMYSQL_CON handle = Connect(api);
    EXPECT_EQ(Scalar(api, handle, "SELECT @@general_log"), "1");
    const std::string generalLog = Scalar(api, handle, "SELECT @@general_log_file");
    const std::string errorLog = Scalar(api, handle, "SELECT @@log_error");
    EXPECT_THAT(generalLog, HasSubstr("CAD387A7-72D8-4DB1-BA22-FAEE146918E1"));
    EXPECT_THAT(errorLog, HasSubstr("BFCA0253-65E4-4021-8D35-CD34D2727C1B"));
    EXPECT_THAT(api.Params(), testing::Contains("--general-log-file=" + generalLog));
    EXPECT_FALSE(std::filesystem::exists(generalLog));
    EXPECT_FALSE(std::filesystem::exists(errorLog));
    api.mysql_close(handle);
    api.FreeLib();
}

} // namespace
