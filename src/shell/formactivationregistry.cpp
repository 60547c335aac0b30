#include "shell/formactivationregistry.h"

namespace Tarvo::Shell {

FormActivationRegistry& FormActivationRegistry::instance()
{
    static FormActivationRegistry registry;
    return registry;
}

void FormActivationRegistry::add(std::unique_ptr<TFormActivation> activator)
{
    QString name = activator->name(activator->formType());
    m_entries.emplace_back(std::move(name), std::move(activator));
}

TFormActivation* FormActivationRegistry::find(int formType) const
{
    // Each activator names the number its own way; the first name that is registered wins.
    for (const auto& [ignored, activator] : m_entries) {
        const QString wanted = activator->name(formType);
        for (const auto& [name, target] : m_entries)
            if (name == wanted)
                return target.get();
    }
    return nullptr;
}

bool FormActivationRegistry::open(int formType, int parameter)
{
    TFormActivation* target = find(formType);
    if (!target)
        return false;
    target->activate(parameter);
    return true;
}

bool FormActivationRegistry::contains(int formType) const
{
    return find(formType) != nullptr;
}

void FormActivationRegistry::clear()
{
    m_entries.clear();
}

} // namespace Tarvo::Shell
