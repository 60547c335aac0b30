#pragma once

#include "registers/keyrangelist.h"

namespace Tarvo::Proformas {

// The register's proformas, read in key-range batches; nothing is edited in the grid, a
// proforma is deleted by its command only.
class ProformaList : public Registers::KeyRangeList
{
public:
    explicit ProformaList(Data::Database& db);

    qint64 currentProforma() const { return currentKey(); }

protected:
    Data::TQueryNodesPtr listStatement(const Registers::KeyRange& range) const override;
    Data::TQueryNodesPtr batchEndStatement(const QVariant& after, int proformas) const override;
    void prepareFields() override;
};

} // namespace Tarvo::Proformas
