#include "shell/tinistorage.h"

namespace Tarvo::Shell {

std::shared_ptr<TIniStorage> TIniStorage::open(const QString& section)
{
    return std::make_shared<TIniStorage>(section);
}

TIniStorage::TIniStorage(QString section) : m_section(std::move(section)), m_file(QStringLiteral("fc.ini")) {}

} // namespace Tarvo::Shell
