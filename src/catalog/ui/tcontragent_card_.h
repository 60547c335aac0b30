#pragma once

#include "catalog/partners/partnercard.h"

#include <QDialog>
#include <QMap>

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The counterparty card: "Добавление контрагента" or "Коррекция контрагента "<name>"".
// "Сохранить" validates and writes; a refusal shows its message and keeps the card open.
// With the kind "Я" it edits one of our own organisations (no kind choice then).
class TContragent_Card_ : public QDialog
{
    Q_OBJECT
public:
    // An empty short name creates; `kind` is the kind of a new one.
    TContragent_Card_(Data::Database& db, const QString& shortName, const QString& kind,
                      QWidget* parent = nullptr);

    // The short name saved (empty until saved).
    const QString& savedShortName() const { return m_saved; }
    // The editor of a card field by its column name ("NAME_USER", ..., "PHONES", "INFORM_PAR", "KIND_BUYER").
    QWidget* field(const QString& column) const { return m_fields.value(column); }
    void setText(const QString& column, const QString& text);
    void accept() override;

private:
    PartnerCardData collect() const;
    QString text(const QString& column) const;

    Data::Database& m_db;
    PartnerCard::Mode m_mode;
    QString m_kind;
    QString m_saved;
    QMap<QString, QWidget*> m_fields;
    QRadioButton* m_supplier = nullptr;
    QRadioButton* m_buyer = nullptr;
    QPlainTextEdit* m_info = nullptr;
};

} // namespace Tarvo::Catalog
