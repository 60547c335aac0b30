#include "BusOffer/offerlist.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "data/engine/database.h"
#include "reports/ui/reportmenu.h"
#include "reports/ui/tfastreportform.h"
#include "reports/ui/tfrmreportpreview.h"
#include "reports/ui/treportparamsdialog.h"
#include "reports/workbookreadback.h"
#include "reports/xlsxtablewriter.h"
#include "security/frmenurights.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "widgets/dialogbuttons.h"

#include <QDateEdit>
#include <QDesktopServices>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

class BookOpener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

namespace {

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QAction* actionNamed(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions()) {
        if (QString(a->text()).remove(u'&') == text)
            return a;
        if (a->menu())
            if (QAction* inner = actionNamed(a->menu(), text))
                return inner;
    }
    return nullptr;
}

Reports::TfrmReportPreview* newestPreview(const QList<Reports::TfrmReportPreview*>& before)
{
    for (auto* p : QApplication::allWidgets())
        if (auto* preview = qobject_cast<Reports::TfrmReportPreview*>(p); preview && !before.contains(preview))
            return preview;
    return nullptr;
}

QList<Reports::TfrmReportPreview*> previews()
{
    QList<Reports::TfrmReportPreview*> out;
    for (auto* p : QApplication::allWidgets())
        if (auto* preview = qobject_cast<Reports::TfrmReportPreview*>(p))
            out << preview;
    return out;
}

// Answers the next modal window with `answer` once it is up.
void whenModal(std::function<bool(QWidget*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* w = QApplication::activeModalWidget(); w && w->isVisible() && answer(w))
            timer->deleteLater();
    });
    timer->start();
}

void typeName(const QString& name)
{
    whenModal([name](QWidget* w) {
        auto* d = qobject_cast<QInputDialog*>(w);
        if (!d)
            return false;
        d->setTextValue(name);
        d->accept();
        return true;
    });
}

} // namespace

class ReportWindowsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<Shell::MainWindow> m_main;

    Data::Database& db() { return m_t->db(); }

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Test::startDemoCompanyAsAdmin(db());
        m_main = std::make_unique<Shell::MainWindow>(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        m_main->show();
        m_main->refreshMenus();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    }
    void cleanup()
    {
        m_main->mdiArea()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_main.reset();
        Data::Database::setMain(nullptr);
        m_t.reset();
    }

    void shippedReportsRunFromTheirMenus()
    {
        m_main->findChild<QAction*>(u"itemBusinessOffers"_s)->trigger();
        BusOffer::TviewBusinesOffers* w = nullptr;
        QTRY_VERIFY((w = m_main->findChild<BusOffer::TviewBusinesOffers*>()) != nullptr);
        QTRY_VERIFY(w->list().recordCount() > 0);
        const int requests = w->list().recordCount();

        // "Печать реестра": the list goes to a workbook that the desktop opens.
        BookOpener opener;
        QDesktopServices::setUrlHandler(u"file"_s, &opener, "open");
        w->action(u"actPrintRegister"_s)->trigger();
        QDesktopServices::unsetUrlHandler(u"file"_s);
        QCOMPARE(opener.opened.size(), 1);
        const Test::WorkbookReadBack book(opener.opened.first().toLocalFile());
        QVERIFY(book.ok);
        QVERIFY2(book.autoFilter.endsWith(QString::number(requests + 1)), qPrintable(book.autoFilter));

        // "Отчеты FR" asks place 1002 each time it opens.
        auto* reports = w->findChild<QMenu*>(u"menuReportsFR"_s);
        QVERIFY(reports);
        Q_EMIT reports->aboutToShow();
        QAction* registerReport = actionNamed(reports, u"Реестр заявок покупателей"_s);
        QVERIFY(registerReport);
        auto before = previews();
        registerReport->trigger();
        Reports::TfrmReportPreview* preview = nullptr;
        QTRY_VERIFY((preview = newestPreview(before)) != nullptr);
        QVERIFY(preview->pageCount() >= 1);
        const QString pdf = m_home.filePath(u"register.pdf"_s);
        preview->savePdf(pdf);
        QString text = pdfText(pdf);
        QVERIFY(text.contains(u"Реестр заявок покупателей"_s));
        QVERIFY(text.contains(u"Для кого"_s));
        QVERIFY(text.contains(u"Всего заявок: %1"_s.arg(requests)));
        QVERIFY(text.contains(u"Стр. 1 из %1"_s.arg(preview->pageCount())));
        // Esc closes the preview.
        QTest::keyClick(preview->preview(), Qt::Key_Escape);
        QTRY_VERIFY(newestPreview(before) == nullptr);

        // The current request with its lines.
        Q_EMIT reports->aboutToShow();
        before = previews();
        actionNamed(reports, u"Заявка покупателя"_s)->trigger();
        QTRY_VERIFY((preview = newestPreview(before)) != nullptr);
        preview->savePdf(pdf);
        text = pdfText(pdf);
        QVERIFY2(text.contains(u"Заявка покупателя № %1"_s.arg(w->list().currentOffer())), qPrintable(text.left(400)));
        QVERIFY(text.contains(u"Итого:"_s));

        // The main menu's "Выполнение отчетов" (place 1001): a dialog "С"/"По", then groups and a total.
        m_main->refreshMenus();
        QMenu* run = m_main->findChild<QMenu*>(u"menuRunReports"_s);
        QVERIFY(run->menuAction()->isVisible());
        QAction* period = actionNamed(run, u"Заявки за период"_s);
        QVERIFY(period);
        whenModal([](QWidget* m) {
            auto* d = qobject_cast<Reports::TReportParamsDialog*>(m);
            if (!d)
                return false;
            d->findChild<QDateEdit*>(u"param_date_from"_s)->setDate(QDate(2020, 1, 1));
            d->findChild<QDateEdit*>(u"param_date_to"_s)->setDate(QDate(2030, 12, 31));
            QTest::keyClick(d, Qt::Key_Return);
            return true;
        });
        before = previews();
        period->trigger();
        QTRY_VERIFY((preview = newestPreview(before)) != nullptr);
        preview->savePdf(pdf);
        text = pdfText(pdf);
        QVERIFY(text.contains(u"Заявки за период с 01.01.2020 по 31.12.2030"_s));
        QVERIFY(text.contains(u"Итого по покупателю"_s));
        QVERIFY(text.contains(u"Всего:"_s));
    }

    void administrationWindowChangesTheMenus()
    {
        m_main->refreshMenus();
        QAction* designer = m_main->findChild<QAction*>(u"itemReportDesigner"_s);
        QVERIFY(designer->isVisible() && designer->isEnabled());
        QCOMPARE(designer->text().remove(u'&'), u"Разработка отчетов"_s);
        designer->trigger();
        Reports::TFastReportForm* form = nullptr;
        QTRY_VERIFY((form = m_main->findChild<Reports::TFastReportForm*>()) != nullptr);
        QCOMPARE(form->windowTitle(), u"Настройка отчетов"_s);

        // A folder: Ins, then its name.
        form->folderTree()->setFocus();
        QTRY_VERIFY(form->folderTree()->hasFocus());
        typeName(u"Мои 'отчеты'"_s);
        QTest::keyClick(form->folderTree(), Qt::Key_Insert);
        const int folder = db().scalar(u"select IDNODE from FR_REPTREE where NMNODE = ?"_s, {u"Мои 'отчеты'"_s}).toInt();
        QVERIFY(folder > 0);
        QCOMPARE(form->currentFolder(), folder);

        // A report in it, its template from a file; a damaged file replaces nothing.
        // The name dialog took the activation: it comes back to the main window first.
        QApplication::setActiveWindow(m_main.get());
        form->reportList()->setFocus();
        QTRY_VERIFY(form->reportList()->hasFocus());
        typeName(u"Из файла"_s);
        QTest::keyClick(form->reportList(), Qt::Key_Insert);
        const int report = db().scalar(u"select IDREPORT from FR_REPORTS where NMREPORT = 'Из файла'"_s).toInt();
        QVERIFY(report > 0);
        QCOMPARE(form->currentReport(), report);
        const QString file = QStringLiteral(TARVO_SOURCE_SHARE) + u"/offer-register.trep"_s;
        form->loadReportFile(file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray stored = f.readAll();
        QCOMPARE(db().scalar(u"select REPDATA from FR_REPORTS where IDREPORT = ?"_s, {report}).toByteArray(), stored);
        const QString broken = m_home.filePath(u"broken.trep"_s);
        QFile b(broken);
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.write("<report version=\"1\"><page><table/></page></report>");
        b.close();
        QVERIFY_THROWS_EXCEPTION(Exception, form->loadReportFile(broken));
        QCOMPARE(db().scalar(u"select REPDATA from FR_REPORTS where IDREPORT = ?"_s, {report}).toByteArray(), stored);

        // Into the menu of place 1002 by keyboard, then denied to a user: gone from his menu only.
        for (int i = 0; i < form->placeList()->count(); ++i)
            if (form->placeList()->item(i)->text().startsWith(u"1002 "_s))
                form->placeList()->setCurrentRow(i);
        QCOMPARE(form->currentPlace(), 1002);
        form->menuTree()->setCurrentItem(nullptr);
        QApplication::setActiveWindow(m_main.get());
        form->reportList()->setFocus();
        QTRY_VERIFY(form->reportList()->hasFocus());
        QTest::keyClick(form->reportList(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
        const int item =
            db().scalar(u"select IDITEM from FR_MENU where IDPLACE = 1002 and IDREPORT = ?"_s, {report}).toInt();
        QVERIFY(item > 0);
        QCOMPARE(form->currentItem(), item);
        QCOMPARE(form->info()->text(), u"Отчет: Из файла"_s);

        const int admin = Shell::TDataBaseConnection::instance().currentUserId();
        const int other =
            db().scalar(u"select min(US_ID) from CRM_USERS where US_ID <> ?"_s, {admin}).toInt();
        Security::FrMenuRights::deny(db(), other, item);
        QMenu mine;
        Reports::ReportMenu::attach(1002, &mine, [](int) {});
        QVERIFY(actionNamed(&mine, u"Из файла"_s));
        Shell::TDataBaseConnection::instance().setCurrentUser(other, u"Другой"_s, u"d"_s, u"Отдел продаж"_s);
        QMenu his;
        Reports::ReportMenu::attach(1002, &his, [](int) {});
        QVERIFY(!actionNamed(&his, u"Из файла"_s));
        QVERIFY(actionNamed(&his, u"Реестр заявок покупателей"_s));

        // Without the security right nobody lifts denials, his own included.
        db().exec(u"delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = 100002"_s, {other});
        QString said;
        whenModal([&said](QWidget* m) {
            auto* box = qobject_cast<QMessageBox*>(m);
            if (!box)
                return false;
            said = box->text();
            box->accept();
            return true;
        });
        form->command(u"actMenuRights"_s)->trigger();
        QVERIFY(!said.isEmpty());
        QVERIFY(Security::FrMenuRights::isDenied(db(), other, item));
        Shell::TDataBaseConnection::instance().setCurrentUser(admin, u"Админ"_s, u"Админ"_s, u"Отдел закупок"_s);
    }
};

QTEST_MAIN(ReportWindowsTest)
#include "tst_reportwindows.moc"
