#include "export/docx/TemplateMerger.h"

#include <QDir>
#include <QFileInfo>

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "export/docx/HtmlToWordML.h"
#include "export/docx/Media.h"
#include "export/docx/Package.h"
#include "export/docx/TemplateFields.h"
#include "export/docx/WordML.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace docx {
namespace {

const char* const kDocumentPart = "word/document.xml";
const char* const kDocumentRels = "word/_rels/document.xml.rels";
const char* const kContentTypes = "[Content_Types].xml";
const char* const kHeaderItem = "_header";
const char* const kFooterItem = "_footer";
// A page's text width when the template does not tell: 6 inches.
constexpr long kDefaultTextWidth = 6L * 914400;

std::string utf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

bool parse(XMLDocument& doc, const std::string& text)
{
    doc.Clear();
    return doc.Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS && doc.RootElement();
}

std::string print(const XMLDocument& doc)
{
    tinyxml2::XMLPrinter printer(nullptr, true);
    doc.Print(&printer);
    return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
}

bool isBlock(const XMLElement* e)
{
    return std::strcmp(e->Name(), "w:p") == 0 || std::strcmp(e->Name(), "w:tbl") == 0 ||
           std::strcmp(e->Name(), "w:sdt") == 0;
}

// The bookmarks (name -> id) that start inside e (or are e), and the ids of
// those that end there.
void bookmarksOf(XMLElement* e, std::vector<std::pair<std::string, std::string>>& starts,
                 std::vector<std::string>& ends)
{
    std::vector<XMLElement*> stack{e};
    while (!stack.empty()) {
        XMLElement* x = stack.back();
        stack.pop_back();
        const char* id = x->Attribute("w:id");
        if (std::strcmp(x->Name(), "w:bookmarkStart") == 0 && id && x->Attribute("w:name"))
            starts.emplace_back(x->Attribute("w:name"), id);
        else if (std::strcmp(x->Name(), "w:bookmarkEnd") == 0 && id)
            ends.emplace_back(id);
        for (XMLElement* c = x->FirstChildElement(); c; c = c->NextSiblingElement())
            stack.push_back(c);
    }
}

struct Item {
    std::vector<XMLElement*> blocks;  // in the template document
    std::map<std::string, FieldSpec> fields;
};

struct Header {
    std::string part;
    std::string item;  // "_header" or "_footer"
    std::string text;  // the part as the template has it
};

}  // namespace

struct TemplateMerger::Impl {
    bool loaded = false;
    Package package;
    XMLDocument tpl;
    XMLDocument out;
    XMLElement* outBody = nullptr;
    const XMLElement* sectPr = nullptr;  // in tpl
    std::map<std::string, Item> items;
    std::vector<Header> headers;
    std::map<std::string, std::map<std::string, FieldValue>> clipboard;
    std::unique_ptr<MediaSet> media;
    long textWidth = kDefaultTextWidth;

    bool load(const QString& path, std::string& err);
    bool findItems(XMLElement* body, std::string& err);
    void readHeaders();
    void prepareOutput(const XMLElement* tplRoot);
    bool check(const std::string& item, const std::string& field, std::string& err) const;
    bool paste(const std::string& item, std::string& err);
    void fillPicture(XMLElement* docPr, const FieldValue* value);
    void fillHtml(XMLElement* fld, const FieldValue* value);
    bool save(const QString& path, std::string& err);
};

TemplateMerger::TemplateMerger() : d_(std::make_unique<Impl>()) {}
TemplateMerger::~TemplateMerger() = default;

bool TemplateMerger::setCodePage(const std::string& name, std::string& err)
{
    const QString n = QString::fromUtf8(name.c_str()).remove(QLatin1Char('-')).toUpper();
    if (n == QLatin1String("UTF8"))
        return true;
    err = "不支持的代码页：" + name;
    return false;
}

bool TemplateMerger::load(const QString& path, std::string& err)
{
    d_ = std::make_unique<Impl>();
    if (!d_->load(path, err)) {
        d_ = std::make_unique<Impl>();
        return false;
    }
    return true;
}

