#pragma once

#include "BusOffer/editordocument.h"
#include "data/rowset/rowsetsubscription.h"
#include "widgets/tdatagrid.h"

#include <QWidget>
#include <functional>
#include <memory>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace Tarvo::BusOffer {

class OfferEditorLineDelegate;

// The window of a line document (a buyer request, a supplier order) over the editor core: the
// header fields every document has, the lines grid with the conversion colours and the date
// editor, the buttons "Нов. товар", "Удал. товар", "Сохранить", "Выход", the grid's pop-up and
// the closing rules. A subclass lays the header out with its own fields and picks the products.
class LineEditorWindow : public QWidget
{
    Q_OBJECT
public:
    ~LineEditorWindow() override;

    Widgets::TDataGrid* grid() const { return m_grid; }
    // The grid's pop-up as it would open on the current column.
    QMenu* linesMenu();

protected:
    LineEditorWindow(std::unique_ptr<EditorDocument> doc, QWidget* parent);

    EditorDocument& editorDocument() const { return *m_doc; }
    QString field(const QString& name) const { return m_doc->layout().header(name); }

    // After the subclass laid out its header: the lines, the buttons and the Tab order (the
    // header's fields as given, then the lines and the buttons).
    void finish(QGroupBox* header, const QList<Widgets::TDataGrid::Column>& columns,
                const QString& columnsSection, const QString& linesName, const QString& dateCaption,
                const QList<QWidget*>& headerOrder);
    // A choice of the header that Delete clears.
    void clearedByDelete(QComboBox* box, const QString& field);
    // A header choice whose pick is written at once.
    void writesChoice(QComboBox* box, const QString& field);
    // A label of the header box naming its field (the field takes the focus of its mnemonic).
    static QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* box);
    // The header rows both documents have, 0 to 3: number, numbers, urgency, the counterparty
    // and the date with their own labels, currency and sums, description.
    void placeCommonHeader(QGridLayout* grid, QWidget* box, const QString& partyLabel, QWidget* party,
                           const QString& dateLabel);

    bool guarded(const std::function<void()>& action);
    // After the document opened: the header, the direction, the first cell, the focus.
    void shown(const QString& firstColumn, QWidget* newDocumentFocus);
    void fillHeader();
    void updateState();

    virtual void fillOwn(const OfferEditorRowSet& header, bool open) = 0;
    virtual void stateShown() {}
    virtual bool canAddProducts() const { return m_doc->isOpen() && m_doc->isSaved(); }
    // Entering the lines saves the header (when it has what a save needs).
    virtual bool mayWriteHeader() const { return true; }
    virtual void newProduct() = 0;
    // The window closes: what it registered is released.
    virtual void released() {}

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The common header fields, laid out by the subclass.
    QLabel* m_number = nullptr;
    QLineEdit* m_dopNomer = nullptr;
    QComboBox* m_urgency = nullptr;
    QDateEdit* m_date = nullptr;
    QComboBox* m_currency = nullptr;
    QLineEdit* m_sum = nullptr;
    QLineEdit* m_sumValut = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_sNomer = nullptr;
    QDateEdit* m_planStart = nullptr;
    QDateEdit* m_planEnd = nullptr;
    QGroupBox* m_directionBox = nullptr;
    QRadioButton* m_rubToVal = nullptr;
    QRadioButton* m_valToRub = nullptr;
    QPushButton* m_newProduct = nullptr;
    QPushButton* m_deleteProduct = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
    bool m_filling = false;

private:
    void buildCommonHeader();
    void applyDirection();
    QColor columnColour(const QString& field) const;
    void save();
    void deleteProduct();
    void chooseDate();
    void setAllDates();
    void currencyChosen(int index);
    void closeWindow();
    QString currentField() const;

    std::unique_ptr<EditorDocument> m_doc;
    Data::RowSetSubscription m_linesChanged;
    QButtonGroup* m_directionGroup = nullptr;
    QList<std::pair<QComboBox*, QString>> m_cleared;
    Widgets::TDataGrid* m_grid = nullptr;
    OfferEditorLineDelegate* m_delegate = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace Tarvo::BusOffer
