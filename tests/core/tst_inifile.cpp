#include "core/exception.h"
#include "core/inifile.h"
#include "data/engine/connectionsettings.h"

#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Tarvo;

namespace {
void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray cp1251(const QString& text)
{
    QStringEncoder e("windows-1251");
    return e(text);
}

// Expects a write to be refused and the file left exactly as it was.
void expectRefused(const QString& path)
{
    const QFileInfo before(path);
    IniFile ini(path);
    QVERIFY2(!ini.readError().isEmpty(), qPrintable(path));
    QCOMPARE(ini.readString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("def")),
             QStringLiteral("def"));
    QVERIFY_THROWS_EXCEPTION(Exception, ini.writeString(QStringLiteral("A"), QStringLiteral("k"),
                                                        QStringLiteral("v")));
    const QFileInfo after(path);
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.exists(), before.exists());
}

// The other process of the concurrent-writers case: writes `count` keys one by one.
int writeKeys(const QString& path, const QString& prefix, int count)
{
    IniFile ini(path);
    for (int i = 0; i < count; ++i)
        ini.writeInteger(QStringLiteral("KEYS"), prefix + QString::number(i), i);
    return 0;
}
} // namespace

class IniFileTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void fullDiskKeepsTheOldFileAndReportsIt()
    {
        if (geteuid() != 0)
            QSKIP("needs root to mount a small file system");
        const QString mnt = m_dir.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(mnt));
        if (mount("tmpfs", mnt.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount tmpfs here");
        const auto unmount = qScopeGuard([&] { umount(mnt.toLocal8Bit().constData()); });

        const QString path = mnt + QStringLiteral("/scm_cfg.ini");
        QByteArray old = "[FORMAT]\nCURRDIGIT=2\n[LIST]\n";
        for (int i = 0; old.size() < 13200; ++i)
            old += "Item" + QByteArray::number(i) + "=" + QByteArray(40, 'x') + "\n";
        writeFile(path, old);
        // Fill the disk, then leave 8 KB: less than the new content needs.
        const QString filler = mnt + QStringLiteral("/filler");
        {
            QFile f(filler);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (f.write(block) == block.size()) {
            }
            f.close();
            QVERIFY(f.resize(f.size() - 8192));
        }

        IniFile ini(path);
        try {
            ini.writeString(QStringLiteral("FORMAT"), QStringLiteral("DECCDIGIT"), QStringLiteral("3"));
            QFAIL("a write on a full disk reported success");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(path), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("нет места")), qPrintable(e.message()));
        }
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(mnt).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary left

        // With room again the same write goes through.
        QVERIFY(QFile::remove(filler));
        ini.writeString(QStringLiteral("FORMAT"), QStringLiteral("DECCDIGIT"), QStringLiteral("3"));
        QCOMPARE(IniFile(path).readInteger(QStringLiteral("FORMAT"), QStringLiteral("DECCDIGIT"), 0), 3);
        QVERIFY(readFile(path).startsWith("[FORMAT]\nCURRDIGIT=2\nDECCDIGIT=3\n[LIST]\nItem0="));
    }

    void twoProcessesWritingOneFileKeepEachOthersKeys()
    {
        const QString path = m_dir.filePath(QStringLiteral("shared.ini"));
        constexpr int Keys = 300;
        QProcess a, b;
        for (auto [p, prefix] : {std::pair{&a, "a"}, std::pair{&b, "b"}}) {
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--write-keys"), path, QLatin1String(prefix), QString::number(Keys)});
        }
        QVERIFY(a.waitForFinished(120000));
        QVERIFY(b.waitForFinished(120000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);
        IniFile ini(path);
        QCOMPARE(ini.keys(QStringLiteral("KEYS")).size(), 2 * Keys);
        QCOMPARE(ini.readInteger(QStringLiteral("KEYS"), QStringLiteral("b299"), -1), 299);
        QVERIFY(!QFile::exists(path + QStringLiteral(".lock")));
    }

    void windows1251FileIsReadAndWhatWasNotWrittenIsKept()
    {
        const QString path = m_dir.filePath(QStringLiteral("forms1251.ini"));
        const QByteArray original = cp1251(QStringLiteral("[Окна]\r\nЗаголовок=Заявки покупателей\r\n"
                                                          "; настроено на старой станции\r\n\r\n"
                                                          "[DESKTOP]\r\nTMainForm=0 0 800 600 2\r\n"));
        writeFile(path, original);
        IniFile ini(path);
        QCOMPARE(ini.readString(QStringLiteral("окна"), QStringLiteral("заголовок")),
                 QStringLiteral("Заявки покупателей"));

        ini.writeString(QStringLiteral("DESKTOP"), QStringLiteral("TfCatalog"), QStringLiteral("Каталог 1"));
        // The old lines byte for byte; the new one in the file's own code page and line ends.
        QCOMPARE(readFile(path), original + cp1251(QStringLiteral("TfCatalog=Каталог 1\r\n")));
        QCOMPARE(IniFile(path).readString(QStringLiteral("DESKTOP"), QStringLiteral("TfCatalog")),
                 QStringLiteral("Каталог 1"));

        // Text that windows-1251 cannot hold: the file becomes UTF-8 and keeps every value.
        ini.writeString(QStringLiteral("DESKTOP"), QStringLiteral("Note"), QStringLiteral("価格 — цена"));
        const QByteArray utf8 = readFile(path);
        QStringDecoder check(QStringDecoder::Utf8);
        const QString decoded = check(utf8);
        QVERIFY(!check.hasError());
        IniFile again(path);
        QCOMPARE(again.readString(QStringLiteral("Окна"), QStringLiteral("Заголовок")),
                 QStringLiteral("Заявки покупателей"));
        QCOMPARE(again.readString(QStringLiteral("DESKTOP"), QStringLiteral("Note")), QStringLiteral("価格 — цена"));
        QVERIFY(utf8.contains("; настроено на старой станции\r\n"));
    }

    void fileOverTheCapIsNeverReplaced()
    {
        const QString path = m_dir.filePath(QStringLiteral("huge.ini"));
        writeFile(path, "[A]\nk=kept\n");
        QFile f(path);
        QVERIFY(f.resize(IniFile::MaxSize + 1800 * 1024)); // sparse: cheap on disk
        expectRefused(path);
        QCOMPARE(QFileInfo(path).size(), IniFile::MaxSize + 1800 * 1024);
        QVERIFY(readFile(path).startsWith("[A]\nk=kept\n"));
    }

    void onlyRegularFilesAreRead()
    {
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.ini"));
        QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        expectRefused(fifo); // returns at once instead of waiting for a writer

        const QString zero = m_dir.filePath(QStringLiteral("zero.ini"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        expectRefused(zero);

        const QString dir = m_dir.filePath(QStringLiteral("dir.ini"));
        QVERIFY(QDir().mkpath(dir));
        expectRefused(dir);

        const QString dangling = m_dir.filePath(QStringLiteral("dangling.ini"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("gone/target.ini")), dangling));
        expectRefused(dangling);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("gone/target.ini"))));
    }

    void unreadableWorkstationFileStopsTheConnection()
    {
        const QString dir = m_dir.filePath(QStringLiteral("ws-dir/tarvo.ini"));
        QVERIFY(QDir().mkpath(dir));
        const QString binary = m_dir.filePath(QStringLiteral("ws-bin.ini"));
        writeFile(binary, QByteArray("[SERVER]\nSERVER NAME=db1\n\0\0\x01\x02\x03\xff\xfe", 32));
        const QString dangling = m_dir.filePath(QStringLiteral("ws-link.ini"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nowhere.ini")), dangling));
        for (const QString& path : {dir, binary, dangling}) {
            try {
                Data::ConnectionSettings::fromIni(path, {});
                QFAIL(qPrintable(QStringLiteral("read as absent: ") + path));
            } catch (const Exception& e) {
                QVERIFY2(e.message().contains(QLatin1Char('"') + path + QLatin1Char('"')), qPrintable(e.message()));
            }
        }
        // Absent altogether: the embedded database, as before.
        QVERIFY(Data::ConnectionSettings::fromIni(m_dir.filePath(QStringLiteral("none.ini")), {}).isEmbeddedDefault());
    }

private:
    QTemporaryDir m_dir;
};

int main(int argc, char** argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--write-keys") == 0)
        return writeKeys(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), atoi(argv[4]));
    QCoreApplication app(argc, argv);
    IniFileTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inifile.moc"
