#include "capture/window/QImportTopic.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>

#include "capture/cutter/half_image.h"
#include "capture/cutter/imageCut.h"
#include "capture/question/QTopicEdit.h"
#include "capture/sources/FileProgress.h"
#include "capture/sources/LibraryImport.h"
#include "capture/window/QTopicList.h"
#include "capture/window/ThumbnailCache.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "core/Sqlite.h"
#include "transfer/QThumbnail.h"
#include "ui/QMessageBoxBase.h"

namespace {

constexpr int kColumnWidth = 180;
constexpr int kCutterTab = 0;
constexpr int kWizardTab = 1;
const char* const kWindowKey = "importWindow";
const char* const kTimesKey = "import_times";

QString libraryText()
{
    return QStringLiteral("资料库");
}

}  // namespace

QImportTopic::QImportTopic(QWidget* parent) : QDialogBase(parent)
{
    setupWindow();
    auto* outer = new QVBoxLayout;
    outer->setContentsMargins(1, 1, 1, 1);
    outer->addLayout(createToolRow());
    auto* body = new QHBoxLayout;
    body->setContentsMargins(5, 0, 5, 5);
    body->addLayout(createLibraryColumn());
    body->addWidget(createTabs());
    body->addLayout(createListColumn());
    outer->addLayout(body);
    addLayout(outer);
    connectCutter();

    // Filled once the window's event loop runs, so the window shows first.
    QTimer::singleShot(0, this, [this] {
        QStringList pages;
        if (listImages(libraryimport::libraryFolder(), pages))
            loadList(pages);
        else
            loadList(QStringList());
    });
}

QImportTopic::~QImportTopic() = default;

void QImportTopic::setupWindow()
{
    setWindowTitle(QStringLiteral("题目收录"));
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QRect area = screens.isEmpty() ? QRect(0, 0, 1280, 800) : screens.first()->availableGeometry();
    resize(qRound(3.0 * area.width() * 0.25), qRound(3.0 * area.height() * 0.25));
    if (getIniValue<bool>(QString::fromLatin1(kWindowKey), false))
        setMaximized(true);
    setButtons(buttons() | QTitleBar::kMaximizeBit);
}

QToolButton* QImportTopic::addSourceButton(QLayout* row, const char* icon, const char* objectName, const QString& text)
{
    auto* button = new QToolButton(this);
    button->setIcon(QIcon(QString::fromLatin1(icon)));
    button->setIconSize(QSize(64, 64));
    button->setObjectName(QString::fromLatin1(objectName));
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::NoFocus);
    row->addWidget(button);
    return button;
}

QLayout* QImportTopic::createToolRow()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->setSpacing(10);
    btnScan_ = addSourceButton(row, ":/Lorvane/Resources/importtopic/webcam.png", "tool_scan",
                               QStringLiteral("扫  描"));
    btnImportImage_ = addSourceButton(row, ":/Lorvane/Resources/importtopic/folder.png", "tool_importImage",
                                      QStringLiteral("导入图片"));
    btnImportPdf_ = addSourceButton(row, ":/Lorvane/Resources/importtopic/pdf.png", "tool_importPdf",
                                    QStringLiteral("导入PDF"));
    btnScreen_ = addSourceButton(row, ":/Lorvane/Resources/importtopic/monitor.png", "tool_screen",
                                 QStringLiteral("截  屏"));
    btnUpload_ = addSourceButton(row, ":/Lorvane/Resources/importtopic/mobile.png", "tool_uploadFile",
                                 QStringLiteral("手机上传"));
    // The phone source is kept but not offered.
    btnUpload_->hide();
    row->addStretch();
    connect(btnScan_, &QToolButton::clicked, this, &QImportTopic::scan_clicked);
    connect(btnImportImage_, &QToolButton::clicked, this, &QImportTopic::importImage_clicked);
    connect(btnImportPdf_, &QToolButton::clicked, this, &QImportTopic::importPDF_clicked);
    connect(btnScreen_, &QToolButton::clicked, this, &QImportTopic::screen_clicked);
    connect(btnUpload_, &QToolButton::clicked, this, &QImportTopic::uploadFile_clicked);
    return row;
}

