#pragma once

#include "catalog/selectionmarks.h"

#include <QDialog>
#include <memory>

class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace Tarvo::Data {
class Database;
class TUpdatedADOQuery;
} // namespace Tarvo::Data
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Catalog {

// A reference list opened for browsing (a document window, one instance) or as a picker in
// single or multiple selection (modal). The picker's result is the chosen key as decimal text,
// or the marked keys joined by "," in the order they were marked; empty when cancelled.
class TLibraryForm : public QDialog
{
    Q_OBJECT
public:
    enum class Mode
    {
        Browse,
        SingleSelect,
        MultiSelect,
    };

    TLibraryForm(Data::Database& db, Mode mode, const QString& keyField, QWidget* parent = nullptr);
    ~TLibraryForm() override;

    // Shows a picker of the given kind modally and returns its result.
    template <typename Form> static QString pick(Data::Database& db, Mode mode, QWidget* parent)
    {
        Form list(db, mode, parent);
        list.exec();
        return list.result();
    }

    Mode mode() const { return m_mode; }
    Data::TUpdatedADOQuery& dataSet() const { return *m_data; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    QPushButton* button(const QString& text) const;
    const SelectionMarks& marks() const { return m_marks; }
    QString result() const;

    // "Обновить" (F5): reads the list again and returns to the row that was current.
    void refresh();
    // "Отметить" (Ins): toggles the current row's mark and moves to the next row.
    void markCurrent();
    void choose();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Sets the statement and parameters of the dataset before it is read.
    virtual void prepare(Data::TUpdatedADOQuery& dataSet) = 0;
    // Captions and visible columns, after each read.
    virtual void decorate(Data::TUpdatedADOQuery& dataSet) = 0;
    // The field that finds the current row again after a refresh.
    virtual QString locateField() const = 0;
    // The new row's locate value (invalid when nothing was created).
    virtual QVariant createRecord() = 0;
    virtual void editRecord() = 0;
    virtual bool canDelete() const { return false; }
    virtual void deleteRecord() {}

    void reopen();
    void finishSetup(const QString& columnsSection);
    QVBoxLayout* layout() const { return m_layout; }
    Data::Database& database() const { return m_db; }

private:
    void activated();

    Data::Database& m_db;
    Mode m_mode;
    QString m_keyField;
    std::unique_ptr<Data::TUpdatedADOQuery> m_data;
    Widgets::TDataGrid* m_grid;
    QVBoxLayout* m_layout;
    SelectionMarks m_marks;
    QList<QPushButton*> m_buttons;
    bool m_chosen = false;
};

} // namespace Tarvo::Catalog
