#pragma once

#include <QDate>
#include <QList>
#include <QString>

// The Central Bank's daily rates file (ValCurs/Valute, windows-1251, decimal comma).
struct CbrRate
{
    QString code; // CharCode
    QString name;
    int nominal = 1;
    double value = 0; // for `nominal` units
    double perUnit() const { return value / nominal; }
};

struct CbrRatesFile
{
    QDate date;
    QList<CbrRate> rates;
    QStringList refused; // rows that cannot be a rate, with the reason

    // Throws std::runtime_error with a Russian message when the file cannot be read as one.
    static CbrRatesFile read(const QString& path);
};