QLayout* QImportTopic::createLibraryColumn()
{
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    labelImage_ = new QLabel(libraryText(), this);
    labelImage_->setObjectName(QStringLiteral("lableImage"));
    labelImage_->setAlignment(Qt::AlignCenter);
    thumbnail_ = new QThumbnail(this);
    thumbnail_->setFixedWidth(kColumnWidth);
    connect(thumbnail_, &QThumbnail::rowChanged, this, &QImportTopic::listImage_clicked);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    btnDelete_ = new QToolButton(this);
    btnDelete_->setToolTip(QStringLiteral("删除"));
    btnDelete_->setObjectName(QStringLiteral("thumb_delete"));
    btnClear_ = new QToolButton(this);
    btnClear_->setToolTip(QStringLiteral("清空"));
    btnClear_->setObjectName(QStringLiteral("thumb_clear"));
    for (QToolButton* b : {btnDelete_, btnClear_})
        b->setFocusPolicy(Qt::NoFocus);
    connect(btnDelete_, &QToolButton::clicked, this, &QImportTopic::on_btnDelete_clicked);
    connect(btnClear_, &QToolButton::clicked, this, &QImportTopic::on_btnClear_clicked);
    buttons->addWidget(btnDelete_);
    buttons->addWidget(btnClear_);

    column->addWidget(labelImage_);
    column->addWidget(thumbnail_);
    column->addLayout(buttons);
    return column;
}

QWidget* QImportTopic::createTabs()
{
    tabWidget_ = new QTabWidget(this);
    tabWidget_->setFocusPolicy(Qt::NoFocus);

    auto* cutterPage = new QWidget;
    auto* layout = new QVBoxLayout(cutterPage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    halfImage_ = new half_image(cutterPage);
    halfImage_->setObjectName(QStringLiteral("widgetBuffer"));
    halfImage_->setFixedHeight(100);
    halfImage_->hide();
    cutter_ = new imageCut(cutterPage);
    layout->addWidget(halfImage_);
    layout->addWidget(cutter_);
    tabWidget_->addTab(cutterPage, QStringLiteral("题目抽取"));

    topicEdit_ = new QTopicEdit;
    connect(topicEdit_, &QTopicEdit::complete, this, &QImportTopic::edit_complete);
    connect(topicEdit_, &QTopicEdit::rowAdded, this, &QImportTopic::folderStored);
    tabWidget_->addTab(topicEdit_, QStringLiteral("题目编辑"));
    return tabWidget_;
}

QLayout* QImportTopic::createListColumn()
{
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* label = new QLabel(QStringLiteral("题目列表"), this);
    label->setObjectName(QStringLiteral("lableTopic"));
    label->setAlignment(Qt::AlignCenter);
    topicList_ = new QTopicList(this);
    topicList_->setFixedWidth(kColumnWidth);
    topicList_->setMovable(false);
    connect(topicList_, &QTopicList::fresh, this, &QImportTopic::fresh);
    column->addWidget(label);
    column->addWidget(topicList_);
    return column;
}

void QImportTopic::connectCutter()
{
    connect(cutter_, &imageCut::finished, this, &QImportTopic::grabbing_finished);
    connect(cutter_, &imageCut::next_page, thumbnail_, &QThumbnail::setNextItem);
    connect(cutter_, &imageCut::first_half_hide, halfImage_, &QWidget::hide);
    connect(cutter_, &imageCut::first_half_clicked, halfImage_, &half_image::setImage);
    connect(halfImage_, &half_image::btn_hide, cutter_, &imageCut::half_image_close);
}

QToolButton* QImportTopic::sourceButton(const char* objectName) const
{
    for (QToolButton* b : {btnScan_, btnImportImage_, btnImportPdf_, btnScreen_, btnUpload_})
        if (b->objectName() == QLatin1String(objectName))
            return b;
    return nullptr;
}

void QImportTopic::setDatabase(IDatabase* database)
{
    database_ = database;
    topicEdit_->setDatabase(database);
    topicList_->setDatabase(database);
}

IDatabase* QImportTopic::database() const
{
    return database_ ? database_ : Singleton<sqlite>::instance();
}

void QImportTopic::tell(const QString& text)
{
    QMessageBoxBase::information(this, QStringLiteral("提示"), text);
}

bool QImportTopic::listImages(const QString& folder, QStringList& out)
{
    return libraryimport::listImages(folder, out);
}

void QImportTopic::setLibraryLabel(int position, int count)
{
    labelImage_->setText(QStringLiteral("资料库(%1/%2)").arg(position).arg(count));
}

void QImportTopic::loadList(const QStringList& files, int select)
{
    if (files.isEmpty()) {
        labelImage_->setText(libraryText());
        return;
    }
    const int before = thumbnail_->count();
    auto progress = makeFileProgress(QStringLiteral("加载列表"), files.size());
    thumbnail_->clear();
    setLibraryLabel(0, files.size());
    // The pages are decoded on worker threads ahead of this loop; the event
    // loop runs after every page added (the progress dialog is modal).
    thumbnails_.load(files, thumbnail_->thumbnailSide(), [&](int i, const QImage& picture) {
        thumbnail_->addItem(files.at(i), picture);
        progress->setValue(i + 1);
    });
    progress.reset();
    thumbnails_.retain(files);
    thumbnail_->setCurrentItem(select >= 0 ? select : before);
}

void QImportTopic::importFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    QStringList refused;
    const QStringList copied = libraryimport::copyIntoLibrary(files, libraryimport::libraryFolder(), &refused);
    if (!refused.isEmpty())
        tell(libraryimport::refusedMessage(refused));
    QStringList pages;
    if (!listImages(libraryimport::libraryFolder(), pages))
        return;
    // The first page of this import; where it cannot be found (nothing could
    // be copied) the entry after the old ones, as always.
    const int first = copied.isEmpty() ? -1 : static_cast<int>(pages.indexOf(copied.first()));
    loadList(pages, first);
}

