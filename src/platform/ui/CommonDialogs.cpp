#include "platform/ui/CommonDialogs.h"

#include "platform/ui/QtBridge.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>

#include <algorithm>

namespace ui {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// Qt's form of a filter: the description, then its patterns in brackets and separated by spaces.
QString NameFilterOf(const TFileFilter& filter) {
    QString patterns = ToQString(filter.patterns);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return QStringLiteral("%1 (%2)").arg(ToQString(filter.description), patterns);
}

TFontStyles StylesOf(const QFont& font) {
    TFontStyles styles;
    if (font.bold()) styles.Include(fsBold);
    if (font.italic()) styles.Include(fsItalic);
    if (font.underline()) styles.Include(fsUnderline);
    if (font.strikeOut()) styles.Include(fsStrikeOut);
    return styles;
}

} // namespace

std::vector<TFileFilter> ParseFileFilter(const std::string& filter) {
    std::vector<TFileFilter> filters;
    if (filter.empty()) return filters;
    const std::vector<std::string> parts = Split(filter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        if (!parts[i + 1].empty()) filters.push_back({parts[i], parts[i + 1]});
    return filters;
}

std::string AddDefaultExt(const std::string& fileName, const std::string& defaultExt) {
    if (fileName.empty() || defaultExt.empty()) return fileName;
    const size_t slash = fileName.rfind('/');
    const size_t dot = fileName.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return hasExtension ? fileName : fileName + "." + defaultExt;
}

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::Execute() {
    QFileDialog dialog(QApplication::activeWindow(), ToQString(title_), ToQString(initialDir_));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(ForSaving() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(ForSaving()                             ? QFileDialog::AnyFile
                       : options_.Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                       : options_.Contains(ofFileMustExist)    ? QFileDialog::ExistingFile
                                                               : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options_.Contains(ofOverwritePrompt));
    const std::vector<TFileFilter> filters = ParseFileFilter(filter_);
    QStringList nameFilters;
    for (const TFileFilter& filter : filters)
        nameFilters << NameFilterOf(filter);
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters.value(std::clamp(filterIndex_, 1, int(nameFilters.size())) - 1));
    }
    if (!fileName_.empty()) dialog.selectFile(ToQString(fileName_));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    files_.clear();
    for (const QString& file : dialog.selectedFiles())
        files_.push_back(AddDefaultExt(ToUtf8(file), defaultExt_));
    fileName_ = files_.front();
    if (const qsizetype chosen = nameFilters.indexOf(dialog.selectedNameFilter()); chosen >= 0)
        filterIndex_ = static_cast<int>(chosen) + 1;
    return true;
}

TFontDialog::TFontDialog(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
    QFontDialog dialog(ToQFont(*font_), QApplication::activeWindow());
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QFont chosen = dialog.selectedFont();
    font_->SetName(ToUtf8(chosen.family()));
    font_->SetSize(chosen.pointSize());
    font_->SetStyle(StylesOf(chosen));
    return true;
}

} // namespace ui
