#include "catalog/selectionmarks.h"

#include "core/exception.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

void SelectionMarks::toggle(qint64 parId)
{
    if (m_marks.removeOne(parId))
        return;
    if (m_marks.size() >= Capacity)
        throw Exception(u"Можно отметить не более %1 записей."_s.arg(Capacity));
    m_marks.append(parId);
}

QString SelectionMarks::result() const
{
    QStringList r;
    for (qint64 m : m_marks)
        r << QString::number(m);
    return r.join(u',');
}

} // namespace Tarvo::Catalog
