#include "FormImportPreview.h"

#include "ExchangeTexts.h"
#include "MessageBoxes.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace exchange;

namespace {

constexpr int kActionRole = Qt::UserRole + 1;
constexpr int kActionColumn = 4;
constexpr int kModeColumn = 5;
constexpr int kDroppedColumn = 6;

QString modeText(MergeMode m) {
    return m == MergeMode::FillEmpty ? text("M162", "Заполнить пустые") : text("M163", "Взять новые");
}

// The action and merge cells of a duplicate edit through a drop-down list of their choices.
class ActionDelegate : public QStyledItemDelegate {
public:
    ActionDelegate(const char* name, std::vector<std::pair<QString, int>> choices, QObject* parent)
        : QStyledItemDelegate(parent), name_(QString::fromLatin1(name)), choices_(std::move(choices)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* box = new QComboBox(parent);
        box->setObjectName(name_);
        for (const auto& [label, value] : choices_)
            box->addItem(label, value);
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* box = static_cast<QComboBox*>(editor);
        box->setCurrentIndex(box->findData(index.data(kActionRole)));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* box = static_cast<QComboBox*>(editor);
        model->setData(index, box->currentData(), kActionRole);
        model->setData(index, box->currentText(), Qt::DisplayRole);
    }

private:
    QString name_;
    std::vector<std::pair<QString, int>> choices_;
};

QTableWidget* makeGrid(const char* name, const QStringList& headers, QWidget* parent) {
    auto* g = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setHorizontalHeaderLabels(headers);
    g->verticalHeader()->setVisible(false);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->horizontalHeader()->setStretchLastSection(true);
    g->setWordWrap(false);
    g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 8);
    return g;
}

// A cell shows at most this much: the list of what a card with thousands of unknown properties does not
// store would otherwise take seconds to measure and paint.
constexpr qsizetype kMaxCellText = 1000;

QTableWidgetItem* cell(const QString& text) {
    const QString shown = text.size() > kMaxCellText ? text.left(kMaxCellText) + QChar(0x2026) : text;
    auto* item = new QTableWidgetItem(shown);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(shown);
    return item;
}

QString firstOf(const ContactRow& row, std::initializer_list<Column> columns) {
    for (Column c : columns)
        if (!row.isEmpty(c))
            return row.text(c);
    return {};
}

// What is not stored of a card: the values no column holds, and the group cards whose group lost to
// the card's own CATEGORIES.
QString notesOf(const ImportedContact& c) {
    QStringList out = c.notes;
    const QString own = joinGroupPath(splitGroupPath(c.row.groupPath));
    for (const QString& group : c.memberOf)
        if (joinGroupPath(splitGroupPath(group)) != own)
            out << text("M169", "участник группы «%1» по карточке группы; взята группа «%2» из CATEGORIES")
                       .arg(group, c.row.groupPath);
    return out.join(QStringLiteral("; "));
}

// The values a merge throws away in the mode: the card's values when only empty columns are filled,
// the stored values when the card's are taken.
QString droppedText(const std::vector<MergeConflict>& conflicts, MergeMode mode, const QStringList& titles) {
    QStringList out;
    for (const MergeConflict& m : conflicts) {
        QString title = m.column == GR_NUM ? text("M120", "Группа") : titles.value(m.column);
        if (title.isEmpty())
            title = russianTitle(m.column);
        const QString incoming = m.pictureBytes > 0
                                     ? text("M171", "изображение %1, %2 байт").arg(m.incoming).arg(m.pictureBytes)
                                     : m.incoming;
        out << (mode == MergeMode::FillEmpty
                    ? text("M167", "%1: «%2» (сохранено «%3»)").arg(title, incoming, m.stored)
                    : text("M168", "%1: сохранённое «%2» заменяется на «%3»").arg(title, m.stored, incoming));
    }
    return out.join(QStringLiteral("; "));
}

QString phoneOf(const ContactRow& row) {
    for (Column c : phoneColumns())
        if (!row.isEmpty(c))
            return row.text(c);
    return {};
}

} // namespace

