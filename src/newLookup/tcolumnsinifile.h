#pragma once

#include "newLookup/tcolinfo.h"

#include <QList>
#include <QString>

namespace Tarvo::NewLookup {

class TColList;

// The per-user column settings: "columns.ini" (or "dbgColumns.ini" for the price-import grids).
// One section per grid, one line per column in display order:
// field=caption<TAB>0|1<TAB>width.
class TColumnsIniFile
{
public:
    static constexpr const char* ColumnsFile = "columns.ini";
    static constexpr const char* DbgColumnsFile = "dbgColumns.ini";

    // A bare name under the per-user file rule, or a full path.
    explicit TColumnsIniFile(const QString& name = QString::fromLatin1(ColumnsFile));
    const QString& fileName() const { return m_path; }

    // The section's columns in file order; lines without the right shape are skipped.
    QList<TColInfo> read(const QString& section) const;
    // Replaces the section in one write of the file. Throws Tarvo::Exception when the file
    // cannot be written.
    void write(const QString& section, const QList<TColInfo>& columns);

    // Applies the saved columns to the list's owner at positions 0, 1, 2, ... A field that no
    // longer exists is ignored by the list; columns missing from the file keep their place after.
    // True when the section held columns that were applied.
    bool restore(TColList& list, const QString& section) const;
    // Collects the list and writes it.
    void save(TColList& list, const QString& section);

    // "caption\t1\twidth" and back (std::nullopt-like: false for a line that is not of that shape).
    static QString formatValue(const TColInfo& info);
    static bool parseValue(const QString& value, TColInfo& info);

private:
    QString m_path;
};

} // namespace Tarvo::NewLookup
