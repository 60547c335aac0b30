#pragma once

#include "data/modules/tdatablock.h"

#include <QList>
#include <memory>
#include <vector>

namespace Tarvo::Data {

class Database;

// A table of a statement: join keyword, name and alias, ON text, and the
// condition groups that other code attached to it.
class TTableNode : public TDataBlock
{
public:
    TTableNode(QString tableName, QString alias)
        : m_tableName(std::move(tableName)), m_alias(std::move(alias))
    {}

    void render(ACommandBuilder& out, TQueryNodes& query) override;

    const QString& tableName() const { return m_tableName; }
    const QString& alias() const { return m_alias; }
    // The name the statement knows the table by.
    const QString& name() const { return m_alias.isEmpty() ? m_tableName : m_alias; }
    void setAlias(QString alias) { m_alias = std::move(alias); }
    void setJoin(QString keyword, QString onText)
    {
        m_join = std::move(keyword);
        m_on = std::move(onText);
    }

    TQueryBlockListPtr newConditionGroup();
    const std::vector<TQueryBlockListPtr>& conditionGroups() const { return m_groups; }
    // alias.column, or the column alone for a table without an alias.
    QString qualify(const QString& column) const;

protected:
    void renderJoin(ACommandBuilder& out);
    void renderOn(ACommandBuilder& out);

    QString m_tableName;
    QString m_alias;
    QString m_join;
    QString m_on;
    std::vector<TQueryBlockListPtr> m_groups;
};

using TTableNodePtr = std::shared_ptr<TTableNode>;

// A statement: its blocks in statement order, its table nodes, and the WHERE marker.
// As a node of another statement it is a derived table "( ... ) alias".
class TQueryNodes : public TTableNode
{
public:
    // selectText runs up to and including " from ".
    TQueryNodes(const QString& selectText, const QString& mainTable, const QString& mainAlias);

    void render(ACommandBuilder& out, TQueryNodes& outer) override;
    // Renders as the top statement.
    void render(ACommandBuilder& out);

    // Joins go before the WHERE marker; the marker is added when missing.
    void addJoin(const QString& keyword, TTableNodePtr node, const QString& onText);
    // A tail such as " order by bof_id " that follows the WHERE part.
    void addTail(const QString& text);
    // The first node whose alias (or name without alias) matches, ignoring case; nullptr when none.
    TTableNodePtr findNode(const QString& name) const;
    const TTableNodePtr& mainNode() const { return m_tables.front(); }
    const std::vector<TTableNodePtr>& tables() const { return m_tables; }

    // Writes the condition groups of every table node, once per rendering.
    void flushWhere(ACommandBuilder& out);

private:
    void ensureWhereMarker();
    void renderBlocks(ACommandBuilder& out);

    std::vector<TDataBlockPtr> m_blocks;
    std::vector<TTableNodePtr> m_tables;
    int m_wherePos = -1;
    bool m_whereWritten = false;
    bool m_renderingAsTop = true;
};

using TQueryNodesPtr = std::shared_ptr<TQueryNodes>;

// A rendered statement: text with "?" markers and its parameters in marker order.
class TQueryCommandBuilder : public ACommandBuilder
{
public:
    QString parameterMarker() const override { return QStringLiteral("?"); }
    void writeText(const QString& text) override { m_sql += text; }
    void addParameter(const QVariant& value, const QString& name, int size, ParamType type) override;

    const QString& sql() const { return m_sql; }
    const QList<Param>& params() const { return m_params; }
    // A prepared statement with the parameters bound, not yet run.
    std::unique_ptr<Query> toQuery(Database& db) const;

    static TQueryCommandBuilder render(TQueryNodes& statement);

private:
    QString m_sql;
    QList<Param> m_params;
};

// The builder's functions in the shape the register windows use them.
namespace CommandBuilder {
TQueryNodesPtr newStatement(const QString& selectText, const QString& mainTable,
                            const QString& mainAlias = {});
TTableNodePtr newTableNode(const QString& tableName, const QString& alias = {});
void addJoin(TQueryNodes& statement, const QString& keyword, const TTableNodePtr& node,
             const QString& onText);
void addTail(TQueryNodes& statement, const QString& text);
TTableNodePtr findNode(const TQueryNodes& statement, const QString& name);
QString qualify(const TTableNode& node, const QString& column);
TQueryBlockListPtr newConditionGroup(TTableNode& node);
void addText(TQueryBlockList& group, const QString& text);
void addParameter(TQueryBlockList& group, const QVariant& value, int size, ParamType type);
// Renders the statement and runs it.
std::unique_ptr<Query> open(Database& db, TQueryNodes& statement);
// Renders the statement without running it: a row set loading it runs it and reads the rows
// straight from the engine.
std::unique_ptr<Query> command(Database& db, TQueryNodes& statement);
} // namespace CommandBuilder

} // namespace Tarvo::Data
