#include "FormSearch.h"

#include "Cp1251.h"
#include "Dataset.h"
#include "DbError.h"
#include "FilterConditions.h"
#include "IndexedSearch.h"
#include "IniLang.h"
#include "MessageBoxes.h"
#include "PendingChange.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TFormSearch::TFormSearch(Dataset& tabMain, QWidget* parent) : QDialog(parent), tabMain_(tabMain) {
    setObjectName(QStringLiteral("FormSearch"));
    setWindowTitle(QStringLiteral("Поиск"));
    setFixedSize(299, 146);

    GroupBox1 = new QGroupBox(QStringLiteral("Искать в любом поле"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = new QLabel(QStringLiteral("Слово или номер"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    EditSchStr = new QLineEdit(GroupBox1);
    EditSchStr->setObjectName(QStringLiteral("EditSchStr"));
    Label1->setBuddy(EditSchStr);
    auto* box = new QVBoxLayout(GroupBox1);
    box->addWidget(Label1);
    box->addWidget(EditSchStr);

    BitBtn3 = new QPushButton(QStringLiteral("Поиск"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setDefault(true);
    BitBtn4 = new QPushButton(QStringLiteral("&Закрыть"), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn4);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(BitBtn3, &QPushButton::clicked, this, &TFormSearch::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormSearch::FormShow() {
    EditSchStr->clear();
    EditSchStr->setFocus();
}

void TFormSearch::BitBtn3Click() {
    // The database stores cp1251 only: a character beyond it could never match, and sent as "?"
    // it would match something else. The window stays open with the text as typed.
    const QString text = EditSchStr->text();
    if (const auto bad = cp1251::firstUnencodable(text)) {
        const qsizetype at = text.indexOf(*bad);
        msgbox::showError(LangText("M261", "Текст поиска содержит символ \"%1\", который база данных не может "
                                           "хранить, поэтому ни один контакт его не содержит")
                              .arg(text.mid(at, bad->isHighSurrogate() ? 2 : 1)));
        EditSchStr->setFocus();
        return;
    }
    // A change that cannot be saved is not read over; going back to it closes the search.
    if (!pendingchange::settleBeforeReread(tabMain_)) {
        reject();
        return;
    }
    const indexedsearch::Search search = indexedsearch::prepare(tabMain_.database(), text);
    const QString oldCondition = tabMain_.filter();
    const bool oldFlag = tabMain_.filtered();
    try {
        tabMain_.setFilterState(search.condition, true, search.drivingKeys);
    } catch (const DbError& e) {
        msgbox::showError(e.message());
        // The list the user had comes back rather than an empty, closed one.
        try {
            tabMain_.setFilterState(oldCondition, oldFlag);
            tabMain_.open();
        } catch (const DbError&) {
        }
        return;
    }
    accept();
}
