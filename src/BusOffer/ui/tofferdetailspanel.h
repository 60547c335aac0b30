#pragma once

#include <QWidget>
#include <memory>

class QAction;
class QSplitter;
class QTabWidget;

namespace Tarvo::Data {
class Database;
class TUpdatedADODataSet;
class TUpdatedADOQuery;
} // namespace Tarvo::Data
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::BusOffer {

class OfferDetailsWriter;

// The lower part of the buyer request register: the lines of one request with what arrived and
// what is complete, the distribution of the current line over supplier orders, confirmations and
// shipped invoices (edited by hand with the administrator's editing right), and the state of every
// line stage by stage. Works on the main connection.
class TOfferDetailsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TOfferDetailsPanel(QWidget* parent = nullptr);
    ~TOfferDetailsPanel() override;

    // 0: nothing shown. Re-reads the lines, the distribution tabs and the state page.
    void setOffer(int bofId);
    // Re-reads, keeping the current line.
    void refresh();
    int offer() const { return m_bofId; }

    // Splitter and grid layout in "forms.ini" (section of the hosting window's class), column
    // settings in "columns.ini" ("bof_products", "offer_state").
    void saveSettings();
    void restoreSettings();

    // Asks, then deletes the current line with its whole distribution.
    void deleteLine();
    // A new row in the distribution tab shown now (with the editing right).
    void addDistributionRow();
    void deleteDistributionRow();
    // Whether the grids accept edits (the right as checked last: at a command, on entering a grid,
    // on showing a request).
    bool editable() const { return m_editable; }

    Widgets::TDataGrid* linesGrid() const { return m_linesGrid; }
    Widgets::TDataGrid* orderedGrid() const { return m_orderedGrid; }
    Widgets::TDataGrid* acceptedGrid() const { return m_acceptedGrid; }
    Widgets::TDataGrid* shippedGrid() const { return m_shippedGrid; }
    Widgets::TDataGrid* stateGrid() const { return m_stateGrid; }
    QTabWidget* pages() const { return m_pages; }
    QTabWidget* stageTabs() const { return m_stageTabs; }
    Data::TUpdatedADOQuery& lines() const { return *m_lines; }
    Data::TUpdatedADODataSet& ordered() const { return *m_ordered; }
    Data::TUpdatedADODataSet& accepted() const { return *m_accepted; }
    Data::TUpdatedADODataSet& shipped() const { return *m_shipped; }
    Data::TUpdatedADOQuery& state() const { return *m_state; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The lines or their distribution were changed here (the list re-reads its totals).
    void offerChanged(int bofId);

private:
    void buildDataSets();
    void buildWidgets();
    void buildActions();
    // Checks the right and makes the grids editable or read-only accordingly.
    void applyRights();
    // Checks the right now; without it says which right `refused` needs and returns false.
    bool mayEdit(const QString& refused);
    void changed();
    Widgets::TDataGrid* currentStageGrid() const;
    Data::TUpdatedADODataSet* currentStage() const;
    QString settingsSection() const;

    Data::Database& m_db;
    std::unique_ptr<OfferDetailsWriter> m_writer;
    std::unique_ptr<Data::TUpdatedADOQuery> m_lines;
    std::unique_ptr<Data::TUpdatedADODataSet> m_ordered;
    std::unique_ptr<Data::TUpdatedADODataSet> m_accepted;
    std::unique_ptr<Data::TUpdatedADODataSet> m_shipped;
    std::unique_ptr<Data::TUpdatedADOQuery> m_state;
    QTabWidget* m_pages = nullptr;
    QSplitter* m_split = nullptr;
    QTabWidget* m_stageTabs = nullptr;
    Widgets::TDataGrid* m_linesGrid = nullptr;
    Widgets::TDataGrid* m_orderedGrid = nullptr;
    Widgets::TDataGrid* m_acceptedGrid = nullptr;
    Widgets::TDataGrid* m_shippedGrid = nullptr;
    Widgets::TDataGrid* m_stateGrid = nullptr;
    QAction* m_deleteLine = nullptr;
    QAction* m_addRow = nullptr;
    QAction* m_deleteRow = nullptr;
    int m_bofId = 0;
    bool m_editable = false;
    bool m_refreshQueued = false;
};

} // namespace Tarvo::BusOffer
