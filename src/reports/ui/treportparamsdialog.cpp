#include "reports/ui/treportparamsdialog.h"

#include "core/exception.h"
#include "data/engine/money.h"
#include "data/rowset/trowsetmodel.h"
#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

using Type = ReportTemplate::ParamType;

TReportParamsDialog::TReportParamsDialog(const ReportTemplate::Dialog& page, const QVariantMap& current,
                                         QWidget* parent)
    : QDialog(parent), m_page(page)
{
    setObjectName(u"TReportParamsDialog"_s);
    setWindowTitle(page.title.isEmpty() ? u"Параметры отчета"_s : page.title);
    auto* form = new QFormLayout(this);
    for (const ReportTemplate::Parameter& p : page.parameters) {
        const QVariant given = current.value(p.name);
        const QString start = given.isValid() ? given.toString() : p.defaultValue;
        QWidget* field = nullptr;
        switch (p.type) {
        case Type::Integer: {
            auto* s = new QSpinBox;
            s->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
            s->setValue(start.toInt());
            field = s;
            break;
        }
        case Type::Date: {
            auto* d = new QDateEdit;
            d->setCalendarPopup(true);
            d->setDisplayFormat(u"dd.MM.yyyy"_s);
            QDate day = given.isValid() ? given.toDate() : QDate::fromString(p.defaultValue, u"dd.MM.yyyy"_s);
            if (!day.isValid())
                day = QDate::currentDate();
            d->setDate(day);
            field = d;
            break;
        }
        case Type::YesNo: {
            auto* c = new QCheckBox;
            c->setChecked(given.isValid() ? given.toBool() : (p.defaultValue == u"yes"_s || p.defaultValue == u"1"_s));
            field = c;
            break;
        }
        default: {
            auto* e = new QLineEdit(start);
            field = e;
        }
        }
        field->setObjectName(u"param_"_s + p.name);
        field->setAccessibleName(p.caption);
        form->addRow(p.caption, field);
        m_fields << field;
    }
    Widgets::DialogButtons buttons(this, u"ОК"_s, u"Отмена"_s, false);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, &TReportParamsDialog::acceptIfValid);
    form->addRow(buttons.box());
}

QVariantMap TReportParamsDialog::values() const
{
    QVariantMap out;
    for (int i = 0; i < m_page.parameters.size(); ++i) {
        const ReportTemplate::Parameter& p = m_page.parameters[i];
        QWidget* w = m_fields[i];
        switch (p.type) {
        case Type::Integer:
            out.insert(p.name, static_cast<QSpinBox*>(w)->value());
            break;
        case Type::Date:
            out.insert(p.name, QDateTime(static_cast<QDateEdit*>(w)->date(), QTime(0, 0)));
            break;
        case Type::YesNo:
            out.insert(p.name, static_cast<QCheckBox*>(w)->isChecked() ? 1 : 0);
            break;
        case Type::Money: {
            const QVariant v = Data::TRowSetModel::typedValue(Data::FieldType::Money,
                                                              static_cast<QLineEdit*>(w)->text());
            out.insert(p.name, v);
            break;
        }
        case Type::Text:
            out.insert(p.name, static_cast<QLineEdit*>(w)->text());
            break;
        }
    }
    return out;
}

void TReportParamsDialog::acceptIfValid()
{
    try {
        values();
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
        return;
    }
    accept();
}

void TReportParamsDialog::ask(const QList<ReportTemplate::Dialog>& pages, QVariantMap& variables, QWidget* parent)
{
    for (const ReportTemplate::Dialog& page : pages) {
        TReportParamsDialog d(page, variables, parent);
        if (d.exec() != QDialog::Accepted)
            throw Abort();
        const QVariantMap v = d.values();
        for (auto it = v.begin(); it != v.end(); ++it)
            variables.insert(it.key(), it.value());
    }
}

} // namespace Tarvo::Reports
