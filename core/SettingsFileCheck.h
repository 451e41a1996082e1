#pragma once

#include <QString>

// "Can Qt load this settings file?" — asked before anything in the process
// reads the file through QSettings.
//
// Qt's ini reader turns a value written as "@Variant(...)" back into a
// QVariant by deserializing the bytes between the brackets. Crafted bytes (a
// list of 2^31 elements, say) make that throw std::bad_alloc, abort or take
// gigabytes, and since QSettings parses a whole section at the first read,
// one such line stops every start of the program. The bytes can also hide
// behind the ini escapes (\x40 for '@', one element of a comma list), so no
// scan of the text can tell for sure; only Qt's own reader can. The check
// therefore lets Qt read the whole file in a child process: a child that
// dies, throws or does not finish in time shows that the file cannot be
// loaded, and the program itself never runs the risk. The child's address
// space and time are bounded, so a file that would need gigabytes fails the
// check instead of taking the machine's memory.
//
// A file that merely has lines Qt ignores (a line without "=", an unclosed
// section) loads: Qt reads what it can and rewrites the file on the next
// write, so such a file is not set aside.
namespace settingsfile {

struct Verdict {
    enum State {
        Loads,      // Qt reads every key and value (or there is no file)
        Broken,     // reading it throws, aborts, crashes or does not end
        Unchecked,  // the check itself could not run (no child process)
    };
    State state = Loads;
    QString reason;  // for Broken and Unchecked: what happened, for the pupil
};

// Reads every key and value of the ini file at path exactly as getIniValue
// would (QSettings, ini format) in this process. Returns the number of keys.
// This is what the child process runs; a bad file throws or aborts here.
int loadEveryValue(const QString& path);

// Runs loadEveryValue in a forked child of this process and waits at most
// timeoutMs. fork() copies only the calling thread, so call this while the
// process has a single thread (before the application object is built).
Verdict checkInChild(const QString& path, int timeoutMs = 10000);

// Runs `program --check-settings <path>` (a helper program that hands the
// option to runCheckMode) and waits at most timeoutMs. For processes that
// may have threads of their own.
Verdict checkWithProgram(const QString& program, const QString& path, int timeoutMs = 10000);

// The "--check-settings <path>" mode of a helper program's main(). When
// argv asks for it, runs the check in this process and returns true with the
// process's exit code in exitCode; else returns false and does nothing.
bool runCheckMode(int argc, char** argv, int& exitCode);

// Moves the file at path aside, to path + ".bad" or, when that is taken,
// path + ".bad.1", ".bad.2", ... It never replaces or deletes a file. Returns
// the new path, or an empty text with the reason in error.
QString setAside(const QString& path, QString& error);

// Start-up's handling of the settings file at path: when the verdict is
// Broken the file is set aside and notice holds the text for the pupil.
// Returns false (with the reason in notice) only when a broken file could
// not be set aside, so the program must not read it.
bool handleVerdict(const QString& path, const Verdict& verdict, QString& notice);

}  // namespace settingsfile
