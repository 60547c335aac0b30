// libFuzzer target for the "otbor.xml" reader: any input reads or is refused without harm,
// the variables keep their rules (days at 00:00:00 and 23:59:59, types in range), and what
// was read writes and reads back to the same text.
//   scripts: see build-fuzz.sh beside this file
#include "otbor/otborfile.h"
#include "otbor/otborlookup.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvardate.h"

#include <cstdint>
#include <cstdlib>

// The descriptions' outside data: no database here.
namespace Tarvo::Otbor::Lookup {
QString partnerName(const QString& code)
{
    return code;
}
QString currentUserName()
{
    return QStringLiteral("user");
}
QString currentUserDepartment()
{
    return QStringLiteral("dep");
}
} // namespace Tarvo::Otbor::Lookup

using namespace Tarvo::Otbor;

// Without TZ the C library rereads the zone file for every local date-time.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    TGlobalOtbors list;
    int told = 0;
    list.subscribe([&told] { ++told; });
    OtborFile::read(input, list);
    if (told > 1)
        abort();
    for (TVar* v : list.items()) {
        if (auto* d = dynamic_cast<TVarDate*>(v)) {
            if (d->dateStart().time() != QTime(0, 0) || d->dateEnd().time() != QTime(23, 59, 59) ||
                d->intervalType() > TVarDate::After)
                abort();
        }
        (void)v->description();
    }
    (void)list.description();
    const QByteArray text = OtborFile::write(list);
    TGlobalOtbors again;
    if (!OtborFile::read(text, again) || OtborFile::write(again) != text)
        abort();
    return 0;
}
