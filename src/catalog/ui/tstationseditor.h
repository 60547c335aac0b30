#pragma once

#include "catalog/ui/tbookeditor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Станции отправления": the departure stations, by name.
class TStationsEditor : public TBookEditor
{
    Q_OBJECT
public:
    explicit TStationsEditor(Data::Database& db, QWidget* parent = nullptr);
};

} // namespace Tarvo::Catalog