bool TemplateMerger::Impl::load(const QString& path, std::string& err)
{
    std::string why;
    if (!package.read(path, why)) {
        err = "无法打开模板 " + utf8(path) + "：" + why;
        return false;
    }
    if (!package.has(kDocumentPart) || !parse(tpl, package.bytes(kDocumentPart))) {
        err = "模板 " + utf8(path) + " 不是有效的 Word 文档";
        return false;
    }
    XMLElement* body = tpl.RootElement()->FirstChildElement("w:body");
    if (!body) {
        err = "模板 " + utf8(path) + " 没有正文";
        return false;
    }
    if (!findItems(body, err))
        return false;
    sectPr = body->LastChildElement("w:sectPr");
    if (sectPr) {
        const XMLElement* size = sectPr->FirstChildElement("w:pgSz");
        const XMLElement* margins = sectPr->FirstChildElement("w:pgMar");
        if (size && margins) {
            const long twips = size->IntAttribute("w:w") - margins->IntAttribute("w:left") -
                               margins->IntAttribute("w:right");
            if (twips > 0)
                textWidth = twips * kEmuPerTwip;
        }
    }
    readHeaders();

    std::set<std::string> ids;
    XMLDocument rels;
    if (parse(rels, package.bytes(kDocumentRels))) {
        for (XMLElement* r = rels.RootElement()->FirstChildElement(); r; r = r->NextSiblingElement()) {
            if (const char* id = r->Attribute("Id"))
                ids.insert(id);
        }
    }
    media = std::make_unique<MediaSet>(ids);
    prepareOutput(tpl.RootElement());
    loaded = true;
    return true;
}

bool TemplateMerger::Impl::findItems(XMLElement* body, std::string& err)
{
    std::vector<XMLElement*> children;
    for (XMLElement* c = body->FirstChildElement(); c; c = c->NextSiblingElement())
        children.push_back(c);
    // An item runs from the child where its bookmark starts to the child
    // where that bookmark ends.
    for (size_t i = 0; i < children.size(); ++i) {
        std::vector<std::pair<std::string, std::string>> starts;
        std::vector<std::string> ignored;
        bookmarksOf(children[i], starts, ignored);
        for (const auto& [name, id] : starts) {
            if (name.empty() || (name[0] == '_' && name != kHeaderItem && name != kFooterItem))
                continue;  // Word's own hidden bookmarks
            Item item;
            size_t j = i;
            for (; j < children.size(); ++j) {
                std::vector<std::pair<std::string, std::string>> s;
                std::vector<std::string> ends;
                bookmarksOf(children[j], s, ends);
                if (isBlock(children[j]))
                    item.blocks.push_back(children[j]);
                if (std::find(ends.begin(), ends.end(), id) != ends.end())
                    break;
            }
            if (j == children.size()) {
                err = "模板中的项目 " + name + " 没有结尾";
                return false;
            }
            items[name] = std::move(item);
        }
    }
    for (auto& [name, item] : items) {
        for (XMLElement* block : item.blocks) {
            removeBookmarks(block);
            for (const FieldSite& site : findFields(block))
                item.fields[site.spec.name] = site.spec;
        }
    }
    return true;
}

void TemplateMerger::Impl::readHeaders()
{
    XMLDocument rels;
    if (!parse(rels, package.bytes(kDocumentRels)))
        return;
    for (XMLElement* r = rels.RootElement()->FirstChildElement(); r; r = r->NextSiblingElement()) {
        const char* type = r->Attribute("Type");
        const char* target = r->Attribute("Target");
        if (!type || !target)
            continue;
        const std::string t = type;
        const bool header = t.size() > 7 && t.compare(t.size() - 7, 7, "/header") == 0;
        const bool footer = t.size() > 7 && t.compare(t.size() - 7, 7, "/footer") == 0;
        if (!header && !footer)
            continue;
        const std::string part = "word/" + std::string(target);
        if (!package.has(part))
            continue;
        Header h{part, header ? kHeaderItem : kFooterItem, package.bytes(part)};
        XMLDocument doc;
        if (parse(doc, h.text)) {
            Item& item = items[h.item];
            for (const FieldSite& site : findFields(doc.RootElement()))
                item.fields[site.spec.name] = site.spec;
        }
        headers.push_back(std::move(h));
    }
}

