#include "catalog/ui/tcontragent_card_.h"

#include "core/exception.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

struct FieldSpec
{
    const char* column;
    const char* caption;
    int width;
};

const FieldSpec MainFields[] = {
    {"N_USER", "&Краткое имя", 8},
    {"NAME_USER", "&Полное название", 50},
    {"NAMEP_USER", "Название для &документов", 110},
    {"ADRES_USER", "&Адрес", 100},
    {"INDEX_USER", "&Индекс", 8},
    {"PHONES", "&Телефоны", 40},
    {"FAX_USER", "&Факс", 20},
    {"EMAIL_USER", "&E-mail", 50},
    {"PST_B_USER", "ИНН", 12},
    {"KPP", "КПП", 12},
    {"REGIS_USER", "&Рег. номер", 10},
    {"SKIDKAPRCNT", "&Скидка", 12},
};
const FieldSpec BankFields[] = {
    {"BANK_USER", "&Банк", 100},     {"SCT_B_USER", "Расч. с&чет", 40}, {"SCT_2_USER", "К&ор. счет", 40},
    {"COD_B_USER", "БИ&К", 20},      {"OKONH_USER", "ОК&ВЭД", 20},      {"OKPO_USER", "ОКП&О", 20},
    {"PRIMECH", "Пр&имечание", 255},
};

} // namespace

TContragent_Card_::TContragent_Card_(Data::Database& db, const QString& shortName, const QString& kind,
                                     QWidget* parent)
    : QDialog(parent), m_db(db),
      m_mode(shortName.isEmpty() ? PartnerCard::Mode::Create : PartnerCard::Mode::Modify), m_kind(kind)
{
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    layout->addWidget(tabs);
    const auto page = [this, tabs](const QString& title, const auto& specs) {
        auto* w = new QWidget(tabs);
        auto* form = new QFormLayout(w);
        for (const FieldSpec& f : specs) {
            auto* edit = new QLineEdit(w);
            edit->setMaxLength(f.width);
            auto* label = new QLabel(QString::fromUtf8(f.caption), w);
            label->setBuddy(edit);
            form->addRow(label, edit);
            m_fields.insert(QString::fromLatin1(f.column), edit);
        }
        tabs->addTab(w, title);
        return form;
    };
    QFormLayout* main = page(u"Основные"_s, MainFields);
    page(u"Банк"_s, BankFields);
    static_cast<QLineEdit*>(m_fields.value(u"REGIS_USER"_s))
        ->setValidator(new QRegularExpressionValidator(QRegularExpression(u"\\s*\\d*\\s*"_s), this));

    if (m_kind != u"Я"_s) {
        auto* kindBox = new QGroupBox(u"Вид"_s, this);
        auto* kl = new QHBoxLayout(kindBox);
        m_supplier = new QRadioButton(u"Поставщик"_s, kindBox);
        m_buyer = new QRadioButton(u"Покупатель"_s, kindBox);
        kl->addWidget(m_supplier);
        kl->addWidget(m_buyer);
        (m_kind == u"К"_s ? m_buyer : m_supplier)->setChecked(true);
        main->addRow(kindBox);
        m_fields.insert(u"KIND_BUYER"_s, m_buyer);
    }
    m_info = new QPlainTextEdit(this);
    m_info->setAccessibleName(u"Дополнительная информация"_s);
    tabs->addTab(m_info, u"Дополнительная информация"_s);
    m_fields.insert(u"INFORM_PAR"_s, m_info);

    Widgets::DialogButtons buttons(this, u"Сохранить"_s, u"Отмена"_s);
    layout->addWidget(buttons.box());

    if (m_mode == PartnerCard::Mode::Create) {
        setWindowTitle(u"Добавление контрагента"_s);
        m_fields.value(u"N_USER"_s)->setFocus();
        return;
    }
    const PartnerCardData d = PartnerCard(db).load(shortName);
    setWindowTitle(u"Коррекция контрагента \""_s + d.fullName + u"\""_s);
    const QList<QPair<QString, QString>> values{{u"N_USER"_s, d.shortName},
                                                {u"NAME_USER"_s, d.fullName},
                                                {u"NAMEP_USER"_s, d.nameForDocuments},
                                                {u"ADRES_USER"_s, d.address},
                                                {u"INDEX_USER"_s, d.postIndex},
                                                {u"PHONES"_s, d.phones},
                                                {u"FAX_USER"_s, d.fax},
                                                {u"EMAIL_USER"_s, d.email},
                                                {u"PST_B_USER"_s, d.inn},
                                                {u"KPP"_s, d.kpp},
                                                {u"REGIS_USER"_s, d.regNumber},
                                                {u"SKIDKAPRCNT"_s, d.discount},
                                                {u"BANK_USER"_s, d.bank},
                                                {u"SCT_B_USER"_s, d.account},
                                                {u"SCT_2_USER"_s, d.correspondentAccount},
                                                {u"COD_B_USER"_s, d.bik},
                                                {u"OKONH_USER"_s, d.okved},
                                                {u"OKPO_USER"_s, d.okpo},
                                                {u"PRIMECH"_s, d.note}};
    for (const auto& [column, value] : values)
        setText(column, value);
    m_info->setPlainText(d.information);
    static_cast<QLineEdit*>(m_fields.value(u"N_USER"_s))->setReadOnly(true);
    if (m_buyer)
        (d.kind == u"Т"_s ? m_supplier : m_buyer)->setChecked(true);
    m_fields.value(u"NAME_USER"_s)->setFocus();
}

void TContragent_Card_::setText(const QString& column, const QString& text)
{
    if (auto* e = qobject_cast<QLineEdit*>(m_fields.value(column)))
        e->setText(text);
    else if (column == u"INFORM_PAR"_s)
        m_info->setPlainText(text);
}

QString TContragent_Card_::text(const QString& column) const
{
    auto* e = qobject_cast<QLineEdit*>(m_fields.value(column));
    return e ? e->text() : QString();
}

PartnerCardData TContragent_Card_::collect() const
{
    PartnerCardData d;
    d.shortName = text(u"N_USER"_s);
    d.fullName = text(u"NAME_USER"_s);
    d.nameForDocuments = text(u"NAMEP_USER"_s);
    d.address = text(u"ADRES_USER"_s);
    d.postIndex = text(u"INDEX_USER"_s);
    d.phones = text(u"PHONES"_s);
    d.fax = text(u"FAX_USER"_s);
    d.email = text(u"EMAIL_USER"_s);
    d.inn = text(u"PST_B_USER"_s);
    d.kpp = text(u"KPP"_s);
    d.regNumber = text(u"REGIS_USER"_s);
    d.discount = text(u"SKIDKAPRCNT"_s);
    d.bank = text(u"BANK_USER"_s);
    d.account = text(u"SCT_B_USER"_s);
    d.correspondentAccount = text(u"SCT_2_USER"_s);
    d.bik = text(u"COD_B_USER"_s);
    d.okved = text(u"OKONH_USER"_s);
    d.okpo = text(u"OKPO_USER"_s);
    d.note = text(u"PRIMECH"_s);
    d.information = m_info->toPlainText();
    d.kind = m_buyer ? (m_buyer->isChecked() ? u"К"_s : u"Т"_s) : m_kind;
    return d;
}

void TContragent_Card_::accept()
{
    try {
        m_saved = PartnerCard(m_db).save(collect(), m_mode);
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
        return;
    }
    if (!m_saved.isEmpty())
        QDialog::accept();
}

} // namespace Tarvo::Catalog
