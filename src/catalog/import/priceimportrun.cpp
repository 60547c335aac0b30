#include "catalog/import/priceimportrun.h"

#include "AddIn/addinguid.h"
#include "AddIn/addinlibrary.h"
#include "AddIn/taddinwrapper.h"
#include "AddIn/tconnectionobject.h"
#include "catalog/import/priceimportprompts.h"
#include "catalog/import/priceimportsaver.h"
#include "catalog/import/priceimportsession.h"
#include "catalog/import/t1partnerimport.h"
#include "catalog/import/thostcomponent.h"
#include "catalog/import/tpriceoptions.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "security/currentuser.h"
#include "tarvo/priceimport.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString PriceImportRun::SavedText = u"Сохранение законченно."_s;

void PriceImportRun::check(Data::Database& db, const TFPPrice& entry)
{
    if (entry.supplierName.trimmed().isEmpty())
        throw Exception(u"Для импорта не выбран поставщик. Укажите его в настройке колонок («Изменить»)."_s);
    if (entry.libName.trimmed().isEmpty())
        throw Exception(u"Для импорта не выбрана программа обработки. Укажите её в настройке колонок («Изменить»)."_s);
    Data::Query q(db, u"select count(*) from _partner where N_USER = ?"_s);
    q.bindAll({entry.supplierName}).exec();
    if (!q.next() || q.integer(0) == 0)
        throw Exception(u"Поставщика «%1» больше нет в справочнике контрагентов."_s.arg(entry.supplierName));
    const QFileInfo info(entry.sourceName);
    if (entry.sourceName.isEmpty())
        throw Exception(u"Для импорта не выбран файл прайса."_s);
    QFile f(entry.sourceName);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly))
        throw Exception(u"Файл прайса «%1» не читается: %2"_s.arg(
            entry.sourceName, info.exists() ? f.errorString() : u"файл не найден"_s));
}

