// tarvo-admin: creates and checks the database on either engine, with the
// client's settings ("tarvo.ini" and NAME=VALUE overrides).
#include "data/engine/connector.h"
#include "data/engine/migration.h"
#include "db/demodata.h"
#include "db/volumegenerator.h"
#include "pricefilecommand.h"
#include "security/login.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>

#include <QCoreApplication>
#include <QTextStream>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

int usage()
{
    err() << "Использование: tarvo-admin init|check|demo [ИМЯ=ЗНАЧЕНИЕ ...]\n"
             "       tarvo-admin generate --scale N [ИМЯ=ЗНАЧЕНИЕ ...]\n"
             "       tarvo-admin password ЛОГИН [ИМЯ=ЗНАЧЕНИЕ ...]\n"
             "       tarvo-admin price-file ФАЙЛ [--format csv|xlsx] [--encoding utf-8|windows-1251] [--round N] "
             "[ИМЯ=ЗНАЧЕНИЕ ...]\n"
             "  init      создать базу данных или довести её схему до текущей версии\n"
             "  check     проверить соединение и версию схемы, ничего не меняя\n"
             "  demo      заполнить пустую базу демонстрационной компанией\n"
             "  password  задать новый пароль пользователя (читается со стандартного ввода)\n"
             "  generate  заполнить пустую базу объёмными данными (масштаб 1: 200 тыс. товаров, 1 млн строк заявок)\n"
             "            --price-supplier N: ещё поставщик с N своими товарами без предложений (для импорта прайса)\n"
             "  price-file  записать прайс-лист этого поставщика (CSV или .xlsx; подробно: tarvo-admin price-file)\n"
             "Параметры ИМЯ=ЗНАЧЕНИЕ заменяют ключи \"tarvo.ini\" (ENGINE, SERVER NAME, DATABASE MAIN, DB USER, ...).\n";
    return 2;
}

// A line of the standard input; typed without echo when it is a terminal.
QString readSecret(const char* prompt)
{
    const bool tty = isatty(STDIN_FILENO);
    termios saved{};
    if (tty) {
        err() << prompt;
        err().flush();
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        err() << "\n";
    }
    return line;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == QLatin1String("price-file"))
        return priceFileCommand(args.mid(1));
    QString command;
    QStringList overrides;
    double scale = 0;
    qint64 priceSupplier = 0;
    QString login;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--scale") && i + 1 < args.size()) {
            bool ok = false;
            scale = args.at(++i).toDouble(&ok);
            if (!ok || scale <= 0)
                return usage();
        } else if (a == QLatin1String("--price-supplier") && i + 1 < args.size()) {
            bool ok = false;
            priceSupplier = args.at(++i).toLongLong(&ok);
            if (!ok || priceSupplier <= 0)
                return usage();
        } else if (a.contains(QLatin1Char('=')))
            overrides << a;
        else if (command.isEmpty())
            command = a;
        else if (command == QLatin1String("password") && login.isEmpty())
            login = a;
        else
            return usage();
    }
    try {
        ConnectionSettings settings = Connector::settingsFrom(overrides);
        if (command == QLatin1String("init")) {
            auto db = Connector::connect(settings, false);
            const int applied = Migrator::apply(*db);
            out() << "База данных " << settings.describe() << ": схема версии " << Migrator::currentVersion(*db)
                  << " (применено шагов: " << applied << ")\n";
            return 0;
        }
        if (command == QLatin1String("demo")) {
            auto db = Connector::connect(settings, false);
            Migrator::apply(*db);
            DemoData::fill(*db);
            out() << "База данных " << settings.describe() << ": демонстрационные данные загружены\n";
            return 0;
        }
        if (command == QLatin1String("generate")) {
            if (scale <= 0)
                return usage();
            // Loading millions of rows runs single statements (copies, index builds, totals) far
            // longer than any interactive command; the workstation's limit is not meant for them.
            settings.commandTimeout = 0;
            auto db = Connector::connect(settings, false);
            Migrator::apply(*db);
            QElapsedTimer timer;
            timer.start();
            VolumeGenerator generator(*db, scale);
            generator.setPriceSupplier(priceSupplier);
            generator.setProgress([](const QString& table, qint64 rows) {
                out() << "  " << table << ": " << rows << "\n";
                out().flush();
            });
            const qint64 rows = generator.run();
            const double seconds = timer.elapsed() / 1000.0;
            out() << "База данных " << settings.describe() << ": записано строк " << rows << " за "
                  << QString::number(seconds, 'f', 1) << " с (" << qint64(rows / std::max(seconds, 0.001))
                  << " строк/с)\n";
            return 0;
        }
        if (command == QLatin1String("password")) {
            if (login.isEmpty())
                return usage();
            auto db = Connector::connect(settings, false);
            const QVariant id = db->scalar(QStringLiteral("select US_ID from CRM_USERS where US_LOGIN = ?"), {login});
            if (id.isNull()) {
                err() << "Ошибка: пользователь " << login << " не найден\n";
                return 1;
            }
            const QString password = readSecret("Новый пароль: ");
            if (isatty(STDIN_FILENO) && readSecret("Новый пароль (подтверждение): ") != password) {
                err() << "Ошибка: новый пароль и его подтверждение не совпадают\n";
                return 1;
            }
            Security::Login::setPassword(*db, id.toInt(), password);
            out() << "Пароль пользователя " << login << " изменен\n";
            return 0;
        }
        if (command == QLatin1String("check")) {
            auto db = Connector::connectReadOnly(settings);
            const int current = Migrator::currentVersion(*db);
            out() << "База данных " << settings.describe() << ": схема версии " << current << " из "
                  << Migrator::latestVersion() << "\n";
            if (current < Migrator::latestVersion()) {
                err() << "Схема устарела: выполните tarvo-admin init\n";
                return 3;
            }
            return 0;
        }
        return usage();
    } catch (const Exception& e) {
        const QString message = e.message().trimmed();
        err() << "Ошибка: " << (message.isEmpty() ? QStringLiteral("причина не сообщена") : message) << "\n";
        return 1;
    }
}
