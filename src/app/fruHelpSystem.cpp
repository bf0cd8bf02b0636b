#include "app/fruHelpSystem.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <functional>
#include <strings.h>
#include <vector>

#include "app/fruTextEditor.h"
#include "app/fruWebBrowser.h"
#include "app/uArtworkImages.h"
#include "app/uWindowFileHelpers.h"
#include "core/uDBAConnection.h"
#include "core/uRegExpr.h"
#include "imaging/uPngImageList.h"
#include "lazytree/LazyStringTree.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Panels.h"
#include "platform/ui/ToolBars.h"
#include "platform/ui/WebBrowser.h"

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
    std::string text = rtl::Trim(help_.TopicContent(topic));

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

THelpFound THelpPages::Find(std::string_view text) const {
    THelpFound found;
    if (THelpKeyword* keyword = help_.FindKeyword(text)) found.topics.AddAll(keyword->Topics());
    help_.Search(text, found.topics);
    if (const THelpCategory* category = help_.FindCategory(text)) {
        found.topics.AddTopics(*category);
        found.categories.AddChildren(*category);
    }
    return found;
}

std::string THelpPages::Results(std::string_view text, const THelpFound& found) const {
    if (found.categories.Count() == 0 && found.topics.Count() == 0) return NotFound();
    if (const THelpTopic* topic = found.OnlyTopic()) return Topic(*topic);
    std::string title(text);
    for (char& c : title)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return Page(title, CategoryList(found.categories) + TopicList(found.topics), nullptr);
}

std::string THelpPages::Search(std::string_view text) const {
    // Without help only the error page can offer to make it.
    if (!help_.Loaded()) return Error();
    const std::string trimmed = rtl::Trim(text);
    return Results(trimmed, Find(trimmed));
}

