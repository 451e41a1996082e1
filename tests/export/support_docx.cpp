#include "DocxInspect.h"

#include <tinyxml2.h>

#include <cstring>
#include <functional>
#include <set>

namespace inspect {
namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

bool parse(XMLDocument& doc, const std::string& text)
{
    return doc.Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS && doc.RootElement();
}

void walk(const XMLElement* e, const std::function<void(const XMLElement*)>& f)
{
    f(e);
    for (const XMLElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
        walk(c, f);
}

QString paragraphText(const XMLElement* p)
{
    QString text;
    walk(p, [&](const XMLElement* e) {
        if (std::strcmp(e->Name(), "w:t") == 0 && e->GetText())
            text += QString::fromUtf8(e->GetText());
        else if (std::strcmp(e->Name(), "w:tab") == 0)
            text += QLatin1Char('\t');
        else if (std::strcmp(e->Name(), "w:br") == 0)
            text += QLatin1Char('\n');
    });
    return text;
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool Docx::open(const QString& path)
{
    return package.read(path, error);
}

QStringList Docx::paragraphs() const
{
    QStringList list;
    XMLDocument doc;
    if (!parse(doc, part("word/document.xml")))
        return list;
    walk(doc.RootElement(), [&](const XMLElement* e) {
        if (std::strcmp(e->Name(), "w:p") == 0)
            list << paragraphText(e);
    });
    return list;
}

QString Docx::headerText() const
{
    QString text;
    for (const std::string& name : package.names()) {
        if (name.rfind("word/header", 0) != 0)
            continue;
        XMLDocument doc;
        if (parse(doc, part(name)))
            text += paragraphText(doc.RootElement());
    }
    return text;
}

std::vector<std::string> Docx::malformedParts() const
{
    std::vector<std::string> bad;
    for (const std::string& name : package.names()) {
        if (!endsWith(name, ".xml") && !endsWith(name, ".rels"))
            continue;
        XMLDocument doc;
        if (!parse(doc, part(name)))
            bad.push_back(name);
    }
    return bad;
}

std::vector<std::string> Docx::danglingEmbeds() const
{
    std::map<std::string, std::string> targets;
    XMLDocument rels;
    if (parse(rels, part("word/_rels/document.xml.rels"))) {
        for (const XMLElement* r = rels.RootElement()->FirstChildElement(); r; r = r->NextSiblingElement())
            targets[r->Attribute("Id")] = r->Attribute("Target");
    }
    std::vector<std::string> bad;
    XMLDocument doc;
    if (!parse(doc, part("word/document.xml")))
        return {"word/document.xml"};
    walk(doc.RootElement(), [&](const XMLElement* e) {
        const char* id = e->Attribute("r:embed");
        if (!id)
            return;
        auto it = targets.find(id);
        if (it == targets.end() || !package.has("word/" + it->second))
            bad.push_back(id);
    });
    return bad;
}

std::vector<std::string> Docx::untypedMedia() const
{
    std::set<std::string> typed;
    XMLDocument types;
    if (parse(types, part("[Content_Types].xml"))) {
        for (const XMLElement* d = types.RootElement()->FirstChildElement("Default"); d;
             d = d->NextSiblingElement("Default"))
            typed.insert(d->Attribute("Extension"));
    }
    std::vector<std::string> bad;
    for (const std::string& name : media()) {
        const std::string ext = name.substr(name.rfind('.') + 1);
        if (!typed.count(ext))
            bad.push_back(name);
    }
    return bad;
}

std::vector<int> Docx::drawingIds() const
{
    std::vector<int> ids;
    XMLDocument doc;
    if (!parse(doc, part("word/document.xml")))
        return ids;
    walk(doc.RootElement(), [&](const XMLElement* e) {
        if (std::strcmp(e->Name(), "wp:docPr") == 0)
            ids.push_back(e->IntAttribute("id"));
    });
    return ids;
}

int Docx::count(const char* element) const
{
    int n = 0;
    XMLDocument doc;
    if (!parse(doc, part("word/document.xml")))
        return -1;
    walk(doc.RootElement(), [&](const XMLElement* e) {
        if (std::strcmp(e->Name(), element) == 0)
            ++n;
    });
    return n;
}

std::vector<std::string> Docx::media() const
{
    std::vector<std::string> list;
    for (const std::string& name : package.names()) {
        if (name.rfind("word/media/", 0) == 0)
            list.push_back(name);
    }
    return list;
}

}  // namespace inspect
