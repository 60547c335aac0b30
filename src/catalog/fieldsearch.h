#pragma once

#include <QString>
#include <functional>

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

    // The same a batch at a time, for windows that keep the event loop turning: start one of
    // them, then call step() (once per turn) until it says Found or NotFound. Each step looks
    // through the rows read; one that finds nothing there reads the next batch of a list read in
    // batches on the following step. The row set moves only on a hit.
    enum class Step
    {
        Found,
        NotFound,
        Reading,
    };
    void startFind();
    void startFindNext();
    void start(int from);
    Step step();
    // How the next batch is read (a grid's model reads it so that its views keep their place);
    // the row set's own fetchMore unless set.
    void setBatchReader(std::function<void()> read) { m_readBatch = std::move(read); }

    static const QString NeedNumber;
    static const QString NeedDate;

private:
    bool search(int from);
    void readBatch();
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
    int m_next = 0;
    bool m_stepping = false;
    bool m_readFirst = false;
    std::function<void()> m_readBatch;
};

} // namespace Tarvo::Catalog
