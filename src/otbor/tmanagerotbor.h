#pragma once

#include "otbor/tvar.h"

namespace Tarvo::Otbor {

// Whose documents a register shows: the user's own or the user's department's.
class TManagerOtbor : public TVarActive
{
public:
    enum AllowedRows : quint8
    {
        OwnRows = 0,
        OwnDepartment = 1
    };
    using TVarActive::TVarActive;

    AllowedRows allowedRows() const { return m_rows; }
    void setAllowedRows(AllowedRows rows);
    QString description() const override;
    void saveValues(TVarValues& out) const override;
    bool loadValue(const QString& name, const QString& text) override;

private:
    AllowedRows m_rows = OwnRows;
};

} // namespace Tarvo::Otbor
