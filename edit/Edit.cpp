#include "Edit.h"

#include "Cp1251.h"
#include "DBNavigator.h"
#include "DMUnit.h"
#include "DataBindings.h"
#include "DataWindowBar.h"
#include "DbControls.h"
#include "DbError.h"
#include "MessageBoxes.h"
#include "PhotoLoader.h"
#include "RefBook.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "servis.h"

namespace {

const char* const kFotoLink = "FOTOLINK";

} // namespace

TFormEdit::TFormEdit(TDM& dm, TFormRefBookUse& picker, QWidget* parent)
    : QDialog(parent), dm_(dm), picker_(picker), bindings_(new DataBindings(dm.DSMain.get(), this)) {
    setObjectName(QStringLiteral("FormEdit"));
    setWindowTitle(QStringLiteral("Редактирование"));
    resize(427, 506);

    choosePhotoFile = [](QWidget* owner) {
        return QFileDialog::getOpenFileName(owner, QString(), QString(), photo::dialogFilter());
    };
    communicate = [](QWidget* box) { CommunicateByTag(box); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->tabBar()->setMouseTracking(true); // tabs highlight under the mouse
    layout->addWidget(PageControl1, 1);

    buildPages();

    const DataWindowBar bar = makeDataWindowBar(this, QStringLiteral("Panel1"), 43, dm_.DSMain.get(), 64);
    DBNavigator1 = bar.navigator;
    BitBtn1 = bar.ok;
    BitBtn2 = bar.cancel;
    // A click leaves the focus in the box being typed in, so a half-typed date is judged by the
    // button's own rule (OK: refused, Cancel: dropped), not by the box losing the focus.
    for (QPushButton* b : {BitBtn1, BitBtn2})
        b->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(bar.panel);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(StatusBar1);

    connect(BitBtn1, &QPushButton::clicked, this, &TFormEdit::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormEdit::BitBtn2Click);

    // Moving to another contact inside the editor (the navigator) shows that contact's picture, or
    // none; only the opening reports a picture that cannot be read, so a row that changes on the way
    // out (Cancel dropping a new contact) never names another contact's file.
    Dataset* contacts = dm_.TabMain.get();
    connect(contacts, &Dataset::currentChanged, this, [this] {
        if (isVisible())
            showPhotoOfRow(false);
    });
    connect(contacts, &Dataset::rowChanged, this, [this] {
        if (isVisible() && photoLink() != shownLink_)
            showPhotoSilently();
    });
}

bool TFormEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == ImageFoto) {
            ImageFotoDblClick();
            return true;
        }
        QWidget* box = qobject_cast<QWidget*>(watched);
        if (box && qobject_cast<QPlainTextEdit*>(box->parentWidget()))
            box = box->parentWidget(); // the memo's viewport
        if (box) {
            if (pickBoxes_.contains(box))
                RunCoomunication(box);
            else
                DBEdit40DblClick(box);
        }
    }
    return QDialog::eventFilter(watched, event);
}

QList<QWidget*> TFormEdit::boxesOf(const QString& fieldName) const {
    QList<QWidget*> list;
    for (const auto& [field, box] : boxes_)
        if (field.compare(fieldName, Qt::CaseInsensitive) == 0)
            list << box;
    return list;
}

QWidget* TFormEdit::pageOf(const QWidget* box) const {
    for (int i = 0; i < PageControl1->count(); ++i)
        if (PageControl1->widget(i)->isAncestorOf(box))
            return PageControl1->widget(i);
    return nullptr;
}

// ---- opening and closing ----

void TFormEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormEdit::FormShow() {
    bindings_->refresh();
    showPhotoOfRow(true);
}

DateBox* TFormEdit::unreadableDate() const {
    for (DateBox* date : findChildren<DateBox*>())
        if (date->hasUnreadableText())
            return date;
    return nullptr;
}

void TFormEdit::dropUnreadableDates() {
    if (unreadableDate())
        bindings_->refresh();
}

void TFormEdit::BitBtn1Click() {
    // A date that cannot be read is not saved as the old one: the editor stays open on that box.
    if (DateBox* date = unreadableDate()) {
        if (QWidget* page = pageOf(date))
            PageControl1->setCurrentWidget(page);
        date->lineEdit()->setFocus(Qt::OtherFocusReason);
        date->lineEdit()->selectAll();
        msgbox::showError(QStringLiteral("'%1' is not a valid date").arg(date->lineEdit()->text().trimmed()));
        return;
    }
    if (!postClosingWindow(*dm_.TabMain)) {
        // Refused (another copy changed the contact, a character the database cannot store, a
        // database error): the editor stays open with the typed values.
        showRefusedBox();
        return;
    }
    done(QDialog::Accepted);
}

