#pragma once

#include <QFileInfo>
#include <QList>
#include <QString>

#include <memory>
#include <string>

#include "transfer/libevent.h"
#include "ui/QDialogBase.h"

class QLabel;
class QListWidget;
class QPushButton;
class QRcodeDialog;

// "文件下载": lets a phone fetch the exported Word and PDF files. It lists the
// export folder ("export_topic_path" + "/岚溪错题本导出": *.docx, *.doc,
// *.pdf, oldest first), writes the page with their links into that folder as
// the hidden file ".index.html" (answered for "/" and "/index.html"), serves
// the offered files and the page (nothing else of the folder), shows the
// QR-code dialog once the server is up, and marks each fetched file with an
// eye. "完成" closes it.
//
//     httpDownLoadDialog dialog(nullptr);
//     modal::exec(dialog);
//
// Without files it shows "没有文件，请先导出!" while being built and rejects
// itself as soon as its event loop runs; no page, no server. The server is
// stopped when the dialog ends and in the destructor.
class httpDownLoadDialog : public QDialogBase, public libevent {
    Q_OBJECT
public:
    explicit httpDownLoadDialog(QWidget* parent = nullptr);
    ~httpDownLoadDialog() override;

    // The download page for these files: "共有N个文件" and one link per file
    // (href percent-encoded, download name the file's name, text its base
    // name). Empty when the built-in template does not parse.
    static QString createIndexHtml(QList<QFileInfo> files);
    // The folder whose files are offered.
    static QString exportFolder();
    // The page's file name in that folder.
    static QString pageFileName() { return QStringLiteral(".index.html"); }

    const QList<QFileInfo>& files() const { return files_; }
    QListWidget* fileList() const { return list_; }
    QLabel* statusLabel() const { return status_; }
    QRcodeDialog* qrDialog() const { return qrDialog_.get(); }

    void done(int result) override;

    void on_document(const char* path) override;
    void on_request(const char* uri, const char* body, int length) override;
    void on_success() override;
    void on_failed(std::string message) override;

signals:
    void sng_document(QString name);
    void sng_success();
    void sgn_failed(QString message);

public slots:
    void slot_document(QString name);
    void slot_success();
    void slot_failed(QString message);
    void btn_finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupLayout();
    void setupConnections();
    void offerFiles();

    std::unique_ptr<QRcodeDialog> qrDialog_;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* finished_ = nullptr;
    QList<QFileInfo> files_;
    bool connected_ = false;
};
