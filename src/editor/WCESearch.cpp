// Search and replace of the editor model.
#include "editor/WideCodeEditModel.h"

#include "core/uUnicodeSearch.h"
#include "core/uURESearch.h"

#include <algorithm>
#include <memory>

namespace editor {

namespace {

core::TSearchFlags EngineFlags(TEditSearchOptions options) {
    core::TSearchFlags flags = 0;
    if (options & esoCaseSensitive) flags |= core::sfCaseSensitive;
    if (options & esoIgnoreMarks) flags |= core::sfIgnoreNonSpacing;
    if (options & esoCompressSpaces) flags |= core::sfSpaceCompress;
    if (options & esoWholeWords) flags |= core::sfWholeWordOnly;
    return flags;
}

} // namespace

// Matches are found line by line as character indexes and shown as columns. A forward search goes on
// after each replacement from the end of the new text, so later matches of the line, and text that
// a multi-line replacement pushed down, are met where they now are.
int TWideCodeEditModel::SearchReplace(const std::u16string& search, const std::u16string& replace,
                                      TEditSearchOptions options) {
    if (search.empty() || content_.Count() == 0) return 0;
    const bool backward = options & esoBackward;
    bool asking = (options & esoPrompt) && OnReplaceText;
    bool replaceAll = options & esoReplaceAll;
    const bool replacing = replaceAll || (options & esoReplace);

    // The range in character indexes.
    TPoint from, to;
    if ((options & esoInSelection) && SelectionAvailable()) {
        from = selStart_;
        to = selEnd_;
    } else {
        from = {0, 0};
        to = {LineColumns(content_.Count() - 1) + 1, content_.Count() - 1};
        if (!(options & esoWholeText)) (backward ? to : from) = caret_;
    }
    from.X = Line(from.Y)->ColumnToChar(from.X);
    to.X = Line(to.Y)->ColumnToChar(to.X);

    std::unique_ptr<core::TSearchEngine> engine;
    if (options & esoPattern)
        engine = std::make_unique<core::TURESearch>(this);
    else
        engine = std::make_unique<core::TUTBMSearch>(this);
    engine->FindPrepare(search, EngineFlags(options));

    int found = 0;
    bool stopped = false;
    bool redrawOff = false;
    // Forward: the next match starts at or after `resume` on line y.
    int y = backward ? to.Y : from.Y;
    int resume = backward ? 0 : from.X;
    while (!stopped && y >= from.Y && y <= to.Y) {
        TWCELine& line = *Line(y);
        engine->FindAll(line.Text());
        std::vector<core::TSearchResult> matches;
        for (std::size_t i = 0; i < engine->Count(); ++i) {
            const core::TSearchResult& m = engine->GetResult(i);
            if ((y == from.Y && int(m.start) < from.X) || (y == to.Y && int(m.stop) > to.X)) continue;
            if (!backward && int(m.start) < resume) continue;
            matches.push_back(m);
        }
        if (backward) std::reverse(matches.begin(), matches.end());
        int nextLine = backward ? y - 1 : y + 1;
        int nextResume = 0;
        for (const core::TSearchResult& m : matches) {
            ++found;
            const TPoint start{line.CharToColumn(int(m.start)), y};
            const TPoint stop{line.CharToColumn(int(m.stop)), y};
            SetBlockBegin(start);
            SetBlockEnd(stop);
            caret_ = backward ? start : stop;
            AnnounceCaret();
            if (!replacing) {
                stopped = true;
                break;
            }
            TReplaceAction action = raReplace;
            if (asking) {
                action = raCancel;
                OnReplaceText(*this, search, replace, y, start.X, stop.X, action);
            }
            if (action == raCancel) {
                stopped = true;
                break;
            }
            if (action == raSkip) continue;
            if (action == raReplaceAll) {
                // Later replacements are recorded as usual; only the painting waits.
                asking = false;
                replaceAll = true;
                view_->SetRedraw(false);
                redrawOff = true;
            }
            const int linesBefore = content_.Count();
            ReplaceSelection(replace);
            if (!replaceAll) {
                stopped = true;
                break;
            }
            if (!backward) {
                const int added = content_.Count() - linesBefore;
                to.Y += added;
                const TWCELine& now = *Line(caret_.Y);
                if (added == 0 && to.Y == y) to.X += int(replace.size()) - int(m.stop - m.start);
                nextLine = caret_.Y;
                nextResume = now.ColumnToChar(caret_.X);
                break; // look again from the end of the replacement
            }
        }
        y = nextLine;
        resume = nextResume;
    }
    if (redrawOff) {
        view_->SetRedraw(true);
        view_->InvalidateAll();
    }
    return found;
}

} // namespace editor
