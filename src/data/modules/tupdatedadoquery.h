#pragma once

#include "data/rowset/trowset.h"

#include <QHash>
#include <QStringList>
#include <memory>

namespace Tarvo::Data {

class Database;
class Query;

// A query read once into an in-memory row set whose edits stay in memory: each post or
// delete is accepted at once. Descendants write to the server by overriding internalPost /
// internalDelete and calling the base after their statement.
class TUpdatedADOQuery : public TRowSet
{
public:
    explicit TUpdatedADOQuery(Database* db = nullptr);
    ~TUpdatedADOQuery() override;

    Database* database() const { return m_db; }
    void setDatabase(Database* db) { m_db = db; }

    // The statement, with ":NAME" parameters.
    const QStringList& sql() const { return m_sql; }
    void setSql(const QStringList& lines) { m_sql = lines; }
    void setSql(const QString& text) { m_sql = text.split(QLatin1Char('\n')); }
    void setParameter(const QString& name, const QVariant& value) { m_params.insert(name.toLower(), value); }
    QVariant parameter(const QString& name) const { return m_params.value(name.toLower()); }
    bool hasParameters() const { return !m_params.isEmpty(); }
    // A parameter set on the dataset or named in its SQL text.
    bool hasParameter(const QString& name) const;

    // A detail dataset: re-read whenever the master moves, is reloaded, emptied or closed, with the
    // master fields copied into the parameters of the same names. A master destroyed first unlinks it.
    void setDataSource(TRowSet* master, const QStringList& masterFields);
    TRowSet* dataSource() const { return m_master; }

    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool on)
    {
        m_readOnly = on;
        updateCloneWrites();
    }
    bool canModify() const override { return m_active && !m_readOnly; }

    bool isActive() const { return m_active; }
    void open();
    void close();
    void setActive(bool on) { on ? open() : close(); }
    // A server result to open on instead of reading; consumed by the next open.
    void assignRecordSet(std::unique_ptr<Query> query);
    virtual void refresh();
    // Re-reads for the master's current row (no rows while the master is closed).
    void masterChanged();

protected:
    // Produces the server result; the default runs the SQL text with the parameters.
    virtual std::unique_ptr<Query> createRecordSet();
    void internalPost() override;
    void internalDelete() override;
    void followMaster(TRowSet& master) override;
    void masterDestroyed(TRowSet& master) override;
    void reopen();
    // Clones may write only where their changes reach the server through this dataset.
    virtual void updateCloneWrites() { setCloneWrites(false); }

private:
    Database* m_db;
    QStringList m_sql;
    QHash<QString, QVariant> m_params;
    std::unique_ptr<Query> m_assigned;
    TRowSet* m_master = nullptr;
    QStringList m_masterFields;
    bool m_readOnly = false;
    bool m_active = false;
};

} // namespace Tarvo::Data