TFormImportPreview::TFormImportPreview(ImportPlan& plan, const QString& fileName, const QStringList& columnTitles,
                                       QWidget* parent)
    : QDialog(parent), plan_(plan), columnTitles_(columnTitles) {
    setObjectName(QStringLiteral("FormImportPreview"));
    setWindowTitle(text("M116", "Импорт контактов: %1").arg(fileName));
    resize(940, 540);
    auto* v = new QVBoxLayout(this);
    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    LabelSummary->setWordWrap(true);
    v->addWidget(LabelSummary);

    PageControlImport = new QTabWidget(this);
    PageControlImport->setObjectName(QStringLiteral("PageControlImport"));
    v->addWidget(PageControlImport, 1);

    const QString no = QStringLiteral("№");
    const QString contact = text("M117", "Контакт");
    GridNew = makeGrid("GridNew",
                       {no, contact, text("M120", "Группа"), text("M121", "Телефон"), QStringLiteral("E-mail"),
                        text("M122", "Не сохраняется")},
                       PageControlImport);
    PageControlImport->addTab(GridNew, QString());

    auto* dupPage = new QWidget(PageControlImport);
    dupPage->setObjectName(QStringLiteral("TabSheetDuplicates"));
    auto* dv = new QVBoxLayout(dupPage);
    dv->setContentsMargins(4, 4, 4, 4);
    auto* buttons = new QHBoxLayout;
    BtnAddAll = new QPushButton(text("M123", "Добавить все"), dupPage);
    BtnAddAll->setObjectName(QStringLiteral("BtnAddAll"));
    BtnSkipAll = new QPushButton(text("M124", "Пропустить все"), dupPage);
    BtnSkipAll->setObjectName(QStringLiteral("BtnSkipAll"));
    BtnMergeAll = new QPushButton(text("M125", "Объединить все"), dupPage);
    BtnMergeAll->setObjectName(QStringLiteral("BtnMergeAll"));
    buttons->addWidget(BtnAddAll);
    buttons->addWidget(BtnSkipAll);
    buttons->addWidget(BtnMergeAll);
    buttons->addSpacing(16);
    BtnFillEmptyAll = new QPushButton(text("M165", "Заполнять пустые у всех"), dupPage);
    BtnFillEmptyAll->setObjectName(QStringLiteral("BtnFillEmptyAll"));
    BtnTakeIncomingAll = new QPushButton(text("M166", "Брать новые у всех"), dupPage);
    BtnTakeIncomingAll->setObjectName(QStringLiteral("BtnTakeIncomingAll"));
    buttons->addWidget(BtnFillEmptyAll);
    buttons->addWidget(BtnTakeIncomingAll);
    buttons->addStretch(1);
    dv->addLayout(buttons);
    GridDuplicates =
        makeGrid("GridDuplicates",
                 {no, contact, text("M126", "Сохранённый контакт"), text("M127", "Совпадение"),
                  text("M128", "Действие"), text("M161", "Объединение"), text("M164", "Отбрасывается при объединении")},
                 dupPage);
    std::vector<std::pair<QString, int>> actions;
    for (Action a : {Action::Add, Action::Skip, Action::Merge})
        actions.emplace_back(actionText(a), static_cast<int>(a));
    GridDuplicates->setItemDelegateForColumn(kActionColumn,
                                             new ActionDelegate("ComboAction", std::move(actions), GridDuplicates));
    std::vector<std::pair<QString, int>> modes;
    for (MergeMode m : {MergeMode::FillEmpty, MergeMode::TakeIncoming})
        modes.emplace_back(modeText(m), static_cast<int>(m));
    GridDuplicates->setItemDelegateForColumn(kModeColumn,
                                             new ActionDelegate("ComboMergeMode", std::move(modes), GridDuplicates));
    GridDuplicates->setEditTriggers(QAbstractItemView::AllEditTriggers);
    dv->addWidget(GridDuplicates, 1);
    PageControlImport->addTab(dupPage, QString());

    GridRefused = makeGrid("GridRefused", {no, contact, text("M129", "Причина")}, PageControlImport);
    PageControlImport->addTab(GridRefused, QString());
    ListGroups = new QListWidget(PageControlImport);
    ListGroups->setObjectName(QStringLiteral("ListGroups"));
    PageControlImport->addTab(ListGroups, QString());
    GridCut = makeGrid(
        "GridCut", {no, contact, text("M152", "Поле"), text("M153", "Длина в файле"), text("M154", "Сохранено знаков")},
        PageControlImport);
    PageControlImport->addTab(GridCut, QString());

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    BitBtnImport = new QPushButton(text("M130", "Импортировать"), this);
    BitBtnImport->setObjectName(QStringLiteral("BitBtnImport"));
    BitBtnImport->setDefault(true);
    BitBtnCancel = new QPushButton(text("M131", "Отмена"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    bottom->addWidget(BitBtnImport);
    bottom->addWidget(BitBtnCancel);
    v->addLayout(bottom);

    connect(BitBtnImport, &QPushButton::clicked, this, &TFormImportPreview::accept);
    connect(BitBtnCancel, &QPushButton::clicked, this, &TFormImportPreview::reject);
    connect(BtnAddAll, &QPushButton::clicked, this, [this] { setAllDuplicates(Action::Add); });
    connect(BtnSkipAll, &QPushButton::clicked, this, [this] { setAllDuplicates(Action::Skip); });
    connect(BtnMergeAll, &QPushButton::clicked, this, [this] { setAllDuplicates(Action::Merge); });
    connect(BtnFillEmptyAll, &QPushButton::clicked, this, [this] { setAllMergeModes(MergeMode::FillEmpty); });
    connect(BtnTakeIncomingAll, &QPushButton::clicked, this, [this] { setAllMergeModes(MergeMode::TakeIncoming); });
    connect(GridDuplicates, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == kModeColumn)
            showDropped(item->row());
        updateSummary();
    });

    fill(columnTitles);
    // The first page with something on it opens.
    for (int page = 0; page < 3; ++page) {
        const int rows = page == 0   ? GridNew->rowCount()
                         : page == 1 ? GridDuplicates->rowCount()
                                     : GridRefused->rowCount();
        if (rows > 0) {
            PageControlImport->setCurrentIndex(page);
            break;
        }
    }
}