THelpLink ParseHelpLink(std::string_view address) {
    for (std::string_view scheme : {"http://", "https://", "ftp://"})
        if (address.rfind(scheme, 0) == 0) return {THelpLink::hlExternal};
    if (address.rfind("cmd://", 0) != 0)
        return {!address.empty() && address.back() == '#' ? THelpLink::hlBack : THelpLink::hlPage};
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

// ---- The viewer

using lazytree::PLazyNode;

namespace {

enum THelpImage { hiFind, hiContents, hiCategory, hiTopic };

} // namespace

TfrmHelpSystem::TfrmHelpSystem(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection,
                               std::string helpFolder)
    : ui::TFrame(owner), connection_(std::move(connection)),
      help_(std::make_unique<THelpManager>(std::move(helpFolder))), pages_(*help_) {
    RTL_ASSERT(connection_);
    CreateComponents();
    help_->Load();
    FillTree();
}

TfrmHelpSystem::~TfrmHelpSystem() {
    // The nodes point into the help structure, which goes before the tree does.
    tvContents->Tree().Clear();
    for (const std::string& file : pageFiles_) {
        // A page someone removed already is no error.
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
}

void TfrmHelpSystem::CreateComponents() {
    SetName("frmHelpSystem");
    SetBounds(0, 0, 760, 520);

    ilHelp = new imaging::TPngImageList(this);
    ilHelp->SetName("ilHelp");
    AddArtworkImages(*ilHelp, {"HELP_FIND", "HELP_CONTENTS", "HELP_CATEGORY", "HELP_TOPIC"});

    pnlTopicsTree = new ui::TPanel(this);
    pnlTopicsTree->SetName("pnlTopicsTree");
    pnlTopicsTree->SetCaption("");
    pnlTopicsTree->SetBevelOuter(ui::bvNone);
    pnlTopicsTree->SetParent(this);
    pnlTopicsTree->SetAlign(ui::alLeft);
    pnlTopicsTree->SetWidth(230);

    tvContents = new lazytree::TLazyStringTree(this);
    tvContents->SetName("tvContents");
    tvContents->SetParent(pnlTopicsTree);
    tvContents->SetAlign(ui::alClient);
    tvContents->SetImages(ilHelp);
    lazytree::TLazyTreeModel& tree = tvContents->Tree();
    tree.SetNodeDataSize(sizeof(TContentsNode));
    tree.SetIndent(19);
    // The node of the page shown stays marked while the search box has the focus.
    tree.SetPaintOptions(tree.Options().PaintOptions - lazytree::TVTPaintOptions{lazytree::toHideSelection});
    tree.SetMiscOptions(tree.Options().MiscOptions - lazytree::TVTMiscOptions{lazytree::toEditOnClick});
    tvContents->OnGetText = [this](lazytree::TCustomLazyStringTree&, PLazyNode node, lazytree::TColumnIndex,
                                   lazytree::TVSTTextType, std::u16string& text) {
        const TContentsNode& data = NodeData(node);
        text = rtl::Utf8ToUtf16(data.topic ? data.topic->Name() : data.category->Name());
    };
    tvContents->OnGetImageIndex = [this](lazytree::TBaseLazyTree&, PLazyNode node,
                                         lazytree::TVTImageKind kind, lazytree::TColumnIndex, bool&,
                                         int& imageIndex) {
        if (kind == lazytree::ikNormal || kind == lazytree::ikSelected)
            imageIndex = NodeData(node).topic ? hiTopic : hiCategory;
    };
    tvContents->OnDblClick = [this](ui::TObject*) {
        const PLazyNode node = tvContents->Tree().FocusedNode();
        if (node && NodeData(node).topic) ShowTopic(*NodeData(node).topic);
    };
    tvContents->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState) {
        if (key == ui::VK_ESCAPE) HideWindow();
    };

    spTree = new ui::TSplitter(this);
    spTree->SetName("spTree");
    spTree->SetParent(this);
    spTree->SetAlign(ui::alLeft);
    spTree->SetLeft(pnlTopicsTree->Width());

    pnlContent = new ui::TPanel(this);
    pnlContent->SetName("pnlContent");
    pnlContent->SetCaption("");
    pnlContent->SetBevelOuter(ui::bvNone);
    pnlContent->SetParent(this);
    pnlContent->SetAlign(ui::alClient);

    tbHelp = new ui::TToolBar(this);
    tbHelp->SetName("tbHelp");
    tbHelp->SetParent(pnlContent);
    tbHelp->SetAlign(ui::alTop);
    tbHelp->SetFlat(true);
    tbHelp->SetShowCaptions(true);
    tbHelp->SetImages(ilHelp);
    tbHelp->SetIndent(4);
    tbHelp->SetButtonWidth(60);
    tbHelp->SetButtonHeight(38);
    tbHelp->SetHeight(40);
    edSearch = new ui::TEdit(this);
    edSearch->SetName("edSearch");
    edSearch->SetParent(tbHelp);
    edSearch->SetWidth(220);
    edSearch->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState) {
        if (key == ui::VK_RETURN) {
            key = 0;
            Search(edSearch->Text());
        } else if (key == ui::VK_ESCAPE) {
            key = 0;
            HideWindow();
        }
    };
    buSearch = AddToolButton("buSearch", "Find", hiFind);
    buSearch->OnClick = [this](ui::TObject*) {
        Search(edSearch->Text());
        frmWebBrowser->FocusBrowser();
    };
    AddToolButton("", "", -1)->SetStyle(ui::tbsSeparator);
    buShowContents = AddToolButton("buShowContents", "Contents", hiContents);
    buShowContents->OnClick = [this](ui::TObject*) { ShowContents(false); };
    PaintThemedToolBar(tbHelp);

    frmWebBrowser =
        new TfrmWebBrowser(this, [this](const std::string& url, bool& cancel) { Navigating(url, cancel); });
    frmWebBrowser->SetParent(pnlContent);
    frmWebBrowser->SetAlign(ui::alClient);
}

ui::TToolButton* TfrmHelpSystem::AddToolButton(const char* name, const char* caption, int imageIndex) {
    auto* button = new ui::TToolButton(this);
    if (*name) button->SetName(name);
    button->SetCaption(caption);
    button->SetImageIndex(imageIndex);
    button->SetParent(tbHelp);
    return button;
}

TfrmHelpSystem::TContentsNode& TfrmHelpSystem::NodeData(PLazyNode node) const {
    return *tvContents->Tree().GetNodeData<TContentsNode>(node);
}

PLazyNode TfrmHelpSystem::AddNode(PLazyNode parent, TContentsNode data) {
    const PLazyNode node = tvContents->Tree().AddChild(parent);
    NodeData(node) = data;
    node->States.Include(lazytree::nsInitialized);
    nodes_[data.topic ? static_cast<const void*>(data.topic) : data.category] = node;
    return node;
}

