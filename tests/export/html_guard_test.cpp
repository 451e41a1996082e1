// Answer HTML on its way into the .docx: well-formed pages pass unchanged,
// hostile ones are bounded (spans, nesting, sizes, pictures) and every word
// of them reaches the document.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <tinyxml2.h>

#include <cstring>
#include <functional>

#include "ExportFixture.h"
#include "HostileHtml.h"
#include "export/docx/HtmlGuard.h"
#include "export/docx/HtmlToWordML.h"
#include "export/docx/Media.h"
#include "export/docx/WordML.h"

namespace {

using tinyxml2::XMLElement;

constexpr long kWidth = 5486400;  // 6 inches

// The blocks of html under one root element, printed and parsed again.
struct Converted {
    tinyxml2::XMLDocument doc;
    std::string xml;
    bool parsed = false;

    explicit Converted(const QString& html, const QString& pictureDir = QString())
    {
        tinyxml2::XMLDocument out;
        XMLElement* root = out.NewElement("w:body");
        out.InsertEndChild(root);
        docx::MediaSet media;
        docx::HtmlToWordML converter(out, media, docx::RunFormat(), kWidth, pictureDir);
        for (XMLElement* block : converter.convert(html))
            root->InsertEndChild(block);
        tinyxml2::XMLPrinter printer(nullptr, true);
        out.Print(&printer);
        xml.assign(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
        parsed = doc.Parse(xml.data(), xml.size()) == tinyxml2::XML_SUCCESS;
    }

    void each(const std::function<void(const XMLElement*, int depth)>& visit) const
    {
        std::vector<std::pair<const XMLElement*, int>> stack{{doc.RootElement(), 1}};
        while (!stack.empty()) {
            auto [e, depth] = stack.back();
            stack.pop_back();
            visit(e, depth);
            // Children pushed last first: visited in document order.
            for (const XMLElement* c = e->LastChildElement(); c; c = c->PreviousSiblingElement())
                stack.push_back({c, depth + 1});
        }
    }

    int depth() const
    {
        int most = 0;
        each([&](const XMLElement*, int d) { most = std::max(most, d); });
        return most;
    }

    int count(const char* name) const
    {
        int n = 0;
        each([&](const XMLElement* e, int) { n += std::strcmp(e->Name(), name) == 0; });
        return n;
    }

    // The largest absolute value of an attribute of the named elements.
    int64_t largest(const char* name, const char* attribute) const
    {
        int64_t most = 0;
        each([&](const XMLElement* e, int) {
            if (std::strcmp(e->Name(), name) == 0 && e->Attribute(attribute))
                most = std::max(most, std::abs(e->Int64Attribute(attribute)));
        });
        return most;
    }

    QString text() const
    {
        QString t;
        each([&](const XMLElement* e, int) {
            if (std::strcmp(e->Name(), "w:t") == 0 && e->GetText())
                t += QString::fromUtf8(e->GetText());
        });
        return t;
    }
};

TEST(HtmlGuard, PagesOfTheEditorPassUnchanged)
{
    QString html = exportfixture::answerHtml(QStringLiteral("第1题解析"), QStringLiteral("item/1/a/answer.png"));
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextTable* table = c.insertTable(3, 3);
    table->mergeCells(0, 0, 1, 2);
    table->mergeCells(1, 2, 2, 1);
    c.movePosition(QTextCursor::End);
    c.insertList(QTextListFormat::ListDecimal);
    c.insertText(QStringLiteral("一项"));
    html += doc.toHtml("utf-8");
    EXPECT_EQ(docx::guardHtml(html), html);
}

TEST(HtmlGuard, SpansReachingPastTheTableKeepOnlyItsRealColumns)
{
    // Five cells: the first row's span ends where the second row's cells
    // start three columns, so it spans those three.
    const QString html = QStringLiteral("<table><tr><td colspan=\"100000\">A</td><td>B</td></tr>"
                                        "<tr><td>C</td><td>D</td><td rowspan=\"9\">E</td></tr></table>");
    EXPECT_EQ(docx::guardHtml(html), QStringLiteral("<table><tr><td colspan=\"3\">A</td><td>B</td></tr>"
                                                    "<tr><td>C</td><td>D</td><td rowspan=\"1\">E</td></tr></table>"));
    Converted doc(html);
    ASSERT_TRUE(doc.parsed);
    EXPECT_EQ(doc.count("w:gridCol"), 4);
    EXPECT_EQ(doc.text(), QStringLiteral("ABCDE"));
}

TEST(HtmlGuard, HostileAnswersAreBoundedAndKeepTheirWords)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const hostile::Case& c : hostile::cases(dir.path())) {
        SCOPED_TRACE(c.name);
        Converted doc(c.html);
        ASSERT_TRUE(doc.parsed) << "the XML does not parse again";
        EXPECT_TRUE(doc.text().contains(c.word));
        EXPECT_LT(doc.xml.size(), 4u << 20);
        // Readers refuse XML nested deeper than 256 (the document adds 2).
        EXPECT_LE(doc.depth(), 64);
        EXPECT_LE(doc.count("w:gridCol"), 400);
        EXPECT_LE(doc.largest("w:gridSpan", "w:val"), docx::kMaxSpan);
        EXPECT_LE(doc.largest("w:ind", "w:left"), 31680);
        EXPECT_LE(doc.largest("w:ind", "w:hanging"), 31680);
        EXPECT_LE(doc.largest("w:ind", "w:firstLine"), 31680);
        EXPECT_LE(doc.largest("w:spacing", "w:before"), 31680);
        EXPECT_LE(doc.largest("w:spacing", "w:after"), 31680);
        EXPECT_LE(doc.largest("w:sz", "w:val"), 3276);
        EXPECT_LE(doc.largest("w:szCs", "w:val"), 3276);
        EXPECT_LE(doc.largest("wp:extent", "cx"), kWidth);
        EXPECT_LE(doc.largest("wp:extent", "cy"), 22L * 914400);
        EXPECT_GE(doc.largest("wp:extent", "cy"), c.pictures ? 1 : 0);
        EXPECT_EQ(doc.count("w:drawing"), c.pictures);
    }
}

}  // namespace
