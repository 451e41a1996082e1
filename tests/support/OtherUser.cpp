#include "support/OtherUser.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace testenv {

namespace {

const passwd* nobody()
{
    return getpwnam("nobody");
}

}  // namespace

Unprivileged unprivileged(const QString& target)
{
    Unprivileged run;
    if (geteuid() != 0) {
        run.program = target;
        return run;
    }
    const passwd* user = nobody();
    if (!user) {
        run.whyNot = QStringLiteral("there is no user \"nobody\" to drop root's rights to");
        return run;
    }
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) {
        run.whyNot = QStringLiteral("setpriv is not installed, so root's rights cannot be dropped");
        return run;
    }
    run.asRoot = true;
    run.program = setpriv;
    run.arguments = QStringList{QStringLiteral("--reuid=%1").arg(user->pw_uid),
                                QStringLiteral("--regid=%1").arg(user->pw_gid), QStringLiteral("--clear-groups"),
                                QStringLiteral("--"), target};
    // The target and every folder above it must be open to nobody.
    QProcess probe;
    probe.start(setpriv, QStringList(run.arguments.mid(0, 4))
                             << QStringLiteral("test") << QStringLiteral("-x") << target);
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        run.whyNot = QStringLiteral("the user nobody cannot run %1 (setpriv: %2)")
                         .arg(target, QString::fromLocal8Bit(probe.readAllStandardError()).trimmed());
        run.program.clear();
    }
    return run;
}

bool giveToUnprivileged(const QString& path)
{
    if (geteuid() != 0)
        return true;
    const passwd* user = nobody();
    return user && ::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) == 0;
}

}  // namespace testenv
