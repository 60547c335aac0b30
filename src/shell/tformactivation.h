#pragma once

#include <QString>

namespace Tarvo::Shell {

// Opens one kind of window by its form-type number.
class TFormActivation
{
public:
    virtual ~TFormActivation() = default;
    // Opens the window; `parameter` is a document key (0: a new document) or 0.
    virtual void activate(int parameter) = 0;
    // The registry name for a form-type number.
    virtual QString name(int formType) const { return QStringLiteral("Form%1").arg(formType); }
    virtual int formType() const = 0;
};

} // namespace Tarvo::Shell