void QImportTopic::listImage_clicked(int row)
{
    if (row < 0) {
        labelImage_->setText(libraryText());
        cutter_->clear();
        return;
    }
    tabWidget_->setCurrentIndex(kCutterTab);
    cutter_->loadImage(thumbnail_->getPath(row));
    setLibraryLabel(row + 1, thumbnail_->count());
}

void QImportTopic::on_btnDelete_clicked()
{
    if (thumbnail_->count() > 0)
        thumbnail_->menu_delete_triggered();
}

void QImportTopic::on_btnClear_clicked()
{
    if (thumbnail_->count() > 0)
        thumbnail_->menu_clear_triggered();
}

void QImportTopic::grabbing_finished()
{
    createItem(cutter_->getImage());
}

void QImportTopic::edit_complete()
{
    _detail_t saved;
    topicEdit_->getData(saved);
    topicList_->append(saved);
    topicEdit_->reset();
    tabWidget_->setCurrentIndex(kCutterTab);

    // The number of questions collected, for the usage report: a quick query
    // made right here.
    const AppContext* ctx = AppContext::instance();
    std::map<std::string, int> counts;
    std::string err;
    if (database()->getMonthlyAdded(ctx->user.id, ctx->grade.id, ctx->term.id, ctx->subject.id, counts, err) == 0) {
        int total = 0;
        for (const auto& month : counts)
            total += month.second;
        setIniValue(QString::fromLatin1(kTimesKey), total);
    }
    emit fresh();
}

// Fitted into the screen first (QDialogBase); the window is not on the
// screen yet, so opening maximized shows no jump.
void QImportTopic::showEvent(QShowEvent* event)
{
    QDialogBase::showEvent(event);
    if (roomChecked_ || event->spontaneous())
        return;
    roomChecked_ = true;
    // The wizard's tab gets the rectangle the current tab has now.
    if (!isMaximized() && !topicEdit_->hasQuestionRoomAt(tabWidget_->currentWidget()->size()))
        setMaximized(true);
}

bool QImportTopic::hasPendingQuestion() const
{
    return topicEdit_->step() != QTopicEdit::NoQuestion &&
           !storedPaths_.contains(QString::fromStdString(created_.detail_path));
}

bool QImportTopic::mayClose()
{
    if (closeAgreed_ || !isVisible() || !hasPendingQuestion())
        return true;
    closeAgreed_ = QMessageBoxBase::question(this, QStringLiteral("提示"),
                                             QStringLiteral("当前题目尚未保存，关闭后将丢失，是否关闭？")) == 1;
    return closeAgreed_;
}

// QDialog::done hides the window and ends exec() before closeEvent runs:
// the question is asked here first.
void QImportTopic::done(int result)
{
    if (!mayClose())
        return;
    QDialogBase::done(result);
}

void QImportTopic::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    setIniValue(QString::fromLatin1(kWindowKey), isMaximized());
    // The question pending in the wizard goes with the window: nothing of it
    // may stay behind without its row.
    removeUnstoredFolders();
    // QDialog's own handling of a visible window runs done() once more.
    QDialogBase::closeEvent(event);
    closeAgreed_ = false;
}

void QImportTopic::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialogBase::keyPressEvent(event);
}
