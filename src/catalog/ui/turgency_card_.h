#pragma once

#include <QDialog>

class QLineEdit;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Добавление типа срочности" / "Коррекция типа срочности": name and priority (digits only).
class TUrgency_Card_ : public QDialog
{
    Q_OBJECT
public:
    // id 0 creates.
    TUrgency_Card_(Data::Database& db, qint64 id, QWidget* parent = nullptr);

    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* priorityEdit() const { return m_priority; }
    qint64 savedId() const { return m_id; }
    void accept() override;

private:
    Data::Database& m_db;
    qint64 m_id;
    QLineEdit* m_name;
    QLineEdit* m_priority;
};

} // namespace Tarvo::Catalog
