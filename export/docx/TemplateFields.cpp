#include "export/docx/TemplateFields.h"

#include <QDateTime>
#include <QLocale>

#include <tinyxml2.h>

#include <cmath>
#include <cstring>

#include "export/docx/WordML.h"

using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace docx {
namespace {

// Splits an instruction into words; a quoted text is one word without its
// quotes.
std::vector<QString> words(const QString& text)
{
    std::vector<QString> list;
    int i = 0;
    while (i < text.size()) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        QString word;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < text.size() && text[i] != QLatin1Char('"'))
                word.append(text[i++]);
            ++i;
        } else {
            while (i < text.size() && !text[i].isSpace())
                word.append(text[i++]);
        }
        list.push_back(word);
    }
    return list;
}

// Walks the elements below root in document order.
template <typename F>
void forEachElement(XMLElement* root, F f)
{
    std::vector<XMLElement*> stack{root};
    while (!stack.empty()) {
        XMLElement* e = stack.back();
        stack.pop_back();
        f(e);
        std::vector<XMLElement*> children;
        for (XMLElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
            children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(*it);
    }
}

}  // namespace

bool parseMergeField(const std::string& instruction, FieldSpec& spec)
{
    const std::vector<QString> w = words(QString::fromUtf8(instruction.c_str()));
    if (w.size() < 2 || w[0].compare(QLatin1String("MERGEFIELD"), Qt::CaseInsensitive) != 0)
        return false;
    spec = FieldSpec();
    spec.name = w[1].toUtf8().toStdString();
    for (size_t i = 2; i + 1 < w.size(); ++i) {
        if (w[i] == QLatin1String("\\#")) {
            spec.kind = FieldKind::Number;
            spec.picture = w[++i];
        } else if (w[i] == QLatin1String("\\@")) {
            spec.kind = FieldKind::Date;
            spec.picture = w[++i];
        } else if (w[i] == QLatin1String("\\*") && w[i + 1].compare(QLatin1String("HTML"), Qt::CaseInsensitive) == 0) {
            spec.kind = FieldKind::Html;
            ++i;
        }
    }
    return !spec.name.empty();
}

QString formatNumber(double value, const QString& picture)
{
    if (!std::isfinite(value))
        return QString();
    if (picture.isEmpty()) {
        if (std::fabs(value) < 1e15 && value == std::floor(value))
            return QString::number(static_cast<qlonglong>(value));
        return QString::number(value, 'g', 15);
    }
    const int point = picture.indexOf(QLatin1Char('.'));
    int decimals = 0;
    if (point >= 0) {
        for (int i = point + 1;
             i < picture.size() && (picture[i] == QLatin1Char('0') || picture[i] == QLatin1Char('#')); ++i)
            ++decimals;
    }
    QString text = QString::number(value, 'f', decimals);
    if (picture.contains(QLatin1Char(','))) {
        QLocale c(QLocale::C);
        c.setNumberOptions(QLocale::DefaultNumberOptions);
        text = c.toString(value, 'f', decimals);
    }
    return text;
}

QString fieldText(const FieldSpec& spec, const FieldValue& value)
{
    bool numeric = value.isNumber;
    double number = value.number;
    if (!numeric && spec.kind != FieldKind::Text) {
        bool ok = false;
        number = QString::fromUtf8(value.text.c_str()).trimmed().toDouble(&ok);
        numeric = ok;
    }
    if (spec.kind == FieldKind::Number && numeric)
        return formatNumber(number, spec.picture);
    if (spec.kind == FieldKind::Date && numeric) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(std::floor(number)), Qt::UTC);
        return at.toString(spec.picture.isEmpty() ? QStringLiteral("yyyy-MM-dd HH:mm") : spec.picture);
    }
    if (value.isNumber)
        return formatNumber(value.number, QString());
    return QString::fromUtf8(value.text.c_str(), static_cast<int>(value.text.size()));
}

std::vector<FieldSite> findFields(XMLElement* root)
{
    std::vector<FieldSite> sites;
    forEachElement(root, [&](XMLElement* e) {
        FieldSpec spec;
        if (std::strcmp(e->Name(), "w:fldSimple") == 0) {
            const char* instr = e->Attribute("w:instr");
            if (instr && parseMergeField(instr, spec))
                sites.push_back(FieldSite{e, spec});
        } else if (std::strcmp(e->Name(), "wp:docPr") == 0) {
            const char* descr = e->Attribute("descr");
            if (descr && parseMergeField(descr, spec)) {
                spec.kind = FieldKind::Picture;
                sites.push_back(FieldSite{e, spec});
            }
        }
    });
    return sites;
}

void insertBefore(XMLNode* ref, XMLNode* node)
{
    XMLNode* parent = ref->Parent();
    if (XMLNode* previous = ref->PreviousSibling())
        parent->InsertAfterChild(previous, node);
    else
        parent->InsertFirstChild(node);
}

XMLElement* ancestor(XMLElement* e, const char* name)
{
    for (XMLNode* n = e ? e->Parent() : nullptr; n; n = n->Parent()) {
        XMLElement* a = n->ToElement();
        if (a && std::strcmp(a->Name(), name) == 0)
            return a;
    }
    return nullptr;
}

void fillTextField(XMLElement* fld, const QString& text)
{
    tinyxml2::XMLDocument* doc = fld->GetDocument();
    const XMLElement* firstRun = fld->FirstChildElement("w:r");
    const XMLElement* rPr = firstRun ? firstRun->FirstChildElement("w:rPr") : nullptr;

    XMLElement* holder = doc->NewElement("holder");
    addTextRuns(holder, text, RunFormat());
    while (XMLElement* r = holder->FirstChildElement()) {
        if (rPr)
            r->InsertFirstChild(rPr->DeepClone(doc));
        insertBefore(fld, r);
    }
    doc->DeleteNode(holder);
    fld->Parent()->DeleteChild(fld);
}

void removeBookmarks(XMLElement* root)
{
    std::vector<XMLElement*> marks;
    forEachElement(root, [&](XMLElement* e) {
        if (std::strcmp(e->Name(), "w:bookmarkStart") == 0 || std::strcmp(e->Name(), "w:bookmarkEnd") == 0)
            marks.push_back(e);
    });
    for (XMLElement* m : marks)
        m->Parent()->DeleteChild(m);
}

}  // namespace docx
