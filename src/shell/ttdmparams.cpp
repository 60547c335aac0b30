#include "shell/ttdmparams.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "core/exception.h"

namespace Tarvo::Shell {

const QList<TTDMParams::Parameter>& TTDMParams::parameters()
{
    static const QList<Parameter> all{
        {QStringLiteral("id_sclad"), QStringLiteral("Склад прихода"), Kind::Lookup},
        {QStringLiteral("USE_DOPREGN_SCL"),
         QStringLiteral("Использовать рег. номер поставщика как склад прихода"), Kind::Flag},
        {QStringLiteral("MyOrgCons"), QStringLiteral("Моя организация"), Kind::Lookup},
        {QStringLiteral("NDS"), QStringLiteral("НДС"), Kind::Lookup},
        {QStringLiteral("NSP"), QStringLiteral("НСП"), Kind::Lookup},
        {QStringLiteral("VIBOR"), QStringLiteral("Параметр для выбора поставщика"), Kind::Lookup},
        {QStringLiteral("USE_MYORG_PLAT"), QStringLiteral("Подставлять \"мою организацию\" в платеж"),
         Kind::Flag},
    };
    return all;
}

TTDMParams::TTDMParams(Data::Database& db) : m_db(db) {}

QList<TTDMParams::Choice> TTDMParams::readChoices(const QString& table, const QString& sql,
                                                  const QVariantList& params)
{
    QList<Choice> r;
    if (!m_db.objectExists(table))
        return r;
    Data::Query q(m_db, sql);
    q.bindAll(params);
    q.exec();
    while (q.next())
        r.append({q.string(0).trimmed(), q.string(1).trimmed()});
    return r;
}

void TTDMParams::open()
{
    m_values.clear();
    Data::Query q(m_db, QStringLiteral("select value_nastr from scm_parametrs where inside_name_nastr = ?"));
    for (const Parameter& p : parameters()) {
        q.bindAll({p.key});
        q.exec();
        m_values.insert(p.key, q.next() ? q.string(0) : QString());
    }
    m_stored = m_values;

    m_others.clear();
    Data::Query all(m_db, QStringLiteral("select inside_name_nastr, value_nastr from scm_parametrs"));
    all.exec();
    while (all.next()) {
        const QString key = all.string(0);
        if (!isFixed(key))
            m_others.insert(key, all.string(1));
    }
    m_storedOthers = m_others;

    m_choices.clear();
    m_choices.insert(
        QStringLiteral("id_sclad"),
        readChoices(QStringLiteral("sclad_r"),
                    QStringLiteral("select ID_SCLAD, NAME_SCLAD from sclad_r order by NAME_SCLAD")));
    m_choices.insert(QStringLiteral("MyOrgCons"),
                     readChoices(QStringLiteral("_partner"),
                                 QStringLiteral("select n_user, name_user from _partner where my_organiz = ? "
                                                "order by name_user"),
                                 {QStringLiteral("Я")}));
    for (const QString& key : {QStringLiteral("NDS"), QStringLiteral("NSP"), QStringLiteral("VIBOR")})
        m_choices.insert(key, readChoices(QStringLiteral("scm_values"),
                                          QStringLiteral("select VALUE_NAME_NASTR, COMMENT from scm_values "
                                                         "where INSIDE_NAME_NASTR = ? order by COMMENT"),
                                          {key}));
}

bool TTDMParams::isFixed(const QString& key)
{
    for (const Parameter& p : parameters())
        if (p.key.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void TTDMParams::setOthers(const QList<std::pair<QString, QString>>& rows)
{
    QMap<QString, QString> next;
    QStringList seen;
    for (const auto& [name, value] : rows) {
        const QString key = name.trimmed();
        if (key.isEmpty())
            throw Exception(QStringLiteral("Укажите имя параметра (значение «%1»)").arg(value));
        if (key.size() > 50)
            throw Exception(QStringLiteral("Имя параметра «%1» длиннее 50 символов").arg(key));
        if (value.size() > 200)
            throw Exception(QStringLiteral("Значение параметра «%1» длиннее 200 символов").arg(key));
        if (isFixed(key))
            throw Exception(QStringLiteral("Параметр «%1» настраивается в списке выше").arg(key));
        if (seen.contains(key.toCaseFolded()))
            throw Exception(QStringLiteral("Параметр «%1» указан дважды").arg(key));
        seen << key.toCaseFolded();
        next.insert(key, value);
    }
    m_others = next;
}

void TTDMParams::setValue(const QString& key, const QString& value)
{
    m_values.insert(key, value.left(200));
}

void TTDMParams::save()
{
    if (!isModified())
        return;
    Data::Transaction t(m_db);
    Data::Query update(
        m_db, QStringLiteral("update scm_parametrs set value_nastr = ? where inside_name_nastr = ?"));
    Data::Query insert(
        m_db, QStringLiteral("insert into scm_parametrs (inside_name_nastr, value_nastr) values (?, ?)"));
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        if (m_stored.value(it.key()) == it.value() && m_stored.contains(it.key()))
            continue;
        update.bindAll({it.value(), it.key()});
        update.exec();
        if (update.numRowsAffected() == 0) {
            insert.bindAll({it.key(), it.value()});
            insert.exec();
        }
    }
    Data::Query remove(m_db, QStringLiteral("delete from scm_parametrs where inside_name_nastr = ?"));
    for (auto it = m_storedOthers.cbegin(); it != m_storedOthers.cend(); ++it)
        if (!m_others.contains(it.key())) {
            remove.bindAll({it.key()});
            remove.exec();
        }
    for (auto it = m_others.cbegin(); it != m_others.cend(); ++it) {
        if (m_storedOthers.contains(it.key()) && m_storedOthers.value(it.key()) == it.value())
            continue;
        update.bindAll({it.value(), it.key()});
        update.exec();
        if (update.numRowsAffected() == 0) {
            insert.bindAll({it.key(), it.value()});
            insert.exec();
        }
    }
    t.commit();
    m_stored = m_values;
    m_storedOthers = m_others;
}

} // namespace Tarvo::Shell
