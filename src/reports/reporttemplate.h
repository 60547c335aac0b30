#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace Tarvo::Reports {

// A report template in our XML format (docs/reports.md): dialog pages of parameters, datasets
// and report pages with bands. Parsing checks every element, attribute and placeholder name
// against the format; an error names its line and column.
struct ReportTemplate
{
    enum class ParamType
    {
        Text,
        Integer,
        Money,
        Date,
        YesNo
    };
    struct Parameter
    {
        QString name;
        QString caption;
        ParamType type = ParamType::Text;
        QString defaultValue;
    };
    struct Dialog
    {
        QString title;
        QList<Parameter> parameters;
    };
    struct Dataset
    {
        QString name;
        bool fromList = false;
        QString sql;
        int line = 0;
    };
    enum class Align
    {
        Auto,
        Left,
        Center,
        Right
    };
    // A band's text: lines with placeholders.
    struct Band
    {
        QString text;
        Align align = Align::Left;
        bool bold = false;
        double fontSize = 9;
        int line = 0;
        bool isEmpty() const { return text.isEmpty(); }
    };
    struct Column
    {
        QString field;
        QString caption;
        double width = 25; // millimetres
        Align align = Align::Auto;
        int line = 0;
    };
    struct Group
    {
        QString field;
        Band header;
        Band footer;
        int line = 0;
    };
    struct Page
    {
        bool landscape = false;
        double margin = 10; // millimetres
        QString dataset;
        double fontSize = 8;
        Band title;
        Band pageHeader;
        QList<Column> columns; // empty with a list dataset: the list's shown columns
        bool hasRows = false;
        QList<Group> groups;
        Band summary;
        Band pageFooter;
    };

    QString name;
    QList<Dialog> dialogs;
    QList<Dataset> datasets;
    QList<Page> pages;

    const Dataset* dataset(const QString& name) const;

    // Throws a Russian message naming the line and column of the first error.
    static ReportTemplate parse(const QByteArray& data);
    // The placeholders of a text ("[name]", "[sum(f)]", …) as written, without brackets.
    static QStringList placeholders(const QString& text);
};

} // namespace Tarvo::Reports
