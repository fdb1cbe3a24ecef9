#include "PrintDBGridEh.h"

#include "Dataset.h"
#include "DatasetGridView.h"
#include "PreviewForm.h"

PrintDBGridEh::PrintDBGridEh(PrintSettings settings, TPreviewForm& preview, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), preview_(preview) {
    setObjectName(QStringLiteral("PrintDBGridEh1"));
}

void PrintDBGridEh::Preview() {
    if (!grid_ || !grid_->dataset() || !grid_->dataset()->isOpen())
        return;
    preview_.showFor(*this);
}
