#pragma once

#include "otbor/tglobalotbors.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTabWidget;

namespace Tarvo::Otbor {

// "Настройка отборов": the filter editor over the global list. "Ok" and "Применить" copy
// the controls into the variables inside one update, so subscribers are told once.
class TfViewOtbors : public QDialog
{
    Q_OBJECT
public:
    explicit TfViewOtbors(TGlobalOtbors& list, QWidget* parent = nullptr);

    // Modal, from the main menu.
    static void execute(TGlobalOtbors& list, QWidget* parent);

    void showValues();
    void applyValues();
    void switchAllOff();
    // Applies, then writes the user's "otbor.xml".
    void saveToFile();

private:
    struct DateGroup
    {
        OtborVar var;
        QDateEdit* from = nullptr;
        QDateEdit* to = nullptr;
        QComboBox* interval = nullptr;
        QLabel* hint = nullptr;
        QCheckBox* active = nullptr;
    };
    struct TextGroup
    {
        OtborVar var;
        QComboBox* text = nullptr;
        QLabel* name = nullptr;
        QRadioButton* equal = nullptr;
        QRadioButton* contains = nullptr;
        QCheckBox* active = nullptr;
    };
    struct ChoiceGroup
    {
        OtborVar var;
        QList<QRadioButton*> choices;
        QCheckBox* active = nullptr;
    };

    QWidget* buildDatesTab();
    QWidget* buildPartnersTab();
    QWidget* buildStatesTab();
    QGroupBox* addDateGroup(OtborVar var);
    QGroupBox* addTextGroup(OtborVar var, const QString& label, const QStringList& codes,
                            const QStringList& names);
    QGroupBox* addChoiceGroup(OtborVar var, const QStringList& captions);
    QGroupBox* buildManagerGroup();
    void updateIntervalHint(const DateGroup& g);
    // What an interval type filters, in lines of their own.
    static QString intervalHint(int type);
    static void updatePartnerName(const TextGroup& g);

    TGlobalOtbors& m_list;
    QTabWidget* m_tabs = nullptr;
    QList<DateGroup> m_dates;
    QList<TextGroup> m_texts;
    QList<ChoiceGroup> m_choices;
    QGroupBox* m_managerBox = nullptr;
    QRadioButton* m_managerNone = nullptr;
    QRadioButton* m_managerDepartment = nullptr;
    QRadioButton* m_managerOwn = nullptr;
};

} // namespace Tarvo::Otbor
