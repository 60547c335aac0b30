#pragma once

#include "AddIn/addinregistry.h"
#include "AddIn/discoveraddins.h"
#include "AddIn/taddincollection.h"
#include "core/apppaths.h"
#include "core/inifile.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <dlfcn.h>
#include <functional>

namespace Tarvo::Test {

inline QString testModulesDir()
{
    return qEnvironmentVariable("TARVO_TEST_MODULES_DIR");
}

// Isolated user folders whose "tarvo.ini" names `modules` as the module folder.
inline void useModuleFolder(const QString& home, const QString& modules = testModulesDir())
{
    isolateUserFolders(home);
    IniFile ini(AppPaths::workstationIni());
    QDir().mkpath(QFileInfo(AppPaths::workstationIni()).absolutePath());
    ini.writeString(QStringLiteral("CLIENT"), QStringLiteral("MODULES DIR"), modules);
    if (AddIn::AddInRegistry::types().isEmpty())
        AddIn::AddInRegistry::registerStandard();
}

// What a test module saw (its own log), read from the already loaded library.
inline QString moduleLog(const QString& file)
{
    const QByteArray path = QFile::encodeName(QDir(testModulesDir()).filePath(file));
    void* h = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!h)
        return {};
    using Log = const char* (*)();
    auto log = reinterpret_cast<Log>(dlsym(h, "tarvo_test_log"));
    const QString text = log ? QString::fromUtf8(log()) : QString();
    dlclose(h); // only drops the count taken here
    return text;
}

// The discovered module of that name.
inline AddIn::TAddInCollectionItem discovered(const QString& descr)
{
    AddIn::TAddInCollection all;
    AddIn::DiscoverAddIns(all);
    for (const auto& i : all.storedItems())
        if (i.descr == descr)
            return i;
    return {};
}

// Acts on modal windows as they come up, each step once, in order: the step whose object name
// matches the active modal window runs.
class ModalSteps : public QObject
{
public:
    struct Step
    {
        QString objectName; // or class name of the modal window; empty: any message box
        std::function<void(QWidget*)> act;
    };
    explicit ModalSteps(QList<Step> steps) : m_steps(std::move(steps))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            // A window acted on is acted on again only after another one came up meanwhile.
            if (w != m_last)
                m_last = nullptr;
            if (!w || !w->isVisible() || m_steps.isEmpty() || w == m_last)
                return;
            const Step& s = m_steps.first();
            const bool box = w->inherits("QMessageBox");
            if (s.objectName.isEmpty() ? !box
                                       : w->objectName() != s.objectName &&
                                             QLatin1String(w->metaObject()->className()) != s.objectName)
                return;
            m_last = w;
            const Step step = m_steps.takeFirst();
            // Outside the timer's slot: a step may open a modal window itself, and the timer does
            // not fire again while its slot runs.
            QPointer<QWidget> target = w;
            QTimer::singleShot(0, this, [this, target, step] {
                if (target)
                    step.act(target);
                // A check that failed inside the step must not leave the test waiting on a window.
                if (QTest::currentTestFailed()) {
                    m_steps.clear();
                    while (QWidget* open = QApplication::activeModalWidget())
                        open->close();
                }
            });
        });
        m_timer.start(10);
    }
    bool done() const { return m_steps.isEmpty(); }
    bool failed() const { return QTest::currentTestFailed(); }

private:
    QList<Step> m_steps;
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

} // namespace Tarvo::Test
