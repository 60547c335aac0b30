#pragma once

#include "catalog/import/priceimportprompts.h"

#include <QElapsedTimer>
#include <QPointer>
#include <memory>

class QWidget;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Shell {
class TStatusMessage;
}

namespace Tarvo::Catalog {

class TfAnalogSelection;

// The user's side of a price-list run: the product choice window (one per run), the status window
// with the counts and "Прервать" (Esc), and the questions.
class PriceImportDialogs : public PriceImportPrompts
{
public:
    PriceImportDialogs(Data::Database& db, QWidget* parent, bool paritetArticles);
    ~PriceImportDialogs() override;

    Choice choose(const QString& article, const QString& name) override;
    bool replaceArticle(const QString& otherArticle) override;
    void progress(qint64 rows, qint64 expected) override;
    bool stopRequested() override;
    void failure(const QString& text) override;
    bool confirmSave(const QString& text, const QString& details, bool defaultYes) override;
    bool retrySave(const QString& text) override;
    void saved(const QString& text) override;

    static constexpr const char* Title = "Импорт прайс-листа";

private:
    void closeStatus();

    Data::Database& m_db;
    QPointer<QWidget> m_parent;
    bool m_paritet;
    std::unique_ptr<TfAnalogSelection> m_selection;
    std::unique_ptr<Shell::TStatusMessage> m_status;
    QElapsedTimer m_shown;
};

} // namespace Tarvo::Catalog
