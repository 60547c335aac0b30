#pragma once

#include "otbor/tvarlist.h"

namespace Tarvo::Otbor {

// The first active variable of type T in a register's list (null list or none: nullptr).
template <typename T> T* activeVar(const TVarList* list)
{
    if (!list)
        return nullptr;
    for (TVar* v : list->items())
        if (auto* t = dynamic_cast<T*>(v); t && t->active())
            return t;
    return nullptr;
}

} // namespace Tarvo::Otbor
