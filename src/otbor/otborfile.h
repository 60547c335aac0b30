#pragma once

#include <QByteArray>
#include <QString>

namespace Tarvo::Otbor {

class TVarList;

// "otbor.xml": root "scm_gotbors", one "VAR" per variable with "active" and "ID", and one
// element per saved value. Dates are whole days counted from 30 December 1899.
class OtborFile
{
public:
    // Applies the document to the list inside one update. A document that is not
    // well-formed changes nothing; unknown IDs and names are skipped, and a variable with
    // an unreadable value keeps its defaults. False when nothing could be read.
    static bool read(const QByteArray& xml, TVarList& list);
    // The whole list, in list order.
    static QByteArray write(const TVarList& list);

    // A missing, damaged or unreadable file leaves the defaults, silently; only a regular file of
    // at most 16 MB is read (SettingsFileReader), so a FIFO or a device never holds up the start.
    static void load(const QString& path, TVarList& list);
    // Written to a temporary file first: a failed write keeps the old file and throws
    // Tarvo::Exception.
    static void save(const QString& path, const TVarList& list);
};

} // namespace Tarvo::Otbor
