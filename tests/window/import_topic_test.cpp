// The capture window: its library strip, the wiring of the cutter, the
// wizard and the captured-question list, and its settings.

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

#include <memory>

#include "CaptureFixture.h"
#include "capture/cutter/imageCut.h"
#include "capture/cutter/showRectWidget.h"
#include "capture/question/QTopicEdit.h"
#include "capture/question/TextEdit.h"
#include "capture/sources/PdfImport.h"
#include "capture/sources/ScreenReport.h"
#include "capture/window/QImportTopic.h"
#include "capture/window/QTopicList.h"
#include "core/Settings.h"
#include "support/PdfFixture.h"
#include "transfer/QThumbnail.h"

namespace {

class ImportTopic : public CaptureTest {
protected:
    void addPage(const QString& name, int number = 1)
    {
        ASSERT_TRUE(numberedPicture(800, 600, number).save(QStringLiteral("documents/") + name));
    }

    // A shown window whose library strip was filled.
    QImportTopic& open()
    {
        window = std::make_unique<QImportTopic>();
        window->show();
        QApplication::processEvents();
        return *window;
    }

    QString label() const { return window->libraryLabel()->text(); }

    std::unique_ptr<QImportTopic> window;
};

}  // namespace

TEST_F(ImportTopic, LibraryIsListedInNumericOrder)
{
    for (const char* name : {"2.png", "10.jpg", "1.bmp", "x.png", "3.JPG"})
        addPage(QString::fromLatin1(name));
    QFile notes(QStringLiteral("documents/5.txt"));  // no picture
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("documents/4.png")));  // a folder is no page

    QStringList pages{QStringLiteral("stale")};
    ASSERT_TRUE(QImportTopic::listImages(QStringLiteral("documents"), pages));
    EXPECT_EQ(pages, (QStringList{"documents/x.png", "documents/1.bmp", "documents/2.png", "documents/3.JPG",
                                  "documents/10.jpg"}));

    QStringList untouched{QStringLiteral("kept")};
    EXPECT_FALSE(QImportTopic::listImages(QStringLiteral("no-such-folder"), untouched));
    EXPECT_EQ(untouched, QStringList{"kept"});
}

TEST_F(ImportTopic, WindowShowsTheLibraryOnceItIsShown)
{
    for (const char* name : {"2.png", "10.jpg", "1.bmp"})
        addPage(QString::fromLatin1(name));
    window = std::make_unique<QImportTopic>();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("题目收录"));
    EXPECT_EQ(window->libraryStrip()->count(), 0) << "filled only once the event loop runs";
    for (const char* name : {"tool_scan", "tool_importImage", "tool_importPdf", "tool_screen"})
        EXPECT_FALSE(window->sourceButton(name)->isHidden()) << name;
    EXPECT_TRUE(window->sourceButton("tool_uploadFile")->isHidden());
    EXPECT_EQ(window->sourceButton("tool_screen")->text(), QStringLiteral("截  屏"));
    EXPECT_EQ(window->sourceButton("tool_scan")->text(), QStringLiteral("扫  描"));
    EXPECT_FALSE(window->sourceButton("tool_scan")->icon().isNull());

    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->libraryStrip()->paths(), (QStringList{"documents/1.bmp", "documents/2.png", "documents/10.jpg"}));
    EXPECT_EQ(window->libraryStrip()->itemWidth(), 140);
    EXPECT_EQ(label(), QStringLiteral("资料库(1/3)"));
    EXPECT_EQ(window->cutter()->filePath(), QStringLiteral("documents/1.bmp"));
    EXPECT_EQ(window->tabs()->currentIndex(), 0);
    EXPECT_EQ(window->tabs()->tabText(0), QStringLiteral("题目抽取"));
    EXPECT_EQ(window->tabs()->tabText(1), QStringLiteral("题目编辑"));

    window->libraryStrip()->setCurrentItem(2);
    EXPECT_EQ(label(), QStringLiteral("资料库(3/3)"));
    EXPECT_EQ(window->cutter()->filePath(), QStringLiteral("documents/10.jpg"));
}

TEST_F(ImportTopic, EmptyOrMissingLibraryShowsNothing)
{
    open();
    EXPECT_EQ(label(), QStringLiteral("资料库"));
    EXPECT_EQ(window->libraryStrip()->count(), 0);
    EXPECT_TRUE(window->cutter()->displayImage().isNull());

    ASSERT_TRUE(QDir(QStringLiteral("documents")).removeRecursively());
    open();
    EXPECT_EQ(label(), QStringLiteral("资料库"));
    EXPECT_EQ(window->libraryStrip()->count(), 0);

    // The two buttons under the strip ask nothing while it is empty.
    window->deleteButton()->click();
    window->clearButton()->click();
    EXPECT_EQ(modals.count(), 0);
}

