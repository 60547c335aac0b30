#pragma once

#include <QString>
#include <memory>

namespace Tarvo::Shell {

class TfStatusMessage;

// The status window of long operations. Each setter repaints at once when the
// value changes, so the window stays current while the UI thread is busy.
class TStatusMessage
{
public:
    TStatusMessage();
    ~TStatusMessage();

    void setCaption(const QString& caption);
    void setStatus(const QString& text);
    void setStatus1(const QString& text);
    void setMaximum(int maximum);
    void setPosition(int position);
    void show();
    // Offers "Отмена" (and Esc); the operation asks cancelled() between its steps.
    void allowCancel();
    bool cancelled() const;

    TfStatusMessage* window() const { return m_window.get(); }

private:
    std::unique_ptr<TfStatusMessage> m_window;
};

} // namespace Tarvo::Shell
