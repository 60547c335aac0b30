#include "AddIn/taddininfo.h"

#include "AddIn/addinguid.h"
#include "AddIn/addinregistry.h"

#include <QStringDecoder>

namespace Tarvo::AddIn {

tarvo::ComPtr<TAddInInfo> TAddInInfo::make(TAddInCollectionB& target, const QString& fileName)
{
    return tarvo::ComPtr<TAddInInfo>::adopt(new TAddInInfo(target, fileName));
}

tarvo::HRESULT TAddInInfo::RegisterAddIn(const char* descr, std::int32_t, const tarvo::GUID* typeId,
                                         const void* data, std::int32_t dataLen)
{
    if (!m_target)
        return tarvo::RPC_E_DISCONNECTED;
    if (!typeId || dataLen < 0 || (dataLen > 0 && !data))
        return tarvo::E_INVALIDARG;
    const QUuid type = Guid::toUuid(*typeId);
    if (!AddInRegistry::isTypeRegistered(type))
        return tarvo::S_FALSE;
    try {
        TAddInCollectionItem item;
        item.dllname = m_fileName;
        const QByteArray raw = descr ? QByteArray(descr) : QByteArray();
        QStringDecoder utf8(QStringDecoder::Utf8);
        item.descr = utf8(raw);
        if (utf8.hasError()) {
            QStringDecoder cp1251("windows-1251");
            item.descr = cp1251(raw);
        }
        item.type = type;
        item.initData = QByteArray(static_cast<const char*>(data), dataLen);
        m_target->append(item);
    } catch (...) {
        return tarvo::E_OUTOFMEMORY;
    }
    return tarvo::S_OK;
}

} // namespace Tarvo::AddIn
