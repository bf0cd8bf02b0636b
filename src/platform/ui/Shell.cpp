#include "platform/ui/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include <unistd.h>

#include <climits>

namespace ui {

namespace {

TShellOpener& Opener() {
    static TShellOpener opener;
    return opener;
}

} // namespace

bool ShellOpen(const std::string& target) {
    if (const TShellOpener& opener = Opener()) return opener(target);
    return QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(target)));
}

bool StartDetachedProcess(const std::string& program) {
    return QProcess::startDetached(QString::fromStdString(program), {});
}

std::string ProgramFileName() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

TShellOpenScope::TShellOpenScope(TShellOpener opener) : previous_(std::move(Opener())) {
    Opener() = std::move(opener);
}

TShellOpenScope::~TShellOpenScope() {
    Opener() = std::move(previous_);
}

} // namespace ui
