#pragma once

#include <QDate>
#include <QDialog>

class QCalendarWidget;

namespace Tarvo::BusOffer {

// "Выбор даты": a calendar on the given date; Enter chooses, Esc cancels.
class OfferEditorDateDialog : public QDialog
{
    Q_OBJECT
public:
    explicit OfferEditorDateDialog(const QDate& date, QWidget* parent = nullptr);

    QDate date() const;
    QCalendarWidget* calendar() const { return m_calendar; }

private:
    QCalendarWidget* m_calendar;
};

} // namespace Tarvo::BusOffer
