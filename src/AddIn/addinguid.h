#pragma once

#include "tarvo/addin.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

namespace Tarvo::AddIn {

// GUIDs as the modules see them and as the blobs store them: the 16 bytes of the structure in
// memory order (Data1..3 little-endian), which is not QUuid's network order.
namespace Guid {

inline QUuid toUuid(const tarvo::GUID& g)
{
    return QUuid(g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                 g.Data4[5], g.Data4[6], g.Data4[7]);
}

inline tarvo::GUID fromUuid(const QUuid& u)
{
    tarvo::GUID g;
    g.Data1 = u.data1;
    g.Data2 = u.data2;
    g.Data3 = u.data3;
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = u.data4[i];
    return g;
}

QByteArray toBytes(const QUuid& u);
// Null for anything but exactly 16 bytes.
QUuid fromBytes(const QByteArray& bytes);

} // namespace Guid

} // namespace Tarvo::AddIn
