#include "DBNavigator.h"
#include "DataBindings.h"
#include "DatasetGridView.h"
#include "DbControls.h"
#include "Edit.h"
#include "EditFixture.h"
#include "IniLang.h"
#include "PendingChange.h"
#include "RefBook.h"

#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <utility>

using edittest::Boxes;
using edittest::Db;

namespace {

QLineEdit* lineEdit(QWidget* box) {
    auto* edit = qobject_cast<QLineEdit*>(box);
    Q_ASSERT(edit);
    return edit;
}

// Sends every character as a key event carrying its text, as a keyboard would (Cyrillic and
// characters outside the BMP included).
void typeText(QWidget* w, const QString& text) {
    for (int i = 0; i < text.size(); ++i) {
        QString ch = text.mid(i, 1);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            ch = text.mid(i++, 2);
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, ch, Qt::NoModifier);
    }
}

QString makePhoto(const QString& folder, const QString& name, const QColor& color) {
    QImage image(120, 140, QImage::Format_RGB32);
    image.fill(color);
    for (int y = 20; y < 60; ++y)
        for (int x = 40; x < 80; ++x)
            image.setPixelColor(x, y, Qt::white);
    const QString path = folder + name;
    image.save(path, "JPEG");
    return path;
}

// The picker is modal: it is driven once its own event loop runs.
void whenPickerOpens(TFormRefBookUse& picker, std::function<void()> action) {
    QTimer::singleShot(0, &picker, [&picker, action] {
        QVERIFY(picker.isVisible());
        action();
    });
}

