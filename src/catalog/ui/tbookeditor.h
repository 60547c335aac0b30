#pragma once

#include <QDialog>
#include <memory>

class QPushButton;
class QVBoxLayout;

namespace Tarvo::Data {
class TUpdatedADODataSet;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Catalog {

// A plain reference book edited in the grid: "Добавить", "Сохранить", "Удалить", "Выход".
// Each post and delete is written at once by the dataset's handlers; deleting asks
// "Удалить запись ?". Columns labelled "-" are hidden. Esc drops an unsaved edit and closes; "Выход" (Enter) saves it first.
class TBookEditor : public QDialog
{
    Q_OBJECT
public:
    TBookEditor(const QString& caption, std::unique_ptr<Data::TUpdatedADODataSet> dataSet,
                QWidget* parent = nullptr);
    ~TBookEditor() override;

    Data::TUpdatedADODataSet& dataSet() const { return *m_dataSet; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* deleteButton() const { return m_delete; }

    void addRecord();
    void saveRecord();
    void deleteRecord();

    void accept() override;
    void reject() override;

protected:
    QVBoxLayout* layout() const { return m_layout; }

private:
    std::unique_ptr<Data::TUpdatedADODataSet> m_dataSet;
    Widgets::TDataGrid* m_grid;
    QVBoxLayout* m_layout;
    QPushButton* m_add;
    QPushButton* m_save;
    QPushButton* m_delete;
};

} // namespace Tarvo::Catalog
