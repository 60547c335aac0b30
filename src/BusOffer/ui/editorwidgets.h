#pragma once

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QVariant>

namespace Tarvo::BusOffer::EditorWidgets {

// The first date of a date edit stands for "no date" and shows blank (Delete clears to it).
inline const QDate NoDate(1900, 1, 1);

inline QDateEdit* dateEdit(QWidget* parent, const QString& name)
{
    auto* e = new QDateEdit(parent);
    e->setObjectName(name);
    e->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    e->setCalendarPopup(true);
    e->setMinimumDate(NoDate);
    e->setSpecialValueText(QStringLiteral(" "));
    return e;
}

inline QVariant dateValue(const QDateEdit* e)
{
    if (e->date() == NoDate)
        return QVariant(QMetaType::fromType<QDateTime>());
    return QDateTime(e->date(), QTime(0, 0));
}

inline void showDate(QDateEdit* e, const QVariant& v)
{
    const QDate d = v.toDateTime().date();
    e->setDate(d.isValid() ? d : NoDate);
}

// The item of a key (a null key finds the blank item), -1 when there is none.
inline int indexOfKey(const QComboBox* box, const QVariant& key)
{
    for (int i = 0; i < box->count(); ++i) {
        const QVariant k = box->itemData(i);
        if (k.isNull() && key.isNull())
            return i;
        if (!k.isNull() && !key.isNull() && k.toString() == key.toString())
            return i;
    }
    return -1;
}

} // namespace Tarvo::BusOffer::EditorWidgets
