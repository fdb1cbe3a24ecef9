#include "DBNavigator.h"
#include "DatasetGridView.h"
#include "DatasetTableModel.h"
#include "EditFixture.h"
#include "RefBook.h"

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using edittest::Boxes;
using edittest::Db;

class TestRefBook : public QObject {
    Q_OBJECT

    std::unique_ptr<Db> db_;
    std::unique_ptr<Boxes> boxes_;
    std::unique_ptr<TFormReferenceBook> editor_;
    std::unique_ptr<TFormRefBookUse> picker_;

    Dataset& jobPosts() { return *db_->dm->TabJobPost; }

    // Runs the menu command; the editor is driven once its own event loop runs.
    void runEditor(int kind, std::function<void()> whileOpen) {
        QTimer::singleShot(0, editor_.get(), [this, whileOpen] {
            QVERIFY(editor_->isVisible());
            whileOpen();
        });
        RefBookShow(kind, *db_->dm, *editor_);
        QVERIFY(!editor_->isVisible());
    }
    // Adds an entry the way the user does: the navigator's insert, then typing into the cell.
    void addInGrid(const QString& text) {
        QTest::mouseClick(editor_->DBNavigator1->button(DBNavigator::Insert), Qt::LeftButton);
        DatasetGridView* grid = editor_->DBGridEh1;
        const QModelIndex cell = grid->model()->index(grid->dataset()->currentRow(), 0);
        QVERIFY(grid->model()->setData(cell, text));
    }
    QStringList pickerRows(int kind) {
        picker_->setBook(refbook::source(*db_->dm, kind));
        picker_->show();
        QStringList rows;
        QAbstractItemModel* m = picker_->DBGridEh1->model();
        for (int r = 0; r < m->rowCount(); ++r)
            rows << m->data(m->index(r, 0)).toString();
        picker_->close();
        return rows;
    }

private Q_SLOTS:
    void init() {
        db_ = std::make_unique<Db>();
        boxes_ = std::make_unique<Boxes>();
        editor_ = std::make_unique<TFormReferenceBook>();
        picker_ = std::make_unique<TFormRefBookUse>();
    }
    void cleanup() {
        picker_.reset();
        editor_.reset();
        boxes_.reset();
        db_.reset();
    }

