#include "otbor/ui/tfviewotbors.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "otbor/otborconditions.h"
#include "otbor/otborfile.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tmanagerotbor.h"
#include "otbor/tvarbool.h"
#include "otbor/tvardate.h"
#include "otbor/tvarstringcompare.h"
#include "widgets/dialogbuttons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace Tarvo::Otbor {

namespace {
const QString Activate = QStringLiteral("Активизировать");

QString caption(OtborVar v)
{
    return TGlobalOtbors::groupCaption(v);
}

// Screen readers announce the group with the control.
template <typename W> W* named(W* w, OtborVar v, const QString& what)
{
    w->setAccessibleName(caption(v) + QStringLiteral(": ") + what);
    return w;
}
} // namespace

TfViewOtbors::TfViewOtbors(TGlobalOtbors& list, QWidget* parent) : QDialog(parent), m_list(list)
{
    setWindowTitle(QStringLiteral("Настройка отборов"));
    setObjectName(QStringLiteral("TfViewOtbors"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setAccessibleName(QStringLiteral("Отборы"));
    m_tabs->addTab(buildDatesTab(), QStringLiteral("По датам"));
    m_tabs->addTab(buildPartnersTab(), QStringLiteral("По партнерам"));
    m_tabs->addTab(buildStatesTab(), QStringLiteral("Состояние документа"));
    layout->addWidget(m_tabs);

    Widgets::DialogButtons buttons(this, QStringLiteral("Ok"), QStringLiteral("Отмена"), false);
    QPushButton* apply = buttons.addButton(QStringLiteral("Применить"));
    QPushButton* allOff = buttons.addButton(QStringLiteral("Выключить все"));
    QPushButton* save = buttons.addButton(QStringLiteral("Сохранить"));
    connect(buttons.acceptButton(), &QPushButton::clicked, this, [this] {
        applyValues();
        accept();
    });
    connect(apply, &QPushButton::clicked, this, &TfViewOtbors::applyValues);
    connect(allOff, &QPushButton::clicked, this, &TfViewOtbors::switchAllOff);
    connect(save, &QPushButton::clicked, this, &TfViewOtbors::saveToFile);
    layout->addWidget(buttons.box());

    showValues();
}

void TfViewOtbors::execute(TGlobalOtbors& list, QWidget* parent)
{
    TfViewOtbors dialog(list, parent);
    dialog.exec();
}

QWidget* TfViewOtbors::buildDatesTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const OtborVar vars[] = {OtborVar::OfferDate, OtborVar::OrderDate, OtborVar::WayBillDate,
                             OtborVar::RouteDate, OtborVar::PlanDate,  OtborVar::PaymentDate};
    int i = 0;
    for (OtborVar v : vars) {
        grid->addWidget(addDateGroup(v), i / 2, i % 2);
        ++i;
    }
    return page;
}

QGroupBox* TfViewOtbors::addDateGroup(OtborVar var)
{
    auto* box = new QGroupBox(caption(var));
    auto* form = new QFormLayout(box);
    DateGroup g{var};
    g.active = named(new QCheckBox(Activate), var, Activate);
    g.from = named(new QDateEdit, var, QStringLiteral("От"));
    g.to = named(new QDateEdit, var, QStringLiteral("До"));
    for (QDateEdit* e : {g.from, g.to}) {
        e->setCalendarPopup(true);
        e->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    g.interval = named(new QComboBox, var, QStringLiteral("Интервал"));
    g.interval->addItems({QStringLiteral("Интервал"), QStringLiteral("До"), QStringLiteral("После")});
    // A wrapped label inside a tab page gets the height of a guessed width and is cut: the hints
    // break their lines themselves, and the label keeps room for the longest of them.
    g.hint = new QLabel;
    QSize room;
    for (int type : {TVarDate::Between, TVarDate::Until, TVarDate::After}) {
        g.hint->setText(intervalHint(type));
        room = room.expandedTo(g.hint->sizeHint());
    }
    g.hint->setMinimumSize(room);
    form->addRow(g.active);
    form->addRow(QStringLiteral("Интервал"), g.interval);
    form->addRow(QStringLiteral("От"), g.from);
    form->addRow(QStringLiteral("До"), g.to);
    form->addRow(g.hint);
    m_dates << g;
    connect(g.interval, &QComboBox::currentIndexChanged, this, [this, g] { updateIntervalHint(g); });
    return box;
}

void TfViewOtbors::updateIntervalHint(const DateGroup& g)
{
    // Type "До" filters on the "От" date and "После" on the "До" date: say so, and keep the
    // other date out of the way.
    const int type = g.interval->currentIndex();
    g.from->setEnabled(type != TVarDate::After);
    g.to->setEnabled(type != TVarDate::Until);
    g.hint->setText(intervalHint(type));
}

QString TfViewOtbors::intervalHint(int type)
{
    switch (type) {
    case TVarDate::Until:
        return QStringLiteral("Отбираются документы до даты «От»\n(сама дата не входит)");
    case TVarDate::After:
        return QStringLiteral("Отбираются документы после даты «До»\n(сама дата не входит)");
    default:
        return QStringLiteral("Отбираются документы с даты «От»\nпо дату «До» включительно");
    }
}

QWidget* TfViewOtbors::buildPartnersTab()
{
    QStringList codes;
    QStringList names;
    Data::Query q(*Data::Database::main(),
                  QStringLiteral("select par_id, par_nuser,name_user from scm_partner join "
                                 "_partner on par_nuser=n_user order by n_user"));
    q.exec();
    while (q.next()) {
        codes << q.string(1);
        names << q.string(2);
    }
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(addTextGroup(OtborVar::Customer, QStringLiteral("Краткое имя"), codes, names), 0, 0);
    grid->addWidget(addTextGroup(OtborVar::Supplier, QStringLiteral("Краткое имя"), codes, names), 0, 1);
    grid->addWidget(addTextGroup(OtborVar::Transporter, QStringLiteral("Краткое имя"), codes, names), 1, 0);
    grid->addWidget(buildManagerGroup(), 1, 1);
    return page;
}

QGroupBox* TfViewOtbors::addTextGroup(OtborVar var, const QString& label, const QStringList& codes,
                                      const QStringList& names)
{
    auto* box = new QGroupBox(caption(var));
    auto* form = new QFormLayout(box);
    TextGroup g{var};
    g.active = named(new QCheckBox(Activate), var, Activate);
    g.text = named(new QComboBox, var, label);
    // Editable: "Включение" takes a part of a code.
    g.text->setEditable(true);
    g.text->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 0; i < codes.size(); ++i)
        g.text->addItem(codes[i], i < names.size() ? names[i] : QString());
    g.name = new QLabel;
    g.equal = named(new QRadioButton(QStringLiteral("Равно")), var, QStringLiteral("Равно"));
    g.contains = named(new QRadioButton(QStringLiteral("Включение")), var, QStringLiteral("Включение"));
    auto* compare = new QButtonGroup(box);
    compare->addButton(g.equal);
    compare->addButton(g.contains);
    auto* row = new QHBoxLayout;
    row->addWidget(g.equal);
    row->addWidget(g.contains);
    form->addRow(g.active);
    form->addRow(label, g.text);
    form->addRow(g.name);
    form->addRow(row);
    m_texts << g;
    connect(g.text, &QComboBox::currentTextChanged, this, [g] { updatePartnerName(g); });
    return box;
}

void TfViewOtbors::updatePartnerName(const TextGroup& g)
{
    const int i = g.text->findText(g.text->currentText());
    g.name->setText(i >= 0 ? g.text->itemData(i).toString() : QString());
}

QGroupBox* TfViewOtbors::buildManagerGroup()
{
    const OtborVar var = OtborVar::Manager;
    m_managerBox = new QGroupBox(caption(var));
    auto* v = new QVBoxLayout(m_managerBox);
    m_managerNone = named(new QRadioButton(QStringLiteral("Нет")), var, QStringLiteral("Нет"));
    m_managerDepartment = new QRadioButton(QStringLiteral("Показывать тоько записи своего отдела"));
    m_managerOwn = new QRadioButton(QStringLiteral("Показывать тоько свои записи"));
    named(m_managerDepartment, var, m_managerDepartment->text());
    named(m_managerOwn, var, m_managerOwn->text());
    for (QRadioButton* b : {m_managerNone, m_managerDepartment, m_managerOwn})
        v->addWidget(b);
    v->addStretch();
    return m_managerBox;
}

QWidget* TfViewOtbors::buildStatesTab()
{
    const QStringList three{QStringLiteral("Выполнено"), QStringLiteral("В работе"),
                            QStringLiteral("Выполнено по реестру")};
    const QStringList two{QStringLiteral("Выполнено"), QStringLiteral("В работе")};
    const QStringList marks{QStringLiteral("Отмеченные"), QStringLiteral("Неотмеченные")};

    QStringList urgencies;
    Data::Query q(*Data::Database::main(), QStringLiteral("select name from SCM_Library_Urgency"));
    q.exec();
    while (q.next())
        urgencies << q.string(0);

    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(addChoiceGroup(OtborVar::OfferState, three), 0, 0);
    grid->addWidget(addChoiceGroup(OtborVar::OrderState, three), 0, 1);
    grid->addWidget(addChoiceGroup(OtborVar::AcceptedOrderState, three), 0, 2);
    grid->addWidget(addChoiceGroup(OtborVar::WayBillState, two), 1, 0);
    grid->addWidget(addChoiceGroup(OtborVar::RouteState, two), 1, 1);
    grid->addWidget(addTextGroup(OtborVar::Urgency, QStringLiteral("Срочность"), urgencies, {}), 1, 2);
    grid->addWidget(addChoiceGroup(OtborVar::OfferMark, marks), 2, 0);
    grid->addWidget(addChoiceGroup(OtborVar::OrderMark, marks), 2, 1);
    return page;
}

QGroupBox* TfViewOtbors::addChoiceGroup(OtborVar var, const QStringList& captions)
{
    auto* box = new QGroupBox(caption(var));
    auto* v = new QVBoxLayout(box);
    ChoiceGroup g{var, {}, nullptr};
    g.active = named(new QCheckBox(Activate), var, Activate);
    v->addWidget(g.active);
    auto* choices = new QButtonGroup(box);
    for (const QString& c : captions) {
        auto* b = named(new QRadioButton(c), var, c);
        choices->addButton(b);
        v->addWidget(b);
        g.choices << b;
    }
    v->addStretch();
    m_choices << g;
    return box;
}

void TfViewOtbors::showValues()
{
    for (const DateGroup& g : m_dates) {
        const TVarDate* d = m_list.date(g.var);
        g.active->setChecked(d->active());
        g.from->setDate(d->dateStart().date());
        g.to->setDate(d->dateEnd().date());
        g.interval->setCurrentIndex(d->intervalType());
        updateIntervalHint(g);
    }
    for (const TextGroup& g : m_texts) {
        const auto* s = dynamic_cast<const TVarStringCompare*>(m_list.var(g.var));
        g.active->setChecked(s->active());
        g.text->setCurrentText(s->compareString());
        (s->compareType() == TVarStringCompare::Equal ? g.equal : g.contains)->setChecked(true);
        updatePartnerName(g);
    }
    for (const ChoiceGroup& g : m_choices) {
        const TVar* v = m_list.var(g.var);
        g.active->setChecked(v->active());
        int index = 0;
        if (auto* s = dynamic_cast<const TDocStateOtbor*>(v))
            index = s->docState();
        else if (auto* m = dynamic_cast<const TMarkedOtbor*>(v))
            index = m->value() ? 0 : 1;
        g.choices.value(std::min<int>(index, int(g.choices.size()) - 1))->setChecked(true);
    }
    // The rights may force the manager restriction; the group then shows what applies.
    const TManagerOtbor* m = m_list.manager();
    const OtborConditions::ManagerRule rule = OtborConditions::managerRule(m);
    m_managerBox->setEnabled(rule.userChooses);
    if (!rule.applies)
        m_managerNone->setChecked(true);
    else
        (rule.rows == TManagerOtbor::OwnRows ? m_managerOwn : m_managerDepartment)->setChecked(true);
}

void TfViewOtbors::applyValues()
{
    m_list.beginUpdate();
    for (const DateGroup& g : m_dates) {
        TVarDate* d = m_list.date(g.var);
        const bool on = g.active->isChecked();
        if (on)
            d->setActive(true);
        d->setDateStart(g.from->date());
        d->setDateEnd(g.to->date());
        d->setIntervalType(TVarDate::IntervalType(g.interval->currentIndex()));
        if (!on)
            d->setActive(false);
    }
    for (const TextGroup& g : m_texts) {
        auto* s = dynamic_cast<TVarStringCompare*>(m_list.var(g.var));
        s->setCompareString(g.text->currentText().trimmed());
        s->setCompareType(g.contains->isChecked() ? TVarStringCompare::Contains : TVarStringCompare::Equal);
        // An empty code would filter everything away.
        s->setActive(g.active->isChecked() && !s->compareString().isEmpty());
    }
    for (const ChoiceGroup& g : m_choices) {
        TVar* v = m_list.var(g.var);
        int index = 0;
        for (int i = 0; i < g.choices.size(); ++i)
            if (g.choices[i]->isChecked())
                index = i;
        if (auto* s = dynamic_cast<TDocStateOtbor*>(v))
            s->setDocState(TDocStateOtbor::DocState(index));
        else if (auto* m = dynamic_cast<TMarkedOtbor*>(v))
            m->setValue(index == 0);
        v->setActive(g.active->isChecked());
    }
    if (m_managerBox->isEnabled()) {
        TManagerOtbor* m = m_list.manager();
        if (m_managerNone->isChecked()) {
            m->setActive(false);
        } else {
            m->setAllowedRows(m_managerOwn->isChecked() ? TManagerOtbor::OwnRows
                                                        : TManagerOtbor::OwnDepartment);
            m->setActive(true);
        }
    }
    m_list.endUpdate();
    showValues();
}

void TfViewOtbors::switchAllOff()
{
    m_list.switchAllOff();
    showValues();
}

void TfViewOtbors::saveToFile()
{
    applyValues();
    OtborFile::save(TGlobalOtbors::filePath(), m_list);
}

} // namespace Tarvo::Otbor
