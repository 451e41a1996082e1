#include "ui/ProgramStyle.h"

#include <QApplication>
#include <QFile>

void applyProgramStyle()
{
    QFile style(QStringLiteral(":/Lorvane/Resources/ui/lorvane.qss"));
    if (style.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(style.readAll()));
}
