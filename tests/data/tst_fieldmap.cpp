#include "data/modules/configblob.h"
#include "data/engine/database.h"
#include "data/modules/objectnotation.h"
#include "data/modules/tdatatablefieldmap.h"
#include "data/rowset/trowset.h"
#include "core/exception.h"
#include "support/testdatabase.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

// As the class library writes a dictionary: Cyrillic as character codes, nested collections.
const char* storedDictionary = R"(object TDataTableFieldMap
  Tables = <
    item
      PhisName = 'BOF_HEADERS'
      EditName = #1082#1083#1080#1077#1085#1090#1072
      Fields = <
        item
          PhisName = 'bof_date'
          DisplayName = #1044#1072#1090#1072' '#1079#1072#1103#1074#1082#1080
          Visible = True
          DisplayIndex = 2
        end>
    end
    item
      PhisName = 'scm_waybill'
      Fields = <>
    end>
end
)";

} // namespace

class FieldMapTest : public QObject
{
    Q_OBJECT
private slots:
    void notationRoundTripsExactly()
    {
        NotationObject o;
        o.name = "Form1";
        o.className = "TForm1";
        QByteArray guid = QByteArray::fromHex("6B29FC40CA471067B31D00DD010662DA");
        QByteArray withZeros("a\0\0b", 4);
        o.properties << NotationProperty{"Caption", NotationValue::string("Заявка 'покупателя' №1")};
        o.properties << NotationProperty{"Long", NotationValue::string(QString(150, u'x') + "конец")};
        o.properties << NotationProperty{"Empty", NotationValue::string("")};
        o.properties << NotationProperty{"Count", NotationValue::integer(-42)};
        o.properties << NotationProperty{"Enabled", NotationValue::boolean(false)};
        NotationValue bin;
        bin.kind = NotationValue::Kind::Binary;
        bin.bytes = guid + withZeros + QByteArray(40, '\xff');
        o.properties << NotationProperty{"Data", bin};
        NotationValue set;
        set.kind = NotationValue::Kind::Set;
        set.set = QStringList{"fsBold", "fsItalic"};
        o.properties << NotationProperty{"Style", set};
        NotationObject child;
        child.name = "Sub";
        child.className = "TPanel";
        child.properties << NotationProperty{"Tab", NotationValue::string(QString("a\tb") + QChar(0))};
        o.children << child;

        const QByteArray text = ObjectNotation::write(o);
        // Only ASCII leaves the writer; long strings continue with "+".
        for (char c : text)
            QVERIFY(uchar(c) < 128);
        QVERIFY(text.contains("' +\n"));
        const NotationObject back = ObjectNotation::read(text);
        QCOMPARE(ObjectNotation::write(back), text);
        QCOMPARE(back.find("caption")->value.text, QStringLiteral("Заявка 'покупателя' №1"));
        QCOMPARE(back.find("Long")->value.text, QString(150, u'x') + "конец");
        QCOMPARE(back.find("Data")->value.bytes, bin.bytes);
        QCOMPARE(back.find("Count")->value.text, QStringLiteral("-42"));
        QCOMPARE(back.children.size(), 1);
        QCOMPARE(back.children[0].find("Tab")->value.text, QString("a\tb") + QChar(0));

        // The stored dictionary's own text reads back to itself.
        QCOMPARE(ObjectNotation::write(ObjectNotation::read(storedDictionary)), QByteArray(storedDictionary));
    }

    // The Windows class library kept 8-bit strings in the Cyrillic code page, started a long
    // string on a line of its own and may code a quote as #39.
    void readsTextsOfTheWindowsClassLibrary()
    {
        QByteArray text = "object TDataTableFieldMap\n  Caption = '";
        text += QByteArray("\xc7\xe0\xff\xe2\xea\xe0 \xb9", 8); // cp1251
        text += "'\n  Hint = \n    'It'#39's a very long line of text that the library wrote in chunks ' +\n"
                "    'of sixty-four characters'\nend\n";
        const NotationObject o = ObjectNotation::read(text);
        QCOMPARE(o.find("Caption")->value.text, QStringLiteral("Заявка №"));
        QCOMPARE(
            o.find("Hint")->value.text,
            QStringLiteral(
                "It's a very long line of text that the library wrote in chunks of sixty-four characters"));
        // What we write back is ASCII that both programs read.
        const QByteArray ours = ObjectNotation::write(o);
        QCOMPARE(ObjectNotation::read(ours).find("Caption")->value.text, QStringLiteral("Заявка №"));
    }

