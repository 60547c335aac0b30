#pragma once

#include <QTableView>
#include <memory>

namespace Tarvo::Data {
class TRowSet;
class TRowSetModel;
} // namespace Tarvo::Data

namespace Tarvo::Widgets {

// The one data grid of every list and document window: shows a row set's fields in field order with
// their display labels and widths, follows and moves the row set's cursor, and keeps the user's
// column choice (order, captions, visibility, widths) in the per-user "columns.ini".
class TDataGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TDataGrid(QWidget* parent = nullptr);
    ~TDataGrid() override;

    // Shows the row set (nullptr detaches). The row set must outlive the grid or be detached first.
    void setRowSet(Data::TRowSet* rowSet);
    Data::TRowSet* rowSet() const { return m_rowSet; }
    Data::TRowSetModel* rowSetModel() const { return m_model.get(); }

    // The section of "columns.ini" that keeps this grid's columns (usually the window's class name
    // followed by a grid word). Setting it restores the saved columns; they are saved again when
    // the grid is destroyed.
    void setColumnsSection(const QString& section);
    const QString& columnsSection() const { return m_section; }
    void restoreColumns();
    void saveColumns();

Q_SIGNALS:
    // A double click or Enter on a row (windows open the row's editor here).
    void rowActivated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void syncFromRowSet();

    Data::TRowSet* m_rowSet = nullptr;
    std::unique_ptr<Data::TRowSetModel> m_model;
    QString m_section;
    bool m_syncing = false;
};

} // namespace Tarvo::Widgets
