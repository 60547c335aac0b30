#include "shell/programparameters.h"

#include "core/apppaths.h"
#include "core/inifile.h"

namespace Tarvo::Shell {

namespace {
const QString Format = QStringLiteral("FORMAT");
const QString Setting = QStringLiteral("SETTING");
const QString Paritet = QStringLiteral("PARITET");

ProgramParameters& instance()
{
    static ProgramParameters parameters;
    return parameters;
}

int readDecimals(const IniFile& ini, const QString& key, int def)
{
    bool ok = false;
    const int v = ini.readString(Format, key).trimmed().toInt(&ok);
    return ok && v >= 0 && v <= ProgramParameters::MaxDecimals ? v : def;
}
} // namespace

ProgramParameters ProgramParameters::readFrom(const QString& path)
{
    const IniFile ini(path);
    ProgramParameters p;
    p.roubleDecimals = readDecimals(ini, QStringLiteral("CURRDIGIT"), p.roubleDecimals);
    p.quantityDecimals = readDecimals(ini, QStringLiteral("DECCDIGIT"), p.quantityDecimals);
    p.currencyDecimals = readDecimals(ini, QStringLiteral("CUR_D_DIGIT"), p.currencyDecimals);
    p.paintOrdersInColor = ini.readBool(Setting, QStringLiteral("PaintOrdersInColor"), false);
    p.paritetImportArtc = ini.readBool(Paritet, QStringLiteral("ParitetImportArtc"), false);
    return p;
}

void ProgramParameters::writeTo(const QString& path) const
{
    IniFile ini(path);
    ini.update([&] {
        ini.writeInteger(Format, QStringLiteral("CURRDIGIT"), roubleDecimals);
        ini.writeInteger(Format, QStringLiteral("DECCDIGIT"), quantityDecimals);
        ini.writeInteger(Format, QStringLiteral("CUR_D_DIGIT"), currencyDecimals);
        ini.writeBool(Setting, QStringLiteral("PaintOrdersInColor"), paintOrdersInColor);
        ini.writeBool(Paritet, QStringLiteral("ParitetImportArtc"), paritetImportArtc);
    });
}

QString ProgramParameters::defaultPath()
{
    return AppPaths::userFile(QStringLiteral("scm_cfg.ini"));
}

const ProgramParameters& ProgramParameters::current()
{
    return instance();
}

void ProgramParameters::setCurrent(const ProgramParameters& parameters)
{
    instance() = parameters;
}

} // namespace Tarvo::Shell