    void damagedTextIsRefusedWithoutCrashing()
    {
        const QByteArray good(storedDictionary);
        for (int cut = 0; cut < good.size() - 2; cut += 7)
            QVERIFY_THROWS_EXCEPTION(Exception, ObjectNotation::read(good.left(cut)));
        for (const char* bad : {"object X\n  A = {ABC}\nend", "object X\n  A = #99999999\nend",
                                "object X A = 'x' +\nend", "object X\n  A = <item end\nend", "objekt X end",
                                "object X end end", "object X\n  A = (1 2\nend", "object X\n  A = [a,\nend"})
            QVERIFY_THROWS_EXCEPTION(Exception, ObjectNotation::read(bad));
        // Deep nesting is refused, not a stack overflow.
        QByteArray deep = "object X\n  A = ";
        deep += QByteArray(100000, '(');
        QVERIFY_THROWS_EXCEPTION(Exception, ObjectNotation::read(deep));
        // Random damage of a real blob either reads or is refused.
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 2000; ++i) {
            QByteArray d = good;
            for (int k = 0; k < 3; ++k)
                d[rng->bounded(int(d.size()))] = char(rng->bounded(256));
            try {
                ObjectNotation::read(d);
            } catch (const Exception&) {
            }
        }
    }

    void dictionaryReadsMergesAndCaptions()
    {
        TDataTableFieldMap map;
        map.read(ObjectNotation::read(storedDictionary));
        map.mergeDefaults();
        // Case-insensitive table lookup; the user's caption stays, missing defaults come back.
        TableInfo* t = map.findTable("bof_headers");
        QVERIFY(t);
        QCOMPARE(t, map.findTable("Bof_Headers"));
        QCOMPARE(t->findField("BOF_DATE")->displayName, QStringLiteral("Дата заявки"));
        QCOMPARE(t->findField("bof_date")->visible, true);
        QCOMPARE(t->findField("bof_date")->displayIndex, 2);
        QCOMPARE(t->findField("bof_sum")->displayName, QStringLiteral("Сумма"));
        QCOMPARE(t->findField("bof_sum")->displayIndex, -1);
        QCOMPARE(t->fields.size(), 12);
        QCOMPARE(map.tables.size(), 8);
        // The physical name compares case-sensitively with the known kinds.
        QCOMPARE(t->kind(), -1);
        QCOMPARE(map.findTable("scm_waybill")->displayName(), QStringLiteral("Посылка"));
        QCOMPARE(map.findTable("su_orders")->displayName(), QStringLiteral("Заказ поставщику"));
        TableInfo* lines = map.findTable("waybill_products");
        lines->setEditName("что угодно");
        QCOMPARE(lines->displayName(), QStringLiteral("товары посылки"));
        QCOMPARE(lines->editName(), QString());

        TRowSet rs;
        rs.addField("SUO_ID", FieldType::Integer);
        rs.addField("own", FieldType::String);
        rs.field(1).displayLabel = "Своё";
        map.applyCaptions("SU_ORDERS", rs);
        QCOMPARE(rs.field(0).caption(), QStringLiteral("№ заказа"));
        QCOMPARE(rs.field(1).caption(), QStringLiteral("Своё"));
        map.applyCaptions("nothing", rs);

        // Writing and reading again keeps everything.
        TDataTableFieldMap again;
        again.read(ObjectNotation::read(ObjectNotation::write(map.toNotation())));
        QCOMPARE(ObjectNotation::write(again.toNotation()), ObjectNotation::write(map.toNotation()));
    }

    void olderDictionariesResetTheEditName()
    {
        const char* old = R"(object TDataTableFieldMap
  Tables = <
    item
      DisplayName = 'Заявка клиента'
      PhisName = 'bof_headers'
    end
    item
      DisplayName = 'x'
      PhisName = 'su_orders'
    end
    item
      PhisName = 'acceptedOrders'
      DisplayName = 'y'
      EditName = 'z'
    end>
end
)";
        TDataTableFieldMap map;
        map.read(ObjectNotation::read(old));
        QCOMPARE(map.findTable("bof_headers")->displayName(), QStringLiteral("Заявка покупателя"));
        QCOMPARE(map.findTable("su_orders")->editName(), QStringLiteral("поставщику"));
        QCOMPARE(map.findTable("acceptedOrders")->displayName(), QStringLiteral("Подтвержденный заказ z"));
        QVERIFY(!ObjectNotation::write(map.toNotation()).contains("DisplayName = 'x'"));
    }

    void storedDictionaryOnTheServer()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        // Nothing stored: the defaults.
        TDataTableFieldMap map = TDataTableFieldMap::load(db);
        QCOMPARE(map.tables.size(), 8);
        map.findTable("su_orders")->findField("suo_sum")->displayName = "Итого";
        map.save(db);
        TDataTableFieldMap loaded = TDataTableFieldMap::load(db);
        QCOMPARE(loaded.findTable("su_orders")->findField("suo_sum")->displayName, QStringLiteral("Итого"));
        // A damaged blob: silently the defaults.
        ConfigBlob::save(db, TDataTableFieldMap::BlobName,
                         "object TDataTableFieldMap\n  Tables = <\n    item\n");
        TDataTableFieldMap damaged = TDataTableFieldMap::load(db);
        QCOMPARE(damaged.findTable("su_orders")->findField("suo_sum")->displayName, QStringLiteral("Сумма"));
    }

    // Menus ask for captions before the connection exists; the stored dictionary is read once it does.
    void processDictionaryWaitsForTheConnection()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        TDataTableFieldMap stored = TDataTableFieldMap::load(db);
        stored.findTable("bof_headers")->setEditName("клиента");
        stored.save(db);

        Database::setMain(nullptr);
        QVERIFY_THROWS_EXCEPTION(Exception, TDataTableFieldMap::instance()); // the menus keep their texts
        Database::setMain(&db);
        TDataTableFieldMap& map = TDataTableFieldMap::instance();
        QCOMPARE(map.findTable("bof_headers")->displayName(), QStringLiteral("Заявка клиента"));
        // Read once: later changes on the server wait for the next start.
        stored.findTable("bof_headers")->setEditName("заказчика");
        stored.save(db);
        QCOMPARE(&TDataTableFieldMap::instance(), &map);
        QCOMPARE(map.findTable("bof_headers")->displayName(), QStringLiteral("Заявка клиента"));
        Database::setMain(nullptr);
    }
};

QTEST_GUILESS_MAIN(FieldMapTest)
#include "tst_fieldmap.moc"
