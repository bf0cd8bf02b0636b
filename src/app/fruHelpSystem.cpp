#include "app/fruHelpSystem.h"

#include <cctype>
#include <charconv>
#include <functional>
#include <strings.h>
#include <vector>

#include "core/uRegExpr.h"
#include "core/uStringUtils.h"
#include "platform/rtl/Format.h"

namespace app {
namespace {

constexpr const char* kStyleSheet =
    "body {font-family: Arial; font-size:80%;}h1 {font-size: 14px; border-bottom: 2px solid green;}h2 "
    "{font-size: 14px; background-color: #F0F0F0;}a {color: #0066CC;}#hint {color: gray; "
    "font-size:90%;}#keyword "
    "a {color: black;font-weight: bold;}#navigation a {font-size:90%; color: green;}#internal_link a{color: "
    "green;}";

constexpr const char* kAddress =
    "(?i)((http|ftp|https):\\/\\/[\\w\\-_]+(\\.[\\w\\-_]+)+([\\w\\-\\.,@?^=%&amp;:/"
    "~\\+#]*[\\w\\-\\@?^=%&amp;/~\\+#]))";

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Rewrites every match of the expression in turn; `replace` gives the text in place of the match.
std::string ReplaceEach(const std::string& text, const char* expression,
                        const std::function<std::string(core::TRegExpr&)>& replace) {
    core::TRegExpr regex;
    regex.SetExpression(expression);
    std::string result;
    std::size_t offset = 0;
    while (offset < text.size() && regex.Exec(std::string_view(text).substr(offset))) {
        const int start = regex.SubMatchStart(0) - 1;
        const int length = regex.SubMatchLength(0);
        result += text.substr(offset, start);
        result += replace(regex);
        offset += start + std::max(length, 1);
        if (length == 0) result += text[offset - 1];
    }
    if (offset < text.size()) result += text.substr(offset);
    return result;
}

void ReplaceAll(std::string& text, const std::string& marker, const std::string& replacement) {
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + replacement.size()))
        text.replace(at, marker.size(), replacement);
}

std::string LinkList(const char* kind, const std::vector<std::pair<int, std::string>>& items) {
    if (items.empty()) return {};
    std::string list = "<ul id=\"navigation\">";
    for (const auto& [id, name] : items)
        list += rtl::Format("\r\n<li><a href=\"cmd://%s_%d\">%s</a></li>", kind, id, HtmlEscape(name));
    return list + "\r\n</ul>";
}

std::string CategoryList(const THelpCategories& categories) {
    std::vector<std::pair<int, std::string>> items;
    for (int i = 0; i < categories.Count(); ++i)
        items.emplace_back(categories.Item(i).Id(), categories.Item(i).Name());
    return LinkList("cat", items);
}

std::string TopicList(THelpTopics topics) {
    topics.Sort();
    std::vector<std::pair<int, std::string>> items;
    for (int i = 0; i < topics.Count(); ++i)
        items.emplace_back(topics.Item(i).Id(), topics.Item(i).Name());
    return LinkList("topic", items);
}

int TrailingId(std::string_view text) {
    int id = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    return error == std::errc() && end == text.data() + text.size() ? id : -1;
}

} // namespace

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string THelpPages::Page(const std::string& title, const std::string& body,
                             const THelpCategory* category) {
    std::string breadcrumb;
    for (const THelpCategory* at = category; at && at->Parent(); at = at->Parent()) {
        const std::string link =
            rtl::Format("<a href=\"cmd://cat_%d\">%s</a>", at->Id(), HtmlEscape(at->Name()));
        breadcrumb = breadcrumb.empty() ? link : link + " / " + breadcrumb;
    }
    if (!breadcrumb.empty()) breadcrumb = "<span id=\"navigation\">" + breadcrumb + "</span>";
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
           "  <title>Veltrane: MySQL Syntax</title>\r\n"
           "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
           "  <style type=\"text/css\">" +
           std::string(kStyleSheet) + "</style>\r\n</head>\r\n<body>\r\n<h1>" + HtmlEscape(title) +
           "</h1>\r\n" + breadcrumb + body + breadcrumb + "\r\n</body>\r\n</html>";
}

std::string THelpPages::Error() {
    return Page("Help not found or corrupted", "<a href=\"cmd://regenerate\">regenerate</a>", nullptr);
}

std::string THelpPages::NotFound() {
    return Page("Not found",
                "<span id=\"navigation\"><a href=\"#\" onClick=\"history.go(-1)\">&lt;&lt;Back</a></span>",
                nullptr);
}

std::string THelpPages::Contents() const {
    if (!help_.Loaded()) return Error();
    const THelpCategory* contents = help_.FindCategory("Contents");
    return contents ? Category(*contents) : Error();
}

std::string THelpPages::Category(const THelpCategory& category) const {
    THelpCategories children;
    children.AddChildren(category);
    THelpTopics topics;
    topics.AddTopics(category);
    return Page(category.Name(), CategoryList(children) + TopicList(topics), category.Parent());
}

std::string THelpPages::Topic(const THelpTopic& topic) const {
    try {
        return Page(topic.Name(), "<pre>" + FormatContent(topic) + "</pre>", &topic.Category());
    } catch (const std::exception&) {
        return Error();
    }
}

