#pragma once

#include <QByteArray>
#include <QUuid>

namespace Tarvo::Messaging {

// What a list window answers to the message server.
class IChangeReceiver
{
public:
    enum UpdateMode
    {
        ShowMessage = 0, // "Выводить сообщение об изменениях"
        RefreshWindows = 1 // "Обновлять окна"
    };

    virtual ~IChangeReceiver() = default;
    // Brings the window up to date in the given mode.
    virtual void refresh(const QUuid& event, int mode) = 0;
    // Whether a notice (with the sender's payload) means this window needs a refresh.
    virtual bool notice(const QUuid& event, const QByteArray& payload)
    {
        Q_UNUSED(event);
        Q_UNUSED(payload);
        return true;
    }
};

} // namespace Tarvo::Messaging
