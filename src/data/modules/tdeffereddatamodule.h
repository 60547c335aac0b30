#pragma once

#include "core/exception.h"

#include <QDateTime>
#include <QObject>
#include <functional>

namespace Tarvo::Data {

class Database;

// A document that must not be saved as it is; the user sees the message and the save ends silently.
class EDDMSaveError : public Exception
{
public:
    using Exception::Exception;
};

// The base of the document modules that edit a document in memory and write it in one
// transaction. Concrete modules own their row sets and supply the four steps.
class TDefferedDataModule : public QObject
{
    Q_OBJECT
public:
    // `db` null means the process-wide main connection.
    explicit TDefferedDataModule(Database* db = nullptr, QObject* parent = nullptr);

    // A provisional key for new rows, unique within the module.
    int nextTempId()
    {
        const int id = m_tempId;
        m_tempId = int(unsigned(m_tempId) + 1u);
        return id;
    }
    QDateTime saveTime() const { return m_saveTime; }

    // Posts open edits first when nothing is known to be changed yet.
    bool modified();
    void setModified(bool value);

    // False when there was nothing to save. An EDDMSaveError is shown and ends in Tarvo::Abort;
    // any other failure is passed on. Both roll back and leave the pending changes in place.
    // A failure after the commit (re-reading the header) says that the data was saved; the
    // re-read is then owed (refreshPending) and done by refreshIfPending or the next save.
    bool save();
    bool refreshPending() const { return m_refreshPending; }
    // Editors call this when they show the document again.
    void refreshIfPending();

    // Shows an EDDMSaveError's message (a box with a single Cancel button in the application).
    static void setSaveErrorPresenter(std::function<void(const QString&)> presenter);
    // Puts the busy cursor back to normal after a failed save.
    static void setCursorReset(std::function<void()> reset);

signals:
    void modifiedChanged(Tarvo::Data::TDefferedDataModule* sender, bool modified);

protected:
    virtual void postEdits() = 0;
    virtual void refreshAfterSave() = 0;
    virtual void writeChanges() = 0;
    // Concrete modules accept their row sets' pending changes, then call this.
    virtual void acceptChanges() { setModified(false); }

    Database& database() const;

private:
    Database* m_db;
    int m_tempId;
    QDateTime m_saveTime;
    bool m_modified = false;
    bool m_refreshPending = false;
};

} // namespace Tarvo::Data
