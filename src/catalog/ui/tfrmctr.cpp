#include "catalog/ui/tfrmctr.h"

#include "catalog/currency/currencyrates.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "widgets/dialogbuttons.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TFrmCtr::TFrmCtr(Data::Database& db, const QString& code, const QDate& date, std::optional<double> previous,
                 QWidget* parent)
    : QDialog(parent), m_db(db), m_code(code), m_date(date)
{
    setWindowTitle(u"Добавление котировки"_s);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* codeEdit = new QLineEdit(code, this);
    codeEdit->setReadOnly(true);
    auto* dateEdit = new QLineEdit(date.toString(u"dd.MM.yyyy"_s), this);
    dateEdit->setReadOnly(true);
    m_rateEdit = new QLineEdit(this);
    if (previous)
        m_rateEdit->setText(CurrencyRates::rateText(*previous));
    const auto row = [this, form](const QString& text, QWidget* w) {
        auto* l = new QLabel(text, this);
        l->setBuddy(w);
        form->addRow(l, w);
    };
    row(u"Код Валюты"_s, codeEdit);
    row(u"&Дата"_s, dateEdit);
    row(u"&Котировка"_s, m_rateEdit);
    layout->addLayout(form);
    Widgets::DialogButtons buttons(this, u"OK"_s, u"Отмена"_s);
    layout->addWidget(buttons.box());
    m_rateEdit->setFocus();
    m_rateEdit->selectAll();
}

void TFrmCtr::accept()
{
    QString t = m_rateEdit->text().trimmed();
    t.replace(u',', u'.').remove(u' ').remove(QChar(0x00A0));
    bool ok = false;
    const double v = t.toDouble(&ok);
    try {
        if (!ok)
            throw Exception(u"Необходимо ввести число."_s);
        CurrencyRates(m_db).storeRate(m_code, m_date, v);
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
        m_rateEdit->setFocus();
        return;
    }
    m_rate = v;
    QDialog::accept();
}

double TFrmCtr::ask(Data::Database& db, const QString& code, const QDate& date,
                    std::optional<double> previous)
{
    TFrmCtr dialog(db, code, date, previous, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        throw Abort();
    return dialog.rate();
}

void TFrmCtr::install()
{
    CurrencyRates::setMissingRateAsker(&TFrmCtr::ask);
}

} // namespace Tarvo::Catalog
