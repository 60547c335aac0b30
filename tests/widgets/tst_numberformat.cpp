// Numbers read the same in a grid cell and in a field: Russian digit groups and decimal comma,
// amounts with the program's decimals, quantities with the decimals they have.
#include "catalog/currency/moneyformats.h"
#include "data/rowset/numberformat.h"
#include "data/rowset/trowset.h"
#include "shell/programparameters.h"
#include "support/testenvironment.h"
#include "widgets/tdatagrid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using Data::NumberFormat;
using namespace Qt::Literals::StringLiterals;

namespace {

const QChar Gap(0x00A0);

Money m(const char* text)
{
    return *Money::parse(QString::fromLatin1(text));
}

QString shown(const Widgets::TDataGrid& grid, int row, const QString& field)
{
    return grid.model()->index(row, grid.fieldColumn(field)).data().toString();
}

} // namespace

class NumberFormatTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void cleanup() { Shell::ProgramParameters::setCurrent({}); }

    void russianGroupsAndComma()
    {
        QCOMPARE(NumberFormat::money(m("36807.905"), 2), u"36"_s + Gap + u"807,91"_s);
        QCOMPARE(NumberFormat::money(m("-1234567.5"), 2), u"-1"_s + Gap + u"234"_s + Gap + u"567,50"_s);
        QCOMPARE(NumberFormat::money(m("999"), 0), u"999"_s);
        QCOMPARE(NumberFormat::money(m("922337203685477.5807"), 4),
                 u"922 337 203 685 477,5807"_s.replace(u' ', Gap));
        QCOMPARE(NumberFormat::quantity(m("0.3333")), u"0,3333"_s);
        QCOMPARE(NumberFormat::quantity(m("2")), u"2"_s);
        QCOMPARE(NumberFormat::quantity(m("1.50")), u"1,5"_s);
        QCOMPARE(NumberFormat::quantity(m("-12000.0001")), u"-12"_s + Gap + u"000,0001"_s);
        QCOMPARE(NumberFormat::real(0.125), u"0,125"_s);
        QCOMPARE(NumberFormat::real(1234.0), u"1"_s + Gap + u"234"_s);
        QCOMPARE(NumberFormat::real(-0.00001), u"0"_s);
        // What a field shows, the grid's editor reads back.
        QCOMPARE(*Money::parse(NumberFormat::money(m("-1234567.5"), 2)), m("-1234567.5"));
    }

    void gridCellAndFieldShowTheSameText()
    {
        Shell::ProgramParameters p;
        p.roubleDecimals = 2;
        p.currencyDecimals = 3;
        p.quantityDecimals = 2;
        Shell::ProgramParameters::setCurrent(p);
        Data::TRowSet rs;
        rs.addField(u"bof_sum"_s, Data::FieldType::Money);
        rs.addField(u"bof_sum_valut"_s, Data::FieldType::Money);
        rs.addField(u"bpd_amount"_s, Data::FieldType::Money);
        rs.addField(u"bpd_placed"_s, Data::FieldType::Money);
        rs.addField(u"bpd_price"_s, Data::FieldType::Money);
        rs.field(4).displayFormat = Catalog::MoneyFormats::rouble();
        rs.addField(u"rate"_s, Data::FieldType::Float);
        rs.appendLoaded({m("36807.905").toVariant(), m("22541.8612").toVariant(), m("0.3333").toVariant(),
                         m("2").toVariant(), m("1234.5").toVariant(), 12.5});
        rs.appendLoaded({m("0").toVariant(), m("-5").toVariant(), m("12000").toVariant(), m("1.25").toVariant(),
                         m("0.004").toVariant(), QVariant()});
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);

        // The request editor's sum fields.
        QLineEdit sum, sumValut;
        sum.setText(Catalog::MoneyFormats::text(m("36807.905"), QString()));
        sumValut.setText(Catalog::MoneyFormats::text(m("22541.8612"), u"USD"_s));
        QCOMPARE(shown(grid, 0, u"bof_sum"_s), sum.text());
        QCOMPARE(sum.text(), u"36"_s + Gap + u"807,91"_s);
        QCOMPARE(shown(grid, 0, u"bof_sum_valut"_s), sumValut.text());
        QCOMPARE(sumValut.text(), u"22"_s + Gap + u"541,861"_s);
        QCOMPARE(shown(grid, 0, u"bpd_price"_s), u"1"_s + Gap + u"234,50"_s);
        QCOMPARE(shown(grid, 1, u"bpd_price"_s), u"0,00"_s);
        QCOMPARE(shown(grid, 1, u"bof_sum_valut"_s), u"-5,000"_s);

        // Quantities keep their decimals whatever the program's quantity setting.
        QCOMPARE(shown(grid, 0, u"bpd_amount"_s), u"0,3333"_s);
        QCOMPARE(shown(grid, 0, u"bpd_placed"_s), u"2"_s);
        QCOMPARE(shown(grid, 1, u"bpd_amount"_s), u"12"_s + Gap + u"000"_s);
        QCOMPARE(shown(grid, 1, u"bpd_placed"_s), u"1,25"_s);
        QCOMPARE(shown(grid, 0, u"bpd_amount"_s), Catalog::MoneyFormats::quantityText(m("0.3333")));
        QCOMPARE(shown(grid, 0, u"rate"_s), u"12,5"_s);
        QCOMPARE(shown(grid, 1, u"rate"_s), QString());
    }

    void columnsAreWideEnoughForTheirTitles()
    {
        Data::TRowSet rs;
        rs.addField(u"bpd_deliverydate"_s, Data::FieldType::DateTime);
        rs.addField(u"bpd_amount"_s, Data::FieldType::Money);
        rs.field(1).displayLabel = u"Количество заказанного товара"_s;
        rs.addField(u"k"_s, Data::FieldType::Integer);
        rs.appendLoaded({QDateTime(QDate(2026, 12, 7), QTime()), m("1").toVariant(), 1});
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        const int amount = grid.fieldColumn(u"bpd_amount"_s);
        QVERIFY(grid.columnWidth(amount) >= grid.horizontalHeader()->sectionSizeHint(amount));
        // A window's own width is a floor, never a cut.
        grid.setColumns({{u"bpd_deliverydate"_s, u"План. дата доставки"_s, 40}, {u"k"_s, u"К"_s, 90}});
        const int date = grid.fieldColumn(u"bpd_deliverydate"_s);
        QVERIFY2(grid.columnWidth(date) >= grid.horizontalHeader()->sectionSizeHint(date),
                 qPrintable(QString::number(grid.columnWidth(date))));
        QCOMPARE(grid.columnWidth(grid.fieldColumn(u"k"_s)), 90);
    }
};

QTEST_MAIN(NumberFormatTest)
#include "tst_numberformat.moc"
