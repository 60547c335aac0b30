#include "catalog/partners/partnercard.h"

#include "catalog/catalogtransaction.h"
#include "catalog/partners/partnertext.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/money.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

const QChar Quote = u'"';

bool shortNameTaken(Data::Database& db, const QString& name)
{
    return db.scalar(u"select count(*) from _partner where n_user = ?"_s, {name}).toLongLong() > 0;
}

QVariant nullIfEmpty(const QString& s)
{
    return s.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(s);
}

// A number field left blank means 0.
QString zeroIfBlank(const QString& s)
{
    const QString t = s.trimmed();
    return t.isEmpty() ? QStringLiteral("0") : t;
}

} // namespace

QString PartnerCard::discountText(const QVariant& value)
{
    return Money::fromVariant(value).toString(2);
}

PartnerCardData PartnerCard::load(const QString& shortName) const
{
    Data::Query q(m_db, u"select * from _partner where N_USER = ?"_s);
    q.bindAt(0, shortName, Data::ParamType::String).exec();
    if (!q.next())
        throw Exception(u"Контрагент \"%1\" не найден. Возможно, его уже удалили."_s.arg(shortName));
    const auto s = [&q](const char* c) { return q.value(QString::fromLatin1(c)).toString(); };
    PartnerCardData d;
    d.shortName = s("N_USER");
    d.fullName = s("NAME_USER");
    d.nameForDocuments = s("NAMEP_USER");
    d.bank = s("BANK_USER");
    d.account = s("SCT_B_USER");
    d.bik = s("COD_B_USER");
    d.inn = s("PST_B_USER");
    d.address = s("ADRES_USER");
    d.postIndex = s("INDEX_USER");
    d.information = s("INFORM_PAR");
    d.correspondentAccount = s("SCT_2_USER");
    d.phones = s("TEL1_USER") + s("TEL2_USER");
    d.fax = s("FAX_USER");
    d.regNumber = q.value(u"REGIS_USER"_s).isNull() ? QString() : s("REGIS_USER");
    d.email = s("EMAIL_USER");
    d.kind = s("MY_ORGANIZ");
    d.discount = discountText(q.value(u"SKIDKAPRCNT"_s));
    d.okved = s("OKONH_USER");
    d.okpo = s("OKPO_USER");
    d.note = s("PRIMECH");
    d.kpp = s("KPP");
    return d;
}

QString PartnerCard::generateShortName(const QString& fullName) const
{
    const QString base = PartnerText::shortNameBase(PartnerText::clean(fullName));
    // An empty base is no name at all: numbering starts at once.
    if (!base.isEmpty() && !shortNameTaken(m_db, base))
        return base;
    for (int n = 1;; ++n) {
        const QString candidate = PartnerText::numbered(base, n);
        if (!shortNameTaken(m_db, candidate))
            return candidate;
    }
}

QString PartnerCard::save(const PartnerCardData& data, Mode mode) const
{
    // Two workstations creating the same card at once both pass the checks before either row
    // exists; the later insert then meets the earlier one's key. Checked again after the
    // rollback, the loser gets the card's own message (or, if the other row went away, saves).
    for (int attempt = 1;; ++attempt) {
        try {
            return write(data, mode);
        } catch (const Data::DatabaseError& e) {
            const bool duplicate = e.nativeError() == Data::NativeError::Constraint ||
                                   e.nativeError() == Data::NativeError::UniqueIndex;
            if (mode != Mode::Create || !duplicate || attempt == 3)
                throw;
        }
    }
}

