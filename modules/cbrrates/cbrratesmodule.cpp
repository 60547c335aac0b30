// "Курсы валют ЦБ РФ": reads the Central Bank's daily rates file and writes the day's rates of
// the currencies the program's book knows, in one transaction.
#include "cbrratesfile.h"

#include "tarvo/addinbase.h"
#include "tarvo/addinsql.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <map>

namespace {

QString number(double v)
{
    return QLocale(QLocale::Russian).toString(v, 'f', 4);
}

class RatesDialog : public QDialog
{
public:
    RatesDialog(tarvo::IConnection* connection, const QString& startFolder, QWidget* parent)
        : QDialog(parent), m_connection(connection), m_folder(startFolder)
    {
        setWindowTitle(QStringLiteral("Курсы валют ЦБ РФ"));
        setObjectName(QStringLiteral("CbrRatesDialog"));
        m_file = new QLineEdit(this);
        m_file->setObjectName(QStringLiteral("editRatesFile"));
        m_file->setAccessibleName(QStringLiteral("Файл курсов"));
        auto* browse = new QPushButton(QStringLiteral("Обзор..."), this);
        browse->setObjectName(QStringLiteral("btnBrowse"));
        auto* read = new QPushButton(QStringLiteral("Прочитать"), this);
        read->setObjectName(QStringLiteral("btnRead"));
        auto* fileRow = new QHBoxLayout;
        auto* fileLabel = new QLabel(QStringLiteral("Файл курсов:"), this);
        fileLabel->setBuddy(m_file);
        fileRow->addWidget(fileLabel);
        fileRow->addWidget(m_file, 1);
        fileRow->addWidget(browse);
        fileRow->addWidget(read);

        m_date = new QLabel(this);
        m_date->setObjectName(QStringLiteral("labelDate"));
        m_table = new QTableWidget(0, 5, this);
        m_table->setObjectName(QStringLiteral("tableRates"));
        m_table->setAccessibleName(QStringLiteral("Курсы"));
        m_table->setHorizontalHeaderLabels({QStringLiteral("Код"), QStringLiteral("Валюта"),
                                            QStringLiteral("Номинал"), QStringLiteral("Курс за единицу"),
                                            QStringLiteral("Курс дня в базе")});
        m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_table->horizontalHeader()->setStretchLastSection(true);
        m_table->setMinimumSize(560, 240);
        m_unknown = new QLabel(this);
        m_unknown->setObjectName(QStringLiteral("labelUnknown"));
        m_unknown->setWordWrap(true);

        auto* buttons = new QDialogButtonBox(this);
        m_save = buttons->addButton(QStringLiteral("Записать курсы"), QDialogButtonBox::AcceptRole);
        m_save->setObjectName(QStringLiteral("btnSaveRates"));
        m_save->setEnabled(false);
        buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(fileRow);
        layout->addWidget(m_date);
        layout->addWidget(m_table, 1);
        layout->addWidget(m_unknown);
        layout->addWidget(buttons);

        connect(browse, &QPushButton::clicked, this, [this] {
            const QString path = QFileDialog::getOpenFileName(
                this, windowTitle(), m_folder, QStringLiteral("Курсы ЦБ РФ (*.xml);;Все файлы (*)"));
            if (!path.isEmpty()) {
                m_file->setText(path);
                readFile();
            }
        });
        connect(read, &QPushButton::clicked, this, [this] { readFile(); });
        connect(m_file, &QLineEdit::returnPressed, this, [this] { readFile(); });
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { save(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }

private:
    void readFile()
    {
        m_save->setEnabled(false);
        m_table->setRowCount(0);
        try {
            m_rates = CbrRatesFile::read(m_file->text().trimmed());
            std::map<QString, QString> book; // code -> name
            tarvo::SqlQuery codes(m_connection, "select CODVALUT, NAMEVALUT from VALUTCOD");
            codes.exec();
            while (codes.next())
                book[QString::fromStdString(codes.text(0)).trimmed().toUpper()] =
                    QString::fromStdString(codes.text(1));
            m_known.clear();
            QStringList unknown;
            for (const CbrRate& r : std::as_const(m_rates.rates)) {
                if (book.count(r.code))
                    m_known << r;
                else
                    unknown << r.code;
            }
            m_date->setText(
                QStringLiteral("Курсы на %1").arg(m_rates.date.toString(QStringLiteral("dd.MM.yyyy"))));
            for (const CbrRate& r : std::as_const(m_known)) {
                const int row = m_table->rowCount();
                m_table->insertRow(row);
                tarvo::SqlQuery stored(m_connection,
                                       "select valcotir from cotirval where codvalut = ? and datecotir = ?");
                stored.bind(1, r.code.toStdString())
                    .bindDateTime(2, m_rates.date.toString(Qt::ISODate).toStdString());
                stored.exec();
                const QString storedText = stored.next() ? number(stored.number(0)) : QStringLiteral("нет");
                const QStringList cells{r.code, r.name, QString::number(r.nominal), number(r.perUnit()),
                                        storedText};
                for (int c = 0; c < cells.size(); ++c)
                    m_table->setItem(row, c, new QTableWidgetItem(cells[c]));
            }
            QStringList notes;
            if (!unknown.isEmpty())
                notes << QStringLiteral("Валюты, которых нет в справочнике (не записываются): %1")
                             .arg(unknown.join(QStringLiteral(", ")));
            if (!m_rates.refused.isEmpty())
                notes << QStringLiteral("Отклонены: %1").arg(m_rates.refused.join(QStringLiteral("; ")));
            m_unknown->setText(notes.join(u'\n'));
            m_save->setEnabled(!m_known.isEmpty());
        } catch (const std::exception& e) {
            QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
        }
    }

    void save()
    {
        try {
            const std::string day = m_rates.date.toString(Qt::ISODate).toStdString();
            tarvo::SqlTransaction transaction(m_connection);
            for (const CbrRate& r : std::as_const(m_known)) {
                const std::string code = r.code.toStdString();
                tarvo::SqlQuery del(m_connection,
                                    "delete from cotirval where codvalut = ? and datecotir = ?");
                del.bind(1, code).bindDateTime(2, day).exec();
                tarvo::SqlQuery ins(m_connection,
                                    "insert into cotirval (codvalut, datecotir, valcotir) values (?, ?, ?)");
                ins.bind(1, code).bindDateTime(2, day).bindDouble(3, r.perUnit()).exec();
            }
            transaction.commit();
            QMessageBox::information(this, windowTitle(),
                                     QStringLiteral("Записаны курсы %1 валют на %2.")
                                         .arg(m_known.size())
                                         .arg(m_rates.date.toString(QStringLiteral("dd.MM.yyyy"))));
            accept();
        } catch (const std::exception& e) {
            QMessageBox::critical(this, windowTitle(),
                                  QStringLiteral("Курсы не записаны: %1").arg(QString::fromUtf8(e.what())));
        }
    }

    tarvo::IConnection* m_connection;
    QString m_folder;
    QLineEdit* m_file;
    QLabel* m_date;
    QTableWidget* m_table;
    QLabel* m_unknown;
    QPushButton* m_save;
    CbrRatesFile m_rates;
    QList<CbrRate> m_known;
};

class Instance final : public tarvo::Aggregated<tarvo::ISimpleAddIn, tarvo::IAddInErrorInfo>
{
public:
    explicit Instance(tarvo::IUnknown* outer) : Aggregated(outer) {}

    tarvo::HRESULT Execute(std::uint64_t, tarvo::IConnection* connection,
                           tarvo::INamedParams* params) override
    {
        return m_error.guard([&] {
            if (!connection)
                throw std::runtime_error("Модулю не передано соединение с базой данных");
            const QString folder = QString::fromStdString(tarvo::parameter(params, "CBR_RATES_DIR"));
            RatesDialog dialog(connection, folder, QApplication::activeWindow());
            dialog.exec();
        });
    }
    tarvo::HRESULT Reserved() override { return tarvo::S_OK; }
    tarvo::HRESULT GetLastError(char* buffer, std::int32_t size) override
    {
        return m_error.writeError(buffer, size);
    }

private:
    tarvo::ErrorText m_error;
};

class Module final : public tarvo::AddInModule
{
protected:
    void registerAddIns(tarvo::IAddInInfo& info) override
    {
        info.RegisterAddIn("Курсы валют ЦБ РФ", 0, &tarvo::ADDIN_TYPE_RUN, nullptr, 0);
    }
    tarvo::IUnknown* makeInstance(tarvo::IUnknown* outer, const std::string&) override
    {
        return (new Instance(outer))->inner();
    }
};

} // namespace

TARVO_ADDIN_MODULE(Module)
