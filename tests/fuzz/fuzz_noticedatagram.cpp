// libFuzzer target for the workstation datagram: any input parses or is refused without harm,
// and what parses builds back to the same bytes.
//   scripts: see build-fuzz.sh beside this file
#include "messaging/noticedatagram.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto notice = Tarvo::Messaging::NoticeDatagram::parse(input);
    if (!notice)
        return 0;
    if (Tarvo::Messaging::NoticeDatagram::build(notice->key, notice->event, notice->payload) != input)
        abort();
    return 0;
}
