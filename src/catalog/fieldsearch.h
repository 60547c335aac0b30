#pragma once

#include <QString>

namespace Tarvo::Data {
class TRowSet;
}

namespace Tarvo::Catalog {

// The field search of the lists: finds the next row whose field matches the entry, comparing
// by the field's type (text without regard to case, from the start or anywhere in it).
class FieldSearch
{
public:
    enum class Kind
    {
        Text,
        Integer,
        Float,
        Money,
        Date,
    };

    // Throws the warning "Не могу определить тип поля <name>." for a field of another type.
    FieldSearch(Data::TRowSet& rowSet, const QString& field);

    Kind kind() const { return m_kind; }
    // Parses the entry; throws "Необходимо ввести число." / "Необходимо ввести дату.".
    void setEntry(const QString& entry);
    void setForward(bool forward) { m_forward = forward; }
    void setFromStart(bool fromStart) { m_fromStart = fromStart; }

    // "Поиск": from the current row; "След. поиск": after the last hit. True positions the
    // row set on the hit; false leaves it where it was.
    bool find();
    bool findNext();

    static const QString NeedNumber;
    static const QString NeedDate;

private:
    bool search(int from);
    bool matches(int row) const;

    Data::TRowSet& m_rowSet;
    int m_field;
    Kind m_kind = Kind::Text;
    QString m_text;
    double m_number = 0;
    qint64 m_raw = 0;
    qint64 m_dayNumber = 0;
    bool m_forward = true;
    bool m_fromStart = false;
    int m_lastHit = -1;
};

} // namespace Tarvo::Catalog
