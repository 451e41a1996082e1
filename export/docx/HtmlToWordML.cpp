#include "export/docx/HtmlToWordML.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>

#include "export/docx/HtmlGuard.h"
#include "export/docx/Media.h"

using tinyxml2::XMLElement;

namespace docx {
namespace {

// Word's largest indent and paragraph spacing, 22 inches, in twips.
constexpr int kMaxTwips = 31680;
// Word's font sizes run from 1 to 1638 points.
constexpr int kMaxHalfPoints = 3276;
// Word's widest table border, 12 points, in eighths of a point.
constexpr int kMaxBorderEighths = 96;
// Word's largest page side, 22 inches, in EMU: no picture is laid out
// taller.
constexpr long kMaxPictureHeight = 22L * 914400;
// A picture size given in the HTML is taken up to this many pixels a side.
constexpr double kMaxSide = platform::kMaxPictureSide;

// v rounded and kept within [lo, hi]; a value that is not a number gives
// `otherwise`.
int bounded(double v, int lo, int hi, int otherwise)
{
    if (!std::isfinite(v))
        return otherwise;
    return static_cast<int>(std::lround(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi))));
}

// CSS pixels as twips (1 px = 15 twips at 96 dpi), within Word's limits.
int twips(qreal px)
{
    return bounded(px * 15.0, -kMaxTwips, kMaxTwips, 0);
}

// A paragraph spacing: -1 (unset) for none or a negative one.
int spacing(qreal px)
{
    return std::isfinite(px) && px >= 0 ? bounded(px * 15.0, 0, kMaxTwips, 0) : -1;
}

// A picture side given in the HTML: 0 when not given (or not usable).
double pictureSide(double px)
{
    return std::isfinite(px) && px > 0 ? std::min(px, kMaxSide) : 0;
}

QString colour(const QColor& c)
{
    return c.name().mid(1).toUpper();
}

QString alignmentOf(Qt::Alignment a)
{
    if (a & Qt::AlignHCenter)
        return QStringLiteral("center");
    if (a & Qt::AlignJustify)
        return QStringLiteral("both");
    if ((a & Qt::AlignRight) && !(a & Qt::AlignLeft))
        return QStringLiteral("right");
    return QString();
}

RunFormat runFormatOf(const QTextCharFormat& cf)
{
    RunFormat f;
    if (cf.hasProperty(QTextFormat::FontFamily))
        f.font = cf.fontFamily();
    if (cf.hasProperty(QTextFormat::FontPointSize) && cf.fontPointSize() > 0)
        f.halfPoints = bounded(cf.fontPointSize() * 2, 2, kMaxHalfPoints, 0);
    else if (cf.hasProperty(QTextFormat::FontPixelSize) && cf.intProperty(QTextFormat::FontPixelSize) > 0)
        f.halfPoints = bounded(cf.intProperty(QTextFormat::FontPixelSize) * 1.5, 2, kMaxHalfPoints, 0);
    if (cf.hasProperty(QTextFormat::FontWeight))
        f.bold = cf.fontWeight() >= QFont::DemiBold ? 1 : 0;
    if (cf.hasProperty(QTextFormat::FontItalic))
        f.italic = cf.fontItalic() ? 1 : 0;
    if (cf.hasProperty(QTextFormat::TextUnderlineStyle) || cf.hasProperty(QTextFormat::FontUnderline))
        f.underline = cf.fontUnderline() ? 1 : 0;
    if (cf.hasProperty(QTextFormat::FontStrikeOut))
        f.strike = cf.fontStrikeOut() ? 1 : 0;
    if (cf.hasProperty(QTextFormat::ForegroundBrush) && cf.foreground().style() != Qt::NoBrush)
        f.color = colour(cf.foreground().color());
    if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush)
        f.shading = colour(cf.background().color());
    if (cf.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        f.vertAlign = 1;
    else if (cf.verticalAlignment() == QTextCharFormat::AlignSubScript)
        f.vertAlign = 2;
    return f;
}

// The marker of a list item: its number ("3.") or its bullet.
QString listMarker(QTextList* list, const QTextBlock& block)
{
    switch (list->format().style()) {
    case QTextListFormat::ListDisc: return QStringLiteral("•");
    case QTextListFormat::ListCircle: return QStringLiteral("◦");
    case QTextListFormat::ListSquare: return QStringLiteral("▪");
    default: return list->itemText(block);
    }
}

}  // namespace

