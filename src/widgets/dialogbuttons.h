#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace Tarvo::Widgets {

// The one way every dialog builds its button row. The box is parented to the dialog before the
// default button is set, so Enter always presses the accept button (Qt registers a default button
// only with a dialog it can find), and Esc rejects. Accept runs `QDialog::accept` unless the
// caller connects its own handler to `acceptButton()` and passes connectAccept = false.
class DialogButtons
{
public:
    DialogButtons(QDialog* dialog, const QString& acceptText, const QString& rejectText, bool connectAccept = true);

    QDialogButtonBox* box() const { return m_box; }
    QPushButton* acceptButton() const { return m_accept; }
    QPushButton* rejectButton() const { return m_reject; }
    // A further button in the row (never the default).
    QPushButton* addButton(const QString& text);

private:
    QDialogButtonBox* m_box = nullptr;
    QPushButton* m_accept = nullptr;
    QPushButton* m_reject = nullptr;
};

} // namespace Tarvo::Widgets
