#include "app/uHelpElements.h"

#include <algorithm>
#include <charconv>
#include <strings.h>

#include "app/uHelpGenerator.h"
#include "platform/rtl/Exception.h"

namespace app {
namespace {

int IdOf(const std::string& field) {
    int id = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), id);
    if (error != std::errc() || end != field.data() + field.size())
        throw rtl::Exception("Cannot read help structure");
    return id;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The lines that belong to an owner start with its id and a comma, exactly.
bool StartsWithId(const std::string& line, int id) {
    const std::string prefix = std::to_string(id) + ",";
    return line.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

THelpTopic::THelpTopic(THelpCategory* category, int id, std::string name)
    : category_(category), id_(id), name_(std::move(name)) {
    RTL_ASSERT(category_);
}

THelpCategory::THelpCategory(THelpCategory* parent, int id, std::string name)
    : parent_(parent), id_(id), name_(std::move(name)) {}

THelpCategory& THelpCategory::AddChild(int id, std::string name) {
    return *children_.emplace_back(std::make_unique<THelpCategory>(this, id, std::move(name)));
}

THelpTopic& THelpCategory::AddTopic(int id, std::string name) {
    return *topics_.emplace_back(std::make_unique<THelpTopic>(this, id, std::move(name)));
}

void THelpCategory::Clear() {
    children_.clear();
    topics_.clear();
}

void THelpCategories::AddChildren(const THelpCategory& category) {
    for (int i = 0; i < category.ChildCount(); ++i)
        Add(category.Child(i));
}

void THelpTopics::Add(THelpTopic& topic) {
    if (std::find(items_.begin(), items_.end(), &topic) == items_.end()) items_.push_back(&topic);
}

void THelpTopics::AddTopics(const THelpCategory& category) {
    for (int i = 0; i < category.TopicCount(); ++i)
        Add(category.Topic(i));
}

void THelpTopics::AddAll(const THelpTopics& other) {
    RTL_ASSERT(&other != this);
    for (THelpTopic* topic : other.items_)
        Add(*topic);
}

void THelpTopics::Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const THelpTopic* a, const THelpTopic* b) { return a->Name() < b->Name(); });
}

THelpManager::THelpManager(std::string folder) : folder_(std::move(folder)) {}

void THelpManager::LoadCategories(THelpCategory& parent, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (!StartsWithId(line, parent.Id())) continue;
        const auto fields = SplitHelpLine(line, 3);
        // A category listed again (its own ancestor, say) would never end the descent.
        if (FindCategory(IdOf(fields[1]))) continue;
        THelpCategory& child = parent.AddChild(IdOf(fields[1]), fields[2]);
        categories_.Add(child);
        LoadCategories(child, lines);
    }
}

void THelpManager::Load() {
    keywords_.clear();
    keywordsLoaded_ = false;
    categories_.Clear();
    topics_.Clear();
    root_.Clear();
    loaded_ = false;
    try {
        LoadCategories(root_, ReadHelpLines(folder_ + "/category"));
        const auto topicLines = ReadHelpLines(folder_ + "/topic");
        for (int i = 0; i < categories_.Count(); ++i) {
            THelpCategory& category = categories_.Item(i);
            for (const std::string& line : topicLines) {
                if (!StartsWithId(line, category.Id())) continue;
                const auto fields = SplitHelpLine(line, 3);
                topics_.Add(category.AddTopic(IdOf(fields[1]), fields[2]));
            }
        }
        version_ = ReadHelpFile(folder_ + "/version");
        loaded_ = topics_.Count() > 0 && categories_.Count() > 0;
    } catch (const std::exception&) {
        // Unloaded: the viewer offers to generate the files again.
    }
}

void THelpManager::LoadKeywords() {
    if (keywordsLoaded_) return;
    const auto keywordLines = ReadHelpLines(folder_ + "/keyword");
    const auto relationLines = ReadHelpLines(folder_ + "/relation");
    std::vector<std::unique_ptr<THelpKeyword>> keywords;
    for (const std::string& line : keywordLines) {
        const auto fields = SplitHelpLine(line, 2);
        keywords.push_back(std::make_unique<THelpKeyword>(IdOf(fields[0]), fields[1]));
    }
    for (const auto& keyword : keywords) {
        for (const std::string& line : relationLines) {
            if (!StartsWithId(line, keyword->Id())) continue;
            const auto fields = SplitHelpLine(line, 2);
            if (THelpTopic* topic = FindTopic(IdOf(fields[1]))) keyword->Topics().Add(*topic);
        }
    }
    keywords_ = std::move(keywords);
    keywordsLoaded_ = true;
}

THelpCategory* THelpManager::FindCategory(std::string_view name) const {
    for (int i = 0; i < categories_.Count(); ++i)
        if (SameText(categories_.Item(i).Name(), name)) return &categories_.Item(i);
    return nullptr;
}

THelpCategory* THelpManager::FindCategory(int id) const {
    for (int i = 0; i < categories_.Count(); ++i)
        if (categories_.Item(i).Id() == id) return &categories_.Item(i);
    return nullptr;
}

THelpTopic* THelpManager::FindTopic(std::string_view name) const {
    for (int i = 0; i < topics_.Count(); ++i)
        if (SameText(topics_.Item(i).Name(), name)) return &topics_.Item(i);
    return nullptr;
}

THelpTopic* THelpManager::FindTopic(int id) const {
    for (int i = 0; i < topics_.Count(); ++i)
        if (topics_.Item(i).Id() == id) return &topics_.Item(i);
    return nullptr;
}

THelpKeyword* THelpManager::FindKeyword(std::string_view name) {
    LoadKeywords();
    for (const auto& keyword : keywords_)
        if (SameText(keyword->Name(), name)) return keyword.get();
    return nullptr;
}

THelpKeyword* THelpManager::FindKeyword(int id) {
    LoadKeywords();
    for (const auto& keyword : keywords_)
        if (keyword->Id() == id) return keyword.get();
    return nullptr;
}

int THelpManager::KeywordCount() {
    LoadKeywords();
    return static_cast<int>(keywords_.size());
}

THelpKeyword& THelpManager::Keyword(int index) {
    LoadKeywords();
    return *keywords_.at(index);
}

std::string THelpManager::TopicContent(const THelpTopic& topic) const {
    return ReadHelpFile(folder_ + "/topic_content/" + std::to_string(topic.Id()));
}

void THelpManager::Search(std::string_view text, THelpTopics& topics) const {
    for (int i = 0; i < topics_.Count(); ++i) {
        const std::string& name = topics_.Item(i).Name();
        std::size_t start = 0;
        while (start <= name.size()) {
            std::size_t end = name.find(' ', start);
            if (end == std::string::npos) end = name.size();
            if (SameText(std::string_view(name).substr(start, end - start), text)) {
                topics.Add(topics_.Item(i));
                break;
            }
            start = end + 1;
        }
    }
}

} // namespace app
