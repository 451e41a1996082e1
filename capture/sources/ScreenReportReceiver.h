#pragma once

#include <QObject>
#include <QString>

#include "capture/sources/ScreenReport.h"

class QUdpSocket;

// The receiving end of the screen-capture report: a UDP socket bound to
// 127.0.0.1, port 10001, alone (no other socket may share the port while it
// is bound, and it binds nothing another socket holds). Shared by the capture
// window and the answer editor; only one of them can wait for a report at a
// time.
//
// GUI thread only. The first read that finds a datagram ends the wait: the
// socket is closed, then reportReceived() is emitted with what was read.
class ScreenReportReceiver : public QObject {
    Q_OBJECT
public:
    explicit ScreenReportReceiver(QObject* parent = nullptr);
    ~ScreenReportReceiver() override;

    // Closes an earlier socket of this receiver, then binds a new one. False
    // when the port is taken (or cannot be bound); `errorText` then holds the
    // socket's error text.
    bool listen(QString* errorText = nullptr);
    bool isListening() const { return socket_ != nullptr; }
    // Stops waiting; nothing is emitted.
    void close();

    // The message shown when the port cannot be bound.
    static QString bindFailedMessage(const QString& errorText);

signals:
    // Emitted once per listen(), on the first read that found a datagram
    // (even an empty one, which counts as Malformed); the socket is already
    // closed. Never carries an Empty report.
    void reportReceived(const ScreenReport& report);

private slots:
    void readPendingDatagrams();

private:
    QUdpSocket* socket_ = nullptr;
};
