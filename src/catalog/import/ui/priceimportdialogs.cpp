#include "catalog/import/ui/priceimportdialogs.h"

#include "catalog/import/pricenewproduct.h"
#include "catalog/import/ui/tfanalogselection.h"
#include "core/exception.h"
#include "shell/ui/tfstatusmessage.h"
#include "shell/ui/tstatusmessage.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

QString title()
{
    return QString::fromUtf8(PriceImportDialogs::Title);
}

bool question(QWidget* parent, const QString& name, const QString& text, bool defaultYes, const QString& details = {})
{
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(name);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    if (!details.isEmpty())
        box.setDetailedText(details);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

PriceImportDialogs::PriceImportDialogs(Data::Database& db, QWidget* parent, bool paritetArticles)
    : m_db(db), m_parent(parent), m_paritet(paritetArticles)
{
}

PriceImportDialogs::~PriceImportDialogs() = default;

void PriceImportDialogs::closeStatus()
{
    m_status.reset();
}

PriceImportPrompts::Choice PriceImportDialogs::choose(const QString& article, const QString& name)
{
    if (!m_selection)
        m_selection = std::make_unique<TfAnalogSelection>(m_db, m_parent);
    for (;;) {
        switch (m_selection->ask(article, name)) {
        case TfAnalogSelection::Chosen:
            return {Choice::Product, m_selection->productId()};
        case TfAnalogSelection::New:
            try {
                return {Choice::Product, PriceNewProduct::create(m_db, article, name, m_paritet)};
            } catch (const Exception& e) {
                QMessageBox::warning(m_selection.get(), title(), e.message());
            }
            continue;
        case TfAnalogSelection::Skip:
            return {Choice::Skip, 0};
        case TfAnalogSelection::DeferAll:
            return {Choice::DeferAll, 0};
        case TfAnalogSelection::Abort:
            return {Choice::Abort, 0};
        }
    }
}

bool PriceImportDialogs::replaceArticle(const QString& otherArticle)
{
    return question(m_selection ? static_cast<QWidget*>(m_selection.get()) : m_parent.data(), u"boxReplaceArticle"_s,
                    u"Товар уже сопоставлен артикулу %1 этого поставщика. Заменить?"_s.arg(otherArticle), false);
}

void PriceImportDialogs::progress(qint64 rows, qint64 expected)
{
    if (!m_status) {
        m_status = std::make_unique<Shell::TStatusMessage>();
        m_status->setCaption(title());
        m_status->allowCancel();
        m_status->window()->bCancel->setText(u"Прервать"_s);
        // While the file is read the events turn: nothing else may start meanwhile.
        m_status->window()->setWindowModality(Qt::ApplicationModal);
        m_status->show();
        m_shown.start();
    }
    // The window is repainted and "Прервать" heard a few times a second, not at every row.
    if (rows > 1 && m_shown.elapsed() < 100)
        return;
    m_shown.restart();
    m_status->setStatus(u"Прочитано строк: %1"_s.arg(rows));
    m_status->setStatus1(expected > 0 ? u"Ожидается около %1"_s.arg(expected) : QString());
    m_status->setMaximum(int(std::min<qint64>(expected > rows ? expected : rows, INT_MAX)));
    m_status->setPosition(int(std::min<qint64>(rows, INT_MAX)));
    QApplication::processEvents();
}

bool PriceImportDialogs::stopRequested()
{
    return m_status && m_status->cancelled();
}

void PriceImportDialogs::failure(const QString& text)
{
    closeStatus();
    QMessageBox box(QMessageBox::Critical, title(), text, QMessageBox::Ok, m_parent);
    box.setObjectName(u"boxImportFailure"_s);
    box.exec();
}

bool PriceImportDialogs::confirmSave(const QString& text, const QString& details, bool defaultYes)
{
    closeStatus();
    return question(m_parent, u"boxConfirmSave"_s, text, defaultYes, details);
}

bool PriceImportDialogs::retrySave(const QString& text)
{
    return question(m_parent, u"boxRetrySave"_s, text, true);
}

void PriceImportDialogs::saved(const QString& text)
{
    QMessageBox box(QMessageBox::Information, title(), text, QMessageBox::Ok, m_parent);
    box.setObjectName(u"boxSaved"_s);
    box.exec();
}

} // namespace Tarvo::Catalog
