// libFuzzer target for the object notation reader: any input must either read or be refused
// with Tarvo::Exception, and what reads must write and read back to the same text.
//   scripts: see build-fuzz.sh beside this file
#include "data/modules/objectnotation.h"
#include "core/exception.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const auto object = Tarvo::Data::ObjectNotation::read(input);
        const QByteArray text = Tarvo::Data::ObjectNotation::write(object);
        if (Tarvo::Data::ObjectNotation::write(Tarvo::Data::ObjectNotation::read(text)) != text)
            abort();
    } catch (const Tarvo::Exception&) {
    }
    return 0;
}
