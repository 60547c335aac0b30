#pragma once

#include "catalog/ui/tbookeditor.h"

#include <QStringList>

class QMenu;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Назначения товаров": the product purposes. Its pop-up menu opens the values of each
// additional attribute (captions from "allsclad.ini") when the database has the values table.
class TedNaznTov : public TBookEditor
{
    Q_OBJECT
public:
    explicit TedNaznTov(Data::Database& db, QWidget* parent = nullptr);

    QMenu* attributeMenu() const { return m_menu; }
    const QStringList& captions() const { return m_captions; }
    // Opens the values of attribute `number` for the current purpose.
    void openValues(int number);

private:
    Data::Database& m_db;
    QStringList m_captions;
    QMenu* m_menu;
};

} // namespace Tarvo::Catalog