TEST_F(ImportTopic, ImportedPagesAreShownFromTheFirstNewOne)
{
    for (int i = 1; i <= 5; ++i)
        addPage(QStringLiteral("%1.png").arg(i), i);
    setIniValue(QStringLiteral("import_index"), 6);
    open();
    window->libraryStrip()->setCurrentItem(2);

    ASSERT_TRUE(QDir().mkpath(QStringLiteral("picked")));
    ASSERT_TRUE(numberedPicture(640, 480, 6).save(QStringLiteral("picked/photo.JPG"), "JPG"));
    ASSERT_TRUE(numberedPicture(640, 480, 7).save(QStringLiteral("picked/scan.png")));
    modals.setPaths({QFileInfo(QStringLiteral("picked/photo.JPG")).absoluteFilePath(),
                     QFileInfo(QStringLiteral("picked/scan.png")).absoluteFilePath()});
    window->sourceButton("tool_importImage")->click();

    ASSERT_EQ(modals.count(modal::Kind::OpenFiles), 1);
    EXPECT_EQ(modals.requests().back().title, QStringLiteral("选择图片"));
    EXPECT_EQ(modals.requests().back().filter, QStringLiteral("Images(*.png *.jpg *.jpeg *.bmp)"));
    EXPECT_EQ(window->libraryStrip()->count(), 7);
    EXPECT_EQ(window->libraryStrip()->listWidget()->currentRow(), 5);
    EXPECT_EQ(label(), QStringLiteral("资料库(6/7)"));
    EXPECT_EQ(window->cutter()->filePath(), QStringLiteral("documents/6.JPG"));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 8);
    EXPECT_EQ(getIniValue<QString>(QStringLiteral("import_topic_image"), QString()),
              QFileInfo(QStringLiteral("picked")).absoluteFilePath());

    // A cancelled chooser changes nothing.
    modals.setPaths({});
    window->sourceButton("tool_importImage")->click();
    EXPECT_EQ(window->libraryStrip()->count(), 7);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 8);
}

