#pragma once

#include "AcceptedOrders/tdmaccshed.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QToolBar;
class QToolButton;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::AcceptedOrders {

class AcceptedLineDelegate;

// "Подтверждение заказа %d": the confirmed lines of one supplier order above, the current
// line's division among the requests below; written only on "Сохранить".
class TAcceptedShedule : public QWidget
{
    Q_OBJECT
public:
    static const QString StopWaitingQuestion;
    static const QString SavedMessage;
    static const QString CloseQuestion;
    static const QString DeleteLineQuestion;
    static const QString AllMergedQuestion;

    // The editor of the order: the one already open comes forward, else a new one opens in the
    // main window (refusals are shown; nullptr then).
    static TAcceptedShedule* openOrder(int suoId);
    // The open editor of the order, or nullptr.
    static TAcceptedShedule* editorOf(int suoId);

    explicit TAcceptedShedule(Data::Database& db, QWidget* parent = nullptr);
    ~TAcceptedShedule() override;

    void loadOrder(int suoId);
    TdmAccShed& document() { return *m_doc; }
    Widgets::TDataGrid* linesGrid() const { return m_lines; }
    Widgets::TDataGrid* requestsGrid() const { return m_requests; }

    // The toolbar's commands, as its buttons run them.
    void loadRest();
    void duplicate();
    // False when nothing was saved (cancelled, refused or unchanged).
    bool save();
    void deleteCurrent();
    void chooseDate();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool guarded(const std::function<void()>& action);
    void updateCaption();

    std::unique_ptr<TdmAccShed> m_doc;
    Widgets::TDataGrid* m_lines = nullptr;
    Widgets::TDataGrid* m_requests = nullptr;
    Widgets::TDataGrid* m_focusedGrid = nullptr;
    AcceptedLineDelegate* m_delegate = nullptr;
    QToolBar* m_toolbar = nullptr;
    bool m_closing = false;
};

} // namespace Tarvo::AcceptedOrders
