// The help window: searches the reference help and shows its topics as HTML pages.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/uHelpElements.h"
#include "app/uHelpGenerator.h"
#include "platform/ui/Forms.h"

namespace core {
class IDBAConnection;
}
namespace imaging {
class TPngImageList;
}
namespace lazytree {
class TLazyStringTree;
struct TLazyNode;
} // namespace lazytree
namespace ui {
class TEdit;
class TPanel;
class TSplitter;
class TToolBar;
class TToolButton;
} // namespace ui

namespace app {

class TfrmWebBrowser;

// What a search finds: the topics of the keyword of that name, the topics with the word in their
// names, and the topics and child categories of the category of that name.
struct THelpFound {
    THelpTopics topics;
    THelpCategories categories;

    // The topic when nothing else was found.
    const THelpTopic* OnlyTopic() const {
        return categories.Count() == 0 && topics.Count() == 1 ? &topics.Item(0) : nullptr;
    }
};

// The help window's pages, built as HTML from the help structure. Text from the server's help tables
// is escaped: it never becomes markup by accident.
class THelpPages {
public:
    explicit THelpPages(THelpManager& help) : help_(help) {}

    // The page of the category named "Contents", or the error page when the help is not loaded.
    std::string Contents() const;
    std::string Category(const THelpCategory& category) const;
    // The error page when the topic's content cannot be read.
    std::string Topic(const THelpTopic& topic) const;
    // The search's page: one topic alone gives its own page; nothing gives the not-found page.
    std::string Search(std::string_view text) const;
    THelpFound Find(std::string_view text) const;
    std::string Results(std::string_view text, const THelpFound& found) const;
    static std::string Error();
    static std::string NotFound();

    // The topic's content with its headings, links to other topics and keywords, and web addresses.
    std::string FormatContent(const THelpTopic& topic) const;

    // The same page with a breadcrumb of the category and its ancestors above and below the body.
    static std::string Page(const std::string& title, const std::string& body, const THelpCategory* category);

private:
    THelpManager& help_;
};

// What a link in a help page asks for.
struct THelpLink {
    enum TKind { hlPage, hlBack, hlRegenerate, hlCategory, hlTopic, hlKeyword, hlExternal, hlUnknown };
    TKind kind = hlPage;
    int id = 0;
};

// "cmd://" addresses are the pages' own commands; web addresses open outside; a link to "#" alone is
// the not-found page's Back link, whose script does not run here; anything else is a page.
THelpLink ParseHelpLink(std::string_view address);

std::string HtmlEscape(std::string_view text);

// The help window's content: the contents tree of categories and topics beside a search box and the
// pages, whose "cmd://" links it follows itself. Without a readable help folder it offers to copy the
// server's help tables into it.
class TfrmHelpSystem : public ui::TFrame {
public:
    TfrmHelpSystem(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection,
                   std::string helpFolder = GetHelpFolder());
    ~TfrmHelpSystem() override;

    // A keyword, a topic or a category of that name; one topic alone opens at once.
    void Search(const std::string& text);
    // The "Contents" category's page, its node expanded when asked; the error page without help.
    void ShowContents(bool expandNode);
    // Copies the server's help tables into the help folder again and shows the contents.
    void Regenerate();

    THelpManager& Help() const { return *help_; }

    ui::TPanel* pnlTopicsTree;
    lazytree::TLazyStringTree* tvContents;
    ui::TSplitter* spTree;
    ui::TPanel* pnlContent;
    ui::TToolBar* tbHelp;
    ui::TEdit* edSearch;
    ui::TToolButton* buSearch;
    ui::TToolButton* buShowContents;
    imaging::TPngImageList* ilHelp;
    TfrmWebBrowser* frmWebBrowser;

private:
    // What a node of the contents tree stands for: a category or a topic.
    struct TContentsNode {
        THelpCategory* category;
        THelpTopic* topic;
    };

    void CreateComponents();
    ui::TToolButton* AddToolButton(const char* name, const char* caption, int imageIndex);
    TContentsNode& NodeData(lazytree::TLazyNode* node) const;
    void FillTree();
    void AddCategoryNode(lazytree::TLazyNode* parent, THelpCategory& category);
    lazytree::TLazyNode* AddNode(lazytree::TLazyNode* parent, TContentsNode data);
    void ShowPage(const std::string& html);
    void ShowTopic(const THelpTopic& topic);
    void Navigating(const std::string& url, bool& cancel);
    void HideWindow();

    std::shared_ptr<core::IDBAConnection> connection_;
    std::unique_ptr<THelpManager> help_;
    THelpPages pages_;
    // The tree's node of each category and topic, filled with the tree.
    std::map<const void*, lazytree::TLazyNode*> nodes_;
    // The pages written for the browser; they go with the window.
    std::vector<std::string> pageFiles_;
};

} // namespace app
