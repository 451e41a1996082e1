#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace docx {

// The cells of the tables of one HTML text, in the order of their start
// tags, and the spans guardHtml gives them (see HtmlGuard.h). Cells are
// placed as Qt's HTML reader places them: left to right, past the columns
// that cells of earlier rows still cover.
class HtmlTables {
public:
    void beginTable();
    void endTable();
    void beginRow();
    // Adds the cell whose start tag is `tag` to the innermost open table (a
    // cell outside any table spans one column and one row); its number.
    int addCell(const QString& tag);
    // Works out the spans once every cell is added.
    void finish();
    // The start tag of cell `cell` with its spans.
    QString cellTag(int cell, const QString& tag) const;

private:
    struct Cell {
        int table = -1;
        int row = 0;
        int64_t columns = 1;  // as given, then as kept
        int64_t rows = 1;
        int64_t start = 0;  // first column
    };
    struct Table {
        std::vector<int> cells;
        int rows = 0;
    };
    void finishTable(Table& table);
    void place(Table& table);

    std::vector<Cell> cells_;
    std::vector<Table> tables_;
    std::vector<int> open_;  // innermost last
};

}  // namespace docx
