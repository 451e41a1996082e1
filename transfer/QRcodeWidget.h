#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QPushButton;

// The QR-code view of the older phone-upload dialog: this computer's first
// local address and the port as a QR code, with a help button.
class QRcodeWidget : public QWidget {
    Q_OBJECT
public:
    explicit QRcodeWidget(QWidget* parent = nullptr);
    ~QRcodeWidget() override;

    void setPort(int port) { port_ = port; }
    int port() const { return port_; }
    const std::vector<std::string>& addresses() const { return addresses_; }
    QLabel* textLabel() const { return text_; }
    QLabel* pictureLabel() const { return picture_; }

public slots:
    void on_help_clicked();
    // The machine's local IPv4 addresses (see transfer::localAddresses).
    int getLocalIP(std::vector<std::string>& list);
    // Draws "http://" + ip + ":" + port; 0 with filepath = the picture file.
    int generateQRcode(char* ip, int port, char filepath[255]);
    // Reads the addresses anew and shows the code of the first one.
    void updateQRcode();

private:
    QLabel* text_ = nullptr;
    QLabel* picture_ = nullptr;
    QPushButton* help_ = nullptr;
    std::vector<std::string> addresses_;
    int port_;
};
