#pragma once

#include <QDate>
#include <QDialog>
#include <optional>

class QLineEdit;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Добавление котировки": asks for the rate of a currency on a date that has none, prefilled
// with the latest earlier rate. OK stores it; closing otherwise aborts what needed the rate.
class TFrmCtr : public QDialog
{
    Q_OBJECT
public:
    TFrmCtr(Data::Database& db, const QString& code, const QDate& date, std::optional<double> previous,
            QWidget* parent = nullptr);

    double rate() const { return m_rate; }
    QLineEdit* rateEdit() const { return m_rateEdit; }
    void accept() override;

    // Shows the dialog; returns the stored rate or throws Tarvo::Abort.
    static double ask(Data::Database& db, const QString& code, const QDate& date,
                      std::optional<double> previous);
    // Makes the conversion ask through this dialog on the main connection.
    static void install();

private:
    Data::Database& m_db;
    QString m_code;
    QDate m_date;
    QLineEdit* m_rateEdit;
    double m_rate = 0;
};

} // namespace Tarvo::Catalog
