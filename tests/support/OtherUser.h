#pragma once

#include <QString>
#include <QStringList>

// Runs a program without root's rights, for tests of folders and files that
// the program must not be able to write (root writes them anyway).
namespace testenv {

struct Unprivileged {
    QString program;        // what to start
    QStringList arguments;  // put before the program's own arguments
    QString whyNot;         // set when no unprivileged run is possible here
    bool asRoot = false;    // true: the test runs as root and drops to "nobody"
};

// How to start `target` so that it runs without root's rights: directly when
// the test is not root, else through setpriv as the user nobody (who must be
// able to run `target`). whyNot says why neither works on this machine.
Unprivileged unprivileged(const QString& target);

// Hands path (not recursively) to the user an unprivileged run uses, so
// that it can write there; nothing to do when the test is not root.
bool giveToUnprivileged(const QString& path);

}  // namespace testenv
