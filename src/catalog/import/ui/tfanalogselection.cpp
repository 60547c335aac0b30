#include "catalog/import/ui/tfanalogselection.h"

#include "catalog/import/ui/analogproductsview.h"
#include "catalog/ui/tfcatalog.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/rowset/trowset.h"
#include "messaging/tdataregistration.h"
#include "messaging/tftovarselection.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TfAnalogSelection::TfAnalogSelection(Data::Database& db, QWidget* parent) : QDialog(parent), m_db(db)
{
    setObjectName(u"TfAnalogSelection"_s);
    m_view = new AnalogProductsView(db);
    m_catalog = new TfCatalog(db, m_view, TSCMTreePanel::DeleteMode::GroupOnly, this);
    auto* searchLabel = new QLabel(u"Поиск:"_s, this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(u"editSearch"_s);
    searchLabel->setBuddy(m_search);
    auto* top = new QHBoxLayout;
    top->addWidget(searchLabel);
    top->addWidget(m_search, 1);

    const auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* choose = button(u"btnChoose"_s, u"Выбрать"_s);
    choose->setDefault(true);
    QPushButton* create = button(u"btnNew"_s, u"Новая"_s);
    QPushButton* skip = button(u"btnSkip"_s, u"Пропустить"_s);
    QPushButton* defer = button(u"btnDeferAll"_s, u"Отложить все новые"_s);
    QPushButton* abort = button(u"btnAbort"_s, u"Прервать импорт"_s);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {choose, create, skip, defer})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(abort);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_catalog, 1);
    layout->addLayout(buttons);
    resize(900, 600);

    connect(choose, &QPushButton::clicked, this, &TfAnalogSelection::chooseCurrent);
    connect(m_view, &AnalogProductsView::chosen, this, [this](qint64) { chooseCurrent(); });
    connect(create, &QPushButton::clicked, this, [this] { finish(New); });
    connect(skip, &QPushButton::clicked, this, [this] { finish(Skip); });
    connect(defer, &QPushButton::clicked, this, [this] { finish(DeferAll); });
    connect(abort, &QPushButton::clicked, this, [this] { finish(Abort); });
    connect(m_search, &QLineEdit::textEdited, this, [this](const QString& t) { search(t); });
    connect(m_search, &QLineEdit::returnPressed, this, &TfAnalogSelection::chooseCurrent);
}

void TfAnalogSelection::finish(Answer a)
{
    m_answer = a;
    if (a == Skip)
        reject();
    else
        accept();
}

void TfAnalogSelection::keyPressEvent(QKeyEvent* event)
{
    // Esc is "Пропустить": the article is left out, the run goes on.
    if (event->key() == Qt::Key_Escape) {
        finish(Skip);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfAnalogSelection::chooseCurrent()
{
    Data::TRowSet* rows = m_view->dataSet();
    if (!rows || rows->isEmpty() || rows->recNo() < 0)
        return;
    m_product = rows->value(u"PR_ID"_s).toLongLong();
    auto e = std::make_unique<Messaging::TFTovarSelection>();
    e->productId = m_product;
    e->articul = rows->value(u"PR_ARTICUL"_s).toString();
    e->name = rows->value(u"PR_NAME"_s).toString();
    const QVariant group = rows->value(u"PR_GROUPID"_s);
    e->groupId = group.isNull() ? 0 : group.toLongLong();
    Messaging::DataRegistration().Notify(std::move(e));
    finish(Chosen);
}

bool TfAnalogSelection::search(const QString& text)
{
    // Asked of the database: the product may be in a batch not read yet.
    for (const QString& field : {u"PR_ARTICUL"_s, u"PR_NAME"_s})
        if (const qint64 id = m_view->firstStartingWith(field, text))
            return selectProduct(id);
    return false;
}

bool TfAnalogSelection::selectProduct(qint64 productId)
{
    return m_view->selectProduct(productId);
}

TfAnalogSelection::Answer TfAnalogSelection::ask(const QString& article, const QString& name)
{
    setWindowTitle(u"Выбор товара для поставщика [Артикул: %1, Наименование: %2]"_s.arg(article, name));
    m_product = 0;
    m_answer = Skip;
    m_search->clear();
    // A list to choose from even before a group is picked in the tree.
    if (!m_view->dataSet() || m_view->dataSet()->isEmpty())
        m_catalog->selectNode(-1, true);
    Data::Query q(m_db, u"select PR_ID from crm_product where PR_ARTICUL = ?"_s);
    q.bindAll({article.trimmed()}).exec();
    if (q.next()) {
        const qint64 id = q.integer(0);
        if (!selectProduct(id)) {
            // The product is in another group than the one shown: show them all.
            m_catalog->selectNode(-1, true);
            selectProduct(id);
        }
    }
    m_search->setFocus();
    // Each question is a showing of its own for whoever watches the window (tests, accessibility).
    setProperty("askNumber", property("askNumber").toInt() + 1);
    exec();
    return m_answer;
}

} // namespace Tarvo::Catalog
