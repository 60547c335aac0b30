#pragma once

#include "registers/keyrangelist.h"

#include <functional>

namespace Tarvo::Payments {

// The payments of the list, read in key-range batches. Only the numbers are typed in the grid;
// a post writes the columns the user changed (and the time), never what another user or the
// export wrote meanwhile.
class PaymentList : public Registers::KeyRangeList
{
public:
    explicit PaymentList(Data::Database& db);

    qint64 currentPayment() const { return currentKey(); }
    static const QStringList& editableColumns();
    // After each write of a row (the window tells the other lists).
    void setOnWritten(std::function<void()> written) { m_onWritten = std::move(written); }

protected:
    Data::TQueryNodesPtr listStatement(const Registers::KeyRange& range) const override;
    Data::TQueryNodesPtr batchEndStatement(const QVariant& after, int payments) const override;
    void prepareFields() override;

private:
    void writeEdited();

    std::function<void()> m_onWritten;
};

} // namespace Tarvo::Payments
