#pragma once

#include "DatasetGridView.h"
#include "PrintSettings.h"

#include <QObject>
#include <QPointer>

class DatasetGridView;
class TPreviewForm;

// A window's print settings and its print command: the grid to print, margins, options, title,
// header and footer. They live as long as the window; changes made in the settings dialog stay for
// the rest of the run.
class PrintDBGridEh : public QObject {
    Q_OBJECT
public:
    PrintDBGridEh(PrintSettings settings, TPreviewForm& preview, QObject* parent);

    PrintSettings& settings() { return settings_; }
    const PrintSettings& settings() const { return settings_; }
    void setDBGridEh(DatasetGridView* grid) { grid_ = grid; }
    DatasetGridView* DBGridEh() const { return grid_; }
    TPreviewForm& preview() const { return preview_; }

    // Lays the grid out into the preview window and shows it. A grid without an open dataset lays
    // out nothing.
    void Preview();

private:
    PrintSettings settings_;
    TPreviewForm& preview_;
    QPointer<DatasetGridView> grid_;
};
