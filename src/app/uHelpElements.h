// The reference help as objects: topics, categories, keywords and the manager that loads them.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace app {

class THelpCategory;

class THelpTopic {
public:
    THelpTopic(THelpCategory* category, int id, std::string name);

    THelpCategory& Category() const { return *category_; }
    int Id() const { return id_; }
    const std::string& Name() const { return name_; }

private:
    THelpCategory* category_;
    int id_;
    std::string name_;
};

class THelpCategory {
public:
    THelpCategory(THelpCategory* parent, int id, std::string name);

    THelpCategory* Parent() const { return parent_; }
    int Id() const { return id_; }
    const std::string& Name() const { return name_; }

    THelpCategory& AddChild(int id, std::string name);
    THelpTopic& AddTopic(int id, std::string name);
    int ChildCount() const { return static_cast<int>(children_.size()); }
    THelpCategory& Child(int index) const { return *children_.at(index); }
    int TopicCount() const { return static_cast<int>(topics_.size()); }
    THelpTopic& Topic(int index) const { return *topics_.at(index); }
    void Clear();

private:
    THelpCategory* parent_;
    int id_;
    std::string name_;
    std::vector<std::unique_ptr<THelpCategory>> children_;
    std::vector<std::unique_ptr<THelpTopic>> topics_;
};

// A flat list of categories that owns none of them.
class THelpCategories {
public:
    void Add(THelpCategory& category) { items_.push_back(&category); }
    void AddChildren(const THelpCategory& category);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    THelpCategory& Item(int index) const { return *items_.at(index); }

private:
    std::vector<THelpCategory*> items_;
};

// A flat list of topics without duplicates that owns none of them.
class THelpTopics {
public:
    void Add(THelpTopic& topic);
    void AddTopics(const THelpCategory& category);
    void AddAll(const THelpTopics& other);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    THelpTopic& Item(int index) const { return *items_.at(index); }
    // By name, case-sensitive.
    void Sort();

private:
    std::vector<THelpTopic*> items_;
};

class THelpKeyword {
public:
    THelpKeyword(int id, std::string name) : id_(id), name_(std::move(name)) {}

    int Id() const { return id_; }
    const std::string& Name() const { return name_; }
    THelpTopics& Topics() { return topics_; }

private:
    int id_;
    std::string name_;
    THelpTopics topics_;
};

// The server's reference help as read back from the help folder's files: categories and their topics
// at once, keywords on first use.
class THelpManager {
public:
    explicit THelpManager(std::string folder);

    // Leaves the structure unloaded, without an error, when the files are missing or malformed.
    void Load();
    bool Loaded() const { return loaded_; }
    const std::string& Folder() const { return folder_; }
    const std::string& Version() const { return version_; }

    THelpCategory& Root() { return root_; }
    const THelpCategories& Categories() const { return categories_; }
    const THelpTopics& Topics() const { return topics_; }

    // Names compare ignoring case; null when absent.
    THelpCategory* FindCategory(std::string_view name) const;
    THelpCategory* FindCategory(int id) const;
    THelpTopic* FindTopic(std::string_view name) const;
    THelpTopic* FindTopic(int id) const;
    // These load the keywords first; a malformed keyword file raises "Cannot read help structure".
    THelpKeyword* FindKeyword(std::string_view name);
    THelpKeyword* FindKeyword(int id);
    int KeywordCount();
    THelpKeyword& Keyword(int index);

    // The topic's description and example, as written to its file.
    std::string TopicContent(const THelpTopic& topic) const;
    // Every topic whose name has the text as one of its blank-separated words, ignoring case.
    void Search(std::string_view text, THelpTopics& topics) const;

private:
    void LoadCategories(THelpCategory& parent, const std::vector<std::string>& lines);
    void LoadKeywords();

    std::string folder_;
    THelpCategory root_{nullptr, 0, {}};
    THelpCategories categories_;
    THelpTopics topics_;
    std::vector<std::unique_ptr<THelpKeyword>> keywords_;
    bool keywordsLoaded_ = false;
    bool loaded_ = false;
    std::string version_;
};

} // namespace app
