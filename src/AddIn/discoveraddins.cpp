#include "AddIn/discoveraddins.h"

#include "AddIn/addinfolders.h"
#include "AddIn/addinlibrary.h"
#include "AddIn/taddininfo.h"
#include "core/exception.h"

#include <QDir>
#include <QMap>

namespace Tarvo::AddIn {

QList<AddInLoadFailure> DiscoverAddIns(TAddInCollectionB& target)
{
    QMap<QString, bool> names; // sorted, unique
    for (const QString& dir : AddInFolders::folders())
        for (const QString& f : QDir(dir).entryList({QStringLiteral("*.so")}, QDir::Files, QDir::Name))
            names.insert(f, true);

    QList<AddInLoadFailure> failures;
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        const QString& name = it.key();
        try {
            const AddInLibrary& library = AddInLibrary::load(name);
            tarvo::ComPtr<tarvo::IAddIn> module = library.createModule();
            const tarvo::ComPtr<TAddInInfo> info = TAddInInfo::make(target, name);
            tarvo::HRESULT hr = tarvo::S_OK;
            struct Disconnect
            {
                TAddInInfo* info;
                ~Disconnect() { info->disconnect(); }
            } disconnect{info.get()};
            AddInLibrary::guarded(name, QStringLiteral("Регистрация модуля"),
                                  [&] { hr = module->Register(info.get()); });
            if (tarvo::failed(hr)) {
                const QString text = AddInLibrary::moduleErrorText(module.get());
                failures << AddInLoadFailure{
                    name, QStringLiteral("регистрация не удалась (код %1)%2")
                              .arg(AddInLibrary::hresultText(hr),
                                   text.isEmpty() ? QString() : QStringLiteral(": ") + text)};
            }
        } catch (const Exception& e) {
            QString reason = e.message();
            const QString prefix = QStringLiteral("Модуль расширения «%1»: ").arg(name);
            if (reason.startsWith(prefix))
                reason = reason.mid(prefix.size());
            failures << AddInLoadFailure{name, reason.replace(u'\n', QStringLiteral("; "))};
        }
    }
    return failures;
}

} // namespace Tarvo::AddIn