    void windows() {
        QCOMPARE(editor_->objectName(), QStringLiteral("FormReferenceBook"));
        QCOMPARE(editor_->windowTitle(), QStringLiteral("Справочник"));
        QCOMPARE(editor_->size(), QSize(419, 375));
        QCOMPARE(editor_->BitBtn1->text(), QStringLiteral("&Ok"));
        QCOMPARE(editor_->BitBtn2->text(), QStringLiteral("Отмена"));
        QCOMPARE(editor_->DBNavigator1->hints(), DBNavigator::defaultHints());
        QCOMPARE(picker_->objectName(), QStringLiteral("FormRefBookUse"));
        QCOMPARE(picker_->size(), QSize(274, 376));
        QCOMPARE(picker_->DBGridEh1->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void captionsAndColumns_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::newRow("business lines") << 0 << "M004"
                                        << "Вид деятельности";
        QTest::newRow("legal forms") << 1 << "M005"
                                     << "Организационно-правовая форма";
        QTest::newRow("job posts") << 2 << "M006"
                                   << "Должность";
    }
    void captionsAndColumns() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(QString, title);
        runEditor(kind, [&] {
            QCOMPARE(editor_->windowTitle(), caption);
            QAbstractItemModel* m = editor_->DBGridEh1->model();
            QCOMPARE(m->columnCount(), 1); // the key stays hidden
            QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), title);
            QCOMPARE(editor_->DBNavigator1->dataSource(), refbook::source(*db_->dm, kind));
            editor_->BitBtn2Click();
        });
    }

    void addedEntryConfirmedWithOkAppearsInThePicker() {
        runEditor(2, [this] {
            addInGrid(QStringLiteral("Бухгалтер"));
            QTest::mouseClick(editor_->BitBtn1, Qt::LeftButton);
        });
        QCOMPARE(jobPosts().state(), Dataset::State::Browse);
        db_->reread(jobPosts());
        QCOMPARE(pickerRows(2), QStringList{QStringLiteral("Бухгалтер")});
    }

    void cancelRemovesTheNewEntryButKeepsEntriesSavedByMoving() {
        runEditor(1, [this] {
            addInGrid(QStringLiteral("ООО"));
            addInGrid(QStringLiteral("ЗАО")); // starting it saved the first one
            QTest::keyClick(editor_.get(), Qt::Key_Escape);
        });
        db_->reread(*db_->dm->TabOrgRightForm);
        QCOMPARE(pickerRows(1), QStringList{QStringLiteral("ООО")});
    }

    void closeBoxNeitherSavesNorDiscards() {
        runEditor(0, [this] {
            addInGrid(QStringLiteral("Торговля"));
            editor_->close();
        });
        QCOMPARE(db_->dm->TabBusinessLine->state(), Dataset::State::Insert);
        db_->dm->TabBusinessLine->checkBrowseMode();
        db_->reread(*db_->dm->TabBusinessLine);
        QCOMPARE(pickerRows(0), QStringList{QStringLiteral("Торговля")});
    }

    // A refused save is shown and the window stays open on the typed entry; Cancel then drops it.
    void failedSaveOnOkIsShownAndTheWindowStaysOpen() {
        bool stayedOpen = false;
        runEditor(2, [this, &stayedOpen] {
            addInGrid(QStringLiteral("Программист 💻"));
            QTest::mouseClick(editor_->BitBtn1, Qt::LeftButton);
            stayedOpen = editor_->isVisible() && jobPosts().state() == Dataset::State::Insert &&
                         jobPosts().text(jobPosts().field(1).name()) == QStringLiteral("Программист 💻");
            QTest::mouseClick(editor_->BitBtn2, Qt::LeftButton);
        });
        QVERIFY(stayedOpen);
        QCOMPARE(boxes_->texts(msgbox::Kind::Error).size(), 1);
        QCOMPARE(jobPosts().state(), Dataset::State::Browse);
        QCOMPARE(jobPosts().rowCount(), 0);
    }

    void navigatorDeleteAsksOkCancel() {
        db_->addEntry(jobPosts(), QStringLiteral("Инженер"));
        runEditor(2, [this] {
            boxes_->answer = QMessageBox::Cancel;
            QTest::mouseClick(editor_->DBNavigator1->button(DBNavigator::Delete), Qt::LeftButton);
            QCOMPARE(jobPosts().rowCount(), 1);
            boxes_->answer = QMessageBox::Ok;
            QTest::mouseClick(editor_->DBNavigator1->button(DBNavigator::Delete), Qt::LeftButton);
            QCOMPARE(jobPosts().rowCount(), 0);
            editor_->BitBtn1Click();
        });
        QCOMPARE(boxes_->texts(msgbox::Kind::Question),
                 (QStringList{QStringLiteral("Delete record?"), QStringLiteral("Delete record?")}));
    }

    void pickerDoubleClickReturnsTheText() {
        db_->addEntry(jobPosts(), QStringLiteral("Инженер"));
        db_->addEntry(jobPosts(), QStringLiteral("Директор"));
        picker_->setBook(db_->dm->DSJobPost.get());
        picker_->show();
        DatasetGridView* grid = picker_->DBGridEh1;
        const QPoint at = grid->visualRect(grid->model()->index(1, 0)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(picker_->PickedValue, QStringLiteral("Директор"));
        QVERIFY(!picker_->isVisible());
    }

    // A double-click anywhere in the grid picks: on an empty book the text is empty, below the last
    // row it is the entry the grid marks as current.
    void pickerDoubleClickOutsideTheRows_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("currentRow");
        QTest::addColumn<QString>("picked");
        QTest::newRow("empty book") << QStringList{} << -1 << QString();
        QTest::newRow("below the last row") << QStringList{"Инженер", "Директор"} << 0 << "Инженер";
        QTest::newRow("below the last row, last current") << QStringList{"Инженер", "Директор"} << 1 << "Директор";
    }
    void pickerDoubleClickOutsideTheRows() {
        QFETCH(QStringList, entries);
        QFETCH(int, currentRow);
        QFETCH(QString, picked);
        for (const QString& e : entries)
            db_->addEntry(jobPosts(), e);
        picker_->PickedValue.clear();
        picker_->setBook(db_->dm->DSJobPost.get());
        picker_->show();
        QVERIFY(QTest::qWaitForWindowExposed(picker_.get()));
        DatasetGridView* grid = picker_->DBGridEh1;
        if (currentRow >= 0)
            grid->setCurrentIndex(grid->model()->index(currentRow, 0));
        const QPoint below(10, grid->viewport()->height() - 5);
        QVERIFY(!grid->indexAt(below).isValid());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(picker_->PickedValue, picked);
        QVERIFY(!picker_->isVisible());
    }

    void emptyBookPickerReturnsEmptyText() {
        picker_->PickedValue = QStringLiteral("old");
        picker_->setBook(db_->dm->DSJobPost.get());
        picker_->show();
        picker_->DBGridEh1DblClick();
        QCOMPARE(picker_->PickedValue, QString());
    }

    void pickerReopensAClosedBook() {
        jobPosts().close();
        picker_->setBook(db_->dm->DSJobPost.get());
        picker_->show();
        QVERIFY(jobPosts().isOpen());
        picker_->close();
    }

    void navigatorHintsFallBackToStandardTexts() {
        DBNavigator nav;
        QStringList hints = DBNavigator::defaultHints();
        hints[DBNavigator::Next].clear();
        nav.setHints(hints);
        QCOMPARE(nav.button(DBNavigator::Next)->toolTip(), QStringLiteral("Next record"));
        QCOMPARE(nav.button(DBNavigator::First)->toolTip(), QStringLiteral("Первая запись"));
        nav.setHints({});
        QCOMPARE(nav.button(DBNavigator::Refresh)->toolTip(), QStringLiteral("Refresh data"));
    }

    void screenshots() {
        const QString shots = QStringLiteral("/tmp/korvane-shots/");
        QDir().mkpath(shots);
        for (const char* text : {"Инженер", "Главный бухгалтер", "Директор", "Менеджер по продажам"})
            db_->addEntry(jobPosts(), QString::fromUtf8(text));
        runEditor(2, [&] {
            QVERIFY(editor_->grab().save(shots + QStringLiteral("edit-refbook-editor.png")));
            editor_->BitBtn2Click();
        });
        picker_->setBook(db_->dm->DSJobPost.get());
        picker_->setWindowTitle(refbook::caption(2));
        picker_->show();
        QVERIFY(picker_->grab().save(shots + QStringLiteral("edit-refbook-picker.png")));
        picker_->close();
    }
};

QTEST_MAIN(TestRefBook)
#include "tst_refbook.moc"
