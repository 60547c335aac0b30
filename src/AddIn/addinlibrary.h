#pragma once

#include "tarvo/addinbase.h"

#include <QString>

#include <functional>

namespace Tarvo::AddIn {

// A module library, loaded once per process and never unloaded: a module may leave a widget, a
// timer, a thread or a static behind, which would point into unmapped code after an unload. A
// file replaced on disk counts from the next start.
class AddInLibrary
{
public:
    // Loads the library of the bare file name from the module folders with every symbol bound at
    // once; throws a Russian message naming the file and the cause.
    static const AddInLibrary& load(const QString& bareName);

    const QString& fileName() const { return m_fileName; }
    const QString& path() const { return m_path; }
    // The module's data folder "exp" beside it, absolute.
    QString dataFolder() const;

    // The module object of the library's class factory (SetAppDir called first when exported).
    tarvo::ComPtr<tarvo::IAddIn> createModule() const;

    // "Модуль расширения «file»: cause" with the original's own line below when given.
    [[noreturn]] static void fail(const QString& fileName, const QString& cause, const QString& detail = {});
    // Runs a call into module code: a C++ exception escaping it is turned into a failure naming
    // the module, never carried on through the program.
    static void guarded(const QString& fileName, const QString& what, const std::function<void()>& call);
    // The text of the module object's IAddInErrorInfo (at most 1025 bytes to the first zero,
    // UTF-8 or else windows-1251); empty when it has none.
    static QString moduleErrorText(tarvo::IUnknown* object);
    static QString hresultText(tarvo::HRESULT hr);

private:
    AddInLibrary() = default;

    QString m_fileName;
    QString m_path;
    void* m_handle = nullptr;
    TarvoDllGetClassObject m_getClassObject = nullptr;
    TarvoSetAppDir m_setAppDir = nullptr;
};

} // namespace Tarvo::AddIn