HtmlToWordML::HtmlToWordML(tinyxml2::XMLDocument& doc, MediaSet& media, RunFormat base, long maxWidth,
                           QString pictureDir)
    : doc_(doc), media_(media), base_(std::move(base)), maxWidth_(maxWidth), pictureDir_(std::move(pictureDir))
{
}

std::vector<XMLElement*> HtmlToWordML::convert(const QString& html)
{
    QTextDocument document;
    document.setHtml(guardHtml(html));
    std::vector<XMLElement*> out;
    frame(document.rootFrame(), out, maxWidth_, 0);
    if (out.empty())
        out.push_back(newParagraph(doc_, ParaFormat()));
    return out;
}

QString HtmlToWordML::picturePath(const QString& name) const
{
    if (name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(name).toLocalFile();
    if (QDir::isAbsolutePath(name))
        return name;
    return QDir(pictureDir_).filePath(name);
}

void HtmlToWordML::frame(QTextFrame* f, std::vector<XMLElement*>& out, long width, int depth)
{
    if (depth >= kMaxFrameDepth) {
        flatten(f, out, width);
        return;
    }
    for (QTextFrame::iterator it = f->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            if (auto* t = qobject_cast<QTextTable*>(child); t && depth + 1 < kMaxFrameDepth)
                out.push_back(table(t, width, depth + 1));
            else
                frame(child, out, width, depth + 1);
        } else if (it.currentBlock().isValid()) {
            out.push_back(block(it.currentBlock(), width));
        }
    }
}

void HtmlToWordML::flatten(QTextFrame* f, std::vector<XMLElement*>& out, long width)
{
    // Every paragraph of the frame and of all frames within it, in document
    // order, without recursion.
    const int last = f->lastPosition();
    for (QTextBlock b = f->document()->findBlock(f->firstPosition()); b.isValid() && b.position() <= last; b = b.next())
        out.push_back(block(b, width));
}

XMLElement* HtmlToWordML::block(const QTextBlock& b, long width)
{
    const QTextBlockFormat bf = b.blockFormat();
    ParaFormat pf;
    pf.alignment = alignmentOf(bf.alignment());
    pf.spaceBefore = spacing(bf.topMargin());
    pf.spaceAfter = spacing(bf.bottomMargin());
    pf.indentLeft = twips(bf.leftMargin() + bf.indent() * 40.0);
    if (bf.textIndent() != 0) {
        pf.firstLine = twips(bf.textIndent());
        pf.hasFirstLine = true;
    }
    XMLElement* p = newParagraph(doc_, pf);

    const RunFormat blockBase = base_.mergedWith(runFormatOf(b.charFormat()));
    if (QTextList* list = b.textList()) {
        pf.indentLeft = std::clamp(pf.indentLeft + twips(list->format().indent() * 20.0), -kMaxTwips, kMaxTwips);
        setParagraphFormat(p, pf);
        addTextRuns(p, listMarker(list, b) + QLatin1Char(' '), blockBase);
    }
    for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat cf = fragment.charFormat();
        const RunFormat rf = base_.mergedWith(runFormatOf(cf));
        if (cf.isImageFormat()) {
            const QTextImageFormat img = cf.toImageFormat();
            // One picture per object character of the fragment.
            for (int i = 0; i < fragment.length(); ++i)
                picture(p, img.name(), img.width(), img.height(), rf, width);
        } else {
            addTextRuns(p, fragment.text(), rf);
        }
    }
    return p;
}

void HtmlToWordML::picture(XMLElement* p, const QString& name, double w, double h, const RunFormat& format, long width)
{
    std::string rId;
    QSize pixels;
    if (name.isEmpty() || !media_.add(picturePath(name), rId, pixels))
        return;  // a picture that cannot be read leaves no trace
    w = pictureSide(w);
    h = pictureSide(h);
    double pw = pixels.width();
    double ph = pixels.height();
    if (w > 0 && h > 0) {
        pw = w;
        ph = h;
    } else if (w > 0) {
        ph = ph * w / pw;
        pw = w;
    } else if (h > 0) {
        pw = pw * h / ph;
        ph = h;
    }
    long cx = 0;
    long cy = 0;
    fitPicture(bounded(pw, 1, platform::kMaxPictureSide, 1), bounded(ph, 1, platform::kMaxPictureSide, 1), width, cx,
               cy);
    if (cy > kMaxPictureHeight) {
        cx = std::max(1L, static_cast<long>(std::llround(static_cast<double>(cx) * kMaxPictureHeight / cy)));
        cy = kMaxPictureHeight;
    }
    addPictureRun(p, format, rId, cx, cy, QFileInfo(name).fileName());
}

