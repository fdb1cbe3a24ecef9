#pragma once

#include "GridLayout.h"

#include <QString>
#include "DatasetGridView.h"
#include <vector>

class Dataset;
class DatasetTableModel;
class QHeaderView;

// One column of a grid as the window designs it.
struct GridColumnDef {
    QString field;          // the column's field name, also its key in the layout file
    bool sortable = true;   // the title is a button that sorts the list
    bool titleLeft = false; // titles are centred unless this is set
    int width = 0;          // 0: taken from the field's display size
    bool hidden = false;
};

// A read-only grid over a shared dataset. The grid and the dataset share one cursor: selecting a
// cell moves the dataset, and a move of the dataset moves the grid's current row. Cells are read
// from the dataset only when painted, so a long list scrolls like a short one.
class DBGridEh : public DatasetGridView {
    Q_OBJECT
public:
    explicit DBGridEh(const QString& name, QWidget* parent = nullptr);
    ~DBGridEh() override;

    // Binds the grid to the dataset with the designed columns (in their designed order).
    void setColumns(Dataset* dataset, std::vector<GridColumnDef> columns);

    // Columns are addressed by their designed index, whatever their present position.
    int columnCountDesigned() const { return static_cast<int>(defs_.size()); }
    const GridColumnDef& columnDef(int column) const { return defs_[column]; }
    int columnOf(const QString& fieldName) const; // -1 when the grid has no such column
    int position(int column) const;               // the column's present place from the left
    int storedWidth(int column) const { return widths_[column]; }
    bool isColumnVisible(int column) const { return !isColumnHidden(column); }
    void setColumnVisible(int column, bool visible);

    int sortMarker(int column) const { return markers_[column]; }
    int sortIndex(int column) const { return sortIndexes_[column]; }

    // Hides the column of the current cell.
    void hideCurrentColumn();
    // Shows every column except NUM_MAIN; it only ever turns columns on.
    void showAllColumns();

    // A click released over a title, as the mouse gives it: a sortable title reports the click and
    // then advances its marker.
    void clickTitle(int column, Qt::KeyboardModifiers modifiers);

    // The column state in present order, and back: what the layout file keeps.
    GridColumns columnState() const;
    void setColumnState(const GridColumns& state);

    int designedRowHeight() const { return defaultRowHeight_; }

Q_SIGNALS:
    // A sortable title was clicked; column is the designed index.
    void titleBtnClick(int column, const QString& fieldName);
    void dblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    class TitleHeader;
    class RowIndicator;

    void onSectionResized(int logical, int oldSize, int newSize);
    int defaultWidth(int column) const;

    TitleHeader* titles_ = nullptr;
    RowIndicator* indicator_ = nullptr;
    std::vector<GridColumnDef> defs_;
    std::vector<int> widths_; // kept apart from the header, which forgets the width of a hidden column
    std::vector<int> markers_;
    std::vector<int> sortIndexes_;
    int rowHeight_ = 0; // as restored; 0 keeps the designed height
    int textLines_ = 0;
    int defaultRowHeight_ = 0;
};
