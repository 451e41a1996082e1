#pragma once

#include <QString>
#include <string>

// Prepares the data folder (database, documents, item, tmp), makes it the
// working directory and keeps its path in AppContext::data_path.
void createDataFolders();

// Creates a folder when nothing of that name exists (one level).
void ensureFolder(const std::string& path);

// Loads the program's style sheet and Qt's Chinese translation.
void applyStyleAndTranslation();

// The whole start-up and event loop; main() only calls this.
int runLorvane(int argc, char** argv);
