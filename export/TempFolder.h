#pragma once

#include <QString>

// The pattern of a new private folder named <name>-XXXXXX in the system's
// temporary folder (TMPDIR, else /tmp). QDir::tempPath() gives an empty text
// when TMPDIR names a missing folder, which would put the folder at the root
// of the file system; here the folder then cannot be made at all.
QString temporaryFolderPattern(const char* name);
