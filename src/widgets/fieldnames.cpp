#include "widgets/fieldnames.h"

#include "widgets/comboaccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace Tarvo::Widgets {

void FieldNames::install()
{
    static FieldNames* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new FieldNames(qApp);
    qApp->installEventFilter(filter);
    QAccessible::installFactory(&ComboAccessible::factory);
}

QString FieldNames::spoken(const QString& labelText)
{
    QString text = Qt::mightBeRichText(labelText) ? QTextDocumentFragment::fromHtml(labelText).toPlainText()
                                                  : labelText;
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                plain += text[++i];
            continue;
        }
        plain += text[i];
    }
    return plain.simplified();
}

void FieldNames::apply(QWidget* root)
{
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* field = label->buddy();
        if (!field)
            continue;
        // A name the window gave itself says more (the group, say: "По дате заявки: От").
        const QString name = spoken(label->text());
        if (!name.isEmpty() && field->accessibleName().isEmpty())
            field->setAccessibleName(name);
    }
}

bool FieldNames::eventFilter(QObject* watched, QEvent* event)
{
    // A window's fields exist by the time it is shown; an MDI document shows inside the main window.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() || qobject_cast<QMdiSubWindow*>(w))
            apply(w);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Tarvo::Widgets
