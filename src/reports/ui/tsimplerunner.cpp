#include "reports/ui/tsimplerunner.h"

#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/query.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"
#include "reports/readonlydataset.h"
#include "reports/ui/preparedreport.h"
#include "reports/ui/tableexport.h"
#include "reports/ui/tfrmreportpreview.h"
#include "reports/ui/treportparamsdialog.h"
#include "shell/tdatabaseconnection.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

bool supportedValue(const QVariant& v)
{
    if (v.metaType() == QMetaType::fromType<Money>())
        return true;
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
    case QMetaType::QChar:
    case QMetaType::Char:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QString:
        return true;
    default:
        return false;
    }
}

QString typeName(const QVariant& v)
{
    return v.isValid() ? QString::fromLatin1(v.metaType().name()) : u"(пусто)"_s;
}

// The calling list as its grid shows it: shown columns in display order, rows in the shown order.
std::unique_ptr<ReportTable> listTable(Widgets::TDataGrid* grid)
{
    Data::TRowSet* rs = grid->rowSet();
    grid->rowSetModel()->fetchAll();
    QList<ReportTable::Field> fields;
    QList<int> columns;
    for (int c : grid->columnsInDisplayOrder()) {
        if (!grid->isColumnShown(c))
            continue;
        const Data::RowSetField& f = rs->field(c);
        // Money without a format of its own shows the grid's decimals.
        const QString format = f.type == Data::FieldType::Money && f.displayFormat.isEmpty()
                                   ? Catalog::MoneyFormats::forField(f.name)
                                   : f.displayFormat;
        ReportTable::Field out{f.name, grid->columnCaption(c), f.type, format, grid->keptColumnWidth(c) * 25.4 / 96};
        fields << out;
        columns << c;
    }
    std::vector<int> order;
    const int n = grid->proxyModel()->rowCount();
    order.reserve(size_t(n));
    for (int r = 0; r < n; ++r)
        order.push_back(grid->rowSetRow(r));
    return std::make_unique<RowSetTable>(*rs, fields, columns, std::move(order));
}

} // namespace

void TSimpleRunner::checkParameters(const QVariantList& parameters)
{
    if (parameters.size() % 2 != 0)
        throw Exception(u"Размер массива параметров должен быть четным"_s);
    for (int i = 0; i < parameters.size(); i += 2) {
        if (parameters[i].metaType().id() != QMetaType::QString)
            throw Exception(u"Неподдерживаемый тип имени параметра "_s + typeName(parameters[i]));
        if (!supportedValue(parameters[i + 1]))
            throw Exception(u"Неподдерживаемый тип значения параметра "_s + typeName(parameters[i + 1]));
    }
}

std::unique_ptr<PreparedReport> TSimpleRunner::prepare(const QString& name, const QByteArray& data,
                                                       const QVariantList& parameters, Widgets::TDataGrid* list,
                                                       QWidget* parent, bool* exportOnly)
{
    checkParameters(parameters);
    auto prepared = std::make_unique<PreparedReport>();
    QVariantMap& variables = prepared->variables;
    variables.insert(u"user"_s, Shell::TDataBaseConnection::instance().currentUserName());
    for (int i = 0; i < parameters.size(); i += 2)
        variables.insert(parameters[i].toString(), parameters[i + 1]);

    ReportTemplate& t = prepared->report;
    if (data.isNull()) {
        ReportTemplate::Page empty;
        empty.title.text = name;
        empty.title.bold = true;
        empty.title.fontSize = 14;
        t.pages << empty;
    } else {
        try {
            t = ReportTemplate::parse(data);
        } catch (const Exception& e) {
            throw Exception(u"Отчет \"%1\" не удается открыть: он сохранен не в формате программы или поврежден. "
                            "%2 Загрузите шаблон заново в окне \"Настройка отчетов\"."_s.arg(name, e.message()));
        }
    }
    t.name = name;

    TReportParamsDialog::ask(t.dialogs, variables, parent);

    Data::Database* db = Data::Database::main();
    std::map<QString, const ReportTable*> loaded;
    auto table = [&](const QString& datasetName) -> const ReportTable* {
        if (datasetName.isEmpty())
            return nullptr;
        if (auto it = loaded.find(datasetName); it != loaded.end())
            return it->second;
        const ReportTemplate::Dataset& d = *t.dataset(datasetName);
        std::unique_ptr<ReportTable> made;
        if (d.fromList) {
            if (!list || !list->rowSet())
                throw Exception(u"Отчет \"%1\" печатает список окна: запустите его из меню печати списка."_s.arg(name));
            made = listTable(list);
        } else {
            if (!db)
                throw Exception(u"Нет соединения с базой данных."_s);
            made = std::make_unique<RowSetTable>(ReadOnlyDataset::load(*db, d.name, d.sql, variables));
        }
        const ReportTable* raw = made.get();
        prepared->tables.push_back(std::move(made));
        loaded.emplace(datasetName, raw);
        return raw;
    };
    const bool onlyDialogs = t.pages.isEmpty() && !t.dialogs.isEmpty();
    if (exportOnly)
        *exportOnly = onlyDialogs;
    if (onlyDialogs) {
        if (!t.datasets.isEmpty())
            table(t.datasets.first().name);
        return prepared;
    }
    for (const ReportTemplate::Page& p : t.pages)
        prepared->pageTables.push_back(table(p.dataset));
    return prepared;
}

void TSimpleRunner::run(int report, const QVariantList& parameters, Widgets::TDataGrid* list, QWidget* parent)
{
    checkParameters(parameters);
    Data::Database* db = Data::Database::main();
    if (!db)
        throw Exception(u"Нет соединения с базой данных."_s);
    Data::Query q(*db, u"select REPDATA, NMREPORT from FR_REPORTS where IDREPORT = ?"_s);
    q.bindAll({report}).exec();
    if (!q.next())
        throw Exception(u"Указан код несуществующего отчета. Обратитесь к адинистратору."_s);
    const QVariant stored = q.value(0);
    const QString name = q.value(1).toString();
    q.finish();
    // A stored but empty template is damaged, unlike a null one.
    QByteArray data;
    if (!stored.isNull()) {
        data = stored.toByteArray();
        if (data.isNull())
            data = QByteArray("");
    }
    bool exportOnly = false;
    std::unique_ptr<PreparedReport> prepared = prepare(name, data, parameters, list, parent, &exportOnly);
    if (!exportOnly) {
        TfrmReportPreview::open(std::move(prepared));
        return;
    }
    if (prepared->tables.empty())
        return; // its dialogs were the whole report
    auto* rows = dynamic_cast<RowSetTable*>(prepared->tables.front().get());
    Widgets::TDataGrid grid;
    grid.setRowSet(const_cast<Data::TRowSet*>(&rows->rowSet()));
    TableExport::exportGrid(&grid, name);
    grid.setRowSet(nullptr);
}

} // namespace Tarvo::Reports
