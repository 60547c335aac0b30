#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace Tarvo::Widgets {

// What a screen reader is told about a combo box. Qt's own interface names a combo box by its
// current text on Linux, so "От кого" was read as "ИП Васильев А.Н.": here the name is the
// control's accessible name (or its label's text) and the chosen text is its value.
class ComboAccessible : public QAccessibleWidget
{
public:
    explicit ComboAccessible(QComboBox* combo);
    // For QAccessible::installFactory.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QComboBox* combo() const;
};

} // namespace Tarvo::Widgets