TEST_F(ImportTopic, DeletingAPageLoadsTheNextOneOnce)
{
    for (int i = 1; i <= 3; ++i)
        addPage(QStringLiteral("%1.png").arg(i), i);
    open();
    window->libraryStrip()->setCurrentItem(1);
    ASSERT_EQ(window->cutter()->filePath(), QStringLiteral("documents/2.png"));

    QSignalSpy rows(window->libraryStrip(), &QThumbnail::rowChanged);
    window->deleteButton()->click();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("是否要从列表中删除?"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("documents/2.png")));
    ASSERT_EQ(rows.count(), 1) << "the cutter loads one page, once";
    EXPECT_EQ(rows.at(0).at(0).toInt(), 0);
    EXPECT_EQ(window->cutter()->filePath(), QStringLiteral("documents/1.png"));
    EXPECT_EQ(label(), QStringLiteral("资料库(1/2)"));

    window->clearButton()->click();
    EXPECT_EQ(modals.last().text, QStringLiteral("是否要清空列表?"));
    EXPECT_TRUE(QDir(QStringLiteral("documents")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(label(), QStringLiteral("资料库"));
    EXPECT_TRUE(window->cutter()->displayImage().isNull());
}

TEST_F(ImportTopic, MaximizedStateIsKept)
{
    // The test screen (800 x 600) leaves the wizard no room at three
    // quarters of its size: the window opens maximized whatever is stored.
    open();
    EXPECT_TRUE(window->isMaximized());
    EXPECT_TRUE(window->buttons() & 2);
    window->setMaximized(false);
    window->close();
    EXPECT_FALSE(getIniValue<bool>(QStringLiteral("importWindow"), true));

    open();
    EXPECT_TRUE(window->isMaximized());
    window->close();
    EXPECT_TRUE(getIniValue<bool>(QStringLiteral("importWindow"), false));
    open();
    EXPECT_TRUE(window->isMaximized());
}

TEST_F(ImportTopic, ScreenCaptureReportMakesAQuestionAtOnce)
{
    open();
    ASSERT_TRUE(numberedPicture(300, 200, 9).save(QStringLiteral("tmp/shot.png")));
    ScreenReport cancelled;
    cancelled.kind = ScreenReport::Kind::NotSaved;
    window->screen_finished(cancelled);
    EXPECT_EQ(window->wizard()->step(), QTopicEdit::NoQuestion);

    ScreenReport saved;
    saved.kind = ScreenReport::Kind::Saved;
    saved.path = QStringLiteral("tmp/shot.png");
    window->screen_finished(saved);
    EXPECT_EQ(window->wizard()->step(), QTopicEdit::QuestionStep);
    EXPECT_EQ(window->tabs()->currentIndex(), 1);
    EXPECT_EQ(fileBytes(file(window->createdRecord(), questionfolder::kOriginal)),
              fileBytes(QStringLiteral("tmp/shot.png")));
}

TEST_F(ImportTopic, ACutBecomesAStoredQuestion)
{
    setIniValue(QStringLiteral("import_mode"), 0);
    storeQuestion(1);  // one question of this selection exists already
    addPage(QStringLiteral("1.png"), 42);
    open();
    window->resize(1200, 800);
    QApplication::processEvents();
    imageCut* cutter = window->cutter();
    ASSERT_EQ(cutter->filePath(), QStringLiteral("documents/1.png"));
    QSignalSpy fresh(window.get(), &QImportTopic::fresh);

    // Draw a selection over the page and take it as a new question.
    const QPoint from(cutter->width() / 4, cutter->height() / 4);
    const QPoint to(cutter->width() * 3 / 4, cutter->height() * 3 / 4);
    auto mouse = [cutter](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), QPointF(cutter->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(cutter, &e);
    };
    mouse(QEvent::MouseMove, from, Qt::NoButton);
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    ASSERT_FALSE(cutter->selection().isEmpty());
    cutter->actionBar()->button(3)->click();

    ASSERT_EQ(window->tabs()->currentIndex(), 1);
    QTopicEdit* wizard = window->wizard();
    ASSERT_EQ(wizard->step(), QTopicEdit::QuestionStep);
    const _detail_t created = window->createdRecord();
    EXPECT_TRUE(QFileInfo(file(created, questionfolder::kOriginal)).isFile());

    wizard->nextButton()->click();
    wizard->nextButton()->click();
    wizard->answerEditor()->textEdit()->setPlainText(QStringLiteral("x = 4"));
    wizard->completeButton()->click();
    EXPECT_EQ(modals.count(), 0) << (modals.count() ? modals.last().text.toStdString() : "");

    // Back on the cutter, the question listed and stored.
    EXPECT_EQ(window->tabs()->currentIndex(), 0);
    EXPECT_EQ(wizard->step(), QTopicEdit::NoQuestion);
    EXPECT_EQ(fresh.count(), 1);
    const std::vector<_detail_t> stored = storedQuestions();
    ASSERT_EQ(stored.size(), 2u);
    const std::vector<_detail_t>& listed = window->topicList()->records();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].detail_path, created.detail_path);
    EXPECT_EQ(listed[0].id, stored[1].id);
    EXPECT_EQ(window->topicList()->getPath(0), file(created, questionfolder::kQuestion));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_times"), -1), 2);
}

TEST_F(ImportTopic, PdfPagesEnterTheLibraryInPageOrder)
{
    open();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("picked")));
    ASSERT_TRUE(testpdf::write(QStringLiteral("picked/first.pdf"), 3));
    ASSERT_TRUE(testpdf::write(QStringLiteral("picked/second.pdf"), 2));
    modals.setPaths({QFileInfo(QStringLiteral("picked/first.pdf")).absoluteFilePath(),
                     QFileInfo(QStringLiteral("picked/second.pdf")).absoluteFilePath()});
    window->sourceButton("tool_importPdf")->click();

    EXPECT_EQ(modals.requests().back().title, QStringLiteral("选择PDF"));
    EXPECT_EQ(modals.requests().back().filter, QStringLiteral("PDF(*.pdf)"));
    ASSERT_EQ(modals.count(), 0) << (modals.count() ? modals.last().text.toStdString() : "");
    // Only the first file, its pages in order, the first of them shown.
    EXPECT_EQ(window->libraryStrip()->paths(), (QStringList{"documents/1.png", "documents/2.png", "documents/3.png"}));
    EXPECT_EQ(QImage(QStringLiteral("documents/2.png")).pixelColor(20, 20), testpdf::pageColor(2));
    EXPECT_EQ(window->cutter()->filePath(), QStringLiteral("documents/1.png"));
    EXPECT_EQ(getIniValue<QString>(QStringLiteral("import_topic_PDF"), QString()),
              QFileInfo(QStringLiteral("picked")).absoluteFilePath());

    // Without the converter: its error code, nothing imported.
    pdfimport::setConverter(QStringLiteral("/nonexistent/mutool"));
    window->sourceButton("tool_importPdf")->click();
    pdfimport::setConverter(QString());
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("错误码：2\n未找到 mutool，请安装 mupdf-tools"));
    EXPECT_EQ(window->libraryStrip()->count(), 3);
}