PriceImportRun::Outcome PriceImportRun::run(const TFPPrice& entry)
{
    check(m_db, entry);
    PriceImportSession session(m_db, entry.supplierName, m_prompts);

    AddIn::TAddInCollectionItem item;
    item.dllname = entry.libName;
    item.descr = entry.prgName.isEmpty() ? entry.libName : entry.prgName;
    item.type = AddIn::Guid::toUuid(tarvo::ADDIN_TYPE_PRICE_IMPORT);
    item.initData = entry.initData;
    const tarvo::ComPtr<tarvo::IUnknown> module = AddIn::CreateAddIn(item);
    tarvo::ComPtr<tarvo::IPriceImport> import;
    if (tarvo::failed(module->QueryInterface(tarvo::IID_IPriceImport, import.putVoid())) || !import)
        AddIn::AddInLibrary::fail(item.dllname,
                                  u"модуль «%1» не является модулем импорта прайсов (нет IPriceImport)"_s.arg(item.descr));

    auto* options = new TPriceOptions(entry);
    auto* importer = new T1PartnerImport(session);
    auto* connection = new AddIn::TConnectionObject(m_db);
    const auto release = [&] {
        for (auto* o : std::initializer_list<tarvo::IUnknown*>{options->unknown(), importer->unknown(),
                                                                connection->unknown()})
            o->Release();
    };

    // A failed call: the module's own text, else its code.
    const auto callModule = [&](const char* what, const std::function<tarvo::HRESULT()>& f) {
        tarvo::HRESULT hr = tarvo::S_OK;
        AddIn::AddInLibrary::guarded(item.dllname, u"Модуль «%1»"_s.arg(item.descr), [&] { hr = f(); });
        if (!importer->hostFailure().isEmpty())
            throw Exception(importer->hostFailure());
        if (tarvo::failed(hr)) {
            const QString text = AddIn::AddInLibrary::moduleErrorText(import.get());
            throw Exception(u"Модуль «%1» завершился с ошибкой в %2 (код %3)%4"_s.arg(
                item.descr, QLatin1String(what), AddIn::AddInLibrary::hresultText(hr),
                text.isEmpty() ? QString() : u": "_s + text));
        }
    };

    Outcome out;
    try {
        callModule("Open", [&] { return import->Open(m_window, connection, options); });
        std::int32_t expected = 0;
        std::int32_t reserved = 0;
        callModule("Open", [&] { return import->GetExpectedRows(&expected); });
        callModule("Open", [&] { return import->GetReserved(&reserved); });
        while (!session.stopped()) {
            std::int32_t eof = 0;
            callModule("Eof", [&] { return import->Eof(&eof); });
            if (eof)
                break;
            callModule("ImportRow", [&] { return import->ImportRow(importer); });
            m_prompts.progress(session.rowsSeen(), std::max<std::int32_t>(expected, 0));
            if (m_prompts.stopRequested())
                session.stop();
        }
    } catch (const Exception& e) {
        out.failure = e.message();
    }
    try {
        callModule("Close", [&] { return import->Close(); });
    } catch (const Exception& e) {
        if (out.failure.isEmpty())
            out.failure = e.message();
    }
    options->disconnect();
    importer->disconnect();
    connection->disconnect();
    release();
    if (m_db.inTransaction()) {
        m_db.rollback();
        const QString note = u"Модуль «%1» оставил транзакцию незавершённой: его изменения отменены."_s.arg(item.descr);
        out.failure = out.failure.isEmpty() ? note : out.failure + u'\n' + note;
    }
    try {
        session.finish();
    } catch (const Exception& e) {
        if (out.failure.isEmpty())
            out.failure = e.message();
    }
    // Rows lost on their way to the temporary file: nothing may be saved from such a run.
    if (session.store().failed())
        out.failure += u"\nИмпорт прерван, в базу ничего не записано."_s;
    out.rows = session.rowsSeen();
    out.deferred = session.store().deferredCount();
    out.prepared = session.store().count() - out.deferred;
    if (!out.failure.isEmpty())
        m_prompts.failure(out.failure);
    out.saved = !session.store().failed() && commit(session, out.failure);
    return out;
}

bool PriceImportRun::commit(PriceImportSession& session, const QString& failure)
{
    {
        const qint64 deferred = session.store().deferredCount();
        const qint64 prepared = session.store().count() - deferred;
        QString text = u"Подготовленно товаров : %1\nЖелаете сохранить их в базу?"_s.arg(prepared);
        if (!failure.isEmpty())
            text = u"Чтение файла прервано ошибкой: файл прочитан только до строки %1.\n"_s.arg(session.rowsSeen()) +
                   text;
        QString details = u"Прочитано строк: %1\nСопоставлено товаров: %2\nОтложено для разбора: %3\n"
                          u"Пропущено строк: %4"_s.arg(session.rowsSeen())
                              .arg(prepared)
                              .arg(deferred)
                              .arg(session.skipped());
        if (session.reported() > 0) {
            details += u"\n\nСтроки, не принятые из файла (%1):\n"_s.arg(session.reported()) +
                       session.reports().join(u'\n');
            if (session.reported() > session.reports().size())
                details += u"\n…"_s;
        }
        if (!m_prompts.confirmSave(text, details, failure.isEmpty()))
            return false;
    }
    for (;;) {
        try {
            PriceImportSaver(m_db, Security::CurrentUserId()).save(session);
            m_prompts.saved(SavedText);
            return true;
        } catch (const PriceImportSaver::RowsRefused& e) {
            if (!m_prompts.retrySave(e.message() + u"\nСохранить остальные строки без них?"_s))
                return false;
            for (const QString& a : e.articles())
                session.store().remove(PriceRowStore::key(a));
        } catch (const Exception& e) {
            if (!m_prompts.retrySave(u"Сохранение не выполнено: %1\nПодготовленные строки не потеряны. "
                                     u"Повторить сохранение?"_s.arg(e.message())))
                return false;
        }
    }
}

} // namespace Tarvo::Catalog
