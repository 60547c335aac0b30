#include "BusOffer/listfixture.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "db/shippedreports.h"
#include "reports/reporttemplate.h"
#include "reports/workbookreadback.h"
#include "reports/ui/preparedreport.h"
#include "reports/ui/reportmenu.h"
#include "reports/ui/reportrenderer.h"
#include "reports/ui/treportdesigner.h"
#include "reports/ui/tsimplerunner.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QDate>
#include <QDesktopServices>
#include <QDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Reports;
using namespace Qt::Literals::StringLiterals;

namespace {

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString refusal(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

QStringList captions(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? u"-"_s : a->menu() ? u">"_s + a->text() : a->text());
    return out;
}

} // namespace

class ExportOpener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class ReportRunTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<Test::TestDatabase> m_t;
    qint64 m_user = 0;

    Data::Database& db() { return m_t->db(); }
    qint64 scalar(const QString& sql, const QVariantList& p = {})
    {
        Data::Query q(db(), sql);
        q.bindAll(p).exec();
        return q.next() ? q.value(0).toLongLong() : -1;
    }
    void item(int id, const QString& caption, QVariant parent, int order, QVariant report, int place = 1005)
    {
        db().exec(u"insert into FR_MENU (IDITEM, NMITEM, IDUPITEM, IDPLACE, NUMORD, IDREPORT) values (?, ?, ?, ?, ?, ?)"_s,
                  {id, caption, parent, place, order, report});
    }
    int report(const QString& name, const QByteArray& data)
    {
        const int id = int(scalar(u"select max(IDREPORT) from FR_REPORTS"_s)) + 1;
        db().exec(u"insert into FR_REPORTS (IDREPORT, NMREPORT, IDNODE, REPDATA) values (?, ?, null, ?)"_s,
                  {id, name, data.isNull() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(data)});
        return id;
    }

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Data::Database::setMain(&db());
        m_user = Test::ListFixture{db()}.currentUser({});
    }
    void cleanup()
    {
        Data::Database::setMain(nullptr);
        m_t.reset();
    }

    void schemaSeedsPlacesAndShippedReports()
    {
        QCOMPARE(scalar(u"select count(*) from FR_CALLPLACE where IDPLACE between 1001 and 1009"_s), 9);
        const qint64 folder = scalar(u"select IDNODE from FR_REPTREE where NMNODE = 'Реестры'"_s);
        QVERIFY(folder > 0);
        for (const Data::ShippedReport& r : Data::shippedReports()) {
            QFile file(QStringLiteral(TARVO_SOURCE_SHARE) + u"/"_s + r.file);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            QCOMPARE(file.readAll(), r.data);
            ReportTemplate::parse(r.data);
            QCOMPARE(scalar(u"select count(*) from FR_MENU m join FR_REPORTS r on r.IDREPORT = m.IDREPORT "
                            "where r.NMREPORT = ? and m.IDPLACE = ? and r.IDNODE = ?"_s,
                            {r.name, r.place, folder}),
                     1);
        }
    }

    void menuDropsDeniedAndEmptySubmenus()
    {
        const int r = report(u"Отчет"_s, {});
        item(9001, u"Первый"_s, {}, 0, r);
        item(9002, u"-"_s, {}, 0, {});
        item(9003, u"Подменю"_s, {}, 0, {});
        item(9004, u"Внутри"_s, 9003, 0, r);
        item(9005, u"Вложенное"_s, 9003, 1, {});
        item(9006, u"Глубоко"_s, 9005, 0, r);
        item(9007, u"Запрещенное"_s, {}, 0, {});
        item(9008, u"Нельзя"_s, 9007, 0, r);
        db().exec(u"insert into FR_DENIED (GROUP_ID, IDITEM) values (?, 9008)"_s, {m_user});
        QMenu menu;
        menu.addAction(u"Печать реестра"_s);
        QList<int> ran;
        QCOMPARE(ReportMenu::attach(1005, &menu, [&](int id) { ran << id; }), 3);
        // Equal NUMORD: key order; the submenu emptied by the denial is gone; a separator after the own items.
        QCOMPARE(captions(&menu), (QStringList{u"Печать реестра"_s, u"-"_s, u"Первый"_s, u"-"_s, u">Подменю"_s}));
        QMenu* sub = menu.actions().at(4)->menu();
        QCOMPARE(captions(sub), (QStringList{u"Внутри"_s, u">Вложенное"_s}));
        sub->actions().at(0)->trigger();
        QCOMPARE(ran, QList<int>{r});
        // Built afresh every time: a second attach replaces, never adds.
        ReportMenu::attach(1005, &menu, [](int) {});
        QCOMPARE(menu.actions().size(), 5);

        QMenu none;
        QCOMPARE(ReportMenu::attach(1009, &none, [](int) {}), 0);
        QCOMPARE(captions(&none), QStringList{QString::fromUtf8(ReportMenu::NoReportsText)});
        QVERIFY(!none.actions().first()->isEnabled());
    }

    void runnerRefusesBadParametersAndUnknownReports()
    {
        QCOMPARE(refusal([] { TSimpleRunner::run(1, {u"a"_s}); }), u"Размер массива параметров должен быть четным"_s);
        QVERIFY(refusal([] { TSimpleRunner::run(1, {5, 1}); }).startsWith(u"Неподдерживаемый тип имени параметра "_s));
        QVERIFY(refusal([] { TSimpleRunner::run(1, {u"a"_s, QDate(2024, 1, 1)}); })
                    .startsWith(u"Неподдерживаемый тип значения параметра "_s));
        QCOMPARE(refusal([] { TSimpleRunner::run(999999, {}); }),
                 u"Указан код несуществующего отчета. Обратитесь к адинистратору."_s);
        // A template of another format or damaged names the report; a null one is an empty report.
        const int foreign = report(u"Старый"_s, QByteArray("<?xml version=\"1.0\"?><template kind=\"other\"/>"));
        QVERIFY(refusal([=] { TSimpleRunner::run(foreign, {}); }).contains(u"\"Старый\""_s));
        const QString line = refusal([] {
            ReportTemplate::parse("<report version=\"1\">\n  <page>\n    <banner/>\n  </page>\n</report>");
        });
        QVERIFY2(line.contains(u"строка 3"_s) && line.contains(u"<banner>"_s), qPrintable(line));
        QVERIFY(refusal([] { ReportTemplate::parse("<report version=\"1\"><page colour=\"red\"/></report>"); })
                    .contains(u"colour"_s));
        auto empty = TSimpleRunner::prepare(u"Пустой"_s, QByteArray(), {}, nullptr, nullptr);
        QCOMPARE(empty->report.pages.size(), 1);
        QCOMPARE(empty->report.pages.first().title.text, u"Пустой"_s);
    }

    void dialogsAloneHandTheirDatasetToTheExport()
    {
        Test::ListFixture f{db()};
        const qint64 buyer = f.partner(u"C1"_s, u"Гамма"_s);
        for (int i = 0; i < 3; ++i)
            f.request(buyer);
        const int id = report(u"Выгрузка"_s,
                              "<report version=\"1\"><dialog><parameter name=\"least\" type=\"integer\" default=\"0\"/>"
                              "</dialog><dataset name=\"d\">select bof_id, bof_date from scm_business_offer where "
                              "bof_id &gt; :least order by bof_id</dataset></report>");
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                d->accept();
                answer.stop();
            }
        });
        answer.start(10);
        ExportOpener opener;
        QDesktopServices::setUrlHandler(u"file"_s, &opener, "open");
        TSimpleRunner::run(id, {});
        QDesktopServices::unsetUrlHandler(u"file"_s);
        QCOMPARE(opener.opened.size(), 1);
        const Test::WorkbookReadBack book(opener.opened.first().toLocalFile());
        QCOMPARE(book.autoFilter, u"A1:B4"_s);
        QCOMPARE(book.text(u"A1"_s), u"bof_id"_s);
    }

    void designerPointsAtTheFirstError()
    {
        TReportDesigner designer(u"Отчет"_s, QByteArray("<report version=\"1\">\n  <page size=\"x\"/>\n</report>"));
        const QString error = designer.check();
        QVERIFY2(error.contains(u"строка 2"_s), qPrintable(error));
        QCOMPARE(designer.editor()->textCursor().blockNumber(), 1);
        // A new report starts from a template that passes the check.
        TReportDesigner fresh(u"Новый"_s, QByteArray());
        QCOMPARE(fresh.check(), QString());
        QVERIFY(ReportTemplate::parse(fresh.data()).pages.size() == 1);
    }

    void templateSqlOnlyReads()
    {
        const QByteArray data = "<report version=\"1\"><dataset name=\"d\">delete from scm_parametrs</dataset>"
                                "<page dataset=\"d\"><columns><column field=\"x\"/></columns></page></report>";
        const qint64 before = scalar(u"select count(*) from scm_parametrs"_s);
        const QString said = refusal([&] { TSimpleRunner::prepare(u"Вредный"_s, data, {}, nullptr, nullptr); });
        QVERIFY2(said.contains(u"изменяет данные"_s), qPrintable(said));
        QCOMPARE(scalar(u"select count(*) from scm_parametrs"_s), before);
    }

    void pdfHasTitleHeadingsOnEveryPageGroupsAndTotals()
    {
        Test::ListFixture f{db()};
        const qint64 a = f.partner(u"A1"_s, u"Альфа"_s);
        const qint64 b = f.partner(u"B1"_s, u"Бета"_s);
        for (int i = 0; i < 110; ++i) {
            const qint64 id = f.request(i < 60 ? a : b);
            db().exec(u"update scm_business_offer set bof_sum = ? where bof_id = ?"_s,
                      {Test::ListFixture::amount(10), id});
        }
        const QByteArray data =
            "<report version=\"1\" name=\"Группы\">\n"
            "<dataset name=\"d\">select p.NAME_USER as buyer, o.bof_id, o.bof_sum from scm_business_offer o "
            "join scm_partner sp on sp.par_ID = o.bof_person join _partner p on p.N_USER = sp.par_nuser "
            "where o.bof_sum &gt; :least order by p.NAME_USER, o.bof_id</dataset>\n"
            "<page dataset=\"d\" size=\"10\"><title bold=\"yes\">Заявки по покупателям</title>"
            "<columns><column field=\"bof_id\" caption=\"Номер заявки\" width=\"60\"/><column field=\"bof_sum\" caption=\"Сумма\"/></columns>"
            "<group field=\"buyer\"><header>[buyer]</header><footer>Итого [buyer]: [sum(bof_sum)] ([count()])</footer></group>"
            "<summary>Всего: [sum(bof_sum)]</summary><pageFooter>Стр. [page] из [pages]</pageFooter></page></report>";
        auto prepared = TSimpleRunner::prepare(u"Группы"_s, data, {u"least"_s, 1}, nullptr, nullptr);
        ReportRenderer renderer(prepared->report, prepared->pageTables, prepared->variables);
        const QString path = m_home.filePath(u"groups.pdf"_s);
        int pages = 0;
        {
            QPdfWriter pdf(path);
            pages = renderer.render(pdf);
        }
        QCOMPARE(pages, 3);
        const QString text = pdfText(path);
        QVERIFY(text.contains(u"Заявки по покупателям"_s));
        QCOMPARE(text.count(u"Номер заявки"_s), 3);
        QVERIFY(text.contains(u"Стр. 2 из 3"_s));
        QVERIFY2(text.contains(u"Итого Альфа: 600,00 (60)"_s), qPrintable(text.right(2000)));
        QVERIFY(text.contains(u"Итого Бета: 500,00 (50)"_s));
        QVERIFY(text.contains(u"Всего: 1"_s) && text.contains(u"100,00"_s));
        // An unknown name is an error giving its line.
        QByteArray wrong = data;
        wrong.replace("[sum(bof_sum)]</summary>", "[nosuch]</summary>");
        auto bad = TSimpleRunner::prepare(u"Группы"_s, wrong, {u"least"_s, 1}, nullptr, nullptr);
        ReportRenderer r2(bad->report, bad->pageTables, bad->variables);
        QVERIFY(refusal([&] { r2.check(); }).contains(u"строка 3"_s));
    }
};

QTEST_MAIN(ReportRunTest)
#include "tst_reportrun.moc"