void TFormImportPreview::fill(const QStringList& titles) {
    GridNew->setUpdatesEnabled(false);
    // Rows are made at once: a file of thousands of cards fills the grids quickly.
    GridNew->setRowCount(plan_.count(CardStatus::New));
    GridDuplicates->setRowCount(plan_.count(CardStatus::Duplicate));
    GridRefused->setRowCount(plan_.count(CardStatus::Refused));
    int next[3] = {0, 0, 0};
    for (size_t i = 0; i < plan_.cards.size(); ++i) {
        const PlannedCard& c = plan_.cards[i];
        const ContactRow& row = c.contact.row;
        const QString number = QString::number(c.contact.source);
        QTableWidget* grid = nullptr;
        QStringList cells;
        switch (c.status) {
        case CardStatus::New:
            grid = GridNew;
            cells = {number,
                     row.title(),
                     row.groupPath,
                     phoneOf(row),
                     firstOf(row, {JOB_EMAIL, HOME_EMAIL}),
                     notesOf(c.contact)};
            break;
        case CardStatus::Duplicate:
            grid = GridDuplicates;
            cells = {number,
                     row.title(),
                     c.duplicate.title,
                     duplicateText(c.duplicate),
                     actionText(c.action),
                     modeText(c.mergeMode),
                     droppedText(c.conflicts, c.mergeMode, titles)};
            duplicateCards_.push_back(static_cast<int>(i));
            break;
        case CardStatus::Refused:
            grid = GridRefused;
            cells = {number, row.title(), refusalText(c.contact.refusal, titles)};
            break;
        case CardStatus::Group:
            break;
        }
        if (!grid)
            continue;
        const int r = next[grid == GridNew ? 0 : grid == GridDuplicates ? 1 : 2]++;
        for (int col = 0; col < cells.size(); ++col)
            grid->setItem(r, col, cell(cells[col]));
        if (grid == GridDuplicates) {
            QTableWidgetItem* action = grid->item(r, kActionColumn);
            action->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            action->setData(kActionRole, static_cast<int>(c.action));
            QTableWidgetItem* mode = grid->item(r, kModeColumn);
            mode->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            mode->setData(kActionRole, static_cast<int>(c.mergeMode));
        }
    }
    GridNew->setUpdatesEnabled(true);
    ListGroups->addItems(plan_.newGroups);
    fillCuts(titles);
    for (QTableWidget* g : {GridNew, GridDuplicates, GridRefused, GridCut}) {
        g->resizeColumnsToContents();
        for (int col = 0; col < g->columnCount() - 1; ++col)
            g->setColumnWidth(col, std::min(g->columnWidth(col), 320));
    }
    // The choice cells are wide enough for every choice and the arrow of their drop-down list.
    const QFontMetrics metrics = GridDuplicates->fontMetrics();
    int actionWidth = 0, modeWidth = 0;
    for (Action a : {Action::Add, Action::Skip, Action::Merge})
        actionWidth = std::max(actionWidth, metrics.horizontalAdvance(actionText(a)));
    for (MergeMode m : {MergeMode::FillEmpty, MergeMode::TakeIncoming})
        modeWidth = std::max(modeWidth, metrics.horizontalAdvance(modeText(m)));
    GridDuplicates->setColumnWidth(kActionColumn,
                                   std::max(GridDuplicates->columnWidth(kActionColumn), actionWidth + 36));
    GridDuplicates->setColumnWidth(kModeColumn, std::max(GridDuplicates->columnWidth(kModeColumn), modeWidth + 36));
    // What a merge drops can be long: the column takes its text's width (the grid scrolls sideways)
    // rather than an elided rest of the window.
    GridDuplicates->horizontalHeader()->setStretchLastSection(false);
    GridDuplicates->resizeColumnToContents(kDroppedColumn);
    GridDuplicates->setColumnWidth(kDroppedColumn, std::min(GridDuplicates->columnWidth(kDroppedColumn), 900));
    updateSummary();
}

