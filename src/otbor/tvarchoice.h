#pragma once

#include "otbor/tvar.h"

namespace Tarvo::Otbor {

// A condition that holds one of a few numbered choices, saved under one name.
class TVarChoice : public TVarActive
{
public:
    void saveValues(TVarValues& out) const override;
    bool loadValue(const QString& name, const QString& text) override;

protected:
    // `name` is the saved value's name; choices run from 0 to `last`.
    TVarChoice(const QUuid& guid, QString name, int last)
        : TVarActive(guid), m_name(std::move(name)), m_last(last)
    {}
    int choice() const { return m_choice; }
    void setChoice(int choice);

private:
    QString m_name;
    int m_last;
    int m_choice = 0;
};

} // namespace Tarvo::Otbor
