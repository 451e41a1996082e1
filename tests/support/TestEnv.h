#pragma once

#include <QString>
#include <string>

// Every test process runs with an offscreen QApplication and its own temporary
// APPDATA folder, removed when the process ends.
namespace testenv {

// The private APPDATA folder of this test process.
QString appDataRoot();

// $APPDATA/Lorvane, created with its folders and made the working directory
// (what start-up does), with AppContext::data_path set.
QString prepareDataFolder();

// Folder of the built programs (Lorvane, backup, ...).
QString binDir();

// Folder of the source tree.
QString sourceDir();

}  // namespace testenv
