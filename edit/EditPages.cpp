// The contact editor's pages: the controls of each page with their captions, tags, widths and tab
// order. The editor's behaviour is in Edit.cpp.
#include "Edit.h"

#include "DMUnit.h"
#include "DataBindings.h"
#include "DbControls.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Widths in average characters: a date as the box shows it, and the widest line of a page.
constexpr int kDateChars = 11;
constexpr int kLineChars = 110;
constexpr int kSideButtonWidth = 20;

} // namespace

void TFormEdit::buildPages() {
    using K = Kind;
    // Rows top to bottom, boxes left to right; the tab order is the order of each table.
    const std::vector<Entry> mainPage{
        {1, "FAM", K::Text, "Фамилия"},
        {1, "FIRST_NAME", K::Text, "Имя"},
        {1, "MID_NAME", K::Text, "Отчество"},
        {2, "JOB_ORG", K::Text, "Организация"},
        {2, "OCCUPATION", K::Text, "Род деятельности"},
        {3, "JOB_POST", K::PickJobPost, "Должность"},
        {3, "Departament", K::Text, "Подразделение"},
        {4, "GROUP_NAME", K::List, "Группа"},
        {4, "COUNTRY", K::Text, "Страна"},
        {4, "JOB_ADDRESS", K::Text, "Рабочий адрес"},
        {5, "AREA_CODE", K::Text, "Код"},
        {5, "JOB_TEL1", K::Text, "Рабочий тел", 100},
        {5, "JOB_TEL2", K::Text, "Рабочий тел 2", 100},
        {6, "JOB_FAX", K::Text, "Факс р.", 100},
        {6, "HOME_TEL1", K::Text, "Домашний тел", 100},
        {6, "HOME_FAX", K::Text, "Факс д.", 100},
        {7, "CELLULAR", K::Text, "Сотовый", 100},
        {7, "PAGER", K::Text, "Пэйджер"},
        {8, "JOB_EMAIL", K::Text, "Рабочий e-mail", 200},
        {8, "HOME_EMAIL", K::Text, "Домашний e-mail", 200},
        {9, "BITHDAY", K::Date, "День рожденья"},
    };
    const std::vector<Entry> workPage{
        {1, "JOB_ORG", K::Text, "Организация"},
        {1, "OCCUPATION", K::PickBusinessLine, "Род деятельности"},
        {1, "JOBRIGHTFORM", K::PickOrgRightForm, "Орг. правовая форма"},
        {2, "FAM", K::Text, "Фамилия"},
        {2, "FIRST_NAME", K::Text, "Имя"},
        {2, "MID_NAME", K::Text, "Отчество"},
        {3, "JOB_POST", K::PickJobPost, "Должность"},
        {3, "Departament", K::Text, "Подразделение"},
        {3, "GROUP_NAME", K::List, "Группа"},
        {3, "COUNTRY", K::Text, "Страна"},
        {4, "JOB_ADDRESS", K::Text, "Рабочий адрес"},
        {4, "JOB_CITY", K::Text, "Город"},
        {4, "JOB_ST", K::Text, "Улица"},
        {4, "JOB_ZIP", K::Text, "Индекс"},
        {5, "AREA_CODE", K::Text, "Код"},
        {5, "JOB_TEL1", K::Text, "Рабочий тел", 100},
        {5, "JOB_TEL2", K::Text, "Рабочий тел 2", 100},
        {5, "JOB_TEL3", K::Text, "Рабочий тел 3", 100},
        {6, "JOB_TEL4", K::Text, "Рабочий тел 4", 100},
        {6, "JOB_FAX", K::Text, "Факс р.", 100},
        {6, "CELLULAR", K::Text, "Сотовый", 100},
        {7, "PAGER", K::Text, "Пэйджер"},
        {7, "JOB_EMAIL", K::Text, "Рабочий e-mail", 200},
        {7, "JOB_ICQ", K::Text, "ICQ", 400},
        {8, "JOB_WWW", K::Text, "Рабочий www", 300},
    };
    const std::vector<Entry> homePage{
        {1, "FAM", K::Text, "Фамилия"},
        {1, "FIRST_NAME", K::Text, "Имя"},
        {1, "MID_NAME", K::Text, "Отчество"},
        {2, "HOME_ADDRESS", K::Text, "Домашний  адрес"},
        {2, "HOME_CITY", K::Text, "Город"},
        {2, "HOME_ST", K::Text, "Улица"},
        {2, "HOME_ZIP", K::Text, "Индекс"},
        {3, "AREA_CODE", K::Text, "Код"},
        {3, "HOME_TEL1", K::Text, "Домашний тел", 100},
        {3, "HOME_TEL2", K::Text, "Домашний тел 2", 100},
        {4, "HOME_FAX", K::Text, "Факс д.", 100},
        {4, "CELLULAR", K::Text, "Сотовый", 100},
        {4, "PAGER", K::Text, "Пэйджер"},
        {5, "HOME_EMAIL", K::Text, "Домашний e-mail", 200},
        {5, "HOME_ICQ", K::Text, "ICQ", 400},
        {6, "HOME_WWW", K::Text, "Домашний www", 300},
        {7, "BITHDAY", K::Date, "День рожденья"},
    };
    PageControl1->addTab(buildPage(QStringLiteral("TabSheet1"), QStringLiteral("Основные"), mainPage),
                         QStringLiteral("Основные"));
    PageControl1->addTab(buildPage(QStringLiteral("TabSheet2"), QStringLiteral("Работа"), workPage),
                         QStringLiteral("Работа"));
    PageControl1->addTab(buildPage(QStringLiteral("TabSheet3"), QStringLiteral("Дом"), homePage),
                         QStringLiteral("Дом"));
    auto* friends = new QWidget(PageControl1);
    friends->setObjectName(QStringLiteral("TabSheet4"));
    PageControl1->addTab(friends, QStringLiteral("Друзья"));
    PageControl1->setTabVisible(3, false);
    PageControl1->addTab(buildOtherPage(), QStringLiteral("Разное"));
    // The first opening shows "Разное"; later ones the page last shown.
    PageControl1->setCurrentIndex(4);
}