void TemplateMerger::Impl::prepareOutput(const XMLElement* tplRoot)
{
    out.Clear();
    for (const XMLNode* n = tpl.FirstChild(); n && n != tplRoot; n = n->NextSibling())
        out.InsertEndChild(n->ShallowClone(&out));
    XMLNode* root = out.InsertEndChild(tplRoot->ShallowClone(&out));
    for (const XMLElement* c = tplRoot->FirstChildElement(); c; c = c->NextSiblingElement()) {
        if (std::strcmp(c->Name(), "w:body") == 0) {
            outBody = root->InsertEndChild(c->ShallowClone(&out))->ToElement();
        } else {
            root->InsertEndChild(c->DeepClone(&out));
        }
    }
}

bool TemplateMerger::Impl::check(const std::string& item, const std::string& field, std::string& err) const
{
    if (!loaded) {
        err = "尚未载入模板";
        return false;
    }
    auto it = items.find(item);
    if (it == items.end()) {
        err = "模板中没有项目 " + item;
        return false;
    }
    if (!field.empty() && !it->second.fields.count(field)) {
        err = "模板项目 " + item + " 中没有字段 " + field;
        return false;
    }
    return true;
}

bool TemplateMerger::setText(const std::string& item, const std::string& field, const std::string& value,
                             std::string& err)
{
    if (!d_->check(item, field, err))
        return false;
    FieldValue v;
    v.text = value;
    d_->clipboard[item][field] = v;
    return true;
}

bool TemplateMerger::setNumber(const std::string& item, const std::string& field, double value, std::string& err)
{
    if (!d_->check(item, field, err))
        return false;
    FieldValue v;
    v.isNumber = true;
    v.number = value;
    d_->clipboard[item][field] = v;
    return true;
}

bool TemplateMerger::paste(const std::string& item, std::string& err)
{
    return d_->paste(item, err);
}

bool TemplateMerger::Impl::paste(const std::string& name, std::string& err)
{
    if (!check(name, std::string(), err))
        return false;
    if (name == kHeaderItem || name == kFooterItem) {
        err = "项目 " + name + " 不能粘贴";
        return false;
    }
    const Item& item = items.at(name);
    const std::map<std::string, FieldValue> values = std::move(clipboard[name]);
    clipboard.erase(name);
    const auto valueOf = [&](const std::string& field) -> const FieldValue* {
        auto it = values.find(field);
        return it == values.end() ? nullptr : &it->second;
    };

    std::vector<FieldSite> sites;
    for (const XMLElement* block : item.blocks) {
        XMLElement* copy = outBody->InsertEndChild(block->DeepClone(&out))->ToElement();
        for (const FieldSite& site : findFields(copy))
            sites.push_back(site);
    }
    // Text and pictures first: they change only their own run. An HTML field
    // then replaces its whole paragraph.
    std::vector<FieldSite> html;
    for (const FieldSite& site : sites) {
        const FieldValue* value = valueOf(site.spec.name);
        if (site.spec.kind == FieldKind::Html)
            html.push_back(site);
        else if (site.spec.kind == FieldKind::Picture)
            fillPicture(site.element, value);
        else
            fillTextField(site.element, value ? fieldText(site.spec, *value) : QString());
    }
    std::set<XMLElement*> replaced;
    for (const FieldSite& site : html) {
        XMLElement* p = ancestor(site.element, "w:p");
        if (!p || replaced.count(p))
            continue;
        replaced.insert(p);
        fillHtml(site.element, valueOf(site.spec.name));
    }
    return true;
}

