#include "data/modules/tquerynodes.h"

#include "data/engine/database.h"

namespace Tarvo::Data {

TQueryBlockListPtr TTableNode::newConditionGroup()
{
    auto group = std::make_shared<TQueryBlockList>();
    m_groups.push_back(group);
    return group;
}

QString TTableNode::qualify(const QString& column) const
{
    return m_alias.isEmpty() ? column : m_alias + QLatin1Char('.') + column;
}

void TTableNode::renderJoin(ACommandBuilder& out)
{
    if (!m_join.isEmpty())
        out.writeText(m_join);
}

void TTableNode::renderOn(ACommandBuilder& out)
{
    if (!m_on.isEmpty())
        out.writeText(m_on);
}

void TTableNode::render(ACommandBuilder& out, TQueryNodes&)
{
    renderJoin(out);
    out.writeText(QStringLiteral("%1 %2 ").arg(m_tableName, m_alias));
    renderOn(out);
}

TQueryNodes::TQueryNodes(const QString& selectText, const QString& mainTable, const QString& mainAlias)
    : TTableNode(QString(), QString())
{
    m_blocks.push_back(std::make_shared<TTextBlock>(selectText));
    auto main = std::make_shared<TTableNode>(mainTable, mainAlias);
    m_blocks.push_back(main);
    m_tables.push_back(main);
}

void TQueryNodes::ensureWhereMarker()
{
    if (m_wherePos >= 0)
        return;
    m_blocks.push_back(std::make_shared<TWhereMarker>());
    m_wherePos = int(m_blocks.size()) - 1;
}

void TQueryNodes::addJoin(const QString& keyword, TTableNodePtr node, const QString& onText)
{
    node->setJoin(keyword, onText);
    m_tables.push_back(node);
    if (m_wherePos >= 0) {
        m_blocks.insert(m_blocks.begin() + m_wherePos, std::move(node));
        ++m_wherePos;
    } else {
        m_blocks.push_back(std::move(node));
        ensureWhereMarker();
    }
}

void TQueryNodes::addTail(const QString& text)
{
    ensureWhereMarker();
    m_blocks.push_back(std::make_shared<TTextBlockWithFlushJoin>(text));
}

TTableNodePtr TQueryNodes::findNode(const QString& name) const
{
    for (const TTableNodePtr& n : m_tables)
        if (n->name().compare(name, Qt::CaseInsensitive) == 0)
            return n;
    return nullptr;
}

void TQueryNodes::flushWhere(ACommandBuilder& out)
{
    if (m_whereWritten)
        return;
    m_whereWritten = true;
    bool first = true;
    auto write = [&](const std::vector<TQueryBlockListPtr>& groups) {
        for (const TQueryBlockListPtr& group : groups) {
            // An empty group restricts nothing (and would leave a bare WHERE or AND).
            if (group->isEmpty())
                continue;
            out.writeText(first ? QStringLiteral(" WHERE ") : QStringLiteral(" AND "));
            first = false;
            group->render(out, *this);
            out.writeText(QStringLiteral("\n"));
        }
    };
    // Groups on the statement itself are its own conditions; as a derived table they belong
    // to the outer statement, which writes them with its other nodes.
    if (m_renderingAsTop)
        write(m_groups);
    for (const TTableNodePtr& node : m_tables)
        write(node->conditionGroups());
}

void TQueryNodes::renderBlocks(ACommandBuilder& out)
{
    m_whereWritten = false;
    for (const TDataBlockPtr& b : m_blocks)
        b->render(out, *this);
    // A statement without joins or tail has no marker; its conditions still belong to it.
    flushWhere(out);
}

void TQueryNodes::render(ACommandBuilder& out)
{
    m_renderingAsTop = true;
    renderBlocks(out);
}

void TQueryNodes::render(ACommandBuilder& out, TQueryNodes&)
{
    m_renderingAsTop = false;
    renderJoin(out);
    out.writeText(QStringLiteral(" ( "));
    renderBlocks(out);
    out.writeText(QStringLiteral(" ) %1 ").arg(m_alias));
    renderOn(out);
}

void TQueryCommandBuilder::addParameter(const QVariant& value, const QString& name, int size, ParamType type)
{
    Param p;
    p.name = name;
    p.type = type;
    p.size = size;
    p.value = value;
    m_params << p;
}

std::unique_ptr<Query> TQueryCommandBuilder::toQuery(Database& db) const
{
    auto q = std::make_unique<Query>(db, m_sql);
    for (int i = 0; i < m_params.size(); ++i)
        q->bindAt(i, m_params[i].value, m_params[i].type, m_params[i].size);
    return q;
}

TQueryCommandBuilder TQueryCommandBuilder::render(TQueryNodes& statement)
{
    TQueryCommandBuilder b;
    statement.render(b);
    return b;
}

namespace CommandBuilder {

TQueryNodesPtr newStatement(const QString& selectText, const QString& mainTable, const QString& mainAlias)
{
    return std::make_shared<TQueryNodes>(selectText, mainTable, mainAlias);
}

TTableNodePtr newTableNode(const QString& tableName, const QString& alias)
{
    return std::make_shared<TTableNode>(tableName, alias);
}

void addJoin(TQueryNodes& statement, const QString& keyword, const TTableNodePtr& node, const QString& onText)
{
    statement.addJoin(keyword, node, onText);
}

void addTail(TQueryNodes& statement, const QString& text)
{
    statement.addTail(text);
}

TTableNodePtr findNode(const TQueryNodes& statement, const QString& name)
{
    return statement.findNode(name);
}

QString qualify(const TTableNode& node, const QString& column)
{
    return node.qualify(column);
}

TQueryBlockListPtr newConditionGroup(TTableNode& node)
{
    return node.newConditionGroup();
}

void addText(TQueryBlockList& group, const QString& text)
{
    group.addText(text);
}

void addParameter(TQueryBlockList& group, const QVariant& value, int size, ParamType type)
{
    group.addParam(value, size, type);
}

std::unique_ptr<Query> command(Database& db, TQueryNodes& statement)
{
    return TQueryCommandBuilder::render(statement).toQuery(db);
}

std::unique_ptr<Query> open(Database& db, TQueryNodes& statement)
{
    auto q = command(db, statement);
    q->exec();
    return q;
}

} // namespace CommandBuilder

} // namespace Tarvo::Data
