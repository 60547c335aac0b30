#pragma once

#include <QString>

namespace Tarvo::Shell {

// The workstation parameters of "scm_cfg.ini": display decimals and two flags.
// One process-wide copy is read at start and changed only by the setup dialog.
struct ProgramParameters
{
    int roubleDecimals = 2;          // [FORMAT] CURRDIGIT
    int quantityDecimals = 2;        // [FORMAT] DECCDIGIT
    int currencyDecimals = 2;        // [FORMAT] CUR_D_DIGIT
    bool paintOrdersInColor = false; // [SETTING] PaintOrdersInColor
    bool paritetImportArtc = false;  // [PARITET] ParitetImportArtc

    static constexpr int MaxDecimals = 4;

    // Missing or unusable values (not a number, outside 0..4) give the defaults.
    static ProgramParameters readFrom(const QString& path);
    // Throws Tarvo::Exception when the file cannot be written.
    void writeTo(const QString& path) const;
    // "scm_cfg.ini" in the per-user folder, seeded from the program folder's copy.
    static QString defaultPath();

    static const ProgramParameters& current();
    static void setCurrent(const ProgramParameters& parameters);

    bool operator==(const ProgramParameters&) const = default;
};

} // namespace Tarvo::Shell
