#pragma once

#include "shell/tformactivation.h"

#include <memory>
#include <utility>
#include <vector>

namespace Tarvo::Shell {

// The process-wide list of activators, in registration order.
class FormActivationRegistry
{
public:
    static FormActivationRegistry& instance();

    // Registered under the activator's name for its own form type.
    void add(std::unique_ptr<TFormActivation> activator);
    // Opens the window of `formType`; false (and nothing happens) for an
    // unregistered number, which callers treat as a silent cancel.
    bool open(int formType, int parameter);
    bool contains(int formType) const;
    void clear();

private:
    TFormActivation* find(int formType) const;

    std::vector<std::pair<QString, std::unique_ptr<TFormActivation>>> m_entries;
};

} // namespace Tarvo::Shell
