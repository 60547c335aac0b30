#pragma once

#include "catalog/ui/tbookeditor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Группы эквивалентов": groups of interchangeable products (`crm_product_equivalent`).
// A group that products belong to cannot be deleted.
class TfProductEquivalents : public TBookEditor
{
    Q_OBJECT
public:
    explicit TfProductEquivalents(Data::Database& db, QWidget* parent = nullptr);
    static const QString InUse;
};

} // namespace Tarvo::Catalog
