#include "AddIn/addinlibrary.h"

#include "AddIn/addinfolders.h"
#include "AddIn/taddincollection.h"
#include "core/exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <dlfcn.h>
#include <memory>

namespace Tarvo::AddIn {

namespace {

// By absolute path: the same file is opened once.
QHash<QString, AddInLibrary*>& loaded()
{
    static QHash<QString, AddInLibrary*> libraries;
    return libraries;
}

} // namespace

void AddInLibrary::fail(const QString& fileName, const QString& cause, const QString& detail)
{
    QString text = QStringLiteral("Модуль расширения «%1»: %2").arg(fileName, cause);
    if (!detail.isEmpty())
        text += u'\n' + detail;
    throw Exception(text);
}

QString AddInLibrary::hresultText(tarvo::HRESULT hr)
{
    return QStringLiteral("0x%1").arg(quint32(hr), 8, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x');
}

void AddInLibrary::guarded(const QString& fileName, const QString& what, const std::function<void()>& call)
{
    try {
        call();
    } catch (const Exception&) {
        throw;
    } catch (const Abort&) {
        throw;
    } catch (const std::exception& e) {
        fail(fileName,
             QStringLiteral("%1 завершился исключением: %2").arg(what, QString::fromUtf8(e.what())));
    } catch (...) {
        fail(fileName, QStringLiteral("%1 завершился неизвестным исключением").arg(what));
    }
}

QString AddInLibrary::moduleErrorText(tarvo::IUnknown* object)
{
    if (!object)
        return {};
    tarvo::ComPtr<tarvo::IAddInErrorInfo> info;
    if (tarvo::failed(object->QueryInterface(tarvo::IID_IAddInErrorInfo, info.putVoid())) || !info)
        return {};
    constexpr int Size = 1025;
    char buffer[Size + 1] = {};
    if (tarvo::failed(info->GetLastError(buffer, Size)))
        return {};
    buffer[Size] = 0; // a module that filled every byte still ends here
    const QByteArray raw(buffer, qsizetype(qstrnlen(buffer, Size)));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(raw);
    if (utf8.hasError()) {
        QStringDecoder cp1251("windows-1251");
        text = cp1251.isValid() ? cp1251(raw) : QString::fromLatin1(raw);
    }
    return text.trimmed();
}

const AddInLibrary& AddInLibrary::load(const QString& bareName)
{
    const QString name = TAddInCollectionItem::bareFileName(bareName);
    const QString path = AddInFolders::locate(name);
    if (path.isEmpty())
        fail(name, QStringLiteral("файл не найден в папках модулей (%1)")
                       .arg(AddInFolders::folders().join(QStringLiteral("; "))));
    if (AddInLibrary* known = loaded().value(path))
        return *known;

    // Every symbol is bound now: a module that needs one this program does not have fails here,
    // not at some later call.
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        fail(name, QStringLiteral("библиотека не загружается: %1").arg(QString::fromLocal8Bit(dlerror())));
    auto lib = std::unique_ptr<AddInLibrary>(new AddInLibrary);
    lib->m_fileName = name;
    lib->m_path = path;
    lib->m_handle = handle;
    lib->m_getClassObject = reinterpret_cast<TarvoDllGetClassObject>(dlsym(handle, "DllGetClassObject"));
    lib->m_setAppDir = reinterpret_cast<TarvoSetAppDir>(dlsym(handle, "SetAppDir"));
    const auto version =
        reinterpret_cast<TarvoAddInSdkVersionFunction>(dlsym(handle, "TarvoAddInSdkVersion"));
    // The library stays mapped even when refused: its initialisers have run already.
    AddInLibrary* kept = lib.release();
    loaded().insert(path, kept);
    if (!kept->m_getClassObject)
        fail(name,
             QStringLiteral("библиотека не экспортирует DllGetClassObject и не является модулем расширения"),
             QStringLiteral("%1 is not an ActiveX").arg(name));
    if (!version)
        fail(name, QStringLiteral("библиотека собрана не набором разработки модулей Тарво "
                                  "(нет функции TarvoAddInSdkVersion)"));
    int32_t v = 0;
    guarded(name, QStringLiteral("TarvoAddInSdkVersion"), [&] { v = version(); });
    if (v != TARVO_ADDIN_SDK_VERSION)
        fail(name,
             QStringLiteral("модуль собран для версии %1 набора разработки, программа поддерживает версию %2")
                 .arg(v)
                 .arg(TARVO_ADDIN_SDK_VERSION));
    return *kept;
}

QString AddInLibrary::dataFolder() const
{
    return QFileInfo(m_path).absoluteDir().absoluteFilePath(QStringLiteral("exp"));
}

tarvo::ComPtr<tarvo::IAddIn> AddInLibrary::createModule() const
{
    if (!m_getClassObject)
        fail(m_fileName,
             QStringLiteral("библиотека не экспортирует DllGetClassObject и не является модулем расширения"),
             QStringLiteral("%1 is not an ActiveX").arg(m_fileName));
    tarvo::ComPtr<tarvo::IAddIn> module;
    guarded(m_fileName, QStringLiteral("Создание объекта модуля"), [&] {
        if (m_setAppDir)
            m_setAppDir(QFile::encodeName(dataFolder()).constData());
        tarvo::ComPtr<tarvo::IClassFactory> factory;
        tarvo::HRESULT hr =
            m_getClassObject(&tarvo::CLSID_AddIn, &tarvo::IID_IClassFactory, factory.putVoid());
        if (tarvo::failed(hr) || !factory)
            fail(m_fileName, QStringLiteral("класс модуля недоступен (код %1)").arg(hresultText(hr)));
        hr = factory->CreateInstance(nullptr, tarvo::IID_IAddIn, module.putVoid());
        if (tarvo::failed(hr) || !module)
            fail(m_fileName, QStringLiteral("объект модуля не создан (код %1)").arg(hresultText(hr)));
    });
    return module;
}

} // namespace Tarvo::AddIn
