#include "RefBook.h"

#include "DBNavigator.h"
#include "DMUnit.h"
#include "DataWindowBar.h"
#include "DatasetGridView.h"
#include "DbError.h"
#include "IniLang.h"
#include "MessageBoxes.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <stdexcept>

namespace refbook {

DataSource* source(TDM& dm, int kind) {
    switch (kind) {
    case BusinessLines:
        return dm.DSBusinessLine.get();
    case OrgRightForms:
        return dm.DSOrgRightForm.get();
    case JobPosts:
        return dm.DSJobPost.get();
    }
    throw std::out_of_range("unknown reference book");
}

QString caption(int kind) {
    static const QString keys[] = {QStringLiteral("M004"), QStringLiteral("M005"), QStringLiteral("M006")};
    if (kind < 0 || kind > 2)
        throw std::out_of_range("unknown reference book");
    return LangMessage(keys[kind], keys[kind]);
}

} // namespace refbook

namespace {

void openIfClosed(DatasetGridView* grid) {
    Dataset* d = grid->dataset();
    if (!d)
        throw std::runtime_error("no reference book bound");
    if (!d->isOpen())
        d->open();
}

} // namespace

// ---- the editor ----

TFormReferenceBook::TFormReferenceBook(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormReferenceBook"));
    setWindowTitle(QStringLiteral("Справочник"));
    resize(419, 375);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    DBGridEh1 = new DatasetGridView(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setEditable(true);
    layout->addWidget(DBGridEh1, 1);

    const DataWindowBar bar = makeDataWindowBar(this, QStringLiteral("Panel1"), 41, nullptr);
    DBNavigator1 = bar.navigator;
    BitBtn1 = bar.ok;
    BitBtn2 = bar.cancel;
    layout->addWidget(bar.panel);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(StatusBar1);

    connect(BitBtn1, &QPushButton::clicked, this, &TFormReferenceBook::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormReferenceBook::BitBtn2Click);
}

void TFormReferenceBook::setBook(DataSource* source) {
    DBGridEh1->setDataSource(source);
}

void TFormReferenceBook::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormReferenceBook::FormShow() {
    // The bar's captions in the language loaded last.
    BitBtn2->setText(LangText("M262", "Отмена"));
    try {
        openIfClosed(DBGridEh1);
        DBNavigator1->setDataSource(DBGridEh1->dataSource());
    } catch (...) {
        msgbox::showLastOsError();
    }
}

void TFormReferenceBook::BitBtn1Click() {
    DBGridEh1->commitOpenEditor();
    if (Dataset* d = DBGridEh1->dataset(); d && !postClosingWindow(*d))
        return; // refused: the window stays open on the typed entry
    done(QDialog::Accepted);
}

void TFormReferenceBook::BitBtn2Click() {
    DBGridEh1->discardOpenEditor();
    if (Dataset* d = DBGridEh1->dataset())
        cancelClosingWindow(*d);
    done(QDialog::Rejected);
}

void TFormReferenceBook::reject() {
    BitBtn2Click();
}

void TFormReferenceBook::closeEvent(QCloseEvent* event) {
    // The close box neither saves nor discards.
    event->accept();
    done(QDialog::Rejected);
}

// ---- the picker ----

TFormRefBookUse::TFormRefBookUse(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormRefBookUse"));
    resize(274, 376);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    DBGridEh1 = new DatasetGridView(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    layout->addWidget(DBGridEh1);
    // Every double-click in the grid picks, also on an empty book or below the last row, where the
    // view itself reports none.
    DBGridEh1->viewport()->installEventFilter(this);
}

bool TFormRefBookUse::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DBGridEh1->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        DBGridEh1DblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormRefBookUse::setBook(DataSource* source) {
    DBGridEh1->setDataSource(source);
}

void TFormRefBookUse::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormRefBookUse::FormShow() {
    try {
        openIfClosed(DBGridEh1);
        update();
    } catch (...) {
        msgbox::showLastOsError();
    }
}

void TFormRefBookUse::DBGridEh1DblClick() {
    Dataset* d = DBGridEh1->dataset();
    // The text column is the book's second column; an empty book gives an empty text.
    PickedValue = d && d->currentRow() >= 0 && d->fieldCount() > 1 ? d->displayText(d->currentRow(), 1) : QString();
    close();
}

void TFormRefBookUse::FormClose() {
    Dataset* d = DBGridEh1->dataset();
    if (!d || !d->isEditing())
        return;
    try {
        d->post();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}

void TFormRefBookUse::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    done(QDialog::Rejected);
}

void TFormRefBookUse::reject() {
    close();
}

// ---- the menu command ----

int RefBookShow(int kind, TDM& dm, TFormReferenceBook& form) {
    try {
        form.setBook(refbook::source(dm, kind));
        form.setWindowTitle(refbook::caption(kind));
        return form.exec();
    } catch (...) {
        msgbox::showLastOsError();
        return QDialog::Rejected;
    }
}
