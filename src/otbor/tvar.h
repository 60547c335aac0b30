#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QUuid>

namespace Tarvo::Otbor {

class TVarList;

// Name-value pairs a variable saves ("IntervalType" -> "1").
using TVarValues = QList<QPair<QString, QString>>;

// A filter variable. It belongs to one or more lists and is destroyed by the
// list it leaves last. Only active variables restrict rows or are described.
class TVar
{
public:
    TVar() = default;
    TVar(const TVar&) = delete;
    TVar& operator=(const TVar&) = delete;
    virtual ~TVar();

    // Bracket every list the variable belongs to.
    virtual void beginUpdate();
    virtual void endUpdate();
    virtual QString description() const { return {}; }
    virtual void setActive(bool active);
    virtual QUuid guid() const { return {}; }
    virtual void saveValues(TVarValues& out) const { Q_UNUSED(out); }
    // One saved pair; a name the variable does not save is ignored. False when the text
    // is no valid value (nothing is changed then).
    virtual bool loadValue(const QString& name, const QString& text);

    bool active() const { return m_active; }
    const QList<TVarList*>& lists() const { return m_lists; }

protected:
    // A value changed: the lists hear of it only while the variable is active.
    void changed();

private:
    friend class TVarList;
    void notifyLists();

    bool m_active = false;
    QList<TVarList*> m_lists;
};

// A variable that a list can find by its GUID.
class TVarActive : public TVar
{
public:
    explicit TVarActive(const QUuid& guid) : m_guid(guid) {}
    QUuid guid() const override { return m_guid; }

private:
    QUuid m_guid;
};

// Reading the saved texts: false when the text is not a whole number in [low, high].
bool parseSmall(const QString& text, int low, int high, int* out);

} // namespace Tarvo::Otbor
