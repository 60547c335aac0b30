#pragma once

#include <QObject>

class QWidget;

namespace Tarvo::Widgets {

// Gives every labelled control without a name of its own its label's text as its accessible name,
// so a screen reader says "От кого" for a combo box rather than the value chosen in it. Installed
// once on the application, it names the controls of each window (and MDI document) when shown,
// and has combo boxes spoken by their name rather than their value (ComboAccessible).
class FieldNames : public QObject
{
    Q_OBJECT
public:
    static void install();
    // Names the buddies of every label inside `root`.
    static void apply(QWidget* root);
    // A label's text as spoken: no Alt-letter marks, no markup, no surrounding blanks.
    static QString spoken(const QString& labelText);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace Tarvo::Widgets
