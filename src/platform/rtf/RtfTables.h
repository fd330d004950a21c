#pragma once

#include <QColor>

#include <vector>

class QTextTable;
class QTextTableFormat;

namespace tarnwick::platform::rtf {

struct RtfBorder
{
    int width = 0; // twips; 0: no border
    int style = 0; // QTextFrameFormat::BorderStyle
    QColor color;
};

// One \cellx and the \cl… words before it.
struct RtfCellDef
{
    int right = 0;            // the cell's right edge in twips from the row's origin
    bool mergeFirst = false;  // \clmgf
    bool merged = false;      // \clmrg: part of the cell to the left
    bool vMergeFirst = false; // \clvmgf
    bool vMerged = false;     // \clvmrg: part of the cell above
    int valign = 0;           // 0 top, 1 centre, 2 bottom
    RtfBorder borders[4];     // top, left, bottom, right
    QColor background;
};

// A row's definition: \trowd and everything up to the row's cells.
struct RtfRowDef
{
    int gap = 108;       // \trgaph
    int left = 0;        // \trleft
    int align = 0;       // 0 left, 1 centre, 2 right
    bool header = false; // \trhdr
    std::vector<RtfCellDef> cells;
};

// A row as it was read: the definition in force at its end and how many cells it ended.
struct RtfRowRecord
{
    RtfRowDef def;
    int cellCount = 0;
};

// The format a table gets while its rows are read: no borders or spacing of Qt's own.
QTextTableFormat initialTableFormat(const RtfRowDef& def);

// Gives a table whose row r holds its cells in columns 0..n-1 the geometry the rows describe:
// column widths, merged cells, borders, shading, alignment and header rows. Rows whose cells
// do not line up with the others are laid out on the union of all cell edges, which moves the
// table's content into a new table; the table that stands afterwards is returned.
QTextTable* finishTable(QTextTable* table, const std::vector<RtfRowRecord>& rows);

} // namespace tarnwick::platform::rtf