QString PartnerCard::write(PartnerCardData d, Mode mode) const
{
    const auto fit = [](QString& s, int width, bool clean = true) {
        if (clean)
            s = PartnerText::clean(s);
        s.truncate(width);
    };
    fit(d.shortName, 8);
    fit(d.fullName, 50);
    fit(d.nameForDocuments, 110);
    fit(d.bank, 100);
    fit(d.account, 40);
    fit(d.bik, 20);
    fit(d.inn, 12);
    fit(d.address, 100);
    fit(d.postIndex, 8);
    fit(d.information, 8000, false);
    fit(d.correspondentAccount, 40);
    fit(d.phones, 40);
    fit(d.fax, 20);
    fit(d.email, 50);
    fit(d.okved, 20);
    fit(d.okpo, 20);
    fit(d.note, 255);
    fit(d.kpp, 12);
    d.shortName = d.shortName.trimmed();

    CatalogTransaction tx(m_db);
    if (!d.shortName.isEmpty() && mode == Mode::Create) {
        Data::Query q(m_db, u"select Name_User from _partner where n_user = ?"_s);
        q.bindAt(0, d.shortName, Data::ParamType::String).exec();
        if (q.next())
            throw Exception(u"Заданое краткое имя ("_s + Quote + d.shortName + Quote +
                            u") уже используется для контрагента "_s + Quote + q.string(0) + Quote);
    }
    if (d.shortName.isEmpty()) {
        if (mode == Mode::Modify)
            throw Exception(u"Не задано краткое название корректируемой организации"_s);
        d.shortName = generateShortName(d.fullName);
    }
    if (d.fullName.trimmed().isEmpty())
        throw Exception(u"Не задано полное название контрагента"_s);
    // No key holds full names unique (stored warehouse data may repeat them), so two cards
    // saved at once with one full name wait for each other before the check.
    m_db.lockName(u"_partner.NAME_USER:"_s + d.fullName);
    {
        Data::Query q(m_db, mode == Mode::Modify
                                ? u"select n_user from _partner where Name_user = ? and N_User <> ?"_s
                                : u"select n_user from _partner where Name_user = ?"_s);
        q.bindAt(0, d.fullName, Data::ParamType::String);
        if (mode == Mode::Modify)
            q.bindAt(1, d.shortName, Data::ParamType::String);
        q.exec();
        if (q.next())
            throw Exception(u"Контрагент с полным названием "_s + Quote + d.fullName + Quote + u"\n"_s +
                            u"уже существует (Краткое имя "_s + Quote + q.string(0) + Quote + u")"_s);
    }
    bool ok = false;
    // The column is a 32-bit integer on every engine.
    const int regNumber = zeroIfBlank(d.regNumber).toInt(&ok);
    if (!ok)
        throw Exception(u"Неверно задан рег. номер"_s);
    const std::optional<Money> discount = Money::parse(zeroIfBlank(d.discount));
    if (!discount)
        throw Exception(u"Неверно задан процент скидки"_s);
    if (d.kind != u"Я"_s && d.kind != u"К"_s)
        d.kind = u"Т"_s;

    const QVariantList values{d.fullName,
                              nullIfEmpty(d.nameForDocuments),
                              nullIfEmpty(d.bank),
                              nullIfEmpty(d.account),
                              nullIfEmpty(d.bik),
                              nullIfEmpty(d.inn),
                              nullIfEmpty(d.address),
                              nullIfEmpty(d.postIndex),
                              nullIfEmpty(d.information),
                              nullIfEmpty(d.correspondentAccount),
                              nullIfEmpty(d.phones.left(20)),
                              nullIfEmpty(d.phones.mid(20)),
                              nullIfEmpty(d.fax),
                              regNumber,
                              nullIfEmpty(d.email),
                              d.kind,
                              discount->toVariant(),
                              nullIfEmpty(d.okved),
                              nullIfEmpty(d.okpo),
                              nullIfEmpty(d.note),
                              nullIfEmpty(d.kpp)};
    static const QStringList columns{
        u"NAME_USER"_s,  u"NAMEP_USER"_s, u"BANK_USER"_s,  u"SCT_B_USER"_s, u"COD_B_USER"_s,  u"PST_B_USER"_s,
        u"ADRES_USER"_s, u"INDEX_USER"_s, u"INFORM_PAR"_s, u"SCT_2_USER"_s, u"TEL1_USER"_s,   u"TEL2_USER"_s,
        u"FAX_USER"_s,   u"REGIS_USER"_s, u"EMAIL_USER"_s, u"MY_ORGANIZ"_s, u"SKIDKAPRCNT"_s, u"OKONH_USER"_s,
        u"OKPO_USER"_s,  u"PRIMECH"_s,    u"KPP"_s};
    if (mode == Mode::Modify) {
        QStringList sets;
        for (const QString& c : columns)
            sets << c + u"=?"_s;
        Data::Query q(m_db, u"update _partner set "_s + sets.join(u", "_s) + u" where N_User=?"_s);
        q.bindAll(values + QVariantList{d.shortName}).exec();
        if (q.numRowsAffected() == 0)
            throw Exception(u"Контрагент \"%1\" не найден. Возможно, его уже удалили."_s.arg(d.shortName));
    } else {
        QStringList marks(columns.size() + 1, u"?"_s);
        m_db.exec(u"insert into _partner (N_USER, "_s + columns.join(u", "_s) + u") values ("_s +
                      marks.join(u","_s) + u")"_s,
                  QVariantList{d.shortName} + values);
        m_db.exec(u"insert into scm_partner (par_nuser) values (?)"_s, {d.shortName});
    }
    tx.commit();
    return d.shortName;
}

void PartnerCard::remove(const QString& shortName) const
{
    CatalogTransaction tx(m_db);
    m_db.exec(u"delete from scm_partner where par_nuser = ?"_s, {shortName});
    m_db.exec(u"delete from _partner where N_USER = ?"_s, {shortName});
    tx.commit();
}

} // namespace Tarvo::Catalog
