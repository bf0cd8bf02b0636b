// The system's standard dialogs for choosing a file to open or save and a font.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Types.h"

#include <memory>
#include <string>
#include <vector>

namespace ui {

enum TOpenOption { ofOverwritePrompt, ofFileMustExist, ofAllowMultiSelect };
using TOpenOptions = rtl::Set<TOpenOption, 8>;

// One choice of a filter: "Text files (*.txt)" and its patterns "*.txt;*.log".
struct TFileFilter {
    std::string description;
    std::string patterns;
};
// "Text files|*.txt|All files|*.*" as its pairs; a description without patterns is dropped.
std::vector<TFileFilter> ParseFileFilter(const std::string& filter);
// The name with "." and the default extension added when its last part has no extension.
std::string AddDefaultExt(const std::string& fileName, const std::string& defaultExt);

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value) { fileName_ = value; }
    // Every chosen file; the first is FileName.
    const std::vector<std::string>& Files() const { return files_; }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& value) { filter_ = value; }
    // 1-based, as the filter's pairs count; the chosen one after Execute.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& value) { initialDir_ = value; }
    // Added to a chosen name without an extension.
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& value) { defaultExt_ = value; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { title_ = value; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }

    // Shows the dialog modally; true when the user chose a file.
    bool Execute();

protected:
    virtual bool ForSaving() const { return false; }

private:
    std::string fileName_;
    std::vector<std::string> files_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string initialDir_;
    std::string defaultExt_;
    std::string title_;
    TOpenOptions options_;
};

class TSaveDialog : public TOpenDialog {
public:
    using TOpenDialog::TOpenDialog;

protected:
    bool ForSaving() const override { return true; }
};

class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent* owner);
    ~TFontDialog() override;

    // What the dialog starts with, and what the user chose after Execute.
    TFont* Font() const { return font_.get(); }
    void SetFont(const TFont* value) { font_->Assign(value); }

    bool Execute();

private:
    std::unique_ptr<TFont> font_;
};

} // namespace ui
