#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

// The LibreOffice profile that every conversion of this process uses, and
// the lock that keeps conversions of this process one at a time.
namespace office {

// The process's private profile folder (in the temporary folder, removed at
// exit), built on first use; empty when it cannot be made.
//
// It is prepared before LibreOffice first sees it: marked as already used by
// the installed version (else every start of a profile that was never opened
// with a window runs LibreOffice's graphics self-tests, seconds of work), and
// with decoded pictures released as soon as their memory exceeds a small
// limit (a conversion decodes each picture once; kept, 200 photographed
// pages hold a gigabyte).
QString privateProfile();

// "7.4" for LibreOffice 7.4.7.2: the version `soffice --version` names;
// empty when it cannot be told.
QString installedVersion(const QString& soffice);

// The registry entries written into a new profile for that version (the
// version entry is left out when the version is empty).
QByteArray profileSettings(const QString& version);

std::mutex& conversionMutex();

// What every conversion needs, the caller holding conversionMutex(): the
// converter's path and the private profile. False, with the message for the
// user in err, when LibreOffice is missing or no profile can be made.
bool converterAndProfile(QString& soffice, QString& profile, QString& err);

// The arguments of every start of LibreOffice with profile: headless, no
// start screen, no restore of earlier documents, no lock check.
QStringList officeArguments(const QString& profile);

// One `soffice --convert-to` run over files, the caller holding
// conversionMutex(): a converter of its own, or, while a Session's office is
// running on the same profile, the short-lived client that hands the files
// to it and waits until it has converted them. The checks of convert().
bool runConverter(const QString& soffice, const QString& profile, const QStringList& files, const QString& target,
                  const QString& outDir, QString& err, int timeoutMs);

}  // namespace office
