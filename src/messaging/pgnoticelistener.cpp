#include "messaging/pgnoticelistener.h"

#include "messaging/noticeinbox.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <libpq-fe.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace Tarvo::Messaging {

const char* const PgNoticeListener::Channel = "tarvo_refresh";

PgNoticeListener::PgNoticeListener(Data::ConnectionSettings settings, NoticeInbox* inbox, QObject* parent)
    : QThread(parent), m_settings(std::move(settings)), m_inbox(inbox),
      m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    setObjectName(QStringLiteral("PgNoticeListener"));
}

PgNoticeListener::~PgNoticeListener()
{
    stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void PgNoticeListener::stop()
{
    m_stopping = true;
    if (m_wakeFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const auto n = ::write(m_wakeFd, &one, sizeof one);
    }
    QThread::wait();
}

int PgNoticeListener::wait(int fd, int timeoutMs)
{
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
    for (;;) {
        if (m_stopping)
            return -1;
        const int n = ::poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (m_stopping)
            return -1;
        return n > 0 ? 1 : 0;
    }
}

pg_conn* PgNoticeListener::connectAndListen()
{
    const Data::ConnectionSettings& s = m_settings;
    const QByteArray host = s.host.toUtf8(), port = QByteArray::number(s.port), db = s.database.toUtf8(),
                     user = s.user.toUtf8(), password = s.password.toUtf8(),
                     timeout = QByteArray::number(s.connectionTimeout > 0 ? s.connectionTimeout : 15);
    // Keep-alives and the user time-out make a connection whose server vanished fail the check.
    QList<const char*> keys{"dbname", "user", "connect_timeout", "application_name", "keepalives",
                            "keepalives_idle", "keepalives_interval", "keepalives_count", "tcp_user_timeout"};
    QList<const char*> values{db.constData(), user.constData(), timeout.constData(), "tarvo-scm notices", "1",
                              "10", "5", "3", "30000"};
    if (!s.host.isEmpty())
        keys << "host", values << host.constData();
    if (s.port)
        keys << "port", values << port.constData();
    if (!s.password.isEmpty())
        keys << "password", values << password.constData();
    keys << nullptr;
    values << nullptr;
    PGconn* conn = PQconnectdbParams(keys.constData(), values.constData(), 0);
    if (!conn)
        return nullptr;
    if (PQstatus(conn) == CONNECTION_OK) {
        const QByteArray listen = QByteArray("LISTEN ") + Channel;
        PGresult* r = PQexec(conn, listen.constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (ok) {
            m_backendPid = PQbackendPID(conn);
            return conn;
        }
    }
    PQfinish(conn);
    return nullptr;
}

bool PgNoticeListener::readNotifications(pg_conn* conn)
{
    if (!PQconsumeInput(conn) || PQstatus(conn) != CONNECTION_OK)
        return false;
    while (PGnotify* n = PQnotifies(conn)) {
        if (n->be_pid == m_ownPid.load())
            ++m_echoes;
        else
            m_inbox->offerDatagram(QByteArray::fromHex(QByteArray(n->extra)));
        PQfreemem(n);
    }
    return true;
}

void PgNoticeListener::run()
{
    int pauseMs = 0;
    bool reported = false;
    while (!m_stopping) {
        PGconn* conn = connectAndListen();
        if (!conn) {
            if (!reported)
                std::fprintf(stderr, "tarvo-scm: извещения об изменениях с сервера %s не принимаются: нет соединения; "
                                     "повтор позже\n",
                             qPrintable(m_settings.describe()));
            reported = true;
            pauseMs = std::clamp(pauseMs * 2, 1000, 60000);
            wait(-1, pauseMs);
            continue;
        }
        reported = false;
        pauseMs = 0;
        if (m_listens.fetch_add(1) > 0)
            m_inbox->offerEveryKind();
        const int fd = PQsocket(conn);
        bool alive = true;
        while (alive) {
            const int w = wait(fd, CheckMs);
            if (w < 0)
                break;
            if (w > 0) {
                alive = readNotifications(conn);
                continue;
            }
            PGresult* r = PQexec(conn, "select 1");
            alive = PQresultStatus(r) == PGRES_TUPLES_OK;
            PQclear(r);
            alive = alive && readNotifications(conn);
        }
        m_backendPid = 0;
        PQfinish(conn);
    }
}

} // namespace Tarvo::Messaging
