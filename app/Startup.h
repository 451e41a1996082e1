#pragma once

#include <QString>
#include <string>

// Prepares the data folder (database, documents, item, tmp), makes it the
// working directory and keeps its path in AppContext::data_path. A tmp that
// is a symbolic link is replaced by a real folder.
void createDataFolders();

// Creates a folder when nothing of that name exists (one level).
void ensureFolder(const std::string& path);

// Loads the program's style sheet and Qt's Chinese translation.
void applyStyleAndTranslation();

// Test hook, used by the start-up tests that run the real program; does
// nothing unless the environment asks for it. Call it right before the event
// loop runs. Once the loop runs:
//   LORVANE_STARTUP_REPORT=<file>  appends the working directory (UTF-8) and a
//                                  line break to <file>: start-up is complete;
//   LORVANE_STARTUP_MAPS=<file>    writes the process's memory map (a copy of
//                                  /proc/self/maps) to <file> at that moment:
//                                  the libraries a started program has mapped,
//                                  before the main window's delayed start-up
//                                  work (base data, web-service worker) runs;
//   LORVANE_QUIT_AFTER_STARTUP=1   then ends the event loop (a normal exit);
//   LORVANE_CLOSE_AFTER_STARTUP=<ms>  else, <ms> milliseconds later, appends
//                                  "closing" and a line break to the report
//                                  file and closes the main window as its
//                                  close button does (the benchmark times the
//                                  exit from there).
void scheduleStartupReport();

// The whole start-up and event loop; main() only calls this.
int runLorvane(int argc, char** argv);
