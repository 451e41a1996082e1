#include "transfer/httpDownLoadDialog.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Settings.h"
#include "transfer/PhoneLink.h"
#include "transfer/QRcodeDialog.h"
#include "transfer/TransferEndpoint.h"
#include "ui/QMessageBoxBase.h"

namespace {

const char* const kPageTemplate = R"(
<!DOCTYPE html>
<html>
 <head>
  <title>文件下载</title>
  <meta name="viewport" charset="UTF-8" content="width=device-width, initial-scale=1.0, minimum-scale=1.0, maximum-scale=1.0, user-scalable=no"/>
  <style>
#list_div { padding: 10px; border: 2px solid lightgray; border-radius: 10px; background: white; }
a:link { color: black; text-decoration: none; }
a:hover { color: blue; text-decoration: underline; }
hr { height: 1px; border: none; border-top: 1px solid lightgray; }
body { font-family: sans-serif; font-size: 18px; background: #f4f4f4; margin: 12px; }
a { display: block; padding: 10px 0; word-break: break-all; }
  </style>
 </head>
 <body>
  <div id="list_div"><p></p><div id="file_div"></div></div>
 </body>
</html>
)";

// Oldest first by creation time (birth time where the file system keeps
// one); equal times keep the name order.
QDateTime createdAt(const QFileInfo& info)
{
    const QDateTime born = info.birthTime();
    return born.isValid() ? born : info.lastModified();
}

}  // namespace

httpDownLoadDialog::httpDownLoadDialog(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("文件下载"));
    setupLayout();
    setupConnections();
    offerFiles();
}

httpDownLoadDialog::~httpDownLoadDialog()
{
    stop();
}

void httpDownLoadDialog::setupLayout()
{
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new QLabel(QStringLiteral("文件列表"), this));
    list_ = new QListWidget(this);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(list_, 1);
    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignCenter);
    layout->addWidget(status_);
    finished_ = new QPushButton(QStringLiteral("完成"), this);
    layout->addWidget(finished_, 0, Qt::AlignRight);
    addLayout(layout);
}

void httpDownLoadDialog::setupConnections()
{
    connect(finished_, &QPushButton::clicked, this, &httpDownLoadDialog::btn_finished);
    connect(this, &httpDownLoadDialog::sng_document, this, &httpDownLoadDialog::slot_document);
    connect(this, &httpDownLoadDialog::sng_success, this, &httpDownLoadDialog::slot_success);
    connect(this, &httpDownLoadDialog::sgn_failed, this, &httpDownLoadDialog::slot_failed);
}

QString httpDownLoadDialog::exportFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return getIniValue<QString>(QStringLiteral("export_topic_path"), documents) + QStringLiteral("/岚溪错题本导出");
}

void httpDownLoadDialog::offerFiles()
{
    const QString folder = exportFolder();
    QList<QFileInfo> found = QDir(folder).entryInfoList(
        {QStringLiteral("*.docx"), QStringLiteral("*.doc"), QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    std::stable_sort(found.begin(), found.end(),
                     [](const QFileInfo& a, const QFileInfo& b) { return createdAt(a) < createdAt(b); });
    if (found.isEmpty()) {
        QMessageBoxBase::information(nullptr, QStringLiteral("提示"), QStringLiteral("没有文件，请先导出!"));
        QTimer::singleShot(0, this, [this] { reject(); });
        return;
    }
    files_ = found;
    QFile page(folder + QLatin1Char('/') + pageFileName());
    if (page.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        page.write(createIndexHtml(files_).toUtf8());
        page.close();
    }
    list_->clear();
    for (const QFileInfo& info : files_)
        list_->addItem(info.baseName());

    // Only the offered documents and the page: nothing else of the folder
    // (other files, sub-folders) is served.
    std::vector<std::string> names;
    for (const QFileInfo& info : files_)
        names.push_back(info.fileName().toStdString());
    serveOnly(names);
    const transfer::Endpoint where = transfer::endpoint();
    setBindAddress(where.bindAddress);
    setIndexFile(pageFileName().toStdString());
    start(folder.toUtf8().constData(), where.port);
}

QString httpDownLoadDialog::createIndexHtml(QList<QFileInfo> files)
{
    QDomDocument document(QStringLiteral("html"));
    if (!document.setContent(QString::fromUtf8(kPageTemplate)))
        return QString();
    QDomElement listDiv =
        document.documentElement().firstChildElement(QStringLiteral("body")).firstChildElement(QStringLiteral("div"));
    QDomElement count = listDiv.firstChildElement(QStringLiteral("p"));
    count.appendChild(document.createTextNode(QStringLiteral("共有%1个文件").arg(files.size())));
    QDomElement fileDiv = listDiv.firstChildElement(QStringLiteral("div"));
    for (const QFileInfo& info : files) {
        fileDiv.appendChild(document.createElement(QStringLiteral("hr")));
        QDomElement link = document.createElement(QStringLiteral("a"));
        // The link is percent-encoded, so "a#1.pdf" or "a?.doc" stays a path.
        link.setAttribute(QStringLiteral("href"), QString::fromLatin1(QUrl::toPercentEncoding(info.fileName())));
        link.setAttribute(QStringLiteral("download"), info.fileName());
        QDomElement strong = document.createElement(QStringLiteral("strong"));
        strong.appendChild(document.createTextNode(info.baseName()));
        link.appendChild(strong);
        fileDiv.appendChild(link);
    }
    return document.toString(1);
}

void httpDownLoadDialog::done(int result)
{
    stop();
    QDialogBase::done(result);
}

void httpDownLoadDialog::closeEvent(QCloseEvent* event)
{
    stop();
    QDialogBase::closeEvent(event);
}

void httpDownLoadDialog::on_document(const char* path)
{
    emit sng_document(QString::fromUtf8(path + (*path ? 1 : 0)));
}

void httpDownLoadDialog::on_request(const char*, const char*, int) {}

void httpDownLoadDialog::on_success()
{
    emit sng_success();
}

void httpDownLoadDialog::on_failed(std::string message)
{
    emit sgn_failed(QString::fromUtf8(message.c_str()));
}

void httpDownLoadDialog::slot_document(QString name)
{
    if (name == QStringLiteral("index.html")) {
        connected_ = true;
        if (qrDialog_)
            qrDialog_->accept();
        status_->setText(transfer::connectedText());
        return;
    }
    for (int row = 0; row < files_.size(); ++row) {
        if (files_.at(row).fileName() == name) {
            if (QListWidgetItem* item = list_->item(row))
                item->setIcon(QIcon(QStringLiteral(":/Lorvane/Resources/eye.png")));
            return;
        }
    }
}

void httpDownLoadDialog::slot_success()
{
    if (transfer::showQRcode(this, qrDialog_, port(), connected_) != transfer::QrOutcome::Connected)
        reject();
}

void httpDownLoadDialog::slot_failed(QString message)
{
    QMessageBoxBase::information(this, QStringLiteral("提示"), message);
    reject();
}

void httpDownLoadDialog::btn_finished()
{
    accept();
}
