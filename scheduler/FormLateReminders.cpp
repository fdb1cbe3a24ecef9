#include "FormLateReminders.h"

#include "IniLang.h"
#include "ReminderEngine.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The language file's text of the key, else the built-in Russian one.
QString text(const char* key, const char* russian) {
    const QString k = QString::fromLatin1(key);
    const QString t = LangMessage(k, k);
    return t.isEmpty() || t == k ? QString::fromUtf8(russian) : t;
}

} // namespace

TFormLateReminders::TFormLateReminders(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormLateReminders"));
    setWindowTitle(text("M201", "Пропущенные напоминания"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    resize(560, 340);

    auto* layout = new QVBoxLayout(this);
    LabelCount = new QLabel(this);
    LabelCount->setObjectName(QStringLiteral("LabelCount"));
    LabelCount->setWordWrap(true);
    layout->addWidget(LabelCount);

    ListReminders = new QTableWidget(0, 4, this);
    ListReminders->setObjectName(QStringLiteral("ListReminders"));
    ListReminders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListReminders->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListReminders->setSelectionMode(QAbstractItemView::SingleSelection);
    ListReminders->verticalHeader()->hide();
    // Long texts wrap in their cells, a long word included, and the rows grow to hold them.
    ListReminders->setWordWrap(true);
    ListReminders->setTextElideMode(Qt::ElideNone);
    ListReminders->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ListReminders->setHorizontalHeaderLabels(
        {text("M202", "Задача"), text("M203", "Дата"), text("M204", "Время"), text("M205", "Описание")});
    QHeaderView* header = ListReminders->horizontalHeader();
    header->setStretchLastSection(true);
    header->resizeSection(0, 160);
    // The date and the time are shown whole; the task and the description wrap.
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(ListReminders, 1);

    auto* bar = new QHBoxLayout;
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    bar->addStretch(1);
    bar->addWidget(BitBtn1);
    bar->addStretch(1);
    layout->addLayout(bar);
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);

    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    updateCount();
}

void TFormLateReminders::addReminders(const std::vector<Reminder>& reminders) {
    for (const Reminder& r : reminders) {
        const int row = ListReminders->rowCount();
        ListReminders->insertRow(row);
        const QString texts[4] = {r.task, r.date, r.time, r.description};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setToolTip(texts[c]);
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            ListReminders->setItem(row, c, item);
        }
    }
    updateCount();
}

int TFormLateReminders::count() const {
    return ListReminders->rowCount();
}

void TFormLateReminders::updateCount() {
    LabelCount->setText(
        text("M206", "Напоминания, время которых пришло, пока программа не могла их показать: %1").arg(count()));
}
