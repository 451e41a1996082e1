#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QThumbnail;

// The receiving view of the older phone-upload dialog: the pictures received
// so far and a line of progress ("正在接收： 25%", "接收完成"). While no
// total (or a total of 0) was announced it shows the received count instead.
class FileReceiveWidget : public QWidget {
    Q_OBJECT
public:
    explicit FileReceiveWidget(QWidget* parent = nullptr);
    ~FileReceiveWidget() override;

    QThumbnail* thumbnail() const { return thumbnail_; }
    QLabel* label() const { return label_; }
    int total() const { return total_; }
    int received() const { return received_; }

signals:
    void finish();

public slots:
    void request_uploadTotalCount(int total);
    void request_uploadfile(QString path);

private:
    QThumbnail* thumbnail_ = nullptr;
    QLabel* label_ = nullptr;
    int total_ = 0;
    int received_ = 0;
};