// One row per value cut, of every card that is going in (refused cards have their own list).
void TFormImportPreview::fillCuts(const QStringList& titles) {
    for (const PlannedCard& c : plan_.cards) {
        if (c.status == CardStatus::Refused)
            continue;
        for (const CutValue& cut : c.contact.cuts) {
            const int r = GridCut->rowCount();
            GridCut->insertRow(r);
            QString field = titles.value(cut.column);
            if (field.isEmpty())
                field = russianTitle(cut.column);
            const QStringList cells = {QString::number(c.contact.source), c.contact.row.title(), field,
                                       QString::number(cut.length), QString::number(cut.limit)};
            for (int col = 0; col < cells.size(); ++col)
                GridCut->setItem(r, col, cell(cells[col]));
        }
    }
}

void TFormImportPreview::setDuplicateAction(int gridRow, Action action) {
    QTableWidgetItem* item = GridDuplicates->item(gridRow, kActionColumn);
    if (!item)
        return;
    item->setData(kActionRole, static_cast<int>(action));
    item->setText(actionText(action));
}

Action TFormImportPreview::duplicateAction(int gridRow) const {
    const QTableWidgetItem* item = GridDuplicates->item(gridRow, kActionColumn);
    return item ? static_cast<Action>(item->data(kActionRole).toInt()) : Action::Skip;
}

void TFormImportPreview::setMergeMode(int gridRow, MergeMode mode) {
    QTableWidgetItem* item = GridDuplicates->item(gridRow, kModeColumn);
    if (!item)
        return;
    item->setData(kActionRole, static_cast<int>(mode));
    item->setText(modeText(mode));
}

