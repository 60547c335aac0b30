#include "AddIn/addinactionrunner.h"
#include "AddIn/addinfixture.h"
#include "data/engine/database.h"
#include "support/testdatabase.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

QString run(const QString& program, const QStringList& args, const QProcessEnvironment& env = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return u"FAILED: "_s + program + u' ' + args.join(u' ') + u'\n' +
               QString::fromLocal8Bit(p.readAllStandardError()) +
               QString::fromLocal8Bit(p.readAllStandardOutput());
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

} // namespace

// The kit as a module author gets it: installed with the program, it alone builds the example
// module, which the client then finds and runs.
class AddInInstallTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_home;

private slots:
    void exampleBuiltFromTheInstalledKitRuns()
    {
        const QString prefix = m_dir.filePath(u"usr"_s);
        QString out = run(u"cmake"_s, {u"--install"_s, qEnvironmentVariable("TARVO_TEST_BINARY_DIR"),
                                       u"--prefix"_s, prefix});
        QVERIFY2(!out.startsWith(u"FAILED"_s), qPrintable(out));
        for (const QString& f :
             {u"include/tarvo/addin.h"_s, u"include/tarvo/addinbase.h"_s, u"include/tarvo/addinsql.h"_s,
              u"share/pkgconfig/tarvo-addin.pc"_s, u"share/doc/tarvo-scm/sdk/README.md"_s,
              u"share/doc/tarvo-scm/sdk/examplemodule.cpp"_s, u"lib/tarvo/modules/tarvo_cbr_rates.so"_s,
              u"lib/tarvo/modules/tarvo_csv_export.so"_s})
            QVERIFY2(QFileInfo(prefix + u'/' + f).size() > 0, qPrintable(f));

        // The program exports one function for modules, nothing else.
        const QStringList exported =
            run(u"nm"_s, {u"-D"_s, u"--defined-only"_s, prefix + u"/bin/tarvo-scm"_s}).split(u'\n');
        QStringList functions;
        for (const QString& line : exported)
            if (line.section(u' ', 1, 1) == u"T"_s)
                functions << line.section(u' ', 2);
        QCOMPARE(functions, QStringList{u"WSF_ReleaseContoller"_s});

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"PKG_CONFIG_PATH"_s, prefix + u"/share/pkgconfig"_s);
        const QStringList pc{u"--define-variable=prefix="_s + prefix, u"tarvo-addin"_s};
        const QString cflags = run(u"pkg-config"_s, QStringList{u"--cflags"_s} + pc, env);
        QCOMPARE(cflags, u"-I"_s + prefix + u"/include"_s);
        QCOMPARE(run(u"pkg-config"_s, QStringList{u"--variable=moduledir"_s} + pc, env),
                 prefix + u"/lib/tarvo/modules"_s);

        // Nothing of the source tree is on the compiler's path: the installed headers alone.
        const QString modules = m_dir.filePath(u"modules"_s);
        QDir().mkpath(modules);
        out = run(u"c++"_s, {u"-std=c++17"_s, u"-shared"_s, u"-fPIC"_s, u"-fvisibility=hidden"_s, cflags,
                             prefix + u"/share/doc/tarvo-scm/sdk/examplemodule.cpp"_s, u"-o"_s,
                             modules + u"/example_offer_count.so"_s});
        QVERIFY2(!out.startsWith(u"FAILED"_s), qPrintable(out));

        Test::TestDatabase t;
        Test::useModuleFolder(m_home.path(), modules);
        const AddIn::TAddInCollectionItem example = Test::discovered(u"Пример: число заявок"_s);
        QCOMPARE(example.dllname, u"example_offer_count.so"_s);
        AddIn::AddInActionRunner(t.db(), 0).runSimple(example);
        QCOMPARE(
            t.db()
                .scalar(
                    u"select value_nastr from scm_parametrs where inside_name_nastr = 'EXAMPLE_OFFER_COUNT'"_s)
                .toString(),
            u"0"_s);
    }
};

QTEST_MAIN(AddInInstallTest)
#include "tst_addininstall.moc"
