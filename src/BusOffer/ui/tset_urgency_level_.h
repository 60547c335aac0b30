#pragma once

#include "BusOffer/urgencylevel.h"

#include <QDialog>
#include <QVariant>

class QComboBox;
class QPushButton;
class QToolButton;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::BusOffer {

// "Установка срочности выполнения": the urgency of one document, chosen from the urgency types
// ("..." opens their reference book). "Изменить" (Enter) writes it, "Отмена" (Esc) leaves it.
class TSet_Urgency_Level_ : public QDialog
{
    Q_OBJECT
public:
    // `table` and `keyColumn` must name a document with an urgency (UrgencyLevel::documents()).
    TSet_Urgency_Level_(Data::Database& db, const QString& table, const QString& keyColumn, qint64 key,
                        const QVariant& currentUrgency, QWidget* parent = nullptr);

    // On the main connection; true when the urgency was changed.
    static bool execute(QWidget* parent, const QString& table, const QString& keyColumn, int key,
                        const QVariant& currentUrgency);

    QComboBox* urgencyBox() const { return m_choice; }
    QToolButton* bookButton() const { return m_book; }
    QPushButton* changeButton() const { return m_change; }
    // The urgency chosen in the list (null: none).
    QVariant chosenUrgency() const;
    bool changed() const { return m_changed; }
    void accept() override;

private:
    void fill(const QVariant& select);
    void openBook();

    Data::Database& m_db;
    UrgencyLevel m_level;
    qint64 m_key;
    QVariant m_current;
    bool m_changed = false;
    QComboBox* m_choice;
    QToolButton* m_book;
    QPushButton* m_change;
};

} // namespace Tarvo::BusOffer
