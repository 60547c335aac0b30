#pragma once

#include "catalog/fieldsearch.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QTableView;
class QTimer;

namespace Tarvo::Data {
class TRowSet;
}

namespace Tarvo::Catalog {

// "Поиск": finds a row of a list by one field. "Поиск" starts at the current row,
// "След. поиск" goes on after the last hit; with "Закрыть, если найдено" a hit closes it.
class TfFind : public QDialog
{
    Q_OBJECT
public:
    // Throws the warning for a field type it cannot compare.
    TfFind(Data::TRowSet& rowSet, const QString& field, QWidget* parent = nullptr);
    ~TfFind() override;

    void setEntry(const QString& text);
    void setForwardOnly();
    // Runs the search to its end at once (rows not read yet included).
    bool search(bool next);
    // What the buttons do: the rows not read yet are read a batch per turn of the event loop,
    // "Чтение…" shown meanwhile; Esc stops it (and then leaves the dialog open). False when
    // the entry was refused.
    bool startSearch(bool next);
    bool isSearching() const;
    void stopSearch();
    QString resultText() const;

    // Opens the dialog for one field (nothing for a field type it cannot compare, after the warning).
    static void run(Data::TRowSet& rowSet, const QString& field, QWidget* parent, const QString& entry = {});
    // "< label >" for every field of the row set the grid shows; each opens the dialog for its field.
    static void fillMenu(QMenu* menu, Data::TRowSet& rowSet, QWidget* parent,
                         const QTableView* grid = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    bool prepare(bool next);
    void searchTurn();
    void finish(FieldSearch::Step outcome);

    Data::TRowSet& m_rowSet;
    std::unique_ptr<FieldSearch> m_search;
    QTimer* m_turn;
    QLineEdit* m_entry;
    QRadioButton* m_forward;
    QRadioButton* m_backward;
    QGroupBox* m_how;
    QRadioButton* m_fromStart;
    QRadioButton* m_contains;
    QCheckBox* m_closeOnHit;
    QLabel* m_result;
};

} // namespace Tarvo::Catalog
