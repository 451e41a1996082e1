#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/AppContext.h"
#include "support/TestEnv.h"
#include "support/WaitFor.h"

namespace picturetest {

// A data folder with user 7 and the question folder item/7/q1.
class Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        QFile::remove(QStringLiteral("Lorvane.ini"));
        QDir(QStringLiteral("item")).removeRecursively();
        QDir(QStringLiteral("tmp")).removeRecursively();
        AppContext::instance()->user_folder = "7";
        ASSERT_TRUE(QDir().mkpath(folder()));
    }

    static QString folder() { return QStringLiteral("item/7/q1"); }
    // The picture files of the question folder, by name.
    static QStringList pictureFiles() { return QDir(folder()).entryList(QDir::Files, QDir::Name); }
};

// White paper with black 12-pixel-wide boxes of `boxHeight`, so that the
// typical text height of the page is exactly boxHeight (0: a blank page).
inline QImage textPage(int width, int height, int boxHeight)
{
    QImage page(width, height, QImage::Format_RGB888);
    page.fill(Qt::white);
    QPainter painter(&page);
    for (int x = 20; boxHeight > 0 && x + 12 < width && x < 200; x += 30)
        painter.fillRect(x, 40, 12, boxHeight, Qt::black);
    return page;
}

// A picture of the document as it shows it: name, width and height (0 when
// the attribute is absent).
struct Shown {
    QString name;
    int width = 0;
    int height = 0;
};

// The pictures of an HTML text, in document order, read back by a document.
inline std::vector<Shown> picturesOf(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    std::vector<Shown> out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            Shown shown;
            shown.name = image.name();
            shown.width = image.hasProperty(QTextFormat::ImageWidth) ? static_cast<int>(image.width()) : 0;
            shown.height = image.hasProperty(QTextFormat::ImageHeight) ? static_cast<int>(image.height()) : 0;
            out.push_back(shown);
        }
    }
    return out;
}

}  // namespace picturetest
