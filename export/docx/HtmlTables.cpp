#include "export/docx/HtmlTables.h"

#include <algorithm>
#include <limits>
#include <map>

#include "export/docx/HtmlGuard.h"

namespace docx {
namespace {

struct Attribute {
    QString name;  // lower case
    QString value;
    int from = 0;  // the attribute's text is tag[from, to)
    int to = 0;
};

std::vector<Attribute> attributesOf(const QString& tag)
{
    std::vector<Attribute> out;
    const int n = tag.size();
    int k = 1;
    while (k < n && !tag[k].isSpace() && tag[k] != QLatin1Char('>') && tag[k] != QLatin1Char('/'))
        ++k;  // the element's name
    while (k < n) {
        while (k < n && (tag[k].isSpace() || tag[k] == QLatin1Char('/')))
            ++k;
        if (k >= n || tag[k] == QLatin1Char('>'))
            break;
        Attribute a;
        a.from = k;
        while (k < n && !tag[k].isSpace() && tag[k] != QLatin1Char('=') && tag[k] != QLatin1Char('>') &&
               tag[k] != QLatin1Char('/'))
            ++k;
        a.name = tag.mid(a.from, k - a.from).toLower();
        int v = k;
        while (v < n && tag[v].isSpace())
            ++v;
        if (v < n && tag[v] == QLatin1Char('=')) {
            ++v;
            while (v < n && tag[v].isSpace())
                ++v;
            if (v < n && (tag[v] == QLatin1Char('"') || tag[v] == QLatin1Char('\''))) {
                const int close = tag.indexOf(tag[v], v + 1);
                const int end = close < 0 ? n : close;
                a.value = tag.mid(v + 1, end - v - 1);
                k = std::min(end + 1, n);
            } else {
                const int start = v;
                while (v < n && !tag[v].isSpace() && tag[v] != QLatin1Char('>'))
                    ++v;
                a.value = tag.mid(start, v - start);
                k = v;
            }
        }
        a.to = k;
        if (a.to == a.from)
            ++k;  // a stray character
        else
            out.push_back(a);
    }
    return out;
}

// A span as the HTML reader takes it: a whole number, else 1; at least 1.
int64_t spanValue(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v > 1 ? v : 1;
}

bool isSpan(const QString& name)
{
    return name == QLatin1String("colspan") || name == QLatin1String("rowspan");
}

// Which cell covers each column: ranges of columns [start, end) with the
// cell that last claimed them.
class Cover {
public:
    // The cell covering column c, or -1.
    int at(int64_t c) const
    {
        auto it = ranges_.upper_bound(c);
        if (it == ranges_.begin())
            return -1;
        --it;
        return it->second.end > c ? it->second.cell : -1;
    }

    void claim(int64_t from, int64_t to, int cell)
    {
        split(from);
        split(to);
        ranges_.erase(ranges_.lower_bound(from), ranges_.lower_bound(to));
        ranges_[from] = Range{to, cell};
    }

private:
    struct Range {
        int64_t end;
        int cell;
    };
    void split(int64_t at)
    {
        auto it = ranges_.upper_bound(at);
        if (it == ranges_.begin())
            return;
        --it;
        if (it->first < at && it->second.end > at) {
            ranges_[at] = Range{it->second.end, it->second.cell};
            it->second.end = at;
        }
    }
    std::map<int64_t, Range> ranges_;
};

}  // namespace

void HtmlTables::beginTable()
{
    open_.push_back(static_cast<int>(tables_.size()));
    tables_.emplace_back();
}

void HtmlTables::endTable()
{
    if (!open_.empty())
        open_.pop_back();
}

void HtmlTables::beginRow()
{
    if (!open_.empty())
        ++tables_[static_cast<size_t>(open_.back())].rows;
}

int HtmlTables::addCell(const QString& tag)
{
    Cell cell;
    for (const Attribute& a : attributesOf(tag)) {
        if (a.name == QLatin1String("colspan"))
            cell.columns = spanValue(a.value);
        else if (a.name == QLatin1String("rowspan"))
            cell.rows = spanValue(a.value);
    }
    const int id = static_cast<int>(cells_.size());
    if (open_.empty()) {
        cell.columns = 1;
        cell.rows = 1;
    } else {
        Table& table = tables_[static_cast<size_t>(open_.back())];
        table.rows = std::max(table.rows, 1);  // a cell before any row starts one
        cell.table = open_.back();
        cell.row = table.rows - 1;
        table.cells.push_back(id);
    }
    cells_.push_back(cell);
    return id;
}

void HtmlTables::finish()
{
    for (Table& table : tables_)
        finishTable(table);
    for (Cell& cell : cells_)
        cell.columns = std::min<int64_t>(cell.columns, kMaxSpan);
}

void HtmlTables::finishTable(Table& table)
{
    const auto count = static_cast<int64_t>(table.cells.size());
    for (int id : table.cells) {
        Cell& cell = cells_[static_cast<size_t>(id)];
        cell.rows = std::clamp<int64_t>(cell.rows, 1, table.rows - cell.row);
        cell.columns = std::clamp<int64_t>(cell.columns, 1, count);
    }
    place(table);
    int64_t width = 0;
    for (int id : table.cells)
        width = std::max(width, cells_[static_cast<size_t>(id)].start + cells_[static_cast<size_t>(id)].columns);
    if (width <= count)
        return;
    // Only columns in which a cell starts are kept.
    std::vector<int64_t> starts;
    for (int id : table.cells)
        starts.push_back(cells_[static_cast<size_t>(id)].start);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    for (int id : table.cells) {
        Cell& cell = cells_[static_cast<size_t>(id)];
        const auto first = std::lower_bound(starts.begin(), starts.end(), cell.start);
        const auto last = std::lower_bound(starts.begin(), starts.end(), cell.start + cell.columns);
        cell.columns = std::max<int64_t>(last - first, 1);
    }
}

void HtmlTables::place(Table& table)
{
    Cover cover;
    int row = -1;
    int64_t column = 0;
    for (int id : table.cells) {
        Cell& cell = cells_[static_cast<size_t>(id)];
        if (cell.row != row) {
            row = cell.row;
            column = 0;
        }
        // Past the cells of earlier rows that reach down into this one.
        for (int above = cover.at(column); above >= 0; above = cover.at(column)) {
            const Cell& a = cells_[static_cast<size_t>(above)];
            if (a.row + a.rows <= row)
                break;
            column += a.columns;
        }
        cell.start = column;
        column += cell.columns;
        cover.claim(cell.start, column, id);
    }
}

QString HtmlTables::cellTag(int id, const QString& tag) const
{
    const Cell& cell = cells_[static_cast<size_t>(id)];
    QString out = tag;
    const std::vector<Attribute> attributes = attributesOf(tag);
    for (auto a = attributes.rbegin(); a != attributes.rend(); ++a) {
        if (!isSpan(a->name))
            continue;
        const int64_t kept = a->name == QLatin1String("colspan") ? cell.columns : cell.rows;
        if (a->value.trimmed() == QString::number(kept))
            continue;
        out.replace(a->from, a->to - a->from, QStringLiteral("%1=\"%2\"").arg(a->name).arg(kept));
    }
    return out;
}

}  // namespace docx
