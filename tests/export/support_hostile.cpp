#include "HostileHtml.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include "ExportFixture.h"

namespace hostile {
namespace {

QString repeat(const QString& s, int n)
{
    QString out;
    out.reserve(s.size() * n);
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

QString page(const QString& body)
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"/></head><body>") + body +
           QStringLiteral("</body></html>");
}

// A small JPEG whose header declares 30000 x 30000 pixels.
void writeBomb(const QString& path)
{
    exportfixture::writePicture(path, 16, 16, Qt::white, QString(), "JPG");
    QFile f(path);
    f.open(QIODevice::ReadWrite);
    QByteArray bytes = f.readAll();
    const int sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof >= 0) {
        for (int at : {sof + 5, sof + 7}) {  // height, width
            bytes[at] = static_cast<char>(30000 >> 8);
            bytes[at + 1] = static_cast<char>(30000 & 0xFF);
        }
    }
    f.seek(0);
    f.write(bytes);
}

}  // namespace

std::vector<Case> cases(const QString& dir)
{
    exportfixture::writePicture(dir + QStringLiteral("/pic.png"), 40, 20, Qt::yellow, QString(), "PNG");
    ::mkfifo(QFile::encodeName(dir + QStringLiteral("/pipe.png")).constData(), 0600);
    QDir(dir).mkpath(QStringLiteral("folder.png"));
    writeBomb(dir + QStringLiteral("/bomb.jpg"));
    const QString pic = dir + QStringLiteral("/pic.png");

    const QString wideRow = QStringLiteral("<tr>") + repeat(QStringLiteral("<td colspan=\"100000\">格</td>"), 10) +
                            QStringLiteral("</tr>");
    const QString tallRow = QStringLiteral("<tr>") + repeat(QStringLiteral("<td rowspan=\"100000\">高</td>"), 10) +
                            QStringLiteral("</tr>");
    return {
        {"spans of 100000 columns, 300 cells",
         page(QStringLiteral("<table border=\"1\">") + repeat(wideRow, 30) +
              QStringLiteral("<tr><td>宽表尾</td></tr></table>")),
         QStringLiteral("宽表尾")},
        {"one row of 300 cells spanning 100000 columns each",
         page(QStringLiteral("<table><tr>") + repeat(QStringLiteral("<td colspan=100000>x</td>"), 300) +
              QStringLiteral("<td>长行尾</td></tr></table>")),
         QStringLiteral("长行尾"), 0, false},
        {"spans of 100000 rows",
         page(QStringLiteral("<table border=\"1\">") + repeat(tallRow, 10) + QStringLiteral("</table><p>高表尾</p>")),
         QStringLiteral("高表尾")},
        {"spans that are no numbers",
         page(QStringLiteral("<table><tr><td colspan=\"-5\" rowspan=\"-1\">a</td><td colspan=\"0\">b</td>"
                             "<td colspan=\"abc\">c</td><td colspan=\"99999999999\" rowspan=\"99999999999\">"
                             "坏跨度</td></tr></table>")),
         QStringLiteral("坏跨度")},
        {"3000 nested tables",
         page(repeat(QStringLiteral("<table border=\"1\"><tr><td>层"), 3000) + QStringLiteral("最深的表") +
              repeat(QStringLiteral("</td></tr></table>"), 3000)),
         QStringLiteral("最深的表")},
        {"3000 nested divs, lists and spans",
         page(repeat(QStringLiteral("<div>段"), 1000) + repeat(QStringLiteral("<ul><li>项"), 1000) +
              repeat(QStringLiteral("<span style=\"font-weight:600\">字"), 1000) + QStringLiteral("最深的段") +
              repeat(QStringLiteral("</span>"), 1000) + repeat(QStringLiteral("</li></ul>"), 1000) +
              repeat(QStringLiteral("</div>"), 1000)),
         QStringLiteral("最深的段")},
        {"sizes far beyond any page",
         page(QStringLiteral("<p style=\"margin-left:100000000px; margin-top:100000000px; "
                             "margin-bottom:-50px; text-indent:-100000000px; font-size:100000000pt\">巨大</p>"
                             "<p style=\"font-size:99999999px\">像素</p>"
                             "<ol style=\"-qt-list-indent:100000000\"><li>缩进</li></ol>"
                             "<table border=\"100000000\"><tr><td>粗框</td></tr></table>")),
         QStringLiteral("粗框")},
        {"picture sizes out of range",
         page(QStringLiteral("<p><img src=\"%1\" width=\"1000000000000\" height=\"0.0001\"/>"
                             "<img src=\"%1\" height=\"100000000\"/><img src=\"%1\" width=\"-5\" height=\"inf\"/>"
                             "图尺寸</p>")
                  .arg(pic)),
         QStringLiteral("图尺寸"), 3},
        {"pictures that cannot or must not be read",
         page(QStringLiteral("<p><img src=\"%1/missing.png\"/><img src=\"%1/pipe.png\"/>"
                             "<img src=\"%1/folder.png\"/><img src=\"%1/bomb.jpg\"/>"
                             "<img src=\"http://127.0.0.1:9/x.png\"/>无图</p>")
                  .arg(dir)),
         QStringLiteral("无图")},
        {"characters XML cannot hold in names",
         page(QStringLiteral("<p><span style=\"font-family:'a&#1;b'\">控制</span>"
                             "<img src=\"%1\" width=\"10\"/></p>")
                  .arg(pic)),
         QStringLiteral("控制"), 1},
        {"a cell tag cut off at the end",
         page(QStringLiteral("<p>截断</p><table><tr><td colspan=100000>a")) + QStringLiteral("<td colspan=100000"),
         QStringLiteral("截断")},
    };
}

}  // namespace hostile