void TFormEdit::showRefusedBox() {
    const Dataset& contacts = *dm_.TabMain;
    for (const auto& [field, box] : boxes_) {
        const QVariant v = contacts.value(field);
        if (v.typeId() != QMetaType::QString || !cp1251::firstUnencodable(v.toString()))
            continue;
        if (QWidget* page = pageOf(box))
            PageControl1->setCurrentWidget(page);
        box->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void TFormEdit::BitBtn2Click() {
    cancelClosingWindow(*dm_.TabMain);
    dropUnreadableDates();
    done(QDialog::Rejected);
}

void TFormEdit::reject() {
    BitBtn2Click();
}

void TFormEdit::closeEvent(QCloseEvent* event) {
    // The close box neither saves nor discards: a pending change waits for the cursor to move. A
    // date that cannot be read was never stored; the box shows the stored one again.
    event->accept();
    dropUnreadableDates();
    done(QDialog::Rejected);
}

// ---- the photograph ----

QString TFormEdit::photoLink() const {
    const Dataset& contacts = *dm_.TabMain;
    return contacts.isOpen() ? contacts.text(QString::fromLatin1(kFotoLink)) : QString();
}

void TFormEdit::showPhotoOfRow(bool reportUnreadable) {
    // Never the previous contact's picture: the box is emptied before anything is read.
    ImageFoto->clear();
    const QString link = photoLink();
    shownLink_ = link;
    QImage image;
    switch (photo::load(link, ImageFoto->size(), image)) {
    case photo::Result::Shown:
        ImageFoto->setPixmap(QPixmap::fromImage(image));
        break;
    case photo::Result::NotAPicture:
        break;
    case photo::Result::Unreadable:
        if (reportUnreadable)
            msgbox::showError(QStringLiteral("Cannot open file %1").arg(link));
        break;
    }
}

void TFormEdit::showPhotoSilently() {
    const QString link = photoLink();
    shownLink_ = link;
    if (link.isEmpty()) {
        ImageFoto->clear();
        return;
    }
    // A link that shows nothing leaves the box as it was.
    QImage image;
    if (photo::load(link, ImageFoto->size(), image) == photo::Result::Shown)
        ImageFoto->setPixmap(QPixmap::fromImage(image));
}

void TFormEdit::ImageFotoDblClick() {
    AddPhoto1Click();
}

void TFormEdit::AddPhoto1Click() {
    const QString file = choosePhotoFile ? choosePhotoFile(this) : QString();
    if (file.isEmpty())
        return;
    try {
        Dataset& contacts = *dm_.TabMain;
        if (!contacts.isEditing())
            contacts.edit();
        contacts.setValue(QString::fromLatin1(kFotoLink), file);
        showPhotoSilently();
    } catch (...) {
        // Choosing a picture never reports: the link stays stored even when nothing can be shown.
    }
}

void TFormEdit::DelPhoto1Click() {
    ImageFoto->clear();
    try {
        Dataset& contacts = *dm_.TabMain;
        if (!contacts.isEditing())
            contacts.edit();
        contacts.setValue(QString::fromLatin1(kFotoLink), QString());
        shownLink_.clear();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}

// ---- reference books ----

void TFormEdit::RefBookUseProc(int kind) {
    QWidget* target = focusWidget(); // the box whose «…» was pressed; the picker takes the focus
    Dataset& contacts = *dm_.TabMain;
    if (!contacts.isEditing())
        contacts.edit();
    picker_.PickedValue.clear();
    picker_.setBook(refbook::source(dm_, kind));
    picker_.setWindowTitle(refbook::caption(kind));
    picker_.execModal();
    try {
        // Taken as if typed; the field's entry limit cuts a longer entry.
        bindings_->typeText(target, picker_.PickedValue);
    } catch (...) {
    }
}

namespace {

template <typename F> void reportingLastOsError(F&& f) {
    try {
        f();
    } catch (...) {
        msgbox::showLastOsError();
    }
}

} // namespace

void TFormEdit::BusinessLineUse() {
    reportingLastOsError([this] { RefBookUseProc(refbook::BusinessLines); });
}

void TFormEdit::OrgRightFormUse() {
    reportingLastOsError([this] { RefBookUseProc(refbook::OrgRightForms); });
}

void TFormEdit::JobPostUse() {
    reportingLastOsError([this] { RefBookUseProc(refbook::JobPosts); });
}

// ---- communication ----

void TFormEdit::DBEdit40DblClick(QWidget* box) {
    if (communicate)
        communicate(box);
}

void TFormEdit::RunCoomunication(QWidget* box) {
    if (communicate)
        communicate(box);
}
