// "Выгрузка заявок в CSV": the lines of the current buyer request, or of every request of the
// list, into a CSV file (UTF-8 with BOM, ";" between fields, decimal comma) for spreadsheets.
#include "tarvo/addinbase.h"
#include "tarvo/addinsql.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <vector>

namespace {

QString field(QString text)
{
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r')) {
        text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return u'"' + text + u'"';
    }
    return text;
}

// Decimal text with a point as the program gives it, with a comma.
QString decimalComma(const std::string& text)
{
    return QString::fromStdString(text).replace(u'.', u',');
}

std::vector<std::int32_t> requestsOf(tarvo::IDocIdentifier* offer, bool all)
{
    std::vector<std::int32_t> ids;
    if (!all) {
        std::int32_t id = 0;
        if (tarvo::failed(offer->GetDocID(&id)))
            throw std::runtime_error("Не удалось узнать текущую заявку");
        ids.push_back(id);
        return ids;
    }
    tarvo::ComPtr<tarvo::IListDocument> list;
    if (tarvo::failed(offer->GetList(list.put())) || !list)
        throw std::runtime_error("Список заявок недоступен");
    std::int32_t eof = 0;
    for (list->First(); tarvo::succeeded(list->GetEof(&eof)) && !eof; list->Next()) {
        std::int32_t id = 0;
        if (tarvo::failed(list->GetCurrent(&id)))
            throw std::runtime_error("Не удалось прочитать заявку списка");
        ids.push_back(id);
    }
    return ids;
}

// Returns the number of lines written.
int writeCsv(tarvo::IConnection* connection, const std::vector<std::int32_t>& requests, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(
            QStringLiteral("Файл «%1» не создаётся: %2").arg(path, file.errorString()).toStdString());
    QByteArray out("\xEF\xBB\xBF");
    out += QStringLiteral("Заявка;Дата;Артикул;Товар;Количество;Сумма\r\n").toUtf8();
    int lines = 0;
    for (std::int32_t id : requests) {
        tarvo::SqlQuery q(
            connection,
            "select o.bof_id, o.bof_date, p.PR_ARTICUL, p.PR_NAME, d.bpd_amount, d.bpd_sum "
            "from scm_business_offer o join scm_bp_delivery d on d.bpd_bof_id = o.bof_id "
            "join crm_product p on p.PR_ID = d.bpd_pr_id where o.bof_id = ? order by p.PR_ARTICUL");
        q.bind(1, std::int64_t(id)).exec();
        while (q.next()) {
            const QString date = q.isNull(1) ? QString() : QString::fromStdString(q.text(1)).left(10);
            const QStringList cells{QString::number(q.integer(0)),
                                    date,
                                    field(QString::fromStdString(q.text(2))),
                                    field(QString::fromStdString(q.text(3))),
                                    decimalComma(q.text(4)),
                                    decimalComma(q.text(5))};
            out += cells.join(u';').toUtf8() + "\r\n";
            ++lines;
        }
    }
    if (file.write(out) != out.size() || !file.commit())
        throw std::runtime_error(
            QStringLiteral("Файл «%1» не записан: %2").arg(path, file.errorString()).toStdString());
    return lines;
}

class ExportDialog : public QDialog
{
public:
    ExportDialog(tarvo::IConnection* connection, tarvo::IDocIdentifier* offer, QWidget* parent)
        : QDialog(parent), m_connection(connection), m_offer(offer)
    {
        setWindowTitle(QStringLiteral("Выгрузка заявок в CSV"));
        setObjectName(QStringLiteral("CsvExportDialog"));
        m_current = new QRadioButton(QStringLiteral("Текущая заявка"), this);
        m_current->setObjectName(QStringLiteral("optCurrent"));
        m_current->setChecked(true);
        m_all = new QRadioButton(QStringLiteral("Все заявки списка"), this);
        m_all->setObjectName(QStringLiteral("optAll"));
        m_file = new QLineEdit(QDir::home().filePath(QStringLiteral("заявки.csv")), this);
        m_file->setObjectName(QStringLiteral("editCsvFile"));
        auto* label = new QLabel(QStringLiteral("Файл:"), this);
        label->setBuddy(m_file);
        auto* browse = new QPushButton(QStringLiteral("Обзор..."), this);
        browse->setObjectName(QStringLiteral("btnBrowse"));
        auto* row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(m_file, 1);
        row->addWidget(browse);
        auto* buttons = new QDialogButtonBox(this);
        auto* run = buttons->addButton(QStringLiteral("Выгрузить"), QDialogButtonBox::AcceptRole);
        run->setObjectName(QStringLiteral("btnExport"));
        run->setDefault(true);
        buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_current);
        layout->addWidget(m_all);
        layout->addLayout(row);
        layout->addWidget(buttons);
        connect(browse, &QPushButton::clicked, this, [this] {
            const QString path = QFileDialog::getSaveFileName(this, windowTitle(), m_file->text(),
                                                              QStringLiteral("CSV (*.csv)"));
            if (!path.isEmpty())
                m_file->setText(path);
        });
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { exportNow(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }

private:
    void exportNow()
    {
        try {
            const QString path = m_file->text().trimmed();
            if (path.isEmpty())
                throw std::runtime_error("Укажите файл для выгрузки");
            const auto requests = requestsOf(m_offer, m_all->isChecked());
            const int lines = writeCsv(m_connection, requests, path);
            QMessageBox::information(
                this, windowTitle(),
                QStringLiteral("Выгружено заявок: %1, строк: %2.").arg(requests.size()).arg(lines));
            accept();
        } catch (const std::exception& e) {
            QMessageBox::critical(this, windowTitle(), QString::fromUtf8(e.what()));
        }
    }

    tarvo::IConnection* m_connection;
    tarvo::IDocIdentifier* m_offer;
    QRadioButton* m_current;
    QRadioButton* m_all;
    QLineEdit* m_file;
};

class Instance final : public tarvo::Aggregated<tarvo::IProcessingAddIn, tarvo::IAddInErrorInfo>
{
public:
    explicit Instance(tarvo::IUnknown* outer) : Aggregated(outer) {}

    tarvo::HRESULT Process(std::uint64_t, tarvo::IConnection* connection, tarvo::IUnknown*,
                           tarvo::IUniDocEnum* documents) override
    {
        return m_error.guard([&] {
            if (!connection || !documents)
                throw std::runtime_error("Модулю не переданы соединение и заявки");
            tarvo::ComPtr<tarvo::IDocIdentifier> offer;
            std::int32_t count = 0;
            documents->GetCount(&count);
            for (std::int32_t i = 0; i < count && !offer; ++i) {
                std::string name;
                tarvo::readText(
                    [&](char* b, std::int32_t s, std::int32_t* n) { return documents->GetName(i, b, s, n); },
                    name);
                if (name != "Offer")
                    continue;
                tarvo::ComPtr<tarvo::IUnknown> item;
                if (tarvo::succeeded(documents->GetItem(i, item.put())))
                    offer = item.as<tarvo::IDocIdentifier>();
            }
            if (!offer)
                throw std::runtime_error(
                    "Модуль выгружает заявки: вызовите его из списка заявок покупателей");
            ExportDialog dialog(connection, offer.get(), QApplication::activeWindow());
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
        info.RegisterAddIn("Выгрузка заявок в CSV", 0, &tarvo::ADDIN_TYPE_PROCESSING, nullptr, 0);
    }
    tarvo::IUnknown* makeInstance(tarvo::IUnknown* outer, const std::string&) override
    {
        return (new Instance(outer))->inner();
    }
};

} // namespace

TARVO_ADDIN_MODULE(Module)
