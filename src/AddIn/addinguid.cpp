#include "AddIn/addinguid.h"

#include <QtEndian>

namespace Tarvo::AddIn::Guid {

QByteArray toBytes(const QUuid& u)
{
    QByteArray b(16, '\0');
    char* p = b.data();
    qToLittleEndian<quint32>(u.data1, p);
    qToLittleEndian<quint16>(u.data2, p + 4);
    qToLittleEndian<quint16>(u.data3, p + 6);
    for (int i = 0; i < 8; ++i)
        p[8 + i] = char(u.data4[i]);
    return b;
}

QUuid fromBytes(const QByteArray& b)
{
    if (b.size() != 16)
        return {};
    const char* p = b.constData();
    return QUuid(qFromLittleEndian<quint32>(p), qFromLittleEndian<quint16>(p + 4),
                 qFromLittleEndian<quint16>(p + 6), uchar(p[8]), uchar(p[9]), uchar(p[10]), uchar(p[11]),
                 uchar(p[12]), uchar(p[13]), uchar(p[14]), uchar(p[15]));
}

} // namespace Tarvo::AddIn::Guid
