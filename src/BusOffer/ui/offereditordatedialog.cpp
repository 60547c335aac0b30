#include "BusOffer/ui/offereditordatedialog.h"

#include "widgets/dialogbuttons.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace Tarvo::BusOffer {

OfferEditorDateDialog::OfferEditorDateDialog(const QDate& date, QWidget* parent)
    : QDialog(parent), m_calendar(new QCalendarWidget(this))
{
    setObjectName(QStringLiteral("OfferEditorDateDialog"));
    setWindowTitle(QStringLiteral("Выбор даты"));
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setAccessibleName(QStringLiteral("Дата"));
    m_calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_calendar->setSelectedDate(date.isValid() ? date : QDate::currentDate());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_calendar);
    Widgets::DialogButtons buttons(this, QStringLiteral("Выбрать"), QStringLiteral("Отмена"));
    layout->addWidget(buttons.box());
    // A double click on a day chooses it.
    connect(m_calendar, &QCalendarWidget::activated, this, &QDialog::accept);
    m_calendar->setFocus();
}

QDate OfferEditorDateDialog::date() const
{
    return m_calendar->selectedDate();
}

} // namespace Tarvo::BusOffer
