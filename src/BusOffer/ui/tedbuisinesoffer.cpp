#include "BusOffer/ui/tedbuisinesoffer.h"

#include "BusOffer/ui/editorwidgets.h"
#include "catalog/ui/tfviewourprice.h"
#include "messaging/tourtvrexchange.h"
#include "shell/ui/menuhooks.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

using namespace EditorWidgets;

TedBuisinesOffer::TedBuisinesOffer(Data::Database& db, QWidget* parent)
    : LineEditorWindow(std::make_unique<OfferEditorDocument>(db), parent), m_db(db)
{
    setObjectName(u"TedBuisinesOffer"_s);
    const QString caption = Shell::MenuHooks::tableCaption(u"bof_headers"_s);
    setWindowTitle(caption.isEmpty() ? u"Заявка покупателя"_s : caption);
    QGroupBox* header = buildHeader();
    finish(header,
           {{u"pr_articul"_s, u"Артикул"_s, 110},
            {u"pr_name"_s, u"Наименование"_s, 220},
            {u"bpd_deliverydate"_s, u"План. дата доставки"_s, 120},
            {u"bpd_amount"_s, u"Количество"_s, 80},
            {u"bpd_price"_s, u"Цена"_s, 90},
            {u"bpd_sum"_s, u"Сумма"_s, 100},
            {u"bpd_sum_valut"_s, u"Сумма валютная"_s, 100},
            {u"bpd_val_price"_s, u"Цена валютная"_s, 90},
            {u"bpd_description"_s, u"Описание"_s, 160}},
           u"TedBuisinesOffer.Lines"_s, u"Товары заявки"_s, u"План. дата доставки"_s,
           QList<QWidget*>{m_dopNomer, m_urgency, m_person, m_date, m_currency, m_description, m_sNomer,
                           m_planStart, m_planEnd, m_rubToVal, m_valToRub});
    resize(900, 560);
}

TedBuisinesOffer::~TedBuisinesOffer() = default;

QGroupBox* TedBuisinesOffer::buildHeader()
{
    auto* box = new QGroupBox(this);
    box->setObjectName(u"headerBox"_s);
    auto* g = new QGridLayout(box);
    const auto label = [box](const QString& text, QWidget* buddy) { return buddyLabel(text, buddy, box); };
    m_number->setAccessibleName(u"Номер заявки"_s);
    m_person = new QComboBox(box);
    m_person->setObjectName(u"cbPerson"_s);
    m_person->setMinimumContentsLength(24);

    placeCommonHeader(g, box, u"&От кого"_s, m_person, u"&Дата предложения"_s);
    auto* plan = new QHBoxLayout;
    plan->addWidget(label(u"&с"_s, m_planStart));
    plan->addWidget(m_planStart);
    plan->addWidget(label(u"по"_s, m_planEnd));
    plan->addWidget(m_planEnd);
    plan->addStretch(1);
    g->addWidget(new QLabel(u"Интервал плана"_s, box), 4, 0);
    g->addLayout(plan, 4, 1, 1, 3);
    g->addWidget(m_directionBox, 4, 4, 1, 2);
    m_planStart->setAccessibleName(u"Интервал плана с"_s);
    m_planEnd->setAccessibleName(u"Интервал плана по"_s);
    writesChoice(m_person, u"bof_person"_s);
    return box;
}

void TedBuisinesOffer::loadOffer(qint64 bofId)
{
    // What the closing rules did to the request shown before is not announced: the user asked
    // for another one, not for closing.
    if (guarded([&] { document().open(bofId); }))
        shown(u"pr_articul"_s, m_person);
}

void TedBuisinesOffer::fillOwn(const OfferEditorRowSet& h, bool open)
{
    OfferEditorLookups& lookups = document().lookups();
    auto fill = [](QComboBox* box, const QList<OfferEditorLookups::Item>& items, bool blank) {
        box->clear();
        if (blank)
            box->addItem(QString(), QVariant());
        for (const auto& i : items)
            box->addItem(i.text, i.key);
    };
    fill(m_urgency, lookups.urgencies(), true);
    fill(m_person, lookups.counterparties(), true);
    fill(m_currency, lookups.currencies(), false);
    m_person->setCurrentIndex(
        std::max(0, indexOfKey(m_person, open ? h.value(u"bof_person"_s) : QVariant())));
}

bool TedBuisinesOffer::mayWriteHeader() const
{
    // Once it has someone to come from.
    return !editorDocument().header().isNull(u"bof_person"_s);
}

void TedBuisinesOffer::newProduct()
{
    if (!guarded([&] {
            document().postHeader();
            document().postLines();
        }))
        return;
    updateState();
    if (!document().isSaved())
        return;
    if (!m_productPicked.get()) {
        m_productPicked =
            Messaging::TRegistrationGuard(Messaging::DataRegistration().Register<Messaging::TOurTvrExchange>(
                [this](Messaging::TOurTvrExchange& e) {
                    if (!document().isOpen())
                        return;
                    guarded([&] { document().addProduct(e); });
                    updateState();
                },
                this));
    }
    Catalog::TfViewOurPrice::showChooser(m_db);
}

} // namespace Tarvo::BusOffer
