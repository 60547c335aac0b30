#include "otbor/otborconditions.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/likepattern.h"
#include "otbor/otborlookup.h"
#include "otbor/tvardate.h"
#include "otbor/tvarlist.h"
#include "otbor/tvarstringcompare.h"
#include "security/rights.h"
#include "shell/tdatabaseconnection.h"

namespace Tarvo::Otbor {

using namespace Tarvo::Data;

const QString OtborConditions::CustomerAlias = QStringLiteral("customer");
const QString OtborConditions::SupplierAlias = QStringLiteral("supplier");
const QString OtborConditions::TransporterAlias = QStringLiteral("transporter");

namespace {
constexpr int RightOtherManagers = 100001;
constexpr int RightChooseManager = 100014;

// Qualified with the alias, else with the table's name: a bare "Name" may belong to any joined table.
QString column(const TTableNode& node, const QString& name)
{
    return (node.alias().isEmpty() ? node.tableName() : node.alias()) + QLatin1Char('.') + name;
}

// Case-insensitive on both engines.
QString likeOperator()
{
    try {
        return QLatin1Char(' ') + Database::main()->dialect().likeOperator() + QLatin1Char(' ');
    } catch (const Exception&) {
        return QStringLiteral(" like ");
    }
}

void addStringCompare(TTableNode& node, const QString& name, const TVarStringCompare& var, int equalSize,
                      int likeSize)
{
    auto g = node.newConditionGroup();
    if (var.compareType() == TVarStringCompare::Equal) {
        g->addText(Otbor::column(node, name) + QStringLiteral(" = "));
        g->addParam(var.compareString(), equalSize, ParamType::String);
    } else {
        // The typed text is matched as typed: "%" and "_" in it are no wildcards.
        const QString pattern = LikePattern::contains(var.compareString());
        g->addText(Otbor::column(node, name) + likeOperator());
        g->addParam(pattern, std::max<int>(likeSize, int(pattern.size())), ParamType::String);
        g->addText(LikePattern::escapeClause());
    }
}

// The role of a counterparty variable, by its class.
const QString* roleAlias(const TPartnerOtbor* var)
{
    if (dynamic_cast<const TOfferIDOtbor*>(var))
        return &OtborConditions::CustomerAlias;
    if (dynamic_cast<const TSupplierIDOtbor*>(var))
        return &OtborConditions::SupplierAlias;
    if (dynamic_cast<const TTransporterIDOtbor*>(var))
        return &OtborConditions::TransporterAlias;
    return nullptr;
}
} // namespace

TTableNodePtr OtborConditions::findTable(const TQueryNodes& statement, const QString& name)
{
    for (const TTableNodePtr& n : statement.tables())
        if (n->alias().compare(name, Qt::CaseInsensitive) == 0)
            return n;
    for (const TTableNodePtr& n : statement.tables())
        if (n->tableName().compare(name, Qt::CaseInsensitive) == 0)
            return n;
    return nullptr;
}

void OtborConditions::addDate(TQueryNodes& statement, const TVarDate& var, const QString& nodeName,
                              const QString& column)
{
    if (!var.active())
        return;
    const TTableNodePtr node = findTable(statement, nodeName);
    if (!node)
        return;
    // The end day lasts until the next day begins: a stored time may be finer than any last
    // instant we could bind (microseconds on PostgreSQL, a longer fraction in SQLite's text).
    const QDateTime nextDay(var.dateEnd().date().addDays(1), QTime(0, 0));
    const QString c = Otbor::column(*node, column);
    auto g = node->newConditionGroup();
    switch (var.intervalType()) {
    case TVarDate::Between:
        g->addText(c + QStringLiteral(" >= "));
        g->addParam(var.dateStart(), 0, ParamType::DateTime);
        g->addText(QStringLiteral(" and ") + c + QStringLiteral(" < "));
        g->addParam(nextDay, 0, ParamType::DateTime);
        break;
    case TVarDate::Until:
        g->addText(c + QStringLiteral(" < "));
        g->addParam(var.dateStart(), 0, ParamType::DateTime);
        break;
    case TVarDate::After:
        g->addText(c + QStringLiteral(" >= "));
        g->addParam(nextDay, 0, ParamType::DateTime);
        break;
    }
}

void OtborConditions::addOfferDate(TQueryNodes& statement, const TVarDate& var)
{
    addDate(statement, var, QStringLiteral("scm_business_offer"), QStringLiteral("bof_date"));
}

void OtborConditions::addOrderDate(TQueryNodes& statement, const TVarDate& var)
{
    addDate(statement, var, QStringLiteral("scm_supplier_order"), QStringLiteral("suo_date"));
}

void OtborConditions::addWayBillDate(TQueryNodes& statement, const TVarDate& var)
{
    addDate(statement, var, QStringLiteral("scm_waybill"), QStringLiteral("swb_arrival_date"));
}

void OtborConditions::addPartner(TQueryNodes& statement, const TPartnerOtbor& var, const QString& nodeName)
{
    if (!var.active())
        return;
    if (const TTableNodePtr node = findTable(statement, nodeName))
        addStringCompare(*node, QStringLiteral("par_nuser"), var, 8, 10);
}

void OtborConditions::addUrgency(TQueryNodes& statement, const TUrgencyOtbor& var)
{
    if (!var.active())
        return;
    if (const TTableNodePtr node = findTable(statement, QStringLiteral("SCM_Library_Urgency")))
        addStringCompare(*node, QStringLiteral("Name"), var, 20, 20);
}

OtborConditions::ManagerRule OtborConditions::managerRule(const TManagerOtbor* var, bool seesOthers,
                                                          bool mayChoose)
{
    ManagerRule r;
    if (!seesOthers)
        return r; // own rows, always
    if (!mayChoose) {
        r.rows = TManagerOtbor::OwnDepartment;
        return r;
    }
    r.userChooses = true;
    r.applies = var && var->active();
    if (var)
        r.rows = var->allowedRows();
    return r;
}

OtborConditions::ManagerRule OtborConditions::managerRule(const TManagerOtbor* var)
{
    const bool seesOthers = Security::HasRight(RightOtherManagers);
    return managerRule(var, seesOthers, seesOthers && Security::HasRight(RightChooseManager));
}

void OtborConditions::addManager(TQueryNodes& statement, const TManagerOtbor* var, const QString& userColumn)
{
    const ManagerRule rule = managerRule(var);
    if (!rule.applies)
        return;
    TTableNodePtr node = findTable(statement, QStringLiteral("crm_users"));
    if (!node) {
        if (userColumn.isEmpty())
            throw Exception(QStringLiteral("Отбор по менеджеру не может быть применен: в запросе нет таблицы "
                                           "пользователей crm_users"));
        node = CommandBuilder::newTableNode(QStringLiteral("crm_users"));
        statement.addJoin(
            QStringLiteral(" join "), node,
            QStringLiteral(" on crm_users.us_id = %1 ").arg(statement.mainNode()->qualify(userColumn)));
    }
    const auto& user = Shell::TDataBaseConnection::instance();
    auto g = node->newConditionGroup();
    if (rule.rows == TManagerOtbor::OwnRows) {
        g->addText(column(*node, QStringLiteral("us_id")) + QStringLiteral(" = "));
        g->addParam(user.currentUserId(), 0, ParamType::Integer);
    } else {
        g->addText(column(*node, QStringLiteral("us_dep")) + QStringLiteral(" = "));
        g->addParam(user.currentUserDepartment(), 60, ParamType::String);
    }
}

void OtborConditions::addCommon(TQueryNodes& statement, const TVarList& registerList,
                                const QString& userColumn)
{
    int roles = 0;
    for (TVar* v : registerList.items())
        if (dynamic_cast<TPartnerOtbor*>(v))
            ++roles;
    for (TVar* v : registerList.items()) {
        if (auto* d = dynamic_cast<TOfferDate*>(v))
            addOfferDate(statement, *d);
        else if (auto* d = dynamic_cast<TOrderDate*>(v))
            addOrderDate(statement, *d);
        else if (auto* d = dynamic_cast<TWayBillDate*>(v))
            addWayBillDate(statement, *d);
        else if (auto* u = dynamic_cast<TUrgencyOtbor*>(v))
            addUrgency(statement, *u);
        else if (auto* m = dynamic_cast<TManagerOtbor*>(v))
            addManager(statement, m, userColumn);
        else if (auto* p = dynamic_cast<TPartnerOtbor*>(v)) {
            const QString* alias = roleAlias(p);
            if (!alias)
                continue;
            if (findTable(statement, *alias))
                addPartner(statement, *p, *alias);
            else if (roles == 1)
                // A register with one counterparty role may keep its node unnamed.
                addPartner(statement, *p, QStringLiteral("scm_partner"));
        }
    }
}

} // namespace Tarvo::Otbor
