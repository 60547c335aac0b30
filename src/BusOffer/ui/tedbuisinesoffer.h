#pragma once

#include "BusOffer/offereditordocument.h"
#include "data/rowset/rowsetsubscription.h"
#include "messaging/tdataregistration.h"

#include <QWidget>
#include <functional>
#include <memory>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::BusOffer {

class OfferEditorLineDelegate;

// "Заявка покупателя": the header of one buyer request and its lines. Every change is written
// at once; the products come from our price list ("Нов. товар"), one line per choice.
class TedBuisinesOffer : public QWidget
{
    Q_OBJECT
public:
    explicit TedBuisinesOffer(Data::Database& db, QWidget* parent = nullptr);
    ~TedBuisinesOffer() override;

    // Applies the closing rules to the request shown, then shows `bofId` (0: a new request).
    void loadOffer(qint64 bofId);
    OfferEditorDocument& document() { return *m_doc; }

    Widgets::TDataGrid* grid() const { return m_grid; }
    // The grid's pop-up as it would open on the current column.
    QMenu* linesMenu();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader();
    void buildLines();
    void fillHeader();
    void updateState();
    void applyDirection();
    QColor columnColour(const QString& field) const;
    bool guarded(const std::function<void()>& action);
    void saveHeader();
    void save();
    void newProduct();
    void deleteProduct();
    void chooseDate();
    void setAllDates();
    void currencyChosen(int index);
    void closeWindow();
    QString currentField() const;

    Data::Database& m_db;
    std::unique_ptr<OfferEditorDocument> m_doc;
    Messaging::TRegistrationGuard m_productPicked;
    Data::RowSetSubscription m_linesChanged;
    bool m_filling = false;

    QLabel* m_number = nullptr;
    QLineEdit* m_dopNomer = nullptr;
    QComboBox* m_urgency = nullptr;
    QComboBox* m_person = nullptr;
    QDateEdit* m_date = nullptr;
    QComboBox* m_currency = nullptr;
    QLineEdit* m_sum = nullptr;
    QLineEdit* m_sumValut = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_sNomer = nullptr;
    QDateEdit* m_planStart = nullptr;
    QDateEdit* m_planEnd = nullptr;
    QRadioButton* m_rubToVal = nullptr;
    QRadioButton* m_valToRub = nullptr;
    QButtonGroup* m_directionGroup = nullptr;
    Widgets::TDataGrid* m_grid = nullptr;
    OfferEditorLineDelegate* m_delegate = nullptr;
    QPushButton* m_newProduct = nullptr;
    QPushButton* m_deleteProduct = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace Tarvo::BusOffer
