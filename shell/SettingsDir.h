#pragma once
// Where Banco.ini and app.ini live when the command line names no directory.

#include <QString>

namespace velorix {

// The program's own directory, as a Windows install has it, when the program can write there:
// app.ini is rewritten by "LIGAR" and "DESLIGAR". An installed program in a directory it cannot
// write (/usr/bin) uses `userDir` (~/.config/velorix). So does a program in a writable directory
// without settings of its own when `userDir` already has them (root running an installed copy).
QString chooseSettingsDir(const QString& programDir, bool programDirWritable, const QString& userDir);

// ~/.config/velorix, or its $XDG_CONFIG_HOME equivalent.
QString userSettingsDir();

}  // namespace velorix
