#pragma once

#include "catalog/ui/tbookeditor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Справочник этапов": the stage texts (`scm_phrases` of catalog 1).
class TedPhrases : public TBookEditor
{
    Q_OBJECT
public:
    explicit TedPhrases(Data::Database& db, QWidget* parent = nullptr);
};

} // namespace Tarvo::Catalog
