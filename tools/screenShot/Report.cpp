#include "Report.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace shot {

QByteArray savedReport(const QString& path)
{
    const QByteArray bytes = path.toUtf8();
    if (bytes.isEmpty() || bytes.size() > 255)
        return QByteArray();
    QByteArray datagram;
    datagram.append(char(0x7E)).append(char(0x00)).append(char(0x01));
    datagram.append(static_cast<char>(static_cast<unsigned char>(bytes.size())));
    datagram.append(bytes);
    return datagram;
}

QByteArray notSavedReport()
{
    return QByteArray("\x7E\x00\x02\x00", 4);
}

bool sendReport(const QByteArray& datagram)
{
    QUdpSocket socket;
    const qint64 sent = socket.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), kReportPort);
    return sent == datagram.size();
}

}  // namespace shot