// A category's node holds its child categories first, then its topics.
void TfrmHelpSystem::AddCategoryNode(PLazyNode parent, THelpCategory& category) {
    const PLazyNode node = AddNode(parent, {&category, nullptr});
    for (int i = 0; i < category.ChildCount(); ++i)
        AddCategoryNode(node, category.Child(i));
    for (int i = 0; i < category.TopicCount(); ++i)
        AddNode(node, {&category, &category.Topic(i)});
}

void TfrmHelpSystem::FillTree() {
    lazytree::TLazyTreeModel& tree = tvContents->Tree();
    {
        tree.BeginUpdate();
        const rtl::ScopeExit endUpdate([&] { tree.EndUpdate(); });
        tree.Clear();
        nodes_.clear();
        // A structure that failed to load half way shows nothing rather than a part.
        for (int i = 0; help_->Loaded() && i < help_->Root().ChildCount(); ++i)
            AddCategoryNode(nullptr, help_->Root().Child(i));
    }
    ShowContents(true);
}

void TfrmHelpSystem::ShowPage(const std::string& html) {
    const std::string file = CreateTempFile();
    pageFiles_.push_back(file);
    SaveStringToFile(file, html);
    frmWebBrowser->Navigate("file://" + file);
}

void TfrmHelpSystem::ShowContents(bool expandNode) {
    ShowPage(pages_.Contents());
    const THelpCategory* contents = help_->Loaded() ? help_->FindCategory("Contents") : nullptr;
    if (expandNode && contents) tvContents->Tree().SetExpanded(nodes_.at(contents), true);
}

void TfrmHelpSystem::ShowTopic(const THelpTopic& topic) {
    ShowPage(pages_.Topic(topic));
    lazytree::TLazyTreeModel& tree = tvContents->Tree();
    const PLazyNode node = nodes_.at(&topic);
    tree.UnselectAll();
    tree.SetSelected(node, true);
    tree.SetFocusedNode(node);
}

void TfrmHelpSystem::Search(const std::string& text) {
    const THourGlass hourGlass;
    const std::string trimmed = rtl::Trim(text);
    edSearch->SetText(trimmed);
    if (!help_->Loaded()) {
        ShowPage(THelpPages::Error());
        return;
    }
    const THelpFound found = pages_.Find(trimmed);
    // One topic alone opens as a topic does: its node is selected too.
    if (const THelpTopic* topic = found.OnlyTopic())
        ShowTopic(*topic);
    else
        ShowPage(pages_.Results(trimmed, found));
}

void TfrmHelpSystem::Regenerate() {
    const THourGlass hourGlass;
    GenerateHelpFiles(*connection_, help_->Folder());
    help_->Load();
    FillTree();
}

void TfrmHelpSystem::Navigating(const std::string& url, bool& cancel) {
    const THourGlass hourGlass;
    const THelpLink link = ParseHelpLink(url);
    cancel = link.kind != THelpLink::hlPage;
    switch (link.kind) {
    case THelpLink::hlPage:
        break;
    case THelpLink::hlBack:
        frmWebBrowser->WebBrowser->GoBack();
        break;
    case THelpLink::hlExternal:
        OpenURL(url);
        break;
    case THelpLink::hlRegenerate:
        Regenerate();
        break;
    case THelpLink::hlCategory:
        if (const THelpCategory* category = help_->FindCategory(link.id))
            ShowPage(pages_.Category(*category));
        else
            ShowPage(THelpPages::NotFound());
        break;
    case THelpLink::hlTopic:
        if (const THelpTopic* topic = help_->FindTopic(link.id))
            ShowTopic(*topic);
        else
            ShowPage(THelpPages::NotFound());
        break;
    case THelpLink::hlKeyword:
        if (const THelpKeyword* keyword = help_->FindKeyword(link.id))
            Search(keyword->Name());
        else
            ShowPage(THelpPages::NotFound());
        break;
    case THelpLink::hlUnknown:
        ShowPage(THelpPages::NotFound());
        break;
    }
}

void TfrmHelpSystem::HideWindow() {
    if (ui::TCustomForm* form = ui::GetParentForm(this)) form->Hide();
}

} // namespace app
