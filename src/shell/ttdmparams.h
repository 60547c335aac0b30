#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <utility>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Shell {

// The server-side program parameters of table scm_parametrs: one row per
// parameter, edited together and saved in one transaction.
class TTDMParams
{
public:
    enum class Kind
    {
        Lookup,
        Flag
    };
    struct Choice
    {
        QString value;
        QString caption;
    };
    struct Parameter
    {
        QString key; // inside_name_nastr
        QString label;
        Kind kind = Kind::Lookup;
    };

    explicit TTDMParams(Data::Database& db);

    static const QList<Parameter>& parameters();
    // Reads the stored values and the choices of every lookup. A lookup over a
    // table that this database does not have offers no choices.
    void open();

    QString value(const QString& key) const { return m_values.value(key); }
    void setValue(const QString& key, const QString& value);
    bool isModified() const { return m_values != m_stored || m_others != m_storedOthers; }
    QList<Choice> choices(const QString& key) const { return m_choices.value(key); }

    // Every other row of the table (the extension modules' own parameters), by name.
    const QMap<QString, QString>& others() const { return m_others; }
    // Replaces the other parameters: rows left out are deleted. Throws Tarvo::Exception, changing
    // nothing, for an empty or too long name, one of the parameters above or a name given twice
    // (names compare without case, as modules look them up).
    void setOthers(const QList<std::pair<QString, QString>>& rows);
    // Writes the changed values (a missing row is inserted) and the other parameters' changes in
    // one transaction; throws DatabaseError.
    void save();

    static QString flagText(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }
    static bool isTrue(const QString& value)
    {
        return value.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    }

private:
    static bool isFixed(const QString& key);
    QList<Choice> readChoices(const QString& table, const QString& sql, const QVariantList& params = {});

    Data::Database& m_db;
    QMap<QString, QString> m_values;
    QMap<QString, QString> m_stored;
    QMap<QString, QList<Choice>> m_choices;
    QMap<QString, QString> m_others;
    QMap<QString, QString> m_storedOthers;
};

} // namespace Tarvo::Shell