std::string THelpPages::FormatContent(const THelpTopic& topic) const {
    std::string text = help_.TopicContent(topic);
    text = text.substr(0, text.find_last_not_of(" \t\r\n") + 1);
    text = text.substr(std::min(text.size(), text.find_first_not_of(" \t\r\n")));

    std::string documentation;
    bool documentationFound = false;
    text =
        ReplaceEach(text, (std::string("URL:[\\s]*") + kAddress + "?").c_str(), [&](core::TRegExpr& match) {
            if (documentationFound) return match.SubMatchText(0);
            documentationFound = true;
            documentation = match.SubMatchText(1);
            return std::string("online_documentation_link");
        });
    std::vector<std::string> references;
    text = ReplaceEach(text, "\\[HELP(\\s+)([\\s_A-Z]+)\\]", [&](core::TRegExpr& match) {
        references.push_back(match.SubMatchText(2));
        return rtl::Format("help_link_%d_", static_cast<int>(references.size() - 1));
    });
    std::vector<std::string> words;
    text =
        ReplaceEach(text, "(^|\\s|\\[|\\(|\\{|\\|)([A-Z][_A-Z]+)(\\s|\\]|\\.|\\)|\\}|\\||,|\\(|\\[|\\:|\\;)",
                    [&](core::TRegExpr& match) {
                        words.push_back(match.SubMatchText(2));
                        return match.SubMatchText(1) +
                               rtl::Format("keyword_%d_", static_cast<int>(words.size() - 1)) +
                               match.SubMatchText(3);
                    });
    std::vector<std::string> addresses;
    text = ReplaceEach(text, kAddress, [&](core::TRegExpr& match) {
        addresses.push_back(match.SubMatchText(1));
        return rtl::Format("external_link_%d_", static_cast<int>(addresses.size() - 1));
    });

    text = HtmlEscape(text);
    text = ReplaceEach(text, "(^|\\r\\n)([_a-zA-Z]+)\\:\\r\\n", [](core::TRegExpr& match) {
        return "\r\n<h2>" + match.SubMatchText(2) + "</h2>\r\n";
    });

    if (!documentation.empty())
        ReplaceAll(text, "online_documentation_link",
                   "<a href=\"" + HtmlEscape(documentation) + "\">Online documentation for " +
                       HtmlEscape(topic.Name()) + "</a>");
    // The markers end with '_', so marker 1 is never the start of marker 10.
    for (std::size_t i = 0; i < references.size(); ++i) {
        const THelpTopic* target = help_.FindTopic(references[i]);
        ReplaceAll(text, rtl::Format("help_link_%d_", static_cast<int>(i)),
                   target && target != &topic
                       ? rtl::Format("<span id=\"internal_link\"><a href=\"cmd://topic_%d\">%s</a></span>",
                                     target->Id(), HtmlEscape(target->Name()))
                       : "<b>" + HtmlEscape(references[i]) + "</b>");
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        std::string replacement = "<b>" + word + "</b>";
        if (SameText(word, "IEEE") || SameText(word, "SQL") || SameText(word, "NOTE")) {
            replacement = word;
        } else if (const THelpKeyword* keyword = help_.FindKeyword(word)) {
            replacement = rtl::Format("<span id=\"keyword\"><a href=\"cmd://keyword_%d\">%s</a></span>",
                                      keyword->Id(), HtmlEscape(keyword->Name()));
        } else if (const THelpTopic* target = help_.FindTopic(word); target && target != &topic) {
            replacement = rtl::Format("<span id=\"keyword\"><a href=\"cmd://topic_%d\">%s</a></span>",
                                      target->Id(), HtmlEscape(target->Name()));
        }
        ReplaceAll(text, rtl::Format("keyword_%d_", static_cast<int>(i)), replacement);
    }
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const std::string address = HtmlEscape(addresses[i]);
        ReplaceAll(text, rtl::Format("external_link_%d_", static_cast<int>(i)),
                   "<a href=\"" + address + "\">" + address + "</a>");
    }
    return text;
}

std::string THelpPages::Search(std::string_view text) const {
    const std::string trimmed = core::CompressSpaces(text);
    THelpTopics topics;
    THelpCategories categories;
    if (THelpKeyword* keyword = help_.FindKeyword(trimmed)) topics.AddAll(keyword->Topics());
    help_.Search(trimmed, topics);
    if (const THelpCategory* category = help_.FindCategory(trimmed)) {
        topics.AddTopics(*category);
        categories.AddChildren(*category);
    }
    if (categories.Count() == 0 && topics.Count() == 0) return NotFound();
    if (categories.Count() == 0 && topics.Count() == 1) return Topic(topics.Item(0));
    std::string title = trimmed;
    for (char& c : title)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return Page(title, CategoryList(categories) + TopicList(topics), nullptr);
}

THelpLink ParseHelpLink(std::string_view address) {
    if (address.rfind("http://", 0) == 0) return {THelpLink::hlExternal};
    if (address.rfind("cmd://", 0) != 0) return {THelpLink::hlPage};
    const std::string_view command = address.substr(6);
    if (SameText(command, "regenerate") || SameText(command, "regenerate/")) return {THelpLink::hlRegenerate};
    const std::pair<const char*, THelpLink::TKind> kinds[] = {
        {"cat_", THelpLink::hlCategory}, {"topic_", THelpLink::hlTopic}, {"keyword_", THelpLink::hlKeyword}};
    for (const auto& [prefix, kind] : kinds) {
        const std::string_view name(prefix);
        if (command.rfind(name, 0) == 0) {
            const int id = TrailingId(command.substr(name.size()));
            if (id >= 0) return {kind, id};
        }
    }
    return {THelpLink::hlUnknown};
}

} // namespace app
