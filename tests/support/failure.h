#pragma once

#include "core/exception.h"

#include <QString>
#include <functional>

namespace Tarvo::Test {

// The message of the exception `f` throws, or an empty text when it throws none.
inline QString failureOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

} // namespace Tarvo::Test
