#include "SupplierOrders/supplierorderwarehouse.h"
#include "data/engine/database.h"
#include "data/modules/tscmnamedparams_ro.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using SupplierOrders::SupplierOrderWarehouse;

namespace {
int addSupplier(Data::Database& db, const QString& code, const QVariant& regis)
{
    db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER, REGIS_USER, MY_ORGANIZ) values (?, ?, ?, ?)"),
            {code, QStringLiteral("Поставщик ") + code, regis, QStringLiteral("Т")});
    return int(db.insertReturning(QStringLiteral("insert into scm_partner (par_nuser) values (?)"),
                              QStringLiteral("par_ID"), {code}));
}

void setParam(Data::Database& db, const QString& key, const QVariant& value)
{
    db.exec(QStringLiteral("delete from scm_parametrs where inside_name_nastr = ?"), {key});
    db.exec(QStringLiteral("insert into scm_parametrs (inside_name_nastr, value_nastr) values (?, ?)"),
            {key, value});
}
} // namespace

class SupplierOrderWarehouseTest : public QObject
{
    Q_OBJECT
private slots:
    void namedParameterIsTrimmedAndFallsBack()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        const Data::TSCMNamedParams_RO params(db);
        QCOMPARE(params.value(QStringLiteral("NO_SUCH")), QString());
        QCOMPARE(params.value(QStringLiteral("NO_SUCH"), QStringLiteral("x")), QStringLiteral("x"));
        setParam(db, QStringLiteral("NDS"), QStringLiteral(" 20 "));
        QCOMPARE(params.value(QStringLiteral("NDS")), QStringLiteral("20"));
    }

    // The registration number is the warehouse only when sclad_r has it: an empty card field
    // reads as 0 and used to fail the new order's insert on the warehouse reference.
    void registrationNumberMustNameAWarehouse()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        db.exec(QStringLiteral("insert into sclad_r (ID_SCLAD, NAME_SCLAD) values (7, 'Основной'), (9, 'Второй')"));
        const int known = addSupplier(db, QStringLiteral("S1"), 9);
        const int zero = addSupplier(db, QStringLiteral("S2"), 0);
        const int none = addSupplier(db, QStringLiteral("S3"), QVariant());

        QCOMPARE(SupplierOrderWarehouse::defaultFor(db, known), QVariant(9));
        QVERIFY(SupplierOrderWarehouse::defaultFor(db, zero).isNull());
        QVERIFY(SupplierOrderWarehouse::defaultFor(db, none).isNull());
        QVERIFY(SupplierOrderWarehouse::defaultFor(db, 999999).isNull());

        setParam(db, QStringLiteral("USE_DOPREGN_SCL"), QStringLiteral("True"));
        QCOMPARE(SupplierOrderWarehouse::defaultFor(db, known), QVariant(9));

        setParam(db, QStringLiteral("USE_DOPREGN_SCL"), QStringLiteral("False"));
        QVERIFY(SupplierOrderWarehouse::defaultFor(db, known).isNull());
        setParam(db, QStringLiteral("id_sclad"), QStringLiteral("7"));
        QCOMPARE(SupplierOrderWarehouse::defaultFor(db, known), QVariant(7));
        setParam(db, QStringLiteral("id_sclad"), QStringLiteral("55"));
        QVERIFY(SupplierOrderWarehouse::defaultFor(db, known).isNull());
        setParam(db, QStringLiteral("id_sclad"), QStringLiteral("склад"));
        QVERIFY(SupplierOrderWarehouse::defaultFor(db, known).isNull());
    }
};

QTEST_GUILESS_MAIN(SupplierOrderWarehouseTest)
#include "tst_supplierorderwarehouse.moc"
