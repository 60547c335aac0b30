#include "data/modules/tdeffereddatamodule.h"

#include "data/engine/database.h"

#include <chrono>

namespace Tarvo::Data {

namespace {

std::function<void(const QString&)>& presenter()
{
    static std::function<void(const QString&)> p;
    return p;
}

std::function<void()>& cursorReset()
{
    static std::function<void()> r;
    return r;
}

int tickCount()
{
    // Milliseconds of the monotonic clock, wrapped to 31 bits like a 32-bit tick counter.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return int(ms.count() & 0x7fffffff);
}

} // namespace

TDefferedDataModule::TDefferedDataModule(Database* db, QObject* parent)
    : QObject(parent), m_db(db), m_tempId(tickCount())
{}

void TDefferedDataModule::setSaveErrorPresenter(std::function<void(const QString&)> p)
{
    presenter() = std::move(p);
}

void TDefferedDataModule::setCursorReset(std::function<void()> reset)
{
    cursorReset() = std::move(reset);
}

Database& TDefferedDataModule::database() const
{
    Database* db = m_db ? m_db : Database::main();
    if (!db)
        throw Exception(QStringLiteral("Нет соединения с базой данных"));
    return *db;
}

bool TDefferedDataModule::modified()
{
    if (!m_modified)
        postEdits();
    return m_modified;
}

void TDefferedDataModule::setModified(bool value)
{
    if (value == m_modified)
        return;
    m_modified = value;
    emit modifiedChanged(this, value);
}

void TDefferedDataModule::refreshIfPending()
{
    if (!m_refreshPending)
        return;
    refreshAfterSave();
    m_refreshPending = false;
}

bool TDefferedDataModule::save()
{
    refreshIfPending();
    if (!modified())
        return false;
    Database& db = database();
    db.beginTransaction();
    try {
        m_saveTime = QDateTime::currentDateTime();
        postEdits();
        writeChanges();
        // Committed before the in-memory changes are accepted, so that a refused commit
        // still leaves the document's pending changes for the next attempt.
        db.commit();
    } catch (const EDDMSaveError& e) {
        if (cursorReset())
            cursorReset()();
        if (db.inTransaction())
            db.rollback();
        if (presenter())
            presenter()(e.message());
        throw Abort();
    } catch (...) {
        if (cursorReset())
            cursorReset()();
        if (db.inTransaction())
            db.rollback();
        throw;
    }
    // The data is on the server now: the changes are accepted whatever follows, and a failing
    // re-read must not read as a failed save.
    acceptChanges();
    try {
        refreshAfterSave();
    } catch (const Abort&) {
        m_refreshPending = true;
        throw;
    } catch (const Exception& e) {
        m_refreshPending = true;
        if (cursorReset())
            cursorReset()();
        throw Exception(QStringLiteral("Данные сохранены, но документ не удалось перечитать: %1\n"
                                       "Он будет перечитан при следующем открытии.")
                            .arg(e.message()));
    }
    return true;
}

} // namespace Tarvo::Data
