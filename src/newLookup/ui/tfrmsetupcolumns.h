#pragma once

#include "newLookup/tcolinfo.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

namespace Tarvo::NewLookup {

class TColList;

// "Настройка колонок": which columns show, their captions and order. Works on a copy: "Отмена"
// changes nothing, "Ok" applies every column at its listed position.
class TfrmSetupColumns : public QDialog
{
    Q_OBJECT
public:
    TfrmSetupColumns(const QList<TColInfo>& columns, QWidget* parent = nullptr);

    QList<TColInfo> columns() const { return m_columns; }
    QListWidget* list() const { return m_list; }
    QLineEdit* captionEdit() const { return m_caption; }

    // Collects the list, shows the dialog and applies on "Ok". True when confirmed.
    static bool execute(TColList& list, QWidget* parent = nullptr);

private:
    void showCurrent();
    void captionEdited(const QString& text);
    void move(int delta);

    QList<TColInfo> m_columns;
    QListWidget* m_list;
    QLineEdit* m_caption;
};

} // namespace Tarvo::NewLookup
