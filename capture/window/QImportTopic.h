#pragma once

#include <QImage>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <string>

#include "capture/sources/ScreenReport.h"
#include "capture/window/ThumbnailCache.h"
#include "core/Records.h"
#include "ui/QDialogBase.h"

class IDatabase;
class QLabel;
class QTabWidget;
class QThumbnail;
class QToolButton;
class QTopicEdit;
class QTopicList;
class ScreenCapture;
class half_image;
class imageCut;

// The capture window "题目收录", through which every new question enters the
// notebook:
//
//   tool row      扫  描 | 导入图片 | 导入PDF | 截  屏 | (手机上传, hidden)
//   library       the pages of the library folder "documents" as thumbnails,
//                 in numeric order, with 删除 and 清空 below
//   tabs          题目抽取: the cutter on the chosen page (with the band of a
//                 pending upper half); 题目编辑: the three-step wizard
//   题目列表       the questions saved while the window is open
//
// Every source copies its pages into the library under running numbers and
// reloads the strip, which shows the first new page in the cutter; a screen
// capture skips the library and becomes a question at once. Each cut becomes
// a question folder item/<user>/<uuid>/ with "original.jpg" (createItem), the
// wizard completes it, and edit_complete lists it and refreshes the setting
// "import_times".
//
// Built without parent and run modally by the question list:
//
//     QImportTopic window;
//     modal::exec(window);
//
// Escape never closes the window (a pupil pressing it to dismiss a pop-up
// would lose the question in the wizard); the title bar's close button does.
// Every close (the close button, reject(), close(), the desktop's close) first
// asks "当前题目尚未保存，关闭后将丢失，是否关闭？" while the wizard holds a
// question whose row is not stored; 否 keeps the window and the question as
// they are. On closing, the folders of questions made here whose row was
// never stored are removed; folders with a row are never touched.
//
// Whether the window was maximized is kept in "importWindow". It also opens
// maximized when at its opening size (three quarters of the screen) the
// wizard could not show a question picture with QTopicEdit::kQuestionRoom,
// as on a 1280 x 720 screen. GUI thread only.
class QImportTopic : public QDialogBase {
    Q_OBJECT
public:
    explicit QImportTopic(QWidget* parent = nullptr);
    ~QImportTopic() override;

    // The pictures of `folder` ("<folder>/<name>", files *.bmp, *.png, *.jpeg
    // and *.jpg in any case) in ascending order of the number their name
    // starts with (no number counts as 0). False, `out` untouched, when the
    // folder does not exist.
    static bool listImages(const QString& folder, QStringList& out);
    // Shows `files` in the library strip (progress dialog "加载列表") and
    // makes entry `select` current, by default the first entry beyond what
    // the strip held before. An empty list only resets the label.
    void loadList(const QStringList& files, int select = -1);

    // The database the window and its parts store into (null: the program's
    // own). For tests that make it fail on purpose.
    void setDatabase(IDatabase* database);

    // The record handed to the wizard by the last successful createItem.
    const _detail_t& createdRecord() const { return created_; }
    // The wizard holds a question whose row is not stored: closing asks.
    bool hasPendingQuestion() const;

    // Closes only when nothing is pending or the pupil agrees (see above).
    void done(int result) override;

    // The parts, for tests.
    QLabel* libraryLabel() const { return labelImage_; }
    QThumbnail* libraryStrip() const { return thumbnail_; }
    QToolButton* deleteButton() const { return btnDelete_; }
    QToolButton* clearButton() const { return btnClear_; }
    QToolButton* sourceButton(const char* objectName) const;
    QTabWidget* tabs() const { return tabWidget_; }
    half_image* halfImage() const { return halfImage_; }
    imageCut* cutter() const { return cutter_; }
    QTopicEdit* wizard() const { return topicEdit_; }
    QTopicList* topicList() const { return topicList_; }
    ScreenCapture* screenCapture() const { return screenCapture_; }

signals:
    // A question was saved, or questions were deleted from 题目列表.
    void fresh();

public slots:
    // Sources (QImportTopicSources.cpp).
    void importImage_clicked();
    void importPDF_clicked();
    void scan_clicked();
    void uploadFile_clicked();
    void getResults(std::string time, QStringList& fileNames);
    void screen_clicked();
    void screen_finished(const ScreenReport& report);

    // Makes a question folder from `image` (a cut) or, without one, from the
    // file `filePath` (a screen capture), and opens the wizard on it
    // (QImportTopicCreate.cpp). The file is taken only as readScreenShot
    // (ScreenReport.h) accepts it; otherwise a message "提示" names it and
    // nothing is made.
    void createItem(QImage* image, QString filePath = QString());

    void on_btnDelete_clicked();
    void on_btnClear_clicked();
    void listImage_clicked(int row);
    void grabbing_finished();
    void edit_complete();

    // The question folders ("item/<user>/<uuid>") made by createItem whose
    // row is not stored (yet): what closing the window removes.
    QStringList unstoredFolders() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape does nothing here (see above); other keys as for any dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Construction steps.
    void setupWindow();
    QLayout* createToolRow();
    QToolButton* addSourceButton(QLayout* row, const char* icon, const char* objectName, const QString& text);
    QLayout* createLibraryColumn();
    QWidget* createTabs();
    QLayout* createListColumn();
    void connectCutter();
    void folderStored(const QString& detailPath);
    // Removes every folder of unstoredFolders().
    void removeUnstoredFolders();
    // True when the window may close: nothing pending, or the pupil agreed
    // (asked once per close).
    bool mayClose();

    // Copies `files` into the library and shows the first of them; the
    // files refused as no picture are named in one message.
    void importFiles(const QStringList& files);
    void setLibraryLabel(int position, int count);
    void tell(const QString& text);
    IDatabase* database() const;

    QToolButton* btnImportImage_ = nullptr;
    QToolButton* btnImportPdf_ = nullptr;
    QToolButton* btnScreen_ = nullptr;
    QToolButton* btnScan_ = nullptr;
    QToolButton* btnUpload_ = nullptr;
    QLabel* labelImage_ = nullptr;
    QThumbnail* thumbnail_ = nullptr;
    QToolButton* btnDelete_ = nullptr;
    QToolButton* btnClear_ = nullptr;
    QTabWidget* tabWidget_ = nullptr;
    half_image* halfImage_ = nullptr;
    imageCut* cutter_ = nullptr;
    QTopicEdit* topicEdit_ = nullptr;
    QTopicList* topicList_ = nullptr;
    ScreenCapture* screenCapture_ = nullptr;
    IDatabase* database_ = nullptr;
    _detail_t created_;
    // Folders made by createItem, by detail path; and the detail paths whose
    // row was inserted.
    QMap<QString, QString> createdFolders_;
    QSet<QString> storedPaths_;
    // The library's thumbnails, kept for the reloads after each import.
    ThumbnailCache thumbnails_;
    // The pupil agreed to drop the pending question in the close under way.
    bool closeAgreed_ = false;
    // The opening size was checked for the wizard's room (first show).
    bool roomChecked_ = false;
};
