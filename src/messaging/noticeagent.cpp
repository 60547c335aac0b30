#include "messaging/noticeagent.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "messaging/databasekey.h"
#include "messaging/noticedatagram.h"
#include "messaging/noticeinbox.h"
#include "messaging/pgnoticelistener.h"
#include "messaging/tmessageserver.h"
#include "messaging/tmswatchdog.h"
#include "messaging/udpnoticesender.h"

#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <libpq-fe.h>

namespace Tarvo::Messaging {

const QString NoticeAgent::WarningText =
    QStringLiteral("Изменения сохранены, но другие рабочие места не извещены: ");

namespace {
NoticeAgent* g_current = nullptr;
std::function<void(const QString&)>& warningHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}
} // namespace

NoticeAgent::NoticeAgent(Data::Database& db, const NoticeSettings& settings, QObject* parent)
    : QObject(parent), m_db(db), m_settings(settings), m_key(DatabaseKey::of(db))
{
    if (db.engine() == Data::Engine::PostgreSQL) {
        // The channel belongs to the database, and workstations may spell the server differently.
        m_inbox = new NoticeInbox({}, {}, this);
        m_listener = std::make_unique<PgNoticeListener>(db.settings(), m_inbox);
        m_listener->start(QThread::LowPriority);
    } else {
        m_inbox = new NoticeInbox(m_key, {}, this);
        m_sender = std::make_unique<UdpNoticeSender>();
        m_watchDog = std::make_unique<TMSWatchDog>(m_settings.port, m_inbox);
        m_watchDog->setOwnPort(m_sender->port());
        m_watchDog->start(QThread::LowPriority);
    }
    TMessageServer::instance().setRemoteSender(
        [this](const QUuid& event, const QByteArray& payload) { send(event, payload); });
}

NoticeAgent::~NoticeAgent()
{
    TMessageServer::instance().setRemoteSender({});
    if (g_current == this)
        g_current = nullptr;
    // The threads never wait for this one, so they end at once.
    m_watchDog.reset();
    m_listener.reset();
}

void NoticeAgent::start(Data::Database& db, const NoticeSettings& settings)
{
    stop();
    g_current = new NoticeAgent(db, settings);
}

void NoticeAgent::stop()
{
    delete g_current;
    g_current = nullptr;
}

NoticeAgent* NoticeAgent::current()
{
    return g_current;
}

void NoticeAgent::setWarningHook(std::function<void(const QString&)> hook)
{
    warningHook() = std::move(hook);
}

void NoticeAgent::send(const QUuid& event, const QByteArray& payload)
{
    if (!m_db.inTransaction()) {
        sendCoalesced(event, payload);
        return;
    }
    // Others would re-read before the rows are there, or rows that never come.
    QPointer<NoticeAgent> self(this);
    m_db.afterCommit([self, event, payload] {
        if (self)
            self->sendCoalesced(event, payload);
    });
}

void NoticeAgent::sendCoalesced(const QUuid& event, const QByteArray& payload)
{
    const std::pair<QUuid, QByteArray> id{event, payload};
    auto it = m_windows.find(id);
    if (it != m_windows.end()) {
        it->again = true;
        return;
    }
    m_windows.insert(id, Window{});
    QTimer::singleShot(CoalesceMs, this, [this, event, payload] { closeWindow(event, payload); });
    transmit(event, payload);
}

void NoticeAgent::closeWindow(const QUuid& event, const QByteArray& payload)
{
    const auto window = m_windows.take({event, payload});
    if (window.again)
        sendCoalesced(event, payload);
}

void NoticeAgent::transmit(const QUuid& event, const QByteArray& payload)
{
    try {
        const QByteArray datagram = NoticeDatagram::build(m_key, event, payload);
        if (m_sender) {
            m_sender->send(datagram, m_settings.addresses, m_settings.port);
        } else {
            if (pg_conn* conn = m_db.postgresHandle())
                m_listener->setOwnBackend(PQbackendPID(conn));
            m_db.exec(QStringLiteral("select pg_notify(?, ?)"),
                      {QString::fromLatin1(PgNoticeListener::Channel), QString::fromLatin1(datagram.toHex())});
            if (pg_conn* conn = m_db.postgresHandle())
                m_listener->setOwnBackend(PQbackendPID(conn));
        }
        ++m_sent;
        m_warned = false;
    } catch (const Exception& e) {
        warn(e.message());
    } catch (const std::exception& e) {
        warn(QString::fromLocal8Bit(e.what()));
    }
}

void NoticeAgent::warn(const QString& cause)
{
    ++m_failures;
    if (m_warned)
        return;
    m_warned = true;
    const QString text = WarningText + cause;
    std::fprintf(stderr, "tarvo-scm: %s\n", qPrintable(text));
    if (warningHook())
        warningHook()(text);
}

} // namespace Tarvo::Messaging
