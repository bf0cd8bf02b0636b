// What a record set knows of the tables its columns come from, and the server's quoting rules.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dataaccess {

class TCRTableInfo;
class TCRTablesInfo;

// The class-level side of a table-info class: the identifier quoting rules of its server and the
// constructor of its entries. Each table-info class has one instance of its own.
class TTableInfoClass {
public:
    virtual ~TTableInfoClass() = default;

    virtual std::unique_ptr<TCRTableInfo> Create(TCRTablesInfo* owner) const;
    // `NormalizeNameWith` with this class's quotes.
    virtual std::string NormalizeName(std::string_view name, bool alwaysQuote) const;
    // Each part of a qualified name separately; a part is quoted when forced or when it needs
    // quotes (the closing quote doubled inside), and otherwise left unquoted.
    virtual std::string NormalizeNameWith(std::string_view name, char leftQuote, char rightQuote,
                                          bool alwaysQuote) const;
    virtual char LeftQuote() const { return '"'; }
    virtual char RightQuote() const { return '"'; }
    // Longer than one character, enclosed in LeftQuote and RightQuote.
    virtual bool IsQuoted(std::string_view name) const;
    // After unquoting, some character is not a letter A-Z or a-z, a digit or "_".
    virtual bool QuotesNeeded(std::string_view name) const;
    // A quoted name loses its first and last characters.
    std::string UnquoteName(std::string_view name) const;
};

// One table a result's fields come from.
class TCRTableInfo {
public:
    explicit TCRTableInfo(TCRTablesInfo* owner) : owner_(owner) {}
    virtual ~TCRTableInfo() = default;
    TCRTableInfo(const TCRTableInfo&) = delete;
    TCRTableInfo& operator=(const TCRTableInfo&) = delete;

    static const TTableInfoClass& Class();
    virtual const TTableInfoClass& ClassType() const { return Class(); }

    virtual std::string GetTableNameFull() const { return tableName_; }
    virtual void SetTableNameFull(const std::string&) {}

    TCRTablesInfo* Owner() const { return owner_; }
    // The position in the owner; -1 until added.
    int Index() const { return index_; }
    void SetIndex(int index) { index_ = index; }
    const std::string& TableName() const { return tableName_; }
    // Stores the name; the owner rebuilds its name index.
    void SetTableName(const std::string& value);
    const std::string& TableAlias() const { return tableAlias_; }
    // Stores the alias; the owner rebuilds its alias index.
    void SetTableAlias(const std::string& value);
    // Set by the server record set for an entry made from an aliased result table.
    uint8_t Flag() const { return flag_; }
    void SetFlag(uint8_t value) { flag_ = value; }

private:
    TCRTablesInfo* owner_;
    int index_ = -1;
    std::string tableName_;
    std::string tableAlias_;
    uint8_t flag_ = 0;
};

// The tables of a result, with case-insensitive indexes by name and by alias.
class TCRTablesInfo {
public:
    explicit TCRTablesInfo(const TTableInfoClass& tableInfoClass) : tableInfoClass_(&tableInfoClass) {}
    TCRTablesInfo(const TCRTablesInfo&) = delete;
    TCRTablesInfo& operator=(const TCRTablesInfo&) = delete;
    virtual ~TCRTablesInfo() = default;

    const TTableInfoClass& TableInfoClass() const { return *tableInfoClass_; }

    // Takes ownership; the entry's index becomes its position.
    void Add(std::unique_ptr<TCRTableInfo> item);
    // A new entry of the table-info class, added.
    TCRTableInfo* NewItem();
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises "List index out of bounds (%d)".
    TCRTableInfo* Items(int index) const;
    // By identity; -1 when absent.
    int IndexOf(const TCRTableInfo* item) const;
    // Case-insensitive; -1 when absent.
    int IndexByName(std::string_view name) const;
    int IndexByAlias(std::string_view alias) const;
    // Inside an update the indexes are not rebuilt and lookups scan the entries.
    virtual void BeginUpdate() { ++updateCount_; }
    // Rebuilds both indexes.
    virtual void EndUpdate();
    // Every name, alias and full name through the class's NormalizeName without forced quotes;
    // lookups then normalize their argument the same way.
    void NormalizeNames();

    void RebuildNameIndex();
    void RebuildAliasIndex();

private:
    using TIndex = std::vector<std::pair<std::string, int>>;

    static void RebuildIndex(TIndex& index, TIndex entries);
    int Lookup(const TIndex& index, std::string_view key, bool byAlias) const;

    std::vector<std::unique_ptr<TCRTableInfo>> items_;
    int updateCount_ = 0;
    const TTableInfoClass* tableInfoClass_;
    TIndex nameIndex_;
    TIndex aliasIndex_;
    bool namesNormalized_ = false;
};

} // namespace dataaccess
