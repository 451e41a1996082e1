#include "export/docx/HtmlGuard.h"

#include <QSet>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "export/docx/HtmlTables.h"

namespace docx {
namespace {

const QSet<QString>& voidElements()
{
    static const QSet<QString> names{"area",  "base",   "basefont", "br",   "col",   "embed",  "frame", "hr", "img",
                                     "input", "keygen", "link",     "meta", "param", "source", "track", "wbr"};
    return names;
}

// Elements whose content is not markup.
const QSet<QString>& rawTextElements()
{
    static const QSet<QString> names{"script", "style", "title", "textarea", "xmp"};
    return names;
}

// Elements that start a line of their own: left out, they leave a break.
const QSet<QString>& blockElements()
{
    static const QSet<QString> names{"address", "blockquote", "center", "dd", "div", "dl",  "dt", "h1",
                                     "h2",      "h3",         "h4",     "h5", "h6",  "hr",  "li", "ol",
                                     "p",       "pre",        "table",  "tr", "ul",  "body"};
    return names;
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char(':') || c == QLatin1Char('_');
}

struct Tag {
    QString name;  // lower case
    bool end = false;
    bool selfClosing = false;
    int from = 0;  // the tag's text is html[from, to)
    int to = 0;
};

// The tag starting at html[i] == '<', or false when '<' starts text.
bool readTag(const QString& html, int i, Tag& tag)
{
    const int n = html.size();
    int k = i + 1;
    tag.end = k < n && html[k] == QLatin1Char('/');
    if (tag.end)
        ++k;
    if (k >= n || !html[k].isLetter())
        return false;
    const int nameStart = k;
    while (k < n && isNameChar(html[k]))
        ++k;
    tag.name = html.mid(nameStart, k - nameStart).toLower();
    // To the '>' outside quoted attribute values (or the end of the text).
    QChar quote;
    QChar previous;
    for (; k < n; ++k) {
        const QChar c = html[k];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if ((c == QLatin1Char('"') || c == QLatin1Char('\'')) && previous == QLatin1Char('=')) {
            quote = c;
        } else if (c == QLatin1Char('>')) {
            break;
        }
        if (!c.isSpace())
            previous = c;
    }
    tag.selfClosing = k > i + 1 && k <= n && html[k - 1] == QLatin1Char('/');
    tag.from = i;
    tag.to = std::min(k + 1, n);
    return true;
}

// Where markup starts again after a raw-text element's start tag.
int rawTextEnd(const QString& html, int from, const QString& name)
{
    const QString close = QStringLiteral("</") + name;
    const int at = html.indexOf(close, from, Qt::CaseInsensitive);
    return at < 0 ? html.size() : at;
}

class Guard {
public:
    explicit Guard(const QString& html) : html_(html) {}

    QString run()
    {
        scan();
        while (!open_.empty())
            pop();
        tables_.finish();
        QString out;
        out.reserve(html_.size());
        for (size_t i = 0; i < pieces_.size(); ++i)
            out += pieces_[i].cell >= 0 ? tables_.cellTag(pieces_[i].cell, pieces_[i].text) : pieces_[i].text;
        return out;
    }

private:
    struct Open {
        QString name;
        bool table = false;
    };
    struct Piece {
        QString text;
        int cell = -1;  // a cell's start tag, rewritten with its spans
    };

    void scan()
    {
        const int n = html_.size();
        int i = 0;
        while (i < n) {
            if (html_[i] != QLatin1Char('<')) {
                const int next = html_.indexOf(QLatin1Char('<'), i + 1);
                text(html_.mid(i, (next < 0 ? n : next) - i));
                i = next < 0 ? n : next;
                continue;
            }
            if (html_.midRef(i, 4) == QLatin1String("<!--")) {
                const int close = html_.indexOf(QLatin1String("-->"), i + 4);
                const int to = close < 0 ? n : close + 3;
                put(html_.mid(i, to - i));
                i = to;
                continue;
            }
            if (i + 1 < n && (html_[i + 1] == QLatin1Char('!') || html_[i + 1] == QLatin1Char('?'))) {
                const int close = html_.indexOf(QLatin1Char('>'), i);
                const int to = close < 0 ? n : close + 1;
                put(html_.mid(i, to - i));
                i = to;
                continue;
            }
            Tag tag;
            if (!readTag(html_, i, tag)) {
                text(QStringLiteral("<"));
                ++i;
                continue;
            }
            i = tag.to;
            if (tag.end) {
                endTag(tag);
            } else {
                startTag(tag);
                if (rawTextElements().contains(tag.name) && !tag.selfClosing) {
                    const int to = rawTextEnd(html_, i, tag.name);
                    put(html_.mid(i, to - i));
                    i = to;
                }
            }
        }
    }

