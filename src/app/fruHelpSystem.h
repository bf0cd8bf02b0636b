#pragma once

#include <string>
#include <string_view>

#include "app/uHelpElements.h"

namespace app {

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
    // One topic alone gives its own page; nothing gives the not-found page.
    std::string Search(std::string_view text) const;
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
    enum TKind { hlPage, hlRegenerate, hlCategory, hlTopic, hlKeyword, hlExternal, hlUnknown };
    TKind kind = hlPage;
    int id = 0;
};

// "cmd://" addresses are the pages' own commands; "http://" opens outside; anything else is a page.
THelpLink ParseHelpLink(std::string_view address);

std::string HtmlEscape(std::string_view text);

} // namespace app
