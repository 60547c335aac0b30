#pragma once

#include <QString>
#include <optional>

namespace Tarvo::Shell {

// A window's saved place: the normal (restored) rectangle and the state,
// written as "left top width height state".
struct FormPlacement
{
    enum State
    {
        Normal = 0,
        Minimized = 1,
        Maximized = 2
    };

    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int state = Normal;

    // Reads up to five signed integers, skipping anything else between them.
    // Anything but exactly five numbers with a state of 0, 1 or 2 and a
    // positive size gives no placement: the window keeps its designed place.
    static std::optional<FormPlacement> parse(const QString& text);
    QString toString() const;

    bool operator==(const FormPlacement&) const = default;
};

} // namespace Tarvo::Shell