void TemplateMerger::Impl::fillPicture(XMLElement* docPr, const FieldValue* value)
{
    XMLElement* inl = docPr->Parent() ? docPr->Parent()->ToElement() : nullptr;
    XMLElement* run = ancestor(docPr, "w:r");
    std::string rId;
    QSize pixels;
    const QString path = value ? QString::fromUtf8(value->text.c_str()) : QString();
    XMLElement* extent = inl ? inl->FirstChildElement("wp:extent") : nullptr;
    if (path.isEmpty() || !extent || !media->add(path, rId, pixels)) {
        if (run)
            run->Parent()->DeleteChild(run);  // an empty place
        return;
    }
    long cx = 0;
    long cy = 0;
    fitPicture(pixels.width(), pixels.height(), extent->Int64Attribute("cx"), cx, cy);
    extent->SetAttribute("cx", static_cast<int64_t>(cx));
    extent->SetAttribute("cy", static_cast<int64_t>(cy));
    const std::string fileName = utf8(QFileInfo(path).fileName());
    docPr->SetAttribute("name", fileName.c_str());
    docPr->DeleteAttribute("descr");
    // The picture's own parts: its name, its relationship and its size.
    std::vector<XMLElement*> stack{inl};
    while (!stack.empty()) {
        XMLElement* e = stack.back();
        stack.pop_back();
        if (std::strcmp(e->Name(), "a:blip") == 0)
            e->SetAttribute("r:embed", rId.c_str());
        else if (std::strcmp(e->Name(), "a:ext") == 0 && e->Attribute("cx")) {
            e->SetAttribute("cx", static_cast<int64_t>(cx));
            e->SetAttribute("cy", static_cast<int64_t>(cy));
        } else if (std::strcmp(e->Name(), "pic:cNvPr") == 0) {
            e->SetAttribute("name", fileName.c_str());
            e->DeleteAttribute("descr");
        }
        for (XMLElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
            stack.push_back(c);
    }
}

void TemplateMerger::Impl::fillHtml(XMLElement* fld, const FieldValue* value)
{
    XMLElement* p = ancestor(fld, "w:p");
    const XMLElement* firstRun = fld->FirstChildElement("w:r");
    const RunFormat base = RunFormat::fromXml(firstRun ? firstRun->FirstChildElement("w:rPr") : nullptr);
    const QString html = value ? (value->isNumber ? formatNumber(value->number, QString())
                                                  : QString::fromUtf8(value->text.c_str()))
                               : QString();
    HtmlToWordML converter(out, *media, base, textWidth, QDir::currentPath());
    std::vector<XMLElement*> blocks = converter.convert(html);
    XMLElement* parent = p->Parent()->ToElement();
    for (XMLElement* b : blocks)
        insertBefore(p, b);
    // A table cell ends in a paragraph.
    if (parent && std::strcmp(parent->Name(), "w:tc") == 0 && std::strcmp(blocks.back()->Name(), "w:tbl") == 0)
        insertBefore(p, newParagraph(out, ParaFormat()));
    parent->DeleteChild(p);
}

bool TemplateMerger::save(const QString& path, std::string& err)
{
    return d_->save(path, err);
}

bool TemplateMerger::Impl::save(const QString& path, std::string& err)
{
    if (!loaded) {
        err = "尚未载入模板";
        return false;
    }
    XMLNode* section = sectPr ? outBody->InsertEndChild(sectPr->DeepClone(&out)) : nullptr;
    renumberDrawings(out.RootElement());
    Package result = package;
    result.setBytes(kDocumentPart, print(out));
    if (section)
        outBody->DeleteChild(section);

    const std::map<std::string, FieldValue> none;
    for (const Header& h : headers) {
        XMLDocument doc;
        if (!parse(doc, h.text))
            continue;
        auto it = clipboard.find(h.item);
        const std::map<std::string, FieldValue>& values = it == clipboard.end() ? none : it->second;
        for (const FieldSite& site : findFields(doc.RootElement())) {
            if (site.spec.kind == FieldKind::Picture)
                continue;  // header pictures stay as the template has them
            auto v = values.find(site.spec.name);
            fillTextField(site.element, v == values.end() ? QString() : fieldText(site.spec, v->second));
        }
        result.setBytes(h.part, print(doc));
    }

    XMLDocument rels;
    XMLDocument types;
    if (!parse(rels, package.bytes(kDocumentRels)) || !parse(types, package.bytes(kContentTypes))) {
        err = "模板缺少关系或内容类型部分";
        return false;
    }
    media->writeInto(result, rels, types);
    result.setBytes(kDocumentRels, print(rels));
    result.setBytes(kContentTypes, print(types));
    return result.write(path, err);
}

std::vector<std::string> TemplateMerger::items() const
{
    std::vector<std::string> list;
    for (const auto& [name, item] : d_->items)
        list.push_back(name);
    return list;
}

std::vector<std::string> TemplateMerger::fields(const std::string& item) const
{
    std::vector<std::string> list;
    auto it = d_->items.find(item);
    if (it != d_->items.end()) {
        for (const auto& [name, spec] : it->second.fields)
            list.push_back(name);
    }
    return list;
}

}  // namespace docx
