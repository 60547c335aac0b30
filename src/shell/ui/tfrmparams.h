#pragma once

#include "shell/ttdmparams.h"

#include <QDialog>
#include <QMap>

class QCheckBox;
class QComboBox;
class QTableWidget;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Shell {

// "Параметры": the server-side program parameters of scm_parametrs.
class TfrmParams : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmParams(Data::Database& db, QWidget* parent = nullptr);

    void accept() override;
    QComboBox* lookup(const QString& key) const { return m_lookups.value(key); }
    QCheckBox* flag(const QString& key) const { return m_flags.value(key); }
    // The other parameters (modules' own): name and value per row, edited in place.
    QTableWidget* others() const { return m_others; }
    void addOther();
    void removeOther();

private:
    QString lookupValue(const QString& key) const;

    TTDMParams m_module;
    QMap<QString, QComboBox*> m_lookups;
    QMap<QString, QCheckBox*> m_flags;
    QTableWidget* m_others = nullptr;
};

} // namespace Tarvo::Shell
