#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace Tarvo::Widgets {

// The one way every dialog builds its button row. The box is parented to the dialog before the
// default button is set, so Enter always presses the accept button (Qt registers a default button
// only with a dialog it can find), also while another button has the focus, and Esc rejects.
// Accept runs `QDialog::accept` unless the caller connects its own handler to `acceptButton()` and
// passes connectAccept = false.
//
// When the dialog is first shown the row moves to the end of the Tab order (wherever the row was
// built), and a dialog that set no focus itself opens on its first field, or on the checked
// choice of a group of options.
class DialogButtons
{
public:
    DialogButtons(QDialog* dialog, const QString& acceptText, const QString& rejectText, bool connectAccept = true);

    QDialogButtonBox* box() const { return m_box; }
    QPushButton* acceptButton() const { return m_accept; }
    QPushButton* rejectButton() const { return m_reject; }
    // A further button in the row (never the default).
    QPushButton* addButton(const QString& text);

    // What the dialog does on first show; public for dialogs that rebuild their fields later.
    static void arrangeFocus(QDialog* dialog, QDialogButtonBox* box);

private:
    QDialogButtonBox* m_box = nullptr;
    QPushButton* m_accept = nullptr;
    QPushButton* m_reject = nullptr;
};

} // namespace Tarvo::Widgets
