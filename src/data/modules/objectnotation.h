#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

namespace Tarvo::Data {

struct NotationProperty;

// A value of the class library's textual object notation.
struct NotationValue
{
    enum class Kind
    {
        Integer,
        Float,
        String,
        Identifier,
        Binary,
        Set,
        List,
        Collection
    };
    Kind kind = Kind::Identifier;
    QString text;                         // integer/float/identifier as written, the string's characters
    QByteArray bytes;                     // Binary
    QStringList set;                      // Set
    QList<NotationValue> list;            // List
    QList<QList<NotationProperty>> items; // Collection: the properties of each item

    static NotationValue string(const QString& s);
    static NotationValue integer(qint64 v);
    static NotationValue identifier(const QString& s);
    static NotationValue boolean(bool b)
    {
        return identifier(b ? QStringLiteral("True") : QStringLiteral("False"));
    }
    bool toBool() const { return text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0; }
};

struct NotationProperty
{
    QString name;
    NotationValue value;
};

// "object Name: TClass" with its properties and nested objects, closed by "end".
struct NotationObject
{
    QString keyword = QStringLiteral("object"); // object, inherited or inline
    QString name;
    QString className;
    QList<NotationProperty> properties;
    QList<NotationObject> children;

    const NotationProperty* find(const QString& name) const;
};

namespace ObjectNotation {

// Throws Tarvo::Exception on malformed text; never reads past the input.
NotationObject read(const QByteArray& text);
QByteArray write(const NotationObject& object);

} // namespace ObjectNotation

} // namespace Tarvo::Data
