#include "capture/sources/ScreenReportReceiver.h"

#include <QHostAddress>
#include <QUdpSocket>

ScreenReportReceiver::ScreenReportReceiver(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<ScreenReport>();
}

ScreenReportReceiver::~ScreenReportReceiver()
{
    close();
}

bool ScreenReportReceiver::listen(QString* errorText)
{
    close();
    auto* socket = new QUdpSocket(this);
    // DontShareAddress without the address-reuse hint: on Linux a UDP port
    // bound with SO_REUSEADDR by two sockets would split the reports between
    // them, so this socket neither asks for sharing nor allows it.
    if (!socket->bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort, QAbstractSocket::DontShareAddress)) {
        if (errorText)
            *errorText = socket->errorString();
        delete socket;
        return false;
    }
    connect(socket, &QUdpSocket::readyRead, this, &ScreenReportReceiver::readPendingDatagrams);
    socket_ = socket;
    return true;
}

void ScreenReportReceiver::close()
{
    if (!socket_)
        return;
    QUdpSocket* socket = socket_;
    socket_ = nullptr;
    socket->disconnect(this);
    socket->close();
    socket->deleteLater();
}

QString ScreenReportReceiver::bindFailedMessage(const QString& errorText)
{
    return QStringLiteral("UDP blind failed ") + errorText;
}

void ScreenReportReceiver::readPendingDatagrams()
{
    if (!socket_)
        return;
    QByteArray buffer;
    int received = 0;
    while (socket_->hasPendingDatagrams()) {
        const qint64 size = socket_->pendingDatagramSize();
        QByteArray datagram(static_cast<int>(qMax<qint64>(size, 0)), Qt::Uninitialized);
        const qint64 read = socket_->readDatagram(datagram.data(), datagram.size());
        if (read < 0)
            break;
        datagram.truncate(static_cast<int>(read));
        buffer.append(datagram);
        ++received;
    }
    if (received == 0)
        return;  // a wake-up without data: still waiting
    ScreenReport report = parseScreenReport(buffer);
    if (report.kind == ScreenReport::Kind::Empty)
        report.kind = ScreenReport::Kind::Malformed;  // empty datagrams end the wait too
    close();
    emit reportReceived(report);
}
