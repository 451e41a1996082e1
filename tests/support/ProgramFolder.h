#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A program folder of a test's own: a copy of one built program (the backup
// helper, which starts the notebook from beside itself) next to a stand-in
// notebook "Lorvane". The stand-in is a script that notes each start as one
// line "APPDATA<TAB>argument count<TAB>working directory" in a file beside
// it and ends at once, so no real notebook is ever started by a test.
namespace testenv {

class ProgramFolder {
public:
    explicit ProgramFolder(const QString& program = QStringLiteral("backup"));

    // False when the folder, the copy or the stand-in could not be made.
    bool isValid() const { return valid_; }
    QString path() const { return dir_.path(); }
    // The copied program.
    QString program() const { return program_; }

    // The stand-in's starts so far, one complete line each.
    QStringList notebookStarts() const;
    // Handles events until there are at least `count` starts or the bound
    // passes; returns the starts seen.
    QStringList waitForNotebookStarts(int count, int boundMs = 30000) const;

private:
    QTemporaryDir dir_;
    QString program_;
    bool valid_ = false;
};

}  // namespace testenv
