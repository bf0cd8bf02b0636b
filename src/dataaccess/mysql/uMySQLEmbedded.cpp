#include "dataaccess/mysql/uMySQLEmbedded.h"

#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/store/uDAError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Threads.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <link.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace dataaccess {

namespace {

// The ids the server's two log files are named with.
constexpr const char* kGeneralLogId = "CAD387A7-72D8-4DB1-BA22-FAEE146918E1";
constexpr const char* kErrorLogId = "BFCA0253-65E4-4021-8D35-CD34D2727C1B";
constexpr size_t kMaxMutexName = 255;
constexpr uint32_t kLockPollInterval = 10; // ms

std::string Trim(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string MutexName(const std::string& name) {
    std::string result = Trim(name);
    for (char& c : result) {
        if (c == '/' || c == ':' || c == '\\')
            c = ' ';
        else
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    RTL_ASSERT(!result.empty());
    if (result.size() > kMaxMutexName) result.resize(kMaxMutexName);
    return result;
}

[[noreturn]] void RaiseOSError(const std::string& message) {
    throw rtl::EOSError(message);
}

bool IsIgnoredLine(const std::string& line) {
    const std::string trimmed = Trim(line);
    return trimmed.empty() || trimmed.front() == '#';
}

// The value of the first "name=value" line.
std::string ParamValue(const std::vector<std::string>& params, std::string_view name) {
    for (const std::string& line : params) {
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == '=')
            return line.substr(name.size() + 1);
    }
    return {};
}

std::string LogFileName(const char* id, const char* extension) {
    return rtl::Format("%s/%s-%d%s", rtl::GetTempDirectory(), id, static_cast<int>(getpid()), extension);
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t count = pread(fd, buffer, sizeof buffer, offset);
        if (count <= 0) return text;
        text.append(buffer, static_cast<size_t>(count));
        offset += count;
    }
}

std::string ReadFile(const std::string& fileName) {
    const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text = ReadAll(fd);
    close(fd);
    return text;
}

// The non-empty lines of the text joined by CR LF.
std::string JoinLines(const std::string& text) {
    std::string result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) {
            if (!result.empty()) result += "\r\n";
            result += line;
        }
        start = end + 1;
    }
    return result;
}

// Sends standard output and standard error into a file while the server starts, so that what it
// prints before giving up can be reported. Restoring both descriptors also undoes the server's
// own redirection of standard error into its error log, which would take the program's with it.
class TStartupCapture {
public:
    TStartupCapture() {
        const std::string fileName = rtl::CreateTempFile("veltrane-startup");
        fd_ = open(fileName.c_str(), O_RDWR | O_CLOEXEC);
        unlink(fileName.c_str());
        if (fd_ < 0) RaiseOSError(rtl::Format("Cannot open file \"%s\". %s", fileName, std::strerror(errno)));
        std::fflush(nullptr);
        savedOut_ = dup(STDOUT_FILENO);
        savedErr_ = dup(STDERR_FILENO);
        dup2(fd_, STDOUT_FILENO);
        dup2(fd_, STDERR_FILENO);
    }
    ~TStartupCapture() {
        Restore();
        close(fd_);
    }
    TStartupCapture(const TStartupCapture&) = delete;
    TStartupCapture& operator=(const TStartupCapture&) = delete;

    std::string Finish() {
        Restore();
        return ReadAll(fd_);
    }

private:
    void Restore() {
        if (savedOut_ < 0) return;
        std::fflush(nullptr);
        dup2(savedOut_, STDOUT_FILENO);
        dup2(savedErr_, STDERR_FILENO);
        close(savedOut_);
        close(savedErr_);
        savedOut_ = savedErr_ = -1;
    }

    int fd_ = -1;
    int savedOut_ = -1;
    int savedErr_ = -1;
};

// The thread that starts the server, while it does, and the C library's exit.
std::atomic<std::thread::id> startingThread;
void (*realExit)(int) = nullptr;

[[noreturn]] void ExitDuringStart(int code) {
    if (startingThread.load() == std::this_thread::get_id()) throw rtl::Exception("");
    realExit(code);
    __builtin_unreachable();
}

struct TRelroSearch {
    ElfW(Addr) base;
    uintptr_t address;
    bool found;
};

