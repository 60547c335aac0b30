#pragma once

#include "AddIn/discoveraddins.h"
#include "AddIn/taddincollection.h"

#include <QDialog>

class QTreeWidget;
class QPushButton;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::AddIn {

// "Регистрация модулей расширения": every module the libraries offer, the registered ones, and
// the libraries that failed to load (listed apart with their reason, not addable).
class TfAddInConfig : public QDialog
{
    Q_OBJECT
public:
    explicit TfAddInConfig(Data::Database& db, QWidget* parent = nullptr);

    QTreeWidget* allModules() const { return m_all; }
    QTreeWidget* registered() const { return m_registered; }
    QTreeWidget* failures() const { return m_failures; }
    void addSelected();
    void removeSelected();
    void accept() override;

    // Two names are the same without regard to case (Cyrillic too).
    static bool sameName(const QString& a, const QString& b);

private:
    void fill();

    Data::Database& m_db;
    TAddInCollection m_discovered;
    TAddInCollection m_stored;
    QList<AddInLoadFailure> m_failed;
    QTreeWidget* m_all;
    QTreeWidget* m_registered;
    QTreeWidget* m_failures;
};

} // namespace Tarvo::AddIn