    void text(const QString& t)
    {
        if (!t.trimmed().isEmpty())
            textSinceBreak_ = true;
        put(t);
    }

    void put(const QString& t, int cell = -1)
    {
        if (!t.isEmpty())
            pieces_.push_back(Piece{t, cell});
    }

    // A left-out element's mark: a blank for a cell, a line break for a
    // block (one per run of them).
    void dropped(const QString& name)
    {
        if (name == QLatin1String("td") || name == QLatin1String("th")) {
            put(QStringLiteral(" "));
        } else if (blockElements().contains(name) && textSinceBreak_) {
            put(QStringLiteral("<br>"));
            textSinceBreak_ = false;
        }
    }

    void startTag(const Tag& tag)
    {
        const QString raw = html_.mid(tag.from, tag.to - tag.from);
        if (voidElements().contains(tag.name) || tag.selfClosing) {
            if (tag.name == QLatin1String("br") || tag.name == QLatin1String("hr"))
                textSinceBreak_ = false;
            else if (tag.name == QLatin1String("img"))
                textSinceBreak_ = true;
            put(raw);
            return;
        }
        closeImplied(tag.name);
        if (static_cast<int>(open_.size()) >= kMaxElementDepth) {
            ++droppedOpen_[tag.name];
            dropped(tag.name);
            return;
        }
        if (blockElements().contains(tag.name))
            textSinceBreak_ = false;
        Open entry{tag.name, tag.name == QLatin1String("table")};
        if (entry.table)
            tables_.beginTable();
        else if (tag.name == QLatin1String("tr"))
            tables_.beginRow();
        open_.push_back(entry);
        if (tag.name == QLatin1String("td") || tag.name == QLatin1String("th"))
            put(raw, tables_.addCell(raw));
        else
            put(raw);
    }

    void endTag(const Tag& tag)
    {
        const QString raw = html_.mid(tag.from, tag.to - tag.from);
        auto d = droppedOpen_.find(tag.name);
        if (d != droppedOpen_.end() && d->second > 0) {
            --d->second;
            return;
        }
        for (size_t k = open_.size(); k-- > 0;) {
            if (open_[k].name == tag.name) {
                while (open_.size() > k)
                    pop();
                break;
            }
        }
        put(raw);
    }

    void pop()
    {
        if (open_.back().table)
            tables_.endTable();
        open_.pop_back();
    }

    // Start tags that end an open element of their kind (a new cell ends
    // the cell before it, ...), within the nearest element that scopes it.
    void closeImplied(const QString& name)
    {
        static const std::map<QString, std::pair<QSet<QString>, QSet<QString>>> rules{
            {"p", {{"p"}, {"div", "td", "th", "li", "table", "blockquote", "body"}}},
            {"li", {{"li"}, {"ul", "ol", "table", "td", "th"}}},
            {"dt", {{"dt", "dd"}, {"dl", "table", "td", "th"}}},
            {"dd", {{"dt", "dd"}, {"dl", "table", "td", "th"}}},
            {"td", {{"td", "th"}, {"table"}}},
            {"th", {{"td", "th"}, {"table"}}},
            {"tr", {{"tr"}, {"table"}}},
            {"thead", {{"thead", "tbody", "tfoot"}, {"table"}}},
            {"tbody", {{"thead", "tbody", "tfoot"}, {"table"}}},
            {"tfoot", {{"thead", "tbody", "tfoot"}, {"table"}}},
            {"option", {{"option"}, {"select"}}},
        };
        const auto rule = rules.find(name);
        if (rule == rules.end())
            return;
        for (size_t k = open_.size(); k-- > 0;) {
            if (rule->second.first.contains(open_[k].name)) {
                while (open_.size() > k)
                    pop();
                return;
            }
            if (rule->second.second.contains(open_[k].name))
                return;
        }
    }

    const QString& html_;
    std::vector<Open> open_;
    std::map<QString, int> droppedOpen_;
    std::vector<Piece> pieces_;
    bool textSinceBreak_ = false;
    HtmlTables tables_;
};

}  // namespace

QString guardHtml(const QString& html)
{
    return Guard(html).run();
}

}  // namespace docx