// Whether the address lies in the part of the loaded object at `base` that is read-only after
// relocation.
bool InRelro(ElfW(Addr) base, const void* address) {
    TRelroSearch search{base, reinterpret_cast<uintptr_t>(address), false};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto& search = *static_cast<TRelroSearch*>(data);
            if (info->dlpi_addr != search.base) return 0;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& header = info->dlpi_phdr[i];
                const uintptr_t start = info->dlpi_addr + header.p_vaddr;
                if (header.p_type == PT_GNU_RELRO && search.address >= start &&
                    search.address < start + header.p_memsz)
                    search.found = true;
            }
            return 1;
        },
        &search);
    return search.found;
}

size_t SymbolIndex(uint64_t info) {
    return sizeof(void*) == 8 ? ELF64_R_SYM(info) : ELF32_R_SYM(info);
}

// The library's import slot of a C library function: its procedure-linkage entry.
void** ImportSlot(const link_map& map, const char* name) {
    auto address = [&](ElfW(Addr) value) { return value < map.l_addr ? value + map.l_addr : value; };
    const ElfW(Rela)* relocations = nullptr;
    size_t size = 0;
    const ElfW(Sym)* symbols = nullptr;
    const char* names = nullptr;
    bool rela = false;
    for (const ElfW(Dyn)* entry = map.l_ld; entry->d_tag != DT_NULL; ++entry) {
        switch (entry->d_tag) {
        case DT_JMPREL:
            relocations = reinterpret_cast<const ElfW(Rela)*>(address(entry->d_un.d_ptr));
            break;
        case DT_PLTRELSZ:
            size = entry->d_un.d_val;
            break;
        case DT_PLTREL:
            rela = entry->d_un.d_val == DT_RELA;
            break;
        case DT_SYMTAB:
            symbols = reinterpret_cast<const ElfW(Sym)*>(address(entry->d_un.d_ptr));
            break;
        case DT_STRTAB:
            names = reinterpret_cast<const char*>(address(entry->d_un.d_ptr));
            break;
        }
    }
    if (!relocations || !rela || !symbols || !names) return nullptr;
    for (size_t i = 0; i < size / sizeof(ElfW(Rela)); ++i) {
        if (std::strcmp(names + symbols[SymbolIndex(relocations[i].r_info)].st_name, name) == 0)
            return reinterpret_cast<void**>(map.l_addr + relocations[i].r_offset);
    }
    return nullptr;
}

// While the server starts on this thread, a call of exit() from inside the library raises instead,
// so that a server that gives up at start-up (an ambiguous option, for one) returns to the start
// rather than ending the program. The library's import slot for exit is rewritten for the time.
class TExitInterception {
public:
    explicit TExitInterception(const std::string& libName) {
        void* handle = dlopen(libName.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!handle) return;
        link_map* map = nullptr;
        if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0) {
            slot_ = ImportSlot(*map, "exit");
            relro_ = slot_ && InRelro(map->l_addr, slot_);
        }
        dlclose(handle);
        if (!slot_) return; // a library that never exits
        realExit = reinterpret_cast<void (*)(int)>(*slot_);
        if (!Write(reinterpret_cast<void*>(&ExitDuringStart))) throw EDAError(0, "Cannot intercept");
        startingThread = std::this_thread::get_id();
    }
    ~TExitInterception() {
        startingThread = std::thread::id();
        if (slot_) Write(reinterpret_cast<void*>(realExit));
    }
    TExitInterception(const TExitInterception&) = delete;
    TExitInterception& operator=(const TExitInterception&) = delete;

private:
    bool Write(void* value) {
        const uintptr_t pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        void* page = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(slot_) & ~(pageSize - 1));
        if (relro_ && mprotect(page, pageSize, PROT_READ | PROT_WRITE) != 0) return false;
        *slot_ = value;
        if (relro_) mprotect(page, pageSize, PROT_READ);
        return true;
    }

    void** slot_ = nullptr;
    bool relro_ = false;
};

} // namespace

TMutex::TMutex(const std::string& name, uint32_t timeout)
    : name_(MutexName(name)), fileName_(rtl::GetTempDirectory() + "/veltrane-mutex" + name_),
      timeout_(timeout) {
    // Read-only is enough for flock, so a file another user made serves as well.
    fd_ = open(fileName_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) RaiseOSError(rtl::Format("Cannot open file \"%s\". %s", fileName_, std::strerror(errno)));
}

TMutex::~TMutex() {
    close(fd_);
}

void TMutex::Acquire() {
    const uint64_t start = rtl::GetTickCount();
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK)
            RaiseOSError(rtl::Format("%s.Acquire = %d\r\n%s", name_, error, std::strerror(error)));
        if (rtl::GetTickCount() - start >= timeout_)
            RaiseOSError(rtl::Format("%s.Acquire = WAIT_TIMEOUT\r\n%s", name_, std::strerror(error)));
        rtl::Sleep(kLockPollInterval);
    }
}