void doubleClickRow(DatasetGridView* grid, int row) {
    const QModelIndex index = grid->model()->index(row, 0);
    grid->setCurrentIndex(index);
    const QPoint at = grid->visualRect(index).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestFormEdit : public QObject {
    Q_OBJECT

    std::unique_ptr<Db> db_;
    std::unique_ptr<Boxes> boxes_;
    std::unique_ptr<TFormRefBookUse> picker_;
    std::unique_ptr<TFormEdit> form_;

    Dataset& contacts() { return db_->contacts(); }
    QLineEdit* box(const QString& field, int nth = 0) { return lineEdit(form_->boxesOf(field).value(nth)); }
    PickEdit* pickOf(QWidget* box) { return qobject_cast<PickEdit*>(box->parentWidget()); }

private Q_SLOTS:
    void init() {
        db_ = std::make_unique<Db>();
        boxes_ = std::make_unique<Boxes>();
        picker_ = std::make_unique<TFormRefBookUse>();
        form_ = std::make_unique<TFormEdit>(*db_->dm, *picker_);
        form_->choosePhotoFile = [](QWidget*) { return QString(); };
    }
    void cleanup() {
        form_.reset();
        picker_.reset();
        boxes_.reset();
        db_.reset();
    }

    void windowLayout() {
        QCOMPARE(form_->objectName(), QStringLiteral("FormEdit"));
        QCOMPARE(form_->windowTitle(), QStringLiteral("Редактирование"));
        // At least the designed size, and large enough for the pages' boxes, yet on a 1024 x 768 screen.
        QVERIFY(form_->width() >= 427 && form_->height() >= 506);
        QVERIFY(form_->minimumSizeHint().width() <= 1000 && form_->minimumSizeHint().height() <= 700);
        QTabWidget* pages = form_->PageControl1;
        QCOMPARE(pages->count(), 5);
        const QStringList titles{"Основные", "Работа", "Дом", "Друзья", "Разное"};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(pages->tabText(i), titles[i]);
        QVERIFY(!pages->isTabVisible(3));
        QCOMPARE(form_->BitBtn1->text(), QStringLiteral("&Ok"));
        QCOMPARE(form_->BitBtn2->text(), QStringLiteral("Отмена"));
        QCOMPARE(form_->ImageFoto->size(), QSize(105, 117));
        QCOMPARE(form_->ImageFoto->toolTip(), QStringLiteral("дважды щёлкните мышью\nдля выбора фотографии"));
        QCOMPARE(form_->PopupMenu1->actions().size(), 3);
        QCOMPARE(form_->AddPhoto1->text(), QStringLiteral("Add Photo"));
        QCOMPARE(form_->EditPhoto1->text(), QStringLiteral("Edit Photo"));
        QCOMPARE(form_->DelPhoto1->text(), QStringLiteral("Del Photo"));
        QCOMPARE(form_->DBNavigator1->hints(), DBNavigator::defaultHints());
    }

    void controlsPerPage_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QList<int>>("pages");
        QTest::addColumn<int>("tag");
        QTest::newRow("FAM") << "FAM" << QList<int>{0, 1, 2} << 0;
        QTest::newRow("OCCUPATION") << "OCCUPATION" << QList<int>{0, 1} << 0;
        QTest::newRow("JOB_POST") << "JOB_POST" << QList<int>{0, 1} << 0;
        QTest::newRow("JOBRIGHTFORM") << "JOBRIGHTFORM" << QList<int>{1} << 0;
        QTest::newRow("GROUP_NAME") << "GROUP_NAME" << QList<int>{0, 1} << 0;
        QTest::newRow("AREA_CODE") << "AREA_CODE" << QList<int>{0, 1, 2} << 0;
        QTest::newRow("JOB_TEL1") << "JOB_TEL1" << QList<int>{0, 1} << 100;
        QTest::newRow("JOB_TEL3") << "JOB_TEL3" << QList<int>{1} << 100;
        QTest::newRow("HOME_TEL2") << "HOME_TEL2" << QList<int>{2} << 100;
        QTest::newRow("CELLULAR") << "CELLULAR" << QList<int>{0, 1, 2} << 100;
        QTest::newRow("PAGER") << "PAGER" << QList<int>{0, 1, 2} << 0;
        QTest::newRow("JOB_EMAIL") << "JOB_EMAIL" << QList<int>{0, 1} << 200;
        QTest::newRow("HOME_EMAIL") << "HOME_EMAIL" << QList<int>{0, 2} << 200;
        QTest::newRow("JOB_WWW") << "JOB_WWW" << QList<int>{1} << 300;
        QTest::newRow("HOME_WWW") << "HOME_WWW" << QList<int>{2} << 300;
        QTest::newRow("JOB_ICQ") << "JOB_ICQ" << QList<int>{1} << 400;
        QTest::newRow("HOME_ICQ") << "HOME_ICQ" << QList<int>{2} << 400;
        QTest::newRow("BITHDAY") << "BITHDAY" << QList<int>{0, 2, 4} << 0;
        QTest::newRow("NICKNAME") << "NICKNAME" << QList<int>{4} << 0;
        QTest::newRow("OTHER_COMMUN") << "OTHER_COMMUN" << QList<int>{4} << 0;
        QTest::newRow("NOTES") << "NOTES" << QList<int>{4} << 0;
    }
    void controlsPerPage() {
        QFETCH(QString, field);
        QFETCH(QList<int>, pages);
        QFETCH(int, tag);
        const QList<QWidget*> found = form_->boxesOf(field);
        QCOMPARE(found.size(), pages.size());
        for (int i = 0; i < found.size(); ++i) {
            QCOMPARE(form_->PageControl1->indexOf(form_->pageOf(found[i])), pages[i]);
            QCOMPARE(found[i]->property("Tag").toInt(), tag);
        }
    }

    void pickButtonsOnlyWhereDesigned() {
        // OCCUPATION: plain on the first page, with «…» on "Работа".
        QVERIFY(!pickOf(box("OCCUPATION", 0)));
        QVERIFY(pickOf(box("OCCUPATION", 1)));
        QVERIFY(pickOf(box("JOB_POST", 0)));
        QVERIFY(pickOf(box("JOB_POST", 1)));
        QVERIFY(pickOf(box("JOBRIGHTFORM")));
    }

    void tabOrderFollowsTheTable() {
        QWidget* w = box("FAM", 0);
        const QStringList expected{"FIRST_NAME", "MID_NAME",    "JOB_ORG",   "OCCUPATION",
                                   "JOB_POST",   "Departament", "GROUP_NAME"};
        for (const QString& field : expected) {
            w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus))
                w = w->nextInFocusChain();
            QCOMPARE(form_->bindings()->fieldOf(w), field);
        }
    }

    void firstOpeningShowsOtherPageLaterTheLastOne() {
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        QCOMPARE(form_->PageControl1->currentIndex(), 4);
        form_->PageControl1->setCurrentIndex(1);
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        form_->show();
        QCOMPARE(form_->PageControl1->currentIndex(), 1);
        form_->BitBtn2Click();
    }

    void addThenOkStoresTheRow() {
        contacts().append();
        const int key = contacts().value("NUM_MAIN").toInt();
        form_->show();
        QTest::keyClicks(box("FAM"), "Smith");
        typeText(box("FIRST_NAME"), QStringLiteral("Иван"));
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        QCOMPARE(contacts().state(), Dataset::State::Browse);
        db_->reread(contacts());
        QCOMPARE(contacts().rowCount(), 1);
        QCOMPARE(contacts().value("NUM_MAIN").toInt(), key);
        QCOMPARE(contacts().value("FAM").toString(), QStringLiteral("Smith"));
        QCOMPARE(contacts().value("FIRST_NAME").toString(), QStringLiteral("Иван"));
    }

    void addThenCancelDropsTheRowAndUsesUpItsKey() {
        contacts().append();
        const int key = contacts().value("NUM_MAIN").toInt();
        form_->show();
        QTest::keyClicks(box("FAM"), "Dropped");
        QTest::keyClick(form_.get(), Qt::Key_Escape);
        QVERIFY(!form_->isVisible());
        QCOMPARE(contacts().rowCount(), 0);
        contacts().append();
        QCOMPARE(contacts().value("NUM_MAIN").toInt(), key + 1);
        contacts().cancel();
        db_->reread(contacts());
        QCOMPARE(contacts().rowCount(), 0);
    }

    void okWithoutChangesSavesNothing() {
        db_->addContact({{"FAM", "Petrov"}});
        QSignalSpy changed(&contacts(), &Dataset::rowChanged);
        form_->show();
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(contacts().state(), Dataset::State::Browse);
        QVERIFY(boxes_->shown.isEmpty());
    }

    void closeBoxLeavesTheChangePendingUntilTheCursorMoves() {
        db_->addContact({{"FAM", "First"}});
        db_->addContact({{"FAM", "Second"}});
        contacts().first();
        form_->show();
        QTest::keyClicks(box("NICKNAME"), "Nick");
        form_->close();
        QVERIFY(!form_->isVisible());
        QCOMPARE(contacts().state(), Dataset::State::Edit);
        QCOMPARE(contacts().value("NICKNAME").toString(), QStringLiteral("Nick"));
        contacts().next();
        QCOMPARE(contacts().state(), Dataset::State::Browse);
        db_->reread(contacts());
        QVERIFY(contacts().locate("FAM", QStringLiteral("First")));
        QCOMPARE(contacts().value("NICKNAME").toString(), QStringLiteral("Nick"));
    }

    void sameColumnOnSeveralPagesShowsOneValue_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("typedInto");
        QTest::newRow("surname, first page") << "FAM" << 0;
        QTest::newRow("surname, home page") << "FAM" << 2;
        QTest::newRow("business line, work page pick box") << "OCCUPATION" << 1;
        QTest::newRow("job post, first page pick box") << "JOB_POST" << 0;
        QTest::newRow("mobile") << "CELLULAR" << 1;
    }
    void sameColumnOnSeveralPagesShowsOneValue() {
        QFETCH(QString, field);
        QFETCH(int, typedInto);
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        QLineEdit* typed = box(field, typedInto);
        typed->clear();
        QTest::keyClicks(typed, "abc");
        for (QWidget* other : form_->boxesOf(field))
            QCOMPARE(lineEdit(other)->text(), QStringLiteral("abc"));
        QCOMPARE(contacts().value(field).toString(), QStringLiteral("abc"));
        form_->BitBtn2Click();
        for (QWidget* other : form_->boxesOf(field))
            QCOMPARE(lineEdit(other)->text(), field == "FAM" ? QStringLiteral("Petrov") : QString());
    }

    void longSurnameIsCutAtTheEntryLimit() {
        contacts().append();
        form_->show();
        QTest::keyClicks(box("FAM"), QString(50, u'x'));
        QCOMPARE(box("FAM")->text().size(), 30);
        QCOMPARE(box("FAM", 2)->text().size(), 30);
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        db_->reread(contacts());
        QCOMPARE(contacts().value("FAM").toString(), QString(30, u'x'));
    }

    void pickedJobPostIsCutToTheContactsEntryLimit() {
        const QString longPost = QStringLiteral("Заместитель начальника отдела снабжения и сбыта №2");
        QCOMPARE(longPost.size(), 50);
        db_->addEntry(*db_->dm->TabJobPost, QStringLiteral("Инженер"));
        db_->addEntry(*db_->dm->TabJobPost, longPost);
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        PickEdit* pick = pickOf(box("JOB_POST", 1));
        whenPickerOpens(*picker_, [this] {
            QCOMPARE(picker_->windowTitle(), QStringLiteral("M006"));
            doubleClickRow(picker_->DBGridEh1, 1);
        });
        QTest::mouseClick(pick->button(), Qt::LeftButton);
        QVERIFY(!picker_->isVisible());
        QCOMPARE(picker_->PickedValue, longPost);
        QCOMPARE(box("JOB_POST", 0)->text(), longPost.left(30));
        QCOMPARE(contacts().state(), Dataset::State::Edit);
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        db_->reread(contacts());
        QCOMPARE(contacts().value("JOB_POST").toString(), longPost.left(30));
    }

    void pickBoxesUseTheirOwnBook_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::newRow("business line") << "OCCUPATION" << 0 << "M004";
        QTest::newRow("legal form") << "JOBRIGHTFORM" << 1 << "M005";
        QTest::newRow("job post") << "JOB_POST" << 2 << "M006";
    }
    void pickBoxesUseTheirOwnBook() {
        QFETCH(QString, field);
        QFETCH(int, kind);
        QFETCH(QString, caption);
        Dataset* book = refbook::source(*db_->dm, kind)->dataset();
        db_->addEntry(*book, QStringLiteral("Entry %1").arg(kind));
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        QLineEdit* edit = box(field, form_->boxesOf(field).size() - 1);
        whenPickerOpens(*picker_, [&] {
            QCOMPARE(picker_->windowTitle(), caption);
            QCOMPARE(picker_->DBGridEh1->dataset(), book);
            doubleClickRow(picker_->DBGridEh1, 0);
        });
        // Alt+Down in the box does what the button does.
        QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(edit->text(), QStringLiteral("Entry %1").arg(kind));
        QCOMPARE(contacts().value(field).toString(), QStringLiteral("Entry %1").arg(kind));
    }

    void closingThePickerWithoutChoiceEmptiesTheBox() {
        db_->addEntry(*db_->dm->TabJobPost, QStringLiteral("Инженер"));
        db_->addContact({{"FAM", "Petrov"}, {"JOB_POST", "Director"}});
        form_->show();
        picker_->PickedValue = QStringLiteral("left over");
        whenPickerOpens(*picker_, [this] { picker_->close(); });
        pickOf(box("JOB_POST"))->pick();
        QCOMPARE(box("JOB_POST")->text(), QString());
        QVERIFY(contacts().value("JOB_POST").isNull());
        QCOMPARE(contacts().state(), Dataset::State::Edit);
    }

    void delPhotoThenCancelRestoresTheLink() {
        const QString path = makePhoto(db_->folder.path(), QStringLiteral("me.jpg"), Qt::darkBlue);
        db_->addContact({{"FAM", "Petrov"}, {"FOTOLINK", path}});
        form_->show();
        QVERIFY(!form_->ImageFoto->pixmap().isNull());
        form_->DelPhoto1->trigger();
        QVERIFY(form_->ImageFoto->pixmap().isNull());
        QCOMPARE(contacts().state(), Dataset::State::Edit);
        QVERIFY(contacts().value("FOTOLINK").isNull());
        QTest::mouseClick(form_->BitBtn2, Qt::LeftButton);
        QCOMPARE(contacts().state(), Dataset::State::Browse);
        QCOMPARE(contacts().value("FOTOLINK").toString(), path);
    }

    void missingPhotoShowsTheMessageAndAnEmptyBox() {
        const QString good = makePhoto(db_->folder.path(), QStringLiteral("me.jpg"), Qt::darkBlue);
        const QString missing = db_->folder.path() + QStringLiteral("gone/removed.jpg");
        db_->addContact({{"FAM", "WithPhoto"}, {"FOTOLINK", good}});
        db_->addContact({{"FAM", "Removed"}, {"FOTOLINK", missing}});
        contacts().first();
        form_->show();
        QVERIFY(!form_->ImageFoto->pixmap().isNull());
        form_->BitBtn2Click();
        contacts().last();
        form_->show();
        QVERIFY(form_->isVisible());
        QCOMPARE(boxes_->texts(msgbox::Kind::Error), QStringList{QStringLiteral("Cannot open file %1.").arg(missing)});
        QVERIFY(form_->ImageFoto->pixmap().isNull());
    }

    // Cancel on a new contact drops the row; the contact that becomes current is not being edited,
    // so its missing picture is nobody's business here.
    void cancelOnANewContactNamesNoOtherPicture() {
        const QString missing = db_->folder.path() + QStringLiteral("gone/removed.jpg");
        db_->addContact({{"FAM", "Removed"}, {"FOTOLINK", missing}});
        contacts().append();
        form_->show();
        QVERIFY(boxes_->shown.isEmpty());
        QTest::mouseClick(form_->BitBtn2, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        QCOMPARE(contacts().value("FAM").toString(), QStringLiteral("Removed"));
        QVERIFY(boxes_->shown.isEmpty());
    }

    void navigatorToAContactWithAMissingPictureIsSilent() {
        db_->addContact({{"FAM", "First"}});
        db_->addContact({{"FAM", "Removed"}, {"FOTOLINK", db_->folder.path() + QStringLiteral("gone.jpg")}});
        contacts().first();
        form_->show();
        QTest::mouseClick(form_->DBNavigator1->button(DBNavigator::Next), Qt::LeftButton);
        QCOMPARE(contacts().value("FAM").toString(), QStringLiteral("Removed"));
        QVERIFY(form_->ImageFoto->pixmap().isNull());
        QVERIFY(boxes_->shown.isEmpty());
    }

    // A half-typed date: the ways out that discard say nothing; OK refuses it and keeps the editor
    // open on the box, with the text as typed and nothing saved.
    void halfTypedDate_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("refused");
        QTest::newRow("Cancel") << "Cancel" << false;
        QTest::newRow("Esc") << "Esc" << false;
        QTest::newRow("close box") << "close box" << false;
        QTest::newRow("OK") << "OK" << true;
        QTest::newRow("OK by its shortcut") << "Alt+O" << true;
    }
    void halfTypedDate() {
        QFETCH(QString, way);
        QFETCH(bool, refused);
        const QDate birthday(1971, 3, 9);
        db_->addContact({{"FAM", "Petrov"}, {"BITHDAY", birthday}});
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        form_->PageControl1->setCurrentIndex(0);
        QLineEdit* date = lineEdit(form_->boxesOf("BITHDAY").first());
        date->setFocus();
        QTRY_VERIFY(date->hasFocus());
        date->selectAll();
        typeText(date, QStringLiteral("s"));
        if (way == u"Cancel")
            QTest::mouseClick(form_->BitBtn2, Qt::LeftButton);
        else if (way == u"Esc")
            QTest::keyClick(date, Qt::Key_Escape);
        else if (way == u"close box")
            form_->windowHandle()->close();
        else if (way == u"Alt+O") {
            QTest::keyClick(date, Qt::Key_O, Qt::AltModifier);
            QTest::qWait(300); // a shortcut clicks its button a moment later
        } else
            QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QCoreApplication::processEvents();
        if (!refused) {
            QVERIFY(!form_->isVisible());
            QVERIFY(boxes_->shown.isEmpty());
            db_->reread(contacts());
            QCOMPARE(contacts().value("BITHDAY").toDate(), birthday);
            return;
        }
        // Nothing saved: the row was never put into editing, and still holds the old date.
        QCOMPARE(contacts().state(), Dataset::State::Browse);
        QCOMPARE(contacts().value("BITHDAY").toDate(), birthday);
        QVERIFY(form_->isVisible());
        QCOMPARE(boxes_->texts(msgbox::Kind::Error), QStringList{QStringLiteral("'s' is not a valid date.")});
        QCOMPARE(form_->PageControl1->currentIndex(), 0);
        QVERIFY(date->hasFocus());
        QCOMPARE(date->text(), QStringLiteral("s"));
        // Mended, the date is saved with OK.
        date->selectAll();
        typeText(date, QStringLiteral("1.2.85"));
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        db_->reread(contacts());
        QCOMPARE(contacts().value("BITHDAY").toDate(),
                 QDate(DateBox::completeYear(85, QDate::currentDate().year()), 2, 1));
        QCOMPARE(boxes_->shown.size(), 1);
    }

    void photoFollowsTheNavigator() {
        const QString good = makePhoto(db_->folder.path(), QStringLiteral("me.jpg"), Qt::darkBlue);
        db_->addContact({{"FAM", "WithPhoto"}, {"FOTOLINK", good}});
        db_->addContact({{"FAM", "NoPhoto"}});
        contacts().first();
        form_->show();
        QVERIFY(!form_->ImageFoto->pixmap().isNull());
        QTest::mouseClick(form_->DBNavigator1->button(DBNavigator::Next), Qt::LeftButton);
        QCOMPARE(contacts().value("FAM").toString(), QStringLiteral("NoPhoto"));
        QVERIFY(form_->ImageFoto->pixmap().isNull());
        QVERIFY(boxes_->shown.isEmpty());
    }

    void emptyLinkOpensSilently() {
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        QVERIFY(form_->ImageFoto->pixmap().isNull());
        QVERIFY(boxes_->shown.isEmpty());
    }

    void choosingAPhoto_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        QTest::newRow("picture") << "new.jpg" << true;
        QTest::newRow("no picture format: box unchanged") << "notes.txt" << false;
    }
    void choosingAPhoto() {
        QFETCH(QString, name);
        QFETCH(bool, shown);
        const QString old = makePhoto(db_->folder.path(), QStringLiteral("old.jpg"), Qt::darkBlue);
        const QString chosen =
            name.endsWith(u".jpg") ? makePhoto(db_->folder.path(), name, Qt::red) : db_->folder.path() + name;
        db_->addContact({{"FAM", "Petrov"}, {"FOTOLINK", old}});
        form_->show();
        const QImage before = form_->ImageFoto->pixmap().toImage();
        form_->choosePhotoFile = [chosen](QWidget*) { return chosen; };
        QTest::mouseDClick(form_->ImageFoto, Qt::LeftButton);
        QCOMPARE(contacts().state(), Dataset::State::Edit);
        QCOMPARE(contacts().value("FOTOLINK").toString(), chosen);
        QCOMPARE(form_->ImageFoto->pixmap().toImage() == before, !shown);
        QVERIFY(boxes_->shown.isEmpty());
    }

    void emptyBirthdayStaysEmpty() {
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        for (QWidget* b : form_->boxesOf("BITHDAY"))
            QCOMPARE(lineEdit(b)->text(), QString());
        // Opening and closing the calendar drop-down stores nothing.
        auto* date = qobject_cast<DateBox*>(form_->boxesOf("BITHDAY").first()->parentWidget());
        date->showCalendar();
        QVERIFY(date->calendar());
        date->calendar()->parentWidget()->hide();
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        db_->reread(contacts());
        QVERIFY(contacts().value("BITHDAY").isNull());
        form_->show();
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        db_->reread(contacts());
        QVERIFY(contacts().value("BITHDAY").isNull());
    }

    void dateTypedOrPickedIsStoredAndShownEverywhere() {
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        auto* date = qobject_cast<DateBox*>(form_->boxesOf("BITHDAY").last()->parentWidget());
        const QDate birthday(1971, 3, 9);
        date->showCalendar();
        Q_EMIT date->calendar()->clicked(birthday);
        QCOMPARE(contacts().value("BITHDAY").toDate(), birthday);
        for (QWidget* b : form_->boxesOf("BITHDAY"))
            QCOMPARE(DateBox::parse(lineEdit(b)->text()), birthday);
        // Emptying the box empties the date.
        QLineEdit* first = lineEdit(form_->boxesOf("BITHDAY").first());
        first->selectAll();
        QTest::keyClick(first, Qt::Key_Delete);
        QVERIFY(contacts().value("BITHDAY").isNull());
    }

    void charactersTheDatabaseCannotHoldAreRefusedOnSave() {
        db_->addContact({{"FAM", "Ivanov"}});
        form_->show();
        box("FAM")->clear();
        typeText(box("FAM"), QStringLiteral("张伟😀"));
        QCOMPARE(box("FAM", 1)->text(), QStringLiteral("张伟😀"));
        form_->PageControl1->setCurrentIndex(4);
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        // Refused: the editor stays open on the box that holds the character.
        QVERIFY(form_->isVisible());
        QVERIFY(form_->boxesOf("FAM").contains(form_->focusWidget()));
        QCOMPARE(form_->PageControl1->currentWidget(), form_->pageOf(form_->focusWidget()));
        const QStringList errors = boxes_->texts(msgbox::Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QStringLiteral("张")) && errors[0].contains(QStringLiteral("Фамилия")),
                 qPrintable(errors[0]));
        QCOMPARE(contacts().state(), Dataset::State::Edit);
        QCOMPARE(contacts().value("FAM").toString(), QStringLiteral("张伟😀"));
        QTest::mouseClick(form_->BitBtn2, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        db_->reread(contacts());
        QCOMPARE(contacts().value("FAM").toString(), QStringLiteral("Ivanov"));
    }

    // A refused save keeps the editor open with the typed values. Its refresh then reads the
    // contact again and lays the typed values over it (the refresh saves nothing that is refused),
    // and OK saves once the cause is gone.
    void refusedSaveKeepsTheEditorOpen_data() {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<bool>("newContact");
        QTest::newRow("another copy changed the contact") << QStringLiteral("conflict") << false;
        QTest::newRow("a character the database cannot store") << QStringLiteral("character") << false;
        QTest::newRow("a database error") << QStringLiteral("database") << false;
        QTest::newRow("a new contact with a character") << QStringLiteral("character") << true;
    }
    void refusedSaveKeepsTheEditorOpen() {
        QFETCH(QString, refusal);
        QFETCH(bool, newContact);
        db_->addContact({{"FAM", "Jones"}, {"FIRST_NAME", "Bob"}});
        const int key = contacts().value("NUM_MAIN").toInt();
        // Another copy of the program renames the contact after this one read it.
        testdb::RecordedUi otherUi;
        std::unique_ptr<TDM> other = db_->folder.openDM(otherUi);
        QVERIFY(other->TabMain->locate("NUM_MAIN", key));
        other->TabMain->setValue("FAM", QStringLiteral("Jones-B"));
        other->TabMain->post();
        bool failOnce = refusal == QLatin1String("database");
        contacts().onBeforePost = [&failOnce](Dataset&) {
            if (std::exchange(failOnce, false))
                throw DbError(QStringLiteral("lock time-out on wait transaction"));
        };
        if (newContact)
            contacts().append();
        const int shownKey = contacts().value("NUM_MAIN").toInt();
        form_->show();
        const QString typed =
            refusal == QLatin1String("character") ? QStringLiteral("Rob张") : QStringLiteral("Robert");
        box("FIRST_NAME")->clear();
        typeText(box("FIRST_NAME"), typed);
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QVERIFY(form_->isVisible());
        QCOMPARE(boxes_->texts(msgbox::Kind::Error).size(), 1);
        QCOMPARE(box("FIRST_NAME")->text(), typed);
        QCOMPARE(contacts().state(), newContact ? Dataset::State::Insert : Dataset::State::Edit);

        QTest::mouseClick(form_->DBNavigator1->button(DBNavigator::Refresh), Qt::LeftButton);
        QVERIFY(form_->isVisible());
        QCOMPARE(boxes_->texts(msgbox::Kind::Error).size(), 1);
        QCOMPARE(contacts().state(), newContact ? Dataset::State::Insert : Dataset::State::Edit);
        QCOMPARE(contacts().value("NUM_MAIN").toInt(), shownKey);
        QCOMPARE(box("FIRST_NAME")->text(), typed);
        if (!newContact)
            QCOMPARE(box("FAM")->text(), QStringLiteral("Jones-B")); // the other copy's value, read again

        if (refusal == QLatin1String("character")) {
            box("FIRST_NAME")->clear();
            typeText(box("FIRST_NAME"), QStringLiteral("Robert"));
        }
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        QCOMPARE(boxes_->texts(msgbox::Kind::Error).size(), 1);
        db_->reread(contacts());
        QVERIFY(contacts().locate("NUM_MAIN", shownKey));
        QCOMPARE(contacts().value("FIRST_NAME").toString(), QStringLiteral("Robert"));
        QCOMPARE(contacts().value("FAM").toString(), newContact ? QString() : QStringLiteral("Jones-B"));
        other->Disconnect();
    }

    void groupListSetsTheGroupNumber() {
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        auto* combo = qobject_cast<QComboBox*>(form_->boxesOf("GROUP_NAME").first());
        QVERIFY(combo);
        QCOMPARE(combo->count(), db_->dm->TabContactGroups->rowCount());
        QCOMPARE(combo->currentIndex(), -1);
        const int family = combo->findText(QStringLiteral("Семья"));
        QVERIFY(family >= 0);
        combo->setCurrentIndex(family);
        Q_EMIT combo->activated(family);
        QCOMPARE(contacts().value("GR_NUM").toInt(), 4);
        auto* other = qobject_cast<QComboBox*>(form_->boxesOf("GROUP_NAME").last());
        QCOMPARE(other->currentText(), QStringLiteral("Семья"));
    }

    void memoIsBoundAndCutAtItsLimit() {
        db_->addContact({{"FAM", "Petrov"}});
        form_->show();
        auto* memo = qobject_cast<QPlainTextEdit*>(form_->boxesOf("NOTES").first());
        QVERIFY(memo);
        memo->setPlainText(QString(300, u'n'));
        QCOMPARE(memo->toPlainText().size(), 240);
        QCOMPARE(contacts().value("NOTES").toString().size(), 240);
    }

    void doubleClickHandsTheBoxToCommunication_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("nth");
        QTest::addColumn<int>("tag");
        QTest::newRow("work phone") << "JOB_TEL1" << 0 << 100;
        QTest::newRow("e-mail") << "HOME_EMAIL" << 1 << 200;
        QTest::newRow("web") << "JOB_WWW" << 0 << 300;
        QTest::newRow("messenger") << "HOME_ICQ" << 0 << 400;
        QTest::newRow("pager: nothing to do") << "PAGER" << 0 << 0;
        QTest::newRow("area code: nothing to do") << "AREA_CODE" << 0 << 0;
        QTest::newRow("pick box") << "JOB_POST" << 1 << 0;
        QTest::newRow("date box") << "BITHDAY" << 2 << 0;
    }
    void doubleClickHandsTheBoxToCommunication() {
        QFETCH(QString, field);
        QFETCH(int, nth);
        QFETCH(int, tag);
        db_->addContact({{"FAM", "Petrov"}, {"JOB_TEL1", "+7 495 123-45-67"}});
        QList<QWidget*> handed;
        form_->communicate = [&handed](QWidget* w) { handed << w; };
        form_->show();
        QWidget* target = form_->boxesOf(field).value(nth);
        form_->PageControl1->setCurrentWidget(form_->pageOf(target));
        QTest::mouseDClick(target, Qt::LeftButton);
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0], target);
        QCOMPARE(handed[0]->property("Tag").toInt(), tag);
        if (field == "JOB_TEL1")
            QCOMPARE(lineEdit(handed[0])->text(), QStringLiteral("+7 495 123-45-67"));
    }

    void navigatorDeleteAsksFirst() {
        db_->addContact({{"FAM", "First"}});
        db_->addContact({{"FAM", "Second"}});
        form_->show();
        boxes_->answer = QMessageBox::Cancel;
        QTest::mouseClick(form_->DBNavigator1->button(DBNavigator::Delete), Qt::LeftButton);
        QCOMPARE(boxes_->texts(msgbox::Kind::Question), QStringList{QStringLiteral("Delete record?")});
        QCOMPARE(contacts().rowCount(), 2);
        boxes_->answer = QMessageBox::Ok;
        QTest::mouseClick(form_->DBNavigator1->button(DBNavigator::Delete), Qt::LeftButton);
        QCOMPARE(contacts().rowCount(), 1);
        QCOMPARE(box("FAM")->text(), QStringLiteral("First"));
    }

    // Pictures of the pages for a person to look at.
    void screenshots() {
        const QString shots = QStringLiteral("/tmp/korvane-shots/");
        QDir().mkpath(shots);
        const QString photoPath = makePhoto(db_->folder.path(), QStringLiteral("face.jpg"), QColor(70, 110, 160));
        db_->addContact({{"FAM", "Константинопольский-Щедрин"},
                         {"FIRST_NAME", "Александр-Максимилиан"},
                         {"MID_NAME", "Владимирович"},
                         {"JOB_ORG", "ООО «Северо-Западные информационные технологии и системы связи»"},
                         {"OCCUPATION", "Оптовая торговля оборудованием"},
                         {"JOBRIGHTFORM", "Общество с ограниченной ответственностью"},
                         {"JOB_POST", "Заместитель главного инженера"},
                         {"Departament", "Отдел материально-технического снабжения"},
                         {"GROUP_NAME", "Партнёры"},
                         {"COUNTRY", "Российская Федерация"},
                         {"JOB_ADDRESS", "г. Санкт-Петербург, Большой Сампсониевский пр., д. 68, оф. 1204"},
                         {"JOB_CITY", "Санкт-Петербург"},
                         {"JOB_ST", "Большой Сампсониевский проспект"},
                         {"JOB_ZIP", "194100"},
                         {"HOME_ADDRESS", "г. Санкт-Петербург, ул. Академика Павлова, д. 14, корп. 2, кв. 118"},
                         {"HOME_CITY", "Санкт-Петербург"},
                         {"HOME_ST", "ул. Академика Павлова"},
                         {"HOME_ZIP", "197376"},
                         {"AREA_CODE", "+7 812"},
                         {"JOB_TEL1", "+7 (495) 111-22-33"},
                         {"JOB_TEL2", "+7 (495) 111-22-34"},
                         {"JOB_TEL3", "+7 (495) 111-22-35"},
                         {"JOB_TEL4", "+7 (495) 111-22-36"},
                         {"JOB_FAX", "+7 (495) 111-22-37"},
                         {"HOME_TEL1", "+7 (812) 987-65-43"},
                         {"HOME_TEL2", "+7 (812) 987-65-44"},
                         {"HOME_FAX", "+7 (812) 987-65-45"},
                         {"CELLULAR", "+7 (916) 000-00-00"},
                         {"PAGER", "+7 (495) 555-12-12"},
                         {"JOB_EMAIL", "aleksandr.konstantinopolsky@severo-zapad.ru"},
                         {"HOME_EMAIL", "sasha.konstantinopolsky@mail.ru"},
                         {"JOB_WWW", "http://www.severo-zapadnye-technologii.ru/kontakty/"},
                         {"HOME_WWW", "http://konstantinopolsky.narod.ru/"},
                         {"JOB_ICQ", "123-456-789"},
                         {"HOME_ICQ", "987-654-321"},
                         {"NICKNAME", "Саша Константинопольский"},
                         {"BITHDAY", QDate(1971, 3, 9)},
                         {"OTHER_COMMUN", "Skype: sasha.konstantinopolsky"},
                         {"NOTES", "Звонить после 18:00.\nЛюбит чай.\nДень рождения отмечает в ресторане."},
                         {"FOTOLINK", photoPath}});
        form_->show();
        const char* names[] = {"main", "work", "home", "friends", "other"};
        for (int i : {0, 1, 2, 4}) {
            form_->PageControl1->setCurrentIndex(i);
            QVERIFY(form_->grab().save(shots + QStringLiteral("edit-page-%1.png").arg(QLatin1String(names[i]))));
        }
        QVERIFY(!form_->ImageFoto->pixmap().isNull());
        // A refused save: the editor stays open on the box, and the question a filter change asks
        // (in the language of the file KORVANE_SHOT_LANG names, if any).
        QString suffix;
        if (const QString lang = qEnvironmentVariable("KORVANE_SHOT_LANG"); !lang.isEmpty()) {
            QFile::copy(lang, db_->folder.path() + QFileInfo(lang).fileName());
            SetCurrentLangFile(OpenLangFile(QFileInfo(lang).fileName()));
            suffix = u'-' + QFileInfo(lang).baseName();
        }
        box("FAM")->clear();
        typeText(box("FAM"), QStringLiteral("Константинопольский张"));
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QVERIFY(form_->isVisible());
        QVERIFY(form_->grab().save(shots + QStringLiteral("edit-refused-save%1.png").arg(suffix)));
        QMessageBox question(QMessageBox::Question, QStringLiteral("Korvane Personal"),
                             pendingchange::discardQuestion(boxes_->texts(msgbox::Kind::Error).value(0)),
                             QMessageBox::Yes | QMessageBox::No);
        question.show();
        QVERIFY(question.grab().save(shots + QStringLiteral("edit-discard-question%1.png").arg(suffix)));
        SetCurrentLangFile(nullptr);
        form_->BitBtn2Click();
    }
};

QTEST_MAIN(TestFormEdit)
#include "tst_formedit.moc"
