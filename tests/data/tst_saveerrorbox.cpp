#include "data/modules/tdeffereddatamodule.h"
#include "data/ui/saveerrorbox.h"
#include "support/testdatabase.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

class RefusingModule : public TDefferedDataModule
{
public:
    using TDefferedDataModule::TDefferedDataModule;

protected:
    void postEdits() override {}
    void refreshAfterSave() override {}
    void writeChanges() override { throw EDDMSaveError("Товар с такой датой заказа уже существует"); }
};

} // namespace

class SaveErrorBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void refusedSaveShowsOneCancelBoxAndResetsTheCursor()
    {
        Test::TestDatabase t;
        installSaveErrorBox();
        RefusingModule m(&t.db(false));
        m.setModified(true);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QString text;
        QList<QAbstractButton*> buttons;
        int boxes = 0;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    ++boxes;
                    text = box->text();
                    buttons = box->buttons();
                    box->button(QMessageBox::Cancel)->click();
                }
        });
        QVERIFY_THROWS_EXCEPTION(Abort, m.save());
        QCOMPARE(boxes, 1);
        QCOMPARE(text, QStringLiteral("Товар с такой датой заказа уже существует"));
        QCOMPARE(buttons.size(), 1);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(m.modified());
        QVERIFY(!t.db(false).inTransaction());
    }
};

QTEST_MAIN(SaveErrorBoxTest)
#include "tst_saveerrorbox.moc"