void TMutex::Release() {
    if (flock(fd_, LOCK_UN) != 0) RaiseOSError(std::strerror(errno));
}

std::string EmbeddedDataFolder(const std::vector<std::string>& params) {
    std::string folder = ParamValue(params, "--datadir");
    if (folder.empty()) {
        folder = ParamValue(params, "--basedir");
        if (folder.empty()) return {};
        folder += "/data";
    }
    std::filesystem::path path = std::filesystem::absolute(folder).lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    return path.string();
}

TMySQLAPIEmbedded::TMySQLAPIEmbedded(std::string libName) : TMySQLAPIClient(std::move(libName)) {}

void TMySQLAPIEmbedded::LoadLib() {
    // The text as handed over: a line the server never sees still makes it another text.
    if (params_ != currentParams_) {
        if (clients_ > 0) throw rtl::Exception(SSecondEmbeddedServer);
        FreeLib();
    }
    if (Loaded()) {
        ++clients_;
        return;
    }
    std::erase_if(params_, IsIgnoredLine);
    TMySQLAPIClient::LoadLib();
    if (!Loaded()) return; // Init reports it
    ++clients_;
    rtl::UndoGuard unload([this] { FreeLib(); });
    StartServer();
    unload.Dismiss();
}

void TMySQLAPIEmbedded::StartServer() {
    std::vector<std::string> startedWith = params_;
    RTL_ASSERT(!dataFolderLock_);
    // The general log goes to a file of our own, unlinked once the server has it open; so does
    // the error log, whose start-up part belongs to the start-up text.
    const std::string generalLog = LogFileName(kGeneralLogId, ".log");
    const std::string errorLog = LogFileName(kErrorLogId, ".err");
    params_.push_back("--general-log");
    params_.push_back("--general-log-file=" + generalLog);
    params_.push_back("--log-error=" + errorLog);

    const std::string dataFolder = EmbeddedDataFolder(params_);
    if (!dataFolder.empty()) {
        dataFolderLock_ = std::make_unique<TMutex>(dataFolder, kDataFolderLockTimeout);
        try {
            dataFolderLock_->Acquire();
        } catch (const rtl::EOSError&) {
            throw rtl::Exception(SSecondEmbeddedServer);
        }
    }

    serverArgs_.assign(1, "ignored");
    serverArgs_.insert(serverArgs_.end(), params_.begin(), params_.end());
    std::vector<char*> argv;
    for (std::string& arg : serverArgs_)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    // The option groups the server reads; the tests pass --no-defaults first to skip them.
    static std::string groupNames[] = {"embedded", "server", program_invocation_short_name};
    char* groups[] = {groupNames[0].data(), groupNames[1].data(), groupNames[2].data(), nullptr};

    int result = 1;
    std::string raised;
    std::string output;
    {
        TStartupCapture capture;
        TExitInterception exitInterception(GetLibName());
        try {
            result = mysql_server_init(static_cast<int>(serverArgs_.size()), argv.data(), groups);
            serverStarted_ = true;
        } catch (const rtl::Exception& e) {
            raised = e.Message();
        }
        output = capture.Finish();
    }
    output += ReadFile(errorLog);
    unlink(generalLog.c_str());
    unlink(errorLog.c_str());

    if (result != 0) {
        std::string message = SServerInitFailed;
        if (!raised.empty()) message += "\r\n" + raised;
        if (const std::string lines = JoinLines(output); !lines.empty()) message += "\r\n" + lines;
        throw rtl::Exception(message);
    }
    currentParams_ = std::move(startedWith);
}

void TMySQLAPIEmbedded::FreeLib() {
    if (Loaded()) {
        if (clients_ > 0) --clients_;
        if (clients_ > 0) return;
        if (serverStarted_) {
            mysql_server_end();
            serverStarted_ = false;
            if (dataFolderLock_) dataFolderLock_->Release();
        }
        dataFolderLock_.reset();
        serverArgs_.clear();
        currentParams_.clear();
    }
    TMySQLAPIClient::FreeLib();
}

void TMySQLAPIEmbedded::NotLinked() const {
    throw rtl::Exception(
        "MySQL API function is not linked. You should update MySQL Embedded Server library (" + GetLibName() +
        ").");
}

TMySQLAPIEmbedded& MySQLAPIEmbeddedServer() {
    static TMySQLAPIEmbedded instance;
    return instance;
}

} // namespace dataaccess