QLabel* TFormEdit::makeLabel(const QString& caption, QWidget* page) {
    auto* label = new QLabel(caption, page);
    label->setObjectName(QStringLiteral("Label%1").arg(++labels_));
    label->setMinimumWidth(0);
    return label;
}

QWidget* TFormEdit::makeControl(const Entry& e, QWidget* page) {
    const QString field = QString::fromUtf8(e.field);
    QWidget* box = nullptr;    // what takes the focus and carries the tag
    QWidget* widget = nullptr; // what the layout holds
    switch (e.kind) {
    case Kind::Text: {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("DBEdit%1").arg(++edits_));
        bindings_->bindText(edit, field);
        box = widget = edit;
        watchDoubleClick(edit, false);
        break;
    }
    case Kind::PickBusinessLine:
    case Kind::PickOrgRightForm:
    case Kind::PickJobPost: {
        auto* pick = new PickEdit(page);
        pick->setObjectName(QStringLiteral("RxDBComboEdit%1").arg(++picks_));
        pick->lineEdit()->setObjectName(pick->objectName() + QStringLiteral("Edit"));
        bindings_->bindPick(pick, field);
        const Kind kind = e.kind;
        connect(pick, &PickEdit::pickRequested, this, [this, kind] {
            if (kind == Kind::PickBusinessLine)
                BusinessLineUse();
            else if (kind == Kind::PickOrgRightForm)
                OrgRightFormUse();
            else
                JobPostUse();
        });
        box = pick->lineEdit();
        widget = pick;
        watchDoubleClick(box, true);
        break;
    }
    case Kind::List: {
        auto* combo = new QComboBox(page);
        combo->setObjectName(QStringLiteral("DBLookupComboBox%1").arg(++lists_));
        bindings_->bindLookup(combo, field);
        box = widget = combo;
        break;
    }
    case Kind::Date: {
        auto* date = new DateBox(page);
        date->setObjectName(QStringLiteral("DBDateEdit%1").arg(++dates_));
        date->lineEdit()->setObjectName(date->objectName() + QStringLiteral("Edit"));
        bindings_->bindDate(date, field);
        box = date->lineEdit();
        widget = date;
        watchDoubleClick(box, false);
        break;
    }
    case Kind::Memo: {
        auto* memo = new QPlainTextEdit(page);
        memo->setObjectName(QStringLiteral("DBMemo1"));
        memo->setTabChangesFocus(true);
        bindings_->bindMemo(memo, field);
        box = widget = memo;
        watchDoubleClick(memo, false);
        break;
    }
    }
    box->setProperty("Tag", e.tag);
    if (box != widget)
        widget->setProperty("Tag", e.tag);
    widget->setMinimumWidth(24);
    boxes_.append({field, box});
    return widget;
}

