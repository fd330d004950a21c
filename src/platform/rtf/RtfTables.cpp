#include "platform/rtf/RtfTables.h"

#include "platform/rtf/RtfProperties.h"
#include "platform/rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>

#include <algorithm>

namespace tarnwick::platform::rtf {

namespace {

constexpr int kDefaultCellWidth = 1440;
constexpr int kMaxEdge = 4 * 31680; // the reader's and the writer's limit for \cellx
// Every merge makes Qt rebuild the table's grid; hostile tables with thousands of merges would
// take minutes, so merging stops once this many cell visits have been spent.
constexpr long long kMergeBudget = 20'000'000;

struct Placed
{
    int firstSource = 0; // the row's cell indices (in the table as read) this cell takes
    int lastSource = 0;
    int startCol = 0; // in the finished grid
    int span = 1;
    const RtfCellDef* def = nullptr; // null: the row said nothing about this cell
    int rightBorderSource = 0;
};

struct RowLayout
{
    std::vector<Placed> cells;
    std::vector<int> rights;
};

const RtfCellDef* defAt(const RtfRowDef& def, int index)
{
    return index < static_cast<int>(def.cells.size()) ? &def.cells[static_cast<std::size_t>(index)] : nullptr;
}

RowLayout layoutRow(const RtfRowRecord& record)
{
    RowLayout layout;
    int previous = record.def.left;
    for (int k = 0; k < record.cellCount; ++k) {
        const RtfCellDef* def = defAt(record.def, k);
        int right = std::min(def ? def->right : previous + kDefaultCellWidth, kMaxEdge);
        if (right <= previous) // edges out of order: keep every cell
            right = std::min(previous + (def ? 1 : kDefaultCellWidth), kMaxEdge);
        // Past the widest edge a row can have, cells join the one before, so that what is read
        // is what is written.
        const bool noRoom = right <= previous;
        previous = right;
        if (((def && def->merged) || noRoom) && !layout.cells.empty()) {
            Placed& into = layout.cells.back();
            into.lastSource = k;
            layout.rights.back() = right;
            continue;
        }
        Placed placed;
        placed.firstSource = placed.lastSource = k;
        placed.def = def;
        layout.cells.push_back(placed);
        layout.rights.push_back(right);
    }
    return layout;
}

void setBorder(QTextTableCellFormat* f, int side, const RtfBorder& b)
{
    if (b.width <= 0)
        return;
    const qreal width = b.width / twipsPerPixel();
    const auto style = static_cast<QTextFrameFormat::BorderStyle>(b.style);
    const QBrush brush(b.color.isValid() ? b.color : QColor(Qt::black));
    switch (side) {
    case 0:
        f->setTopBorder(width);
        f->setTopBorderStyle(style);
        f->setTopBorderBrush(brush);
        break;
    case 1:
        f->setLeftBorder(width);
        f->setLeftBorderStyle(style);
        f->setLeftBorderBrush(brush);
        break;
    case 2:
        f->setBottomBorder(width);
        f->setBottomBorderStyle(style);
        f->setBottomBorderBrush(brush);
        break;
    default:
        f->setRightBorder(width);
        f->setRightBorderStyle(style);
        f->setRightBorderBrush(brush);
        break;
    }
}

void applyCellFormat(QTextTable* table, int row, int col, const RtfCellDef* first, const RtfCellDef* last)
{
    if (!first)
        return;
    bool any = first->background.isValid() || first->valign != 0;
    for (const RtfBorder& b : first->borders)
        any = any || b.width > 0;
    if (last)
        any = any || last->borders[3].width > 0;
    if (!any)
        return;
    QTextTableCell cell = table->cellAt(row, col);
    QTextTableCellFormat f = cell.format().toTableCellFormat();
    for (int side = 0; side < 3; ++side)
        setBorder(&f, side, first->borders[side]);
    setBorder(&f, 3, (last ? last : first)->borders[3]);
    if (first->background.isValid())
        f.setBackground(first->background);
    if (first->valign == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    else if (first->valign == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignBottom);
    cell.setFormat(f);
}

bool cellIsEmpty(const QTextTableCell& cell)
{
    return cell.firstPosition() >= cell.lastPosition();
}

// Gives the block at the cursor a paragraph's format and its character format, keeping the
// cell's own span, borders and shading, which Qt keeps in a cell's first block's character format.
void giveLook(QTextCursor& at, const QTextBlockFormat& block, QTextCharFormat chars)
{
    auto ofCell = [](int property) {
        return property >= QTextFormat::FrameBorder || property == QTextFormat::BackgroundBrush;
    };
    for (int property : chars.properties().keys()) {
        if (ofCell(property))
            chars.clearProperty(property);
    }
    const QMap<int, QVariant> cell = at.blockCharFormat().properties();
    for (auto it = cell.cbegin(); it != cell.cend(); ++it) {
        if (ofCell(it.key()))
            chars.setProperty(it.key(), it.value());
    }
    at.setBlockFormat(block);
    at.setBlockCharFormat(chars);
}

void moveCellContent(QTextTable* from, int row, int col, QTextTable* to, int toRow, int toCol)
{
    const QTextTableCell source = from->cellAt(row, col);
    const QTextTableCell target = to->cellAt(toRow, toCol);
    if (!source.isValid() || !target.isValid() || (cellIsEmpty(source) && !cellIsEmpty(target)))
        return;
    QTextDocument* doc = from->document();
    // A copy makes new lists and lands in a block with another look: each paragraph gets its own back.
    std::vector<QTextBlock> paragraphs;
    for (QTextBlock b = doc->findBlock(source.firstPosition()); b.isValid() && b.position() <= source.lastPosition();
         b = b.next())
        paragraphs.push_back(b);
    QTextCursor at = target.lastCursorPosition();
    if (!cellIsEmpty(target))
        at.insertBlock();
    const int landing = at.blockNumber();
    if (!cellIsEmpty(source)) {
        QTextCursor select = source.firstCursorPosition();
        select.setPosition(source.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        at.insertFragment(select.selection());
        // A list paragraph is put in a block of its own, after the empty one it was meant for.
        const QTextBlock landed = doc->findBlockByNumber(landing);
        const QTextBlock end = doc->findBlock(target.lastPosition());
        if (landed.length() == 1 && end.blockNumber() - landing == static_cast<int>(paragraphs.size())) {
            QTextCursor join(landed);
            join.setPosition(landed.next().position(), QTextCursor::KeepAnchor);
            join.removeSelectedText();
        }
    }
    const QTextBlock end = doc->findBlock(target.lastPosition());
    if (end.blockNumber() - landing + 1 != static_cast<int>(paragraphs.size()))
        return;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        QTextCursor block(doc->findBlockByNumber(landing + static_cast<int>(i)));
        giveLook(block, paragraphs[i].blockFormat(), paragraphs[i].charFormat());
    }
}

// Qt's merge can hand the cell after a merged one the look of the cell it took away, so the
// looks of the cells in the merged rows are put back.
void mergeKeepingLooks(QTextTable* table, int row, int column, int rows, int columns)
{
    struct Look
    {
        int row;
        int column;
        QTextBlockFormat block;
        QTextCharFormat chars;
    };
    std::vector<Look> looks;
    for (int r = row; r < row + rows && r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            const QTextBlock first = cell.firstCursorPosition().block();
            looks.push_back(Look{r, c, first.blockFormat(), first.charFormat()});
        }
    }
    table->mergeCells(row, column, rows, columns);
    for (const Look& look : looks) {
        const QTextTableCell cell = table->cellAt(look.row, look.column);
        if (cell.row() != look.row || cell.column() != look.column)
            continue; // merged away
        QTextCursor at = cell.firstCursorPosition();
        giveLook(at, look.block, look.chars);
    }
}

} // namespace

QTextTableFormat initialTableFormat(const RtfRowDef& def)
{
    QTextTableFormat f;
    f.setBorder(0);
    f.setBorderCollapse(true);
    f.setCellSpacing(0);
    f.setCellPadding(std::clamp(def.gap, 0, 1440) / twipsPerPixel());
    f.setMargin(0);
    f.setLeftMargin(std::max(0, def.left + def.gap) / twipsPerPixel());
    f.setProperty(TableRowLeft, def.left);
    f.setProperty(TableCellGap, def.gap);
    if (def.align == 1)
        f.setAlignment(Qt::AlignHCenter);
    else if (def.align == 2)
        f.setAlignment(Qt::AlignRight);
    return f;
}

QTextTable* finishTable(QTextTable* table, const std::vector<RtfRowRecord>& rows)
{
    const int rowCount = std::min<int>(table->rows(), static_cast<int>(rows.size()));
    if (rowCount == 0)
        return table;

    std::vector<RowLayout> layouts;
    layouts.reserve(static_cast<std::size_t>(rowCount));
    std::vector<int> edges;
    int origin = rows.front().def.left;
    for (int r = 0; r < rowCount; ++r) {
        layouts.push_back(layoutRow(rows[static_cast<std::size_t>(r)]));
        edges.insert(edges.end(), layouts.back().rights.begin(), layouts.back().rights.end());
        origin = std::min(origin, rows[static_cast<std::size_t>(r)].def.left);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    if (edges.empty())
        return table;

    // Cells take the grid columns between their left and right edges.
    bool inPlace = static_cast<int>(edges.size()) == table->columns();
    for (RowLayout& layout : layouts) {
        int col = 0;
        for (std::size_t i = 0; i < layout.cells.size(); ++i) {
            Placed& p = layout.cells[i];
            const int end =
                static_cast<int>(std::lower_bound(edges.begin(), edges.end(), layout.rights[i]) - edges.begin());
            p.startCol = col;
            p.span = std::max(1, end - col + 1);
            col = p.startCol + p.span;
            if (p.span != 1 || p.firstSource != p.lastSource || p.startCol != p.firstSource)
                inPlace = false;
        }
        if (col != static_cast<int>(edges.size()))
            inPlace = false;
    }

    QTextTableFormat format = table->format();
    // The row's words may follow its text, after the table was opened with the earlier ones.
    const RtfRowDef& firstRow = rows.front().def;
    format.setProperty(TableRowLeft, origin);
    format.setProperty(TableCellGap, firstRow.gap);
    format.setLeftMargin(std::max(0, origin + firstRow.gap) / twipsPerPixel());
    format.setCellPadding(std::clamp(firstRow.gap, 0, 1440) / twipsPerPixel());
    QList<QTextLength> widths;
    int previous = origin;
    for (int edge : edges) {
        widths.append(QTextLength(QTextLength::FixedLength, (edge - previous) / twipsPerPixel()));
        previous = edge;
    }
    format.setColumnWidthConstraints(widths);
    int header = 0;
    while (header < rowCount && rows[static_cast<std::size_t>(header)].def.header)
        ++header;
    format.setHeaderRowCount(header);

    QTextTable* target = table;
    long long budget = kMergeBudget;
    if (!inPlace) {
        QTextCursor after(table->document());
        after.setPosition(table->lastPosition() + 1);
        target = after.insertTable(rowCount, static_cast<int>(edges.size()), format);
        const long long cells = static_cast<long long>(rowCount) * static_cast<long long>(edges.size());
        for (int r = 0; r < rowCount; ++r) {
            for (const Placed& p : layouts[static_cast<std::size_t>(r)].cells) {
                if (p.span > 1 && budget > 0) {
                    target->mergeCells(r, p.startCol, 1, p.span);
                    budget -= cells;
                }
                for (int k = p.firstSource; k <= p.lastSource; ++k)
                    moveCellContent(table, r, k, target, r, p.startCol);
            }
        }
        QTextCursor remove(table->document());
        remove.setPosition(table->firstPosition() - 1);
        remove.setPosition(table->lastPosition() + 1, QTextCursor::KeepAnchor);
        remove.removeSelectedText();
    } else {
        target->setFormat(format);
    }

    for (int r = 0; r < rowCount; ++r) {
        const RowLayout& layout = layouts[static_cast<std::size_t>(r)];
        const RtfRowDef& def = rows[static_cast<std::size_t>(r)].def;
        for (const Placed& p : layout.cells)
            applyCellFormat(target, r, p.startCol, p.def, defAt(def, p.lastSource));
    }

    // Vertical merges: a \clvmrg cell joins the cell above it that starts in the same column.
    const long long cells = static_cast<long long>(rowCount) * static_cast<long long>(edges.size());
    std::vector<int> runStart(edges.size(), -1);
    std::vector<int> runSpan(edges.size(), 0);
    auto closeRun = [&](std::size_t col, int endRow) {
        const int start = runStart[col];
        if (start >= 0 && endRow - start > 1 && budget > 0) {
            mergeKeepingLooks(target, start, static_cast<int>(col), endRow - start, runSpan[col]);
            budget -= cells;
        }
        runStart[col] = -1;
    };
    for (int r = 0; r < rowCount; ++r) {
        std::vector<bool> continued(edges.size(), false);
        for (const Placed& p : layouts[static_cast<std::size_t>(r)].cells) {
            const auto col = static_cast<std::size_t>(p.startCol);
            if (col >= edges.size())
                continue;
            if (p.def && p.def->vMerged && runStart[col] >= 0 && runSpan[col] == p.span) {
                continued[col] = true;
                continue;
            }
            closeRun(col, r);
            if (p.def && p.def->vMergeFirst) {
                runStart[col] = r;
                runSpan[col] = p.span;
                continued[col] = true;
            }
        }
        for (std::size_t col = 0; col < edges.size(); ++col) {
            if (!continued[col] && runStart[col] >= 0)
                closeRun(col, r);
        }
    }
    for (std::size_t col = 0; col < edges.size(); ++col)
        closeRun(col, rowCount);
    return target;
}

} // namespace tarnwick::platform::rtf
