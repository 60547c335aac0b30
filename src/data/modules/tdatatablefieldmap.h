#pragma once

#include <QList>
#include <QString>

namespace Tarvo::Data {

class Database;
class TRowSet;
struct NotationObject;

// A column's caption; compared by physical name without regard to case.
class TFieldInfo
{
public:
    QString phisName;
    QString displayName;
    bool visible = false;
    int displayIndex = -1;
};

// A table of the caption dictionary: one of the eight known kinds by physical name.
class TableInfo
{
public:
    const QString& phisName() const { return m_phisName; }
    // Also applies the rule of older dictionaries (see markLegacyDisplayName).
    void setPhisName(const QString& name);
    // Empty for line tables.
    QString editName() const;
    void setEditName(const QString& name) { m_editName = name; }
    // The caption template with the edit name, trimmed.
    QString displayName() const;
    // 0..7 for the known tables, -1 for any other name.
    int kind() const;
    bool isLineTable() const;
    // Older dictionaries stored a caption on tables: a physical name assigned after it resets the edit name.
    void markLegacyDisplayName() { m_legacy = true; }

    QList<TFieldInfo> fields;
    TFieldInfo* findField(const QString& phisName);
    const TFieldInfo* findField(const QString& phisName) const;

private:
    QString m_phisName;
    QString m_editName;
    bool m_legacy = false;
};

// The captions users give to document columns, stored as the configuration blob "SCM_FLD_NAMES".
class TDataTableFieldMap
{
public:
    QList<TableInfo> tables;

    TableInfo* findTable(const QString& phisName);
    const TableInfo* findTable(const QString& phisName) const;
    // Adds the missing default tables and columns; existing entries keep their values.
    void mergeDefaults();
    // Sets the display labels of the row set's fields that have an entry.
    void applyCaptions(const QString& table, TRowSet& rowSet) const;

    // Throws Tarvo::Exception when the notation does not describe a dictionary.
    void read(const NotationObject& object);
    NotationObject toNotation() const;

    // The stored dictionary merged with the defaults; a missing or unreadable blob gives the defaults.
    static TDataTableFieldMap load(Database& db);
    void save(Database& db) const;

    // The process-wide dictionary, loaded from the main connection on first use.
    static TDataTableFieldMap& instance();
    static constexpr const char* BlobName = "SCM_FLD_NAMES";
};

} // namespace Tarvo::Data
