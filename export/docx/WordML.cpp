#include "export/docx/WordML.h"

#include <tinyxml2.h>

#include <cmath>
#include <cstring>

#include "export/docx/XmlText.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace docx {

const char* const kNsW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
const char* const kNsR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kNsWp = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
const char* const kNsA = "http://schemas.openxmlformats.org/drawingml/2006/main";
const char* const kNsPic = "http://schemas.openxmlformats.org/drawingml/2006/picture";
const char* const kRelImage = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

namespace {

QString attr(const XMLElement* e, const char* name)
{
    const char* v = e ? e->Attribute(name) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

// A toggle property: present means on unless w:val says otherwise.
int toggle(const XMLElement* rPr, const char* name)
{
    const XMLElement* e = rPr->FirstChildElement(name);
    if (!e)
        return -1;
    const QString v = attr(e, "w:val");
    return (v == QLatin1String("0") || v == QLatin1String("false") || v == QLatin1String("none")) ? 0 : 1;
}

void writeToggle(XMLElement* rPr, const char* name, int value)
{
    if (value < 0)
        return;
    XMLElement* e = addElement(rPr, name);
    if (value == 0)
        e->SetAttribute("w:val", "0");
}

// Attribute values and texts as UTF-8 without what XML cannot hold (a font
// or picture name from the HTML may carry control characters).
std::string utf8(const QString& s)
{
    return cleanXmlText(s.toUtf8().toStdString());
}

void addText(XMLElement* r, const QString& text)
{
    if (text.isEmpty())
        return;
    const std::string clean = utf8(text);
    if (clean.empty())
        return;
    XMLElement* t = addElement(r, "w:t");
    if (clean.front() == ' ' || clean.back() == ' ')
        t->SetAttribute("xml:space", "preserve");
    t->SetText(clean.c_str());
}

}  // namespace

RunFormat RunFormat::mergedWith(const RunFormat& over) const
{
    RunFormat m = *this;
    if (!over.font.isEmpty())
        m.font = over.font;
    if (over.halfPoints > 0)
        m.halfPoints = over.halfPoints;
    if (over.bold >= 0)
        m.bold = over.bold;
    if (over.italic >= 0)
        m.italic = over.italic;
    if (over.underline >= 0)
        m.underline = over.underline;
    if (over.strike >= 0)
        m.strike = over.strike;
    if (!over.color.isEmpty())
        m.color = over.color;
    if (!over.shading.isEmpty())
        m.shading = over.shading;
    if (over.vertAlign != 0)
        m.vertAlign = over.vertAlign;
    return m;
}

RunFormat RunFormat::fromXml(const XMLElement* rPr)
{
    RunFormat f;
    if (!rPr)
        return f;
    if (const XMLElement* fonts = rPr->FirstChildElement("w:rFonts")) {
        f.font = attr(fonts, "w:eastAsia");
        if (f.font.isEmpty())
            f.font = attr(fonts, "w:ascii");
    }
    f.bold = toggle(rPr, "w:b");
    f.italic = toggle(rPr, "w:i");
    f.strike = toggle(rPr, "w:strike");
    if (const XMLElement* u = rPr->FirstChildElement("w:u"))
        f.underline = attr(u, "w:val") == QLatin1String("none") ? 0 : 1;
    if (const XMLElement* c = rPr->FirstChildElement("w:color"))
        f.color = attr(c, "w:val");
    if (const XMLElement* sz = rPr->FirstChildElement("w:sz"))
        f.halfPoints = attr(sz, "w:val").toInt();
    if (const XMLElement* shd = rPr->FirstChildElement("w:shd"))
        f.shading = attr(shd, "w:fill");
    if (const XMLElement* va = rPr->FirstChildElement("w:vertAlign")) {
        const QString v = attr(va, "w:val");
        f.vertAlign = v == QLatin1String("superscript") ? 1 : v == QLatin1String("subscript") ? 2 : 0;
    }
    return f;
}

ParaFormat ParaFormat::fromXml(const XMLElement* pPr)
{
    ParaFormat f;
    if (!pPr)
        return f;
    f.style = attr(pPr->FirstChildElement("w:pStyle"), "w:val");
    f.alignment = attr(pPr->FirstChildElement("w:jc"), "w:val");
    if (const XMLElement* s = pPr->FirstChildElement("w:spacing")) {
        if (s->Attribute("w:before"))
            f.spaceBefore = s->IntAttribute("w:before");
        if (s->Attribute("w:after"))
            f.spaceAfter = s->IntAttribute("w:after");
        if (attr(s, "w:lineRule") == QLatin1String("atLeast"))
            f.lineAtLeast = s->IntAttribute("w:line");
    }
    if (const XMLElement* ind = pPr->FirstChildElement("w:ind")) {
        f.indentLeft = ind->IntAttribute("w:left");
        if (ind->Attribute("w:firstLine")) {
            f.firstLine = ind->IntAttribute("w:firstLine");
            f.hasFirstLine = true;
        } else if (ind->Attribute("w:hanging")) {
            f.firstLine = -ind->IntAttribute("w:hanging");
            f.hasFirstLine = true;
        }
    }
    return f;
}

XMLElement* addElement(XMLElement* parent, const char* name)
{
    XMLElement* e = parent->GetDocument()->NewElement(name);
    parent->InsertEndChild(e);
    return e;
}

XMLElement* addValue(XMLElement* parent, const char* name, const QString& value)
{
    XMLElement* e = addElement(parent, name);
    e->SetAttribute("w:val", utf8(value).c_str());
    return e;
}

void setParagraphFormat(XMLElement* p, const ParaFormat& f)
{
    if (XMLElement* old = p->FirstChildElement("w:pPr"))
        p->DeleteChild(old);
    XMLElement* pPr = p->GetDocument()->NewElement("w:pPr");
    if (!f.style.isEmpty())
        addValue(pPr, "w:pStyle", f.style);
    if (f.spaceBefore >= 0 || f.spaceAfter >= 0 || f.lineAtLeast > 0) {
        XMLElement* s = addElement(pPr, "w:spacing");
        if (f.spaceBefore >= 0)
            s->SetAttribute("w:before", f.spaceBefore);
        if (f.spaceAfter >= 0)
            s->SetAttribute("w:after", f.spaceAfter);
        if (f.lineAtLeast > 0) {
            s->SetAttribute("w:line", f.lineAtLeast);
            s->SetAttribute("w:lineRule", "atLeast");
        }
    }
    if (f.indentLeft != 0 || f.hasFirstLine) {
        XMLElement* ind = addElement(pPr, "w:ind");
        if (f.indentLeft != 0)
            ind->SetAttribute("w:left", f.indentLeft);
        if (f.hasFirstLine) {
            if (f.firstLine >= 0)
                ind->SetAttribute("w:firstLine", f.firstLine);
            else
                ind->SetAttribute("w:hanging", -f.firstLine);
        }
    }
    if (!f.alignment.isEmpty())
        addValue(pPr, "w:jc", f.alignment);
    if (pPr->NoChildren()) {
        p->GetDocument()->DeleteNode(pPr);
        return;
    }
    p->InsertFirstChild(pPr);
}

XMLElement* newParagraph(XMLDocument& doc, const ParaFormat& format, XMLElement* parent)
{
    XMLElement* p = doc.NewElement("w:p");
    if (parent)
        parent->InsertEndChild(p);
    setParagraphFormat(p, format);
    return p;
}

void writeRunFormat(XMLElement* r, const RunFormat& f)
{
    if (XMLElement* old = r->FirstChildElement("w:rPr"))
        r->DeleteChild(old);
    XMLElement* rPr = r->GetDocument()->NewElement("w:rPr");
    if (!f.font.isEmpty()) {
        XMLElement* fonts = addElement(rPr, "w:rFonts");
        const std::string name = utf8(f.font);
        for (const char* a : {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"})
            fonts->SetAttribute(a, name.c_str());
    }
    writeToggle(rPr, "w:b", f.bold);
    writeToggle(rPr, "w:i", f.italic);
    writeToggle(rPr, "w:strike", f.strike);
    if (!f.color.isEmpty())
        addValue(rPr, "w:color", f.color);
    if (f.halfPoints > 0) {
        addValue(rPr, "w:sz", QString::number(f.halfPoints));
        addValue(rPr, "w:szCs", QString::number(f.halfPoints));
    }
    if (f.underline >= 0)
        addValue(rPr, "w:u", f.underline ? QStringLiteral("single") : QStringLiteral("none"));
    if (!f.shading.isEmpty()) {
        XMLElement* shd = addElement(rPr, "w:shd");
        shd->SetAttribute("w:val", "clear");
        shd->SetAttribute("w:color", "auto");
        shd->SetAttribute("w:fill", utf8(f.shading).c_str());
    }
    if (f.vertAlign != 0)
        addValue(rPr, "w:vertAlign", f.vertAlign == 1 ? QStringLiteral("superscript") : QStringLiteral("subscript"));
    if (rPr->NoChildren()) {
        r->GetDocument()->DeleteNode(rPr);
        return;
    }
    r->InsertFirstChild(rPr);
}

void addTextRuns(XMLElement* parent, const QString& text, const RunFormat& format)
{
    if (text.isEmpty())
        return;
    XMLElement* r = addElement(parent, "w:r");
    writeRunFormat(r, format);
    QString pending;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\n' || u == 0x2028 || u == 0x2029 || u == '\t') {
            addText(r, pending);
            pending.clear();
            addElement(r, u == '\t' ? "w:tab" : "w:br");
        } else if (u != 0xFFFC && u != '\r') {
            pending.append(c);
        }
    }
    addText(r, pending);
    if (!r->FirstChildElement("w:t") && !r->FirstChildElement("w:br") && !r->FirstChildElement("w:tab"))
        parent->DeleteChild(r);
}

void addPictureRun(XMLElement* parent, const RunFormat& format, const std::string& rId, long cx, long cy,
                   const QString& name)
{
    XMLElement* r = addElement(parent, "w:r");
    writeRunFormat(r, format);
    XMLElement* inl = addElement(addElement(r, "w:drawing"), "wp:inline");
    for (const char* d : {"distT", "distB", "distL", "distR"})
        inl->SetAttribute(d, 0);
    XMLElement* extent = addElement(inl, "wp:extent");
    extent->SetAttribute("cx", static_cast<int64_t>(cx));
    extent->SetAttribute("cy", static_cast<int64_t>(cy));
    XMLElement* effect = addElement(inl, "wp:effectExtent");
    for (const char* d : {"l", "t", "r", "b"})
        effect->SetAttribute(d, 0);
    XMLElement* docPr = addElement(inl, "wp:docPr");
    docPr->SetAttribute("id", 0);
    docPr->SetAttribute("name", utf8(name).c_str());
    XMLElement* locks = addElement(addElement(inl, "wp:cNvGraphicFramePr"), "a:graphicFrameLocks");
    locks->SetAttribute("xmlns:a", kNsA);
    locks->SetAttribute("noChangeAspect", 1);
    XMLElement* graphic = addElement(inl, "a:graphic");
    graphic->SetAttribute("xmlns:a", kNsA);
    XMLElement* data = addElement(graphic, "a:graphicData");
    data->SetAttribute("uri", kNsPic);
    XMLElement* pic = addElement(data, "pic:pic");
    pic->SetAttribute("xmlns:pic", kNsPic);
    XMLElement* nv = addElement(pic, "pic:nvPicPr");
    XMLElement* cNvPr = addElement(nv, "pic:cNvPr");
    cNvPr->SetAttribute("id", 0);
    cNvPr->SetAttribute("name", utf8(name).c_str());
    addElement(nv, "pic:cNvPicPr");
    XMLElement* fill = addElement(pic, "pic:blipFill");
    XMLElement* blip = addElement(fill, "a:blip");
    blip->SetAttribute("r:embed", rId.c_str());
    addElement(addElement(fill, "a:stretch"), "a:fillRect");
    XMLElement* sp = addElement(pic, "pic:spPr");
    XMLElement* xfrm = addElement(sp, "a:xfrm");
    XMLElement* off = addElement(xfrm, "a:off");
    off->SetAttribute("x", 0);
    off->SetAttribute("y", 0);
    XMLElement* ext = addElement(xfrm, "a:ext");
    ext->SetAttribute("cx", static_cast<int64_t>(cx));
    ext->SetAttribute("cy", static_cast<int64_t>(cy));
    XMLElement* geom = addElement(sp, "a:prstGeom");
    geom->SetAttribute("prst", "rect");
    addElement(geom, "a:avLst");
}

int renumberDrawings(XMLElement* root, int first)
{
    int id = first;
    // Depth-first, document order, without recursion.
    tinyxml2::XMLNode* node = root;
    while (node) {
        if (XMLElement* e = node->ToElement()) {
            if (std::strcmp(e->Name(), "wp:docPr") == 0)
                e->SetAttribute("id", ++id);
        }
        if (node->FirstChild()) {
            node = node->FirstChild();
            continue;
        }
        while (node && node != root && !node->NextSibling())
            node = node->Parent();
        if (!node || node == root)
            break;
        node = node->NextSibling();
    }
    return id;
}

void fitPicture(int w, int h, long maxCx, long& cx, long& cy)
{
    cx = static_cast<long>(std::max(w, 1)) * kEmuPerPixel;
    cy = static_cast<long>(std::max(h, 1)) * kEmuPerPixel;
    if (maxCx > 0 && cx > maxCx) {
        cy = static_cast<long>(std::llround(static_cast<double>(cy) * maxCx / cx));
        cx = maxCx;
    }
    cy = std::max(cy, 1L);
}

}  // namespace docx