int TFormEdit::typicalWidth(const Entry& e) const {
    // A short column (phones, codes) shows its whole entry limit; a longer one as much as its values
    // usually take, so that a full page still fits a modest screen.
    const Field* f = dm_.TabMain->findField(QString::fromUtf8(e.field));
    int chars = kDateChars;
    if (e.kind != Kind::Date) {
        const int limit = f && f->size() > 0 ? f->size() : 30;
        chars = limit <= 30 ? limit : 30 + (limit - 30) / 3;
    }
    const QFontMetrics fm(font());
    // Frame and text margins of the box; a «…» or calendar button beside it.
    int width = fm.averageCharWidth() * chars + 14;
    if (e.kind != Kind::Text && e.kind != Kind::Memo)
        width += kSideButtonWidth;
    return width;
}

QWidget* TFormEdit::buildPage(const QString& objectName, const QString& title, const std::vector<Entry>& entries) {
    auto* page = new QWidget(PageControl1);
    page->setObjectName(objectName);
    page->setAccessibleName(title);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(0);
    // A designed row too wide for the page continues on the next line, in the same order.
    const int lineWidth = QFontMetrics(font()).averageCharWidth() * kLineChars;
    constexpr int kSpacing = 6;
    QHBoxLayout* line = nullptr;
    int rowNumber = 0, used = 0, inLine = 0;
    bool lastIsDate = false;
    QWidget* previous = nullptr;
    auto closeLine = [&] {
        if (!line)
            return;
        // A lone date box keeps about its own width rather than the whole line's.
        if (inLine == 1 && lastIsDate)
            line->addStretch(lineWidth - used);
    };
    for (const Entry& e : entries) {
        const int width = typicalWidth(e);
        if (e.row != rowNumber || (inLine > 0 && used + kSpacing + width > lineWidth)) {
            closeLine();
            if (line)
                column->addStretch(1); // spare height goes between the lines, not below the last
            line = new QHBoxLayout;
            line->setSpacing(kSpacing);
            column->addLayout(line);
            rowNumber = e.row;
            used = 0;
            inLine = 0;
        }
        auto* cell = new QVBoxLayout;
        cell->setSpacing(1);
        QWidget* control = makeControl(e, page);
        control->setMinimumWidth(width);
        QLabel* label = makeLabel(QString::fromUtf8(e.caption), page);
        label->setBuddy(control);
        cell->addWidget(label);
        cell->addWidget(control);
        line->addLayout(cell, width);
        used += (inLine > 0 ? kSpacing : 0) + width;
        ++inLine;
        lastIsDate = e.kind == Kind::Date;
        QWidget* focus = boxes_.last().second;
        if (previous)
            setTabOrder(previous, focus);
        previous = focus;
    }
    closeLine();
    return page;
}

