#include "data/modules/tupdatedadoquery.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "core/exception.h"

namespace Tarvo::Data {

TUpdatedADOQuery::TUpdatedADOQuery(Database* db) : m_db(db)
{
    setCloneWrites(false);
}

TUpdatedADOQuery::~TUpdatedADOQuery()
{
    if (m_master)
        m_master->removeFollower(this);
}

void TUpdatedADOQuery::setDataSource(TRowSet* master, const QStringList& masterFields)
{
    if (m_master)
        m_master->removeFollower(this);
    m_master = master;
    m_masterFields = masterFields;
    if (m_master)
        m_master->addFollower(this);
}

void TUpdatedADOQuery::followMaster(TRowSet& master)
{
    TRowSet::followMaster(master);
    if (&master == m_master)
        masterChanged();
}

void TUpdatedADOQuery::masterDestroyed(TRowSet& master)
{
    if (&master == m_master)
        m_master = nullptr;
    TRowSet::masterDestroyed(master);
}

bool TUpdatedADOQuery::hasParameter(const QString& name) const
{
    if (m_params.contains(name.toLower()))
        return true;
    QStringList names;
    Query::toPositional(m_sql.join(QLatin1Char('\n')), &names);
    return names.contains(name, Qt::CaseInsensitive);
}

std::unique_ptr<Query> TUpdatedADOQuery::createRecordSet()
{
    if (!m_db)
        throw Exception(QStringLiteral("Нет соединения с базой данных"));
    auto q = std::make_unique<Query>(*m_db, m_sql.join(QLatin1Char('\n')));
    for (const QString& name : q->parameterNames())
        q->bind(name, m_params.value(name.toLower()));
    // Not run here: the row set runs it and reads the rows straight from the engine.
    return q;
}

void TUpdatedADOQuery::assignRecordSet(std::unique_ptr<Query> query)
{
    m_assigned = std::move(query);
}

void TUpdatedADOQuery::reopen()
{
    std::unique_ptr<Query> q = m_assigned ? std::move(m_assigned) : createRecordSet();
    loadFrom(*q);
}

void TUpdatedADOQuery::open()
{
    if (m_active)
        return;
    // Active while reading, so that the details told of the new rows follow them.
    m_active = true;
    try {
        reopen();
    } catch (...) {
        m_active = false;
        throw;
    }
    first();
    notifyChanged();
}

void TUpdatedADOQuery::close()
{
    if (!m_active)
        return;
    cancel();
    m_active = false;
    clearRows(); // tells the details, which see this set closed
}

void TUpdatedADOQuery::refresh()
{
    if (!m_active)
        return;
    checkBrowseMode();
    reopen();
    notifyChanged();
}

void TUpdatedADOQuery::masterChanged()
{
    if (!m_active || !m_master)
        return;
    checkBrowseMode();
    const auto* masterQuery = dynamic_cast<const TUpdatedADOQuery*>(m_master);
    if (masterQuery ? !masterQuery->isActive() : m_master->fieldCount() == 0) {
        // Nothing to follow: no rows of a previous document stay behind.
        clearRows();
        return;
    }
    // Master fields go into the dataset's parameters of the same name, however they were made
    // (SQL text or set for a CreateRecordSetProc); others are not made up.
    for (const QString& f : m_masterFields)
        if (hasParameter(f))
            setParameter(f, m_master->value(f));
    reopen();
    first();
    notifyChanged();
}

void TUpdatedADOQuery::internalPost()
{
    TRowSet::internalPost();
    acceptAll();
}

void TUpdatedADOQuery::internalDelete()
{
    TRowSet::internalDelete();
    acceptAll();
}

} // namespace Tarvo::Data