XMLElement* HtmlToWordML::table(QTextTable* t, long width, int depth)
{
    const int rows = t->rows();
    const int columns = std::max(t->columns(), 1);
    const QTextTableFormat tf = t->format();
    const long columnWidth = width / columns;

    XMLElement* tbl = doc_.NewElement("w:tbl");
    XMLElement* tblPr = addElement(tbl, "w:tblPr");
    XMLElement* tblW = addElement(tblPr, "w:tblW");
    tblW->SetAttribute("w:w", 0);
    tblW->SetAttribute("w:type", "auto");
    if (!alignmentOf(tf.alignment()).isEmpty())
        addValue(tblPr, "w:jc", alignmentOf(tf.alignment()));
    if (tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None) {
        XMLElement* borders = addElement(tblPr, "w:tblBorders");
        const int eighths = bounded(tf.border() * 6, 2, kMaxBorderEighths, 2);  // px -> 1/8 pt
        for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
            XMLElement* e = addElement(borders, side);
            e->SetAttribute("w:val", "single");
            e->SetAttribute("w:sz", eighths);
            e->SetAttribute("w:space", 0);
            e->SetAttribute("w:color", tf.borderBrush().style() != Qt::NoBrush
                                           ? colour(tf.borderBrush().color()).toUtf8().constData()
                                           : "000000");
        }
    }
    XMLElement* grid = addElement(tbl, "w:tblGrid");
    for (int c = 0; c < columns; ++c)
        addElement(grid, "w:gridCol")->SetAttribute("w:w", static_cast<int64_t>(columnWidth / kEmuPerTwip));

    for (int r = 0; r < rows; ++r) {
        XMLElement* tr = addElement(tbl, "w:tr");
        for (int c = 0; c < columns;) {
            const QTextTableCell tcell = t->cellAt(r, c);
            const int span = std::max(tcell.isValid() ? tcell.columnSpan() : 1, 1);
            XMLElement* tc = addElement(tr, "w:tc");
            XMLElement* tcPr = addElement(tc, "w:tcPr");
            XMLElement* tcW = addElement(tcPr, "w:tcW");
            tcW->SetAttribute("w:w", static_cast<int64_t>(columnWidth * span / kEmuPerTwip));
            tcW->SetAttribute("w:type", "dxa");
            if (span > 1)
                addValue(tcPr, "w:gridSpan", QString::number(span));
            const bool covered = tcell.isValid() && tcell.row() != r;
            if (tcell.isValid() && tcell.rowSpan() > 1) {
                XMLElement* merge = addElement(tcPr, "w:vMerge");
                if (!covered)
                    merge->SetAttribute("w:val", "restart");
            }
            if (tcell.isValid() && !covered)
                cell(tc, tcell, columnWidth * span, depth);
            else
                newParagraph(doc_, ParaFormat(), tc);  // every cell ends in a paragraph
            c += span;
        }
    }
    return tbl;
}

void HtmlToWordML::cell(XMLElement* tc, const QTextTableCell& c, long width, int depth)
{
    const QTextCharFormat cf = c.format();
    if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush) {
        XMLElement* shd = addElement(tc->FirstChildElement("w:tcPr"), "w:shd");
        shd->SetAttribute("w:val", "clear");
        shd->SetAttribute("w:color", "auto");
        shd->SetAttribute("w:fill", colour(cf.background().color()).toUtf8().constData());
    }
    std::vector<XMLElement*> blocks;
    for (QTextFrame::iterator it = c.begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            if (auto* t = qobject_cast<QTextTable*>(child); t && depth + 1 < kMaxFrameDepth)
                blocks.push_back(table(t, width, depth + 1));
            else
                frame(child, blocks, width, depth + 1);
        } else if (it.currentBlock().isValid()) {
            blocks.push_back(block(it.currentBlock(), width));
        }
    }
    // A cell must end in a paragraph (a nested table may not be last).
    if (blocks.empty() || std::string(blocks.back()->Name()) != "w:p")
        blocks.push_back(newParagraph(doc_, ParaFormat()));
    for (XMLElement* b : blocks)
        tc->InsertEndChild(b);
}

}  // namespace docx
