#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// Switches the process to a locale whose decimal separator is a comma while the object lives, the
// way a GUI toolkit does at start-up for a German user. When none is installed, a small one is
// compiled into a private folder with localedef, removed when the process ends.
class CommaLocale {
public:
    CommaLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
        if (const char* path = std::getenv("LOCPATH")) savedPath_ = path;
        active_ = Activate();
    }
    ~CommaLocale() {
        SetLocale(saved_.c_str());
        if (savedPath_.empty())
            unsetenv("LOCPATH");
        else
            setenv("LOCPATH", savedPath_.c_str(), 1);
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool Active() const { return active_; }

private:
    struct PrivateLocale {
        std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("veltrane-locale-" + std::to_string(getpid()));
        bool ok = false;

        // Only the numbers differ from the POSIX locale; that keeps localedef fast.
        PrivateLocale() {
            std::filesystem::create_directories(dir);
            {
                std::ofstream source(dir / "comma.src");
                source << "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\ngrouping 3;3\n"
                          "END LC_NUMERIC\n";
                for (const char* category :
                     {"LC_CTYPE", "LC_COLLATE", "LC_MONETARY", "LC_TIME", "LC_MESSAGES"})
                    source << category << "\ncopy \"POSIX\"\nEND " << category << "\n";
            }
            const std::string command = "localedef -i '" + (dir / "comma.src").string() +
                                        "' -f ANSI_X3.4-1968 '" + (dir / "comma").string() +
                                        "' >/dev/null 2>&1";
            // localedef reports warnings with a non-zero status but still writes the locale.
            std::system(command.c_str());
            ok = std::filesystem::exists(dir / "comma" / "LC_NUMERIC");
        }
        ~PrivateLocale() {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    };

    static const char* SetLocale(const char* name) {
#if defined(__SANITIZE_ADDRESS__)
        // With LOCPATH set, glibc keeps a small block per call and never frees it.
        __lsan_disable();
#endif
        const char* result = std::setlocale(LC_ALL, name);
#if defined(__SANITIZE_ADDRESS__)
        __lsan_enable();
#endif
        return result;
    }

    static bool Use(const char* name) {
        return SetLocale(name) && std::localeconv()->decimal_point[0] == ',';
    }

    static bool Activate() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
            if (Use(name)) return true;
        static const PrivateLocale built;
        if (!built.ok) return false;
        // Only while the object lives: glibc leaks a little on every locale look-up under LOCPATH.
        setenv("LOCPATH", built.dir.c_str(), 1);
        return Use("comma");
    }

    std::string saved_;
    std::string savedPath_;
    bool active_ = false;
};
