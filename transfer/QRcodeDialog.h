#pragma once

#include <string>

#include "ui/QDialogBase.h"

class QGroupBox;
class QLabel;
class QScrollArea;

// "扫码": the phone-transfer address as a QR code (drawn by zint into
// tmp/qrcode.png) above the line "请使用手机进行扫码". The first time it is
// built (first-use bit 2 of "first_run") it shows the help page "使用帮助"
// before anything else; the title bar's help button opens it at any time.
//
//     QRcodeDialog dialog;                 // no parent
//     dialog.setAddress("192.168.1.5", 8080);
//     modal::exec(dialog);                 // accepted by the owner when the phone connects
class QRcodeDialog : public QDialogBase {
    Q_OBJECT
public:
    explicit QRcodeDialog(QWidget* parent = nullptr);
    ~QRcodeDialog() override;

    // The address becomes "http://" + host + ":" + port and its code is
    // drawn; without a picture the square stays empty.
    void setAddress(const char* host, int port);
    const std::string& address() const { return address_; }
    // Runs zint for the address; 0 with path = the picture file.
    int updateQRcode(std::string& path);
    // The modal help page.
    static void showHelp();
    // The help page's text (rich text, UTF-8 resource); empty when missing.
    static QString helpText();
    // The help page in a scroll area, for the help dialogs.
    static QScrollArea* helpArea(QWidget* parent);

    QLabel* pictureLabel() const { return picture_; }

    void titleBar_buttonClicked(int id) override;

private:
    void setupLayout();

    QGroupBox* frame_ = nullptr;
    QLabel* text_ = nullptr;
    QLabel* picture_ = nullptr;
    std::string address_;
};