MergeMode TFormImportPreview::mergeMode(int gridRow) const {
    const QTableWidgetItem* item = GridDuplicates->item(gridRow, kModeColumn);
    return item ? static_cast<MergeMode>(item->data(kActionRole).toInt()) : MergeMode::FillEmpty;
}

void TFormImportPreview::setAllMergeModes(MergeMode mode) {
    for (int r = 0; r < GridDuplicates->rowCount(); ++r)
        setMergeMode(r, mode);
}

// The last column follows the merge mode: it lists what that mode throws away.
void TFormImportPreview::showDropped(int gridRow) {
    QTableWidgetItem* item = GridDuplicates->item(gridRow, kDroppedColumn);
    if (!item || gridRow >= static_cast<int>(duplicateCards_.size()))
        return;
    const QString t = droppedText(plan_.cards[duplicateCards_[gridRow]].conflicts, mergeMode(gridRow), columnTitles_);
    if (item->text() != t) {
        item->setText(t);
        item->setToolTip(t);
    }
}

void TFormImportPreview::setAllDuplicates(Action action) {
    for (int r = 0; r < GridDuplicates->rowCount(); ++r)
        setDuplicateAction(r, action);
}

void TFormImportPreview::updateSummary() {
    int add = plan_.count(CardStatus::New);
    int merge = 0;
    for (int r = 0; r < GridDuplicates->rowCount(); ++r) {
        const Action a = duplicateAction(r);
        add += a == Action::Add ? 1 : 0;
        merge += a == Action::Merge ? 1 : 0;
    }
    const int dups = GridDuplicates->rowCount();
    const int refused = GridRefused->rowCount();
    PageControlImport->setTabText(0, text("M132", "Новые (%1)").arg(GridNew->rowCount()));
    PageControlImport->setTabText(1, text("M133", "Похожие на сохранённые (%1)").arg(dups));
    PageControlImport->setTabText(2, text("M134", "Не принятые (%1)").arg(refused));
    PageControlImport->setTabText(3, text("M135", "Новые группы (%1)").arg(plan_.newGroups.size()));
    PageControlImport->setTabText(PageControlImport->indexOf(GridCut),
                                  text("M151", "Обрезанные (%1)").arg(GridCut->rowCount()));
    QString summary = text("M110", "Будет добавлено контактов: %1, объединено: %2. Похожих на сохранённые: %3, "
                                   "не принято: %4. Всё записывается одной транзакцией: все записи или ни одной.")
                          .arg(add)
                          .arg(merge)
                          .arg(dups)
                          .arg(refused);
    if (plan_.csv.csv)
        summary += u'\n' + csvFactsText(plan_.csv);
    else if (!plan_.fileNotes.isEmpty())
        summary +=
            u'\n' +
            text("M136", "Неизвестные столбцы файла пропущены: %1").arg(plan_.fileNotes.join(QStringLiteral(", ")));
    LabelSummary->setText(summary);
    BitBtnImport->setEnabled(add + merge > 0 || !plan_.newGroups.isEmpty());
}

void TFormImportPreview::accept() {
    // A file whose values mostly have no place is likely not what the user meant to import.
    if (plan_.csv.mostlyUnknown() &&
        !msgbox::confirm(text("M188", "В %1 из %2 столбцов файла, где есть значения, нет места в контакте; их "
                                      "значения не будут сохранены: %3. Импортировать всё равно?")
                             .arg(plan_.csv.unknownFilled.size())
                             .arg(plan_.csv.filledColumns)
                             .arg(plan_.csv.unknownFilled.join(QStringLiteral(", ")))))
        return;
    for (int r = 0; r < GridDuplicates->rowCount(); ++r) {
        plan_.cards[duplicateCards_[r]].action = duplicateAction(r);
        plan_.cards[duplicateCards_[r]].mergeMode = mergeMode(r);
    }
    QDialog::accept();
}
