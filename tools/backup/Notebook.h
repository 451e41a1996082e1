#pragma once

#include <QString>

// Going back to the notebook when a backup or a restore has ended: the main
// program closed itself to leave the data folder to this one, and the pupil
// would otherwise be left without it.
namespace notebook {

// The notebook program: "Lorvane" in programFolder (this program's folder).
QString programPath(const QString& programFolder);

// Whether the notebook can be pointed at dataFolder: it opens
// "<APPDATA>/Lorvane", so the folder must be named "Lorvane".
bool opensFolder(const QString& dataFolder);

// Starts the notebook detached, with no arguments and this process's
// environment, APPDATA set to the folder that holds dataFolder so that it
// opens that same data folder (whatever form APPDATA had: relative, unset).
// False with error (a text for the pupil) when it could not be started.
bool start(const QString& programFolder, const QString& dataFolder, QString& error);

}  // namespace notebook