QWidget* TFormEdit::buildOtherPage() {
    auto* page = new QWidget(PageControl1);
    page->setObjectName(QStringLiteral("TabSheet5"));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);

    auto* left = new QVBoxLayout;
    left->setSpacing(1);
    const Entry entries[] = {
        {1, "NICKNAME", Kind::Text, "Прозвище"},
        {2, "BITHDAY", Kind::Date, "День рожденья"},
        {3, "OTHER_COMMUN", Kind::Text, "Другие виды связи"},
    };
    QWidget* previous = nullptr;
    for (const Entry& e : entries) {
        QWidget* control = makeControl(e, page);
        control->setMinimumWidth(typicalWidth(e));
        if (e.kind == Kind::Date)
            control->setMaximumWidth(typicalWidth(e) * 2);
        QLabel* label = makeLabel(QString::fromUtf8(e.caption), page);
        label->setBuddy(control);
        left->addWidget(label);
        left->addWidget(control);
        left->addSpacing(4);
        if (previous)
            setTabOrder(previous, boxes_.last().second);
        previous = boxes_.last().second;
    }
    left->addStretch(1);
    grid->addLayout(left, 0, 0);

    // The photograph: right, top, its caption below it.
    auto* photoColumn = new QVBoxLayout;
    photoColumn->setSpacing(1);
    ImageFoto = new QLabel(page);
    ImageFoto->setObjectName(QStringLiteral("ImageFoto"));
    ImageFoto->setFixedSize(105, 117);
    ImageFoto->setFrameShape(QFrame::Box);
    ImageFoto->setAlignment(Qt::AlignCenter);
    ImageFoto->setScaledContents(true);
    ImageFoto->setToolTip(QStringLiteral("дважды щёлкните мышью\nдля выбора фотографии"));
    ImageFoto->installEventFilter(this);
    ImageFoto->setContextMenuPolicy(Qt::CustomContextMenu);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    AddPhoto1 = PopupMenu1->addAction(QStringLiteral("Add Photo"));
    AddPhoto1->setObjectName(QStringLiteral("AddPhoto1"));
    EditPhoto1 = PopupMenu1->addAction(QStringLiteral("Edit Photo"));
    EditPhoto1->setObjectName(QStringLiteral("EditPhoto1"));
    DelPhoto1 = PopupMenu1->addAction(QStringLiteral("Del Photo"));
    DelPhoto1->setObjectName(QStringLiteral("DelPhoto1"));
    connect(AddPhoto1, &QAction::triggered, this, &TFormEdit::AddPhoto1Click);
    connect(EditPhoto1, &QAction::triggered, this, &TFormEdit::AddPhoto1Click);
    connect(DelPhoto1, &QAction::triggered, this, &TFormEdit::DelPhoto1Click);
    connect(ImageFoto, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ImageFoto->mapToGlobal(at)); });
    photoColumn->addWidget(ImageFoto, 0, Qt::AlignHCenter);
    QLabel* photoCaption = makeLabel(QStringLiteral("Фотография"), page);
    photoCaption->setAlignment(Qt::AlignHCenter);
    photoColumn->addWidget(photoCaption);
    photoColumn->addStretch(1);
    grid->addLayout(photoColumn, 0, 1);

    const Entry notes{4, "NOTES", Kind::Memo, "Примечания"};
    QWidget* memo = makeControl(notes, page);
    setTabOrder(previous, memo);
    grid->addWidget(makeLabel(QString::fromUtf8(notes.caption), page), 1, 0, 1, 2);
    grid->addWidget(memo, 2, 0, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    return page;
}

void TFormEdit::watchDoubleClick(QWidget* box, bool pick) {
    if (auto* memo = qobject_cast<QPlainTextEdit*>(box))
        memo->viewport()->installEventFilter(this);
    else
        box->installEventFilter(this);
    if (pick)
        pickBoxes_.append(box);
}
