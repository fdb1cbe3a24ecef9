#include "FormSync.h"

#include "MessageBoxes.h"
#include "PasswordKeeper.h"
#include "SyncRunner.h"
#include "SyncWindowTexts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>

using namespace syncui;

namespace {

// The column of GridColumns that holds the choice per column, beside the field's name.
constexpr int kKeepColumn = 1;

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString hostOf(const QString& server) {
    const QUrl url = QUrl::fromUserInput(server.trimmed());
    return url.host().isEmpty() ? server.trimmed() : url.host();
}

} // namespace

TFormSync::TFormSync(SyncService& service, PasswordKeeper& passwords, SyncRunner& runner, QWidget* parent)
    : QDialog(parent), service_(service), passwords_(passwords), runner_(runner) {
    setObjectName(QStringLiteral("FormSync"));
    build();
    retranslate();
    LabelResult->setText(text("M315", "Синхронизации ещё не было."));
    connect(&runner_, &SyncRunner::found, this, &TFormSync::onFound);
    connect(&runner_, &SyncRunner::synced, this, &TFormSync::onSynced);
    connect(&runner_, &SyncRunner::started, this, &TFormSync::updateButtons);
    connect(&runner_, &SyncRunner::idle, this, &TFormSync::updateButtons);
    connect(&runner_, &SyncRunner::progressed, this, [this](const Progress& p) {
        ProgressSync->setMaximum(p.total);
        ProgressSync->setValue(p.done);
        ProgressSync->setFormat(p.stage.isEmpty() ? QStringLiteral("%v / %m") : p.stage + QStringLiteral(" %v / %m"));
    });
    try {
        account_ = service_.account();
    } catch (const std::exception& e) {
        LabelResult->setText(text("M333", "Синхронизация не удалась: %1").arg(QString::fromUtf8(e.what())));
    }
    fillFromAccount();
    refreshConflicts();
    updateButtons();
}

void TFormSync::build() {
    auto* top = new QVBoxLayout(this);

    auto* accountBox = new QGroupBox(this);
    accountBox->setObjectName(QStringLiteral("GroupAccount"));
    auto* form = new QFormLayout(accountBox);
    EditServer = new QLineEdit(accountBox);
    EditServer->setObjectName(QStringLiteral("EditServer"));
    EditServer->setPlaceholderText(QStringLiteral("https://dav.example.org"));
    EditServer->setMinimumWidth(360);
    LabelServer = new QLabel(accountBox);
    form->addRow(LabelServer, EditServer);
    EditUser = new QLineEdit(accountBox);
    EditUser->setObjectName(QStringLiteral("EditUser"));
    LabelUser = new QLabel(accountBox);
    form->addRow(LabelUser, EditUser);
    EditPassword = new QLineEdit(accountBox);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setEchoMode(QLineEdit::Password);
    LabelPassword = new QLabel(accountBox);
    form->addRow(LabelPassword, EditPassword);
    LabelPasswordStore = new QLabel(accountBox);
    LabelPasswordStore->setObjectName(QStringLiteral("LabelPasswordStore"));
    LabelPasswordStore->setWordWrap(true);
    form->addRow(QString(), LabelPasswordStore);

    auto* bookRow = new QHBoxLayout;
    ComboBooks = new QComboBox(accountBox);
    ComboBooks->setObjectName(QStringLiteral("ComboBooks"));
    ComboBooks->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBooks->setMinimumContentsLength(24);
    bookRow->addWidget(ComboBooks, 1);
    BtnFindBooks = new QPushButton(accountBox);
    BtnFindBooks->setObjectName(QStringLiteral("BtnFindBooks"));
    bookRow->addWidget(BtnFindBooks);
    LabelBook = new QLabel(accountBox);
    form->addRow(LabelBook, bookRow);

    auto* everyRow = new QHBoxLayout;
    RadioByHand = new QRadioButton(accountBox);
    RadioByHand->setObjectName(QStringLiteral("RadioByHand"));
    RadioEvery = new QRadioButton(accountBox);
    RadioEvery->setObjectName(QStringLiteral("RadioEvery"));
    SpinMinutes = new QSpinBox(accountBox);
    SpinMinutes->setObjectName(QStringLiteral("SpinMinutes"));
    SpinMinutes->setRange(1, 24 * 60);
    SpinMinutes->setValue(15);
    LabelMinutes = new QLabel(accountBox);
    LabelMinutes->setObjectName(QStringLiteral("LabelMinutes"));
    everyRow->addWidget(RadioByHand);
    everyRow->addSpacing(12);
    everyRow->addWidget(RadioEvery);
    everyRow->addWidget(SpinMinutes);
    everyRow->addWidget(LabelMinutes);
    everyRow->addStretch(1);
    LabelEvery = new QLabel(accountBox);
    form->addRow(LabelEvery, everyRow);
    top->addWidget(accountBox);

    auto* runRow = new QHBoxLayout;
    BtnSyncNow = new QPushButton(this);
    BtnSyncNow->setObjectName(QStringLiteral("BtnSyncNow"));
    BtnCancel = new QPushButton(this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    ProgressSync = new QProgressBar(this);
    ProgressSync->setObjectName(QStringLiteral("ProgressSync"));
    ProgressSync->setRange(0, 1);
    ProgressSync->setValue(0);
    ProgressSync->setTextVisible(false);
    runRow->addWidget(BtnSyncNow);
    runRow->addWidget(BtnCancel);
    runRow->addWidget(ProgressSync, 1);
    top->addLayout(runRow);
    LabelResult = new QLabel(this);
    LabelResult->setObjectName(QStringLiteral("LabelResult"));
    LabelResult->setWordWrap(true);
    LabelResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(LabelResult);

    auto* conflictBox = new QGroupBox(this);
    conflictBox->setObjectName(QStringLiteral("GroupConflicts"));
    auto* conflictLayout = new QVBoxLayout(conflictBox);
    // A wrapped label, not the box's title: a long title would widen the window in either language.
    LabelConflicts = new QLabel(conflictBox);
    LabelConflicts->setObjectName(QStringLiteral("LabelConflicts"));
    LabelConflicts->setWordWrap(true);
    conflictLayout->addWidget(LabelConflicts);
    auto* split = new QSplitter(Qt::Horizontal, conflictBox);
    GridConflicts = new QTableWidget(0, 2, split);
    GridConflicts->setObjectName(QStringLiteral("GridConflicts"));
    GridConflicts->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridConflicts->setSelectionMode(QAbstractItemView::SingleSelection);
    GridConflicts->horizontalHeader()->setStretchLastSection(true);
    GridConflicts->verticalHeader()->hide();
    GridColumns = new QTableWidget(0, 5, split);
    GridColumns->setObjectName(QStringLiteral("GridColumns"));
    GridColumns->horizontalHeader()->setStretchLastSection(false);
    GridColumns->verticalHeader()->hide();
    split->addWidget(GridConflicts);
    split->addWidget(GridColumns);
    split->setStretchFactor(1, 2);
    conflictLayout->addWidget(split, 1);
    auto* chooseRow = new QHBoxLayout;
    BtnKeepDesk = new QPushButton(conflictBox);
    BtnKeepDesk->setObjectName(QStringLiteral("BtnKeepDesk"));
    BtnKeepServer = new QPushButton(conflictBox);
    BtnKeepServer->setObjectName(QStringLiteral("BtnKeepServer"));
    chooseRow->addWidget(BtnKeepDesk);
    chooseRow->addWidget(BtnKeepServer);
    chooseRow->addStretch(1);
    conflictLayout->addLayout(chooseRow);
    top->addWidget(conflictBox, 1);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    BtnClose = new QPushButton(this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    closeRow->addWidget(BtnClose);
    top->addLayout(closeRow);

    connect(BtnFindBooks, &QPushButton::clicked, this, &TFormSync::findBooks);
    connect(BtnSyncNow, &QPushButton::clicked, this, &TFormSync::syncNow);
    connect(BtnCancel, &QPushButton::clicked, &runner_, &SyncRunner::cancel);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(RadioEvery, &QRadioButton::toggled, this, &TFormSync::updateButtons);
    // The books listed are those of the server they were found on.
    connect(EditServer, &QLineEdit::textEdited, this, [this] {
        if (EditServer->text().trimmed() != account_.server)
            ComboBooks->clear();
    });
    connect(GridConflicts, &QTableWidget::currentCellChanged, this, [this](int row) { showColumns(row); });
    connect(BtnKeepDesk, &QPushButton::clicked, this,
            [this] { choose(GridConflicts->currentRow(), Choice::KeepDesk); });
    connect(BtnKeepServer, &QPushButton::clicked, this,
            [this] { choose(GridConflicts->currentRow(), Choice::KeepServer); });
    resize(820, 640);
}

void TFormSync::retranslate() {
    setWindowTitle(text("M301", "Синхронизация с сервером CardDAV"));
    LabelServer->setText(text("M302", "Адрес сервера или адресной книги:"));
    LabelUser->setText(text("M303", "Пользователь:"));
    LabelPassword->setText(text("M304", "Пароль:"));
    BtnFindBooks->setText(text("M305", "Найти адресные книги"));
    LabelBook->setText(text("M306", "Адресная книга:"));
    LabelEvery->setText(text("M307", "Синхронизировать:"));
    RadioByHand->setText(text("M308", "только вручную"));
    RadioEvery->setText(text("M309", "каждые"));
    LabelMinutes->setText(text("M310", "мин., пока программа работает"));
    BtnSyncNow->setText(text("M311", "Синхронизировать сейчас"));
    BtnCancel->setText(text("M312", "Прервать"));
    BtnClose->setText(text("M313", "Закрыть"));
    LabelConflicts->setText(text("M322", "Конфликты: контакты, изменённые с обеих сторон. Пока не выбрано, ни одна "
                                         "сторона не перезаписывается; выбор применяется при следующей "
                                         "синхронизации."));
    GridConflicts->setHorizontalHeaderLabels({text("M323", "Контакт"), text("M324", "Выбор")});
    GridColumns->setHorizontalHeaderLabels({text("M328", "Поле"), text("M376", "Оставить"),
                                            text("M329", "На компьютере"), text("M330", "На сервере"),
                                            text("M331", "При последней синхронизации")});
    // An empty grid shows its headings whole too (a scroll bar rather than clipped words).
    GridColumns->resizeColumnsToContents();
    BtnKeepDesk->setText(choiceText(Choice::KeepDesk));
    BtnKeepServer->setText(choiceText(Choice::KeepServer));
    showPasswordStore();
}

void TFormSync::showPasswordStore() {
    LabelPasswordStore->setText(
        passwords_.storeReachable()
            ? text("M316", "Пароль хранится в хранилище паролей рабочего стола.")
            : text("M317", "Хранилища паролей нет: пароль спрашивается один раз за запуск и нигде не записывается."));
}

void TFormSync::languageChanged() {
    retranslate();
    if (lastOutcome_)
        showOutcome(*lastOutcome_);
    else if (!runner_.busy())
        LabelResult->setText(text("M315", "Синхронизации ещё не было."));
    refreshConflicts(); // the field titles of the new language
    // The new texts take their room at once, not at the next resize.
    layout()->activate();
    for (QLayout* inner : findChildren<QLayout*>())
        inner->activate();
}

void TFormSync::fillFromAccount() {
    EditServer->setText(account_.server);
    EditUser->setText(account_.user);
    if (!account_.server.isEmpty())
        EditPassword->setText(passwords_.known(accountKey(account_.server, account_.user)).value_or(QString()));
    showPasswordStore();
    ComboBooks->clear();
    if (!account_.bookUrl.isEmpty())
        ComboBooks->addItem(account_.bookName.isEmpty() ? account_.bookUrl : account_.bookName, account_.bookUrl);
    RadioByHand->setChecked(account_.everyMinutes <= 0);
    RadioEvery->setChecked(account_.everyMinutes > 0);
    if (account_.everyMinutes > 0)
        SpinMinutes->setValue(account_.everyMinutes);
}

Account TFormSync::accountFromFields() const {
    Account a = account_;
    const QString server = EditServer->text().trimmed();
    const QString user = EditUser->text().trimmed();
    if (server != account_.server) {
        // Another server: its books must be found and its certificate accepted again.
        a.acceptedFingerprint.clear();
        a.bookUrl.clear();
        a.bookName.clear();
    }
    a.server = server;
    a.user = user;
    if (ComboBooks->currentIndex() >= 0 && server == account_.server) {
        a.bookUrl = ComboBooks->currentData().toString();
        a.bookName = ComboBooks->currentText();
    }
    a.everyMinutes = RadioEvery->isChecked() ? SpinMinutes->value() : 0;
    return a;
}

bool TFormSync::saveAccount(const Account& account) {
    try {
        service_.saveAccount(account);
    } catch (const std::exception& e) {
        msgbox::showError(QString::fromUtf8(e.what()));
        return false;
    }
    account_ = account;
    Q_EMIT accountSaved(account_);
    return true;
}

void TFormSync::findBooks() {
    Account a = accountFromFields();
    if (a.server.isEmpty() || a.user.isEmpty()) {
        msgbox::showWarning(text("M336", "Введите адрес сервера, пользователя и пароль."));
        return;
    }
    if (a.server != account_.server) {
        // The old server's book is not synced under the new server's name, found or not.
        account_.bookUrl.clear();
        account_.bookName.clear();
    }
    account_.server = a.server;
    account_.user = a.user;
    account_.acceptedFingerprint = a.acceptedFingerprint;
    passwords_.remember(accountKey(a.server, a.user), EditPassword->text());
    ownJob_ = runner_.startFind(a, EditPassword->text());
    if (!ownJob_)
        msgbox::showWarning(text("M338", "Синхронизация уже идёт; дождитесь её конца."));
    else
        LabelResult->setText(text("M318", "Поиск адресных книг..."));
}

void TFormSync::onFound(const FoundBooks& found) {
    if (!ownJob_)
        return;
    ownJob_ = false;
    if (found.failure.kind == Failure::Untrusted) {
        if (acceptCertificate(found.failure))
            findBooks();
        else
            LabelResult->setText(text("M333", "Синхронизация не удалась: %1").arg(found.failure.message));
        return;
    }
    if (found.failure.kind == Failure::Cancelled) {
        LabelResult->setText(text("M375", "Поиск адресных книг прерван"));
        return;
    }
    if (found.failure) {
        LabelResult->setText(text("M333", "Синхронизация не удалась: %1").arg(found.failure.message));
        msgbox::showError(found.failure.message);
        return;
    }
    const QString chosen = ComboBooks->currentData().toString();
    ComboBooks->clear();
    for (const Book& b : found.books)
        ComboBooks->addItem(b.name.isEmpty() ? b.url : b.name, b.url);
    const int keep = ComboBooks->findData(chosen);
    ComboBooks->setCurrentIndex(keep >= 0 ? keep : 0);
    LabelResult->setText(text("M319", "Найдено адресных книг: %1").arg(found.books.size()));
    updateButtons();
}

bool TFormSync::acceptCertificate(const Failure& failure) {
    const bool changed = !account_.acceptedFingerprint.isEmpty();
    if (!msgbox::confirmDefaultNo(certificateQuestion(hostOf(EditServer->text()), failure.offeredFingerprint, changed)))
        return false;
    account_.acceptedFingerprint = failure.offeredFingerprint;
    // An account that already names its book keeps the fingerprint at once; a new one keeps it when it
    // is saved with its book.
    if (account_.isSetUp())
        saveAccount(account_);
    return true;
}

void TFormSync::syncNow() {
    Account a = accountFromFields();
    if (a.server.isEmpty() || a.user.isEmpty()) {
        msgbox::showWarning(text("M336", "Введите адрес сервера, пользователя и пароль."));
        return;
    }
    if (a.bookUrl.isEmpty()) {
        msgbox::showWarning(text("M337", "Выберите адресную книгу: нажмите «Найти адресные книги»."));
        return;
    }
    if (runner_.busy()) {
        msgbox::showWarning(text("M338", "Синхронизация уже идёт; дождитесь её конца."));
        return;
    }
    if (!saveAccount(a))
        return;
    passwords_.remember(accountKey(a.server, a.user), EditPassword->text());
    ProgressSync->setRange(0, 0);
    ProgressSync->setTextVisible(true);
    ownJob_ = runner_.startSync(a, EditPassword->text());
}

void TFormSync::onSynced(const SyncOutcome& outcome) {
    const bool mine = ownJob_;
    ownJob_ = false;
    ProgressSync->setRange(0, 1);
    ProgressSync->setValue(outcome.failure ? 0 : 1);
    ProgressSync->setTextVisible(false);
    if (mine && outcome.failure.kind == Failure::Untrusted && acceptCertificate(outcome.failure)) {
        syncNow();
        return;
    }
    showOutcome(outcome);
    refreshConflicts();
}

void TFormSync::showOutcome(const SyncOutcome& outcome) {
    lastOutcome_ = outcome;
    LabelResult->setText(outcomeText(outcome));
}

void TFormSync::refreshConflicts() {
    const int row = GridConflicts->currentRow();
    const QString current = row >= 0 && row < conflicts_.size() ? conflicts_[row].key : QString();
    try {
        conflicts_ = service_.conflicts();
    } catch (const std::exception& e) {
        conflicts_.clear();
        LabelResult->setText(QString::fromUtf8(e.what()));
    }
    GridConflicts->setRowCount(int(conflicts_.size()));
    int select = conflicts_.isEmpty() ? -1 : 0;
    for (int r = 0; r < conflicts_.size(); ++r) {
        GridConflicts->setItem(r, 0, cell(conflicts_[r].name));
        GridConflicts->setItem(r, 1, cell(choiceText(conflicts_[r].choice)));
        if (!current.isEmpty() && conflicts_[r].key == current)
            select = r;
    }
    GridConflicts->resizeColumnToContents(0);
    GridConflicts->setCurrentCell(select, 0);
    showColumns(select);
    updateButtons();
}

void TFormSync::showColumns(int row) {
    GridColumns->setRowCount(0);
    if (row < 0 || row >= conflicts_.size())
        return;
    const Conflict& c = conflicts_[row];
    const QString deleted = text("M332", "(удалён)");
    GridColumns->setRowCount(int(c.columns.size()));
    for (int r = 0; r < c.columns.size(); ++r) {
        const ConflictColumn& col = c.columns[r];
        const QString values[4] = {col.title, c.deletedOnDesk ? deleted : col.desk,
                                   c.deletedOnServer ? deleted : col.server, col.synced};
        for (int i = 0; i < 4; ++i) {
            QTableWidgetItem* item = cell(values[i]);
            if (col.changed) {
                // A column changed on both sides: marked so the eye finds what the choice decides.
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(QColor(255, 236, 179));
            }
            GridColumns->setItem(r, i < kKeepColumn ? i : i + 1, item);
        }
        // With both sides present, each column may take the other side than the contact.
        if (!c.deletedOnDesk && !c.deletedOnServer && col.column >= 0)
            GridColumns->setCellWidget(r, kKeepColumn, columnChoiceBox(GridColumns));
    }
    GridColumns->resizeColumnsToContents();
    GridColumns->resizeRowsToContents();
    updateButtons();
}

void TFormSync::choose(int row, Choice choice) {
    if (row < 0 || row >= conflicts_.size())
        return;
    try {
        service_.choose(conflicts_[row].key, choice, columnChoices(row));
    } catch (const std::exception& e) {
        msgbox::showError(QString::fromUtf8(e.what()));
        return;
    }
    conflicts_[row].choice = choice;
    const qsizetype byColumn = columnChoices(row).size();
    GridConflicts->item(row, 1)->setText(byColumn == 0 ? choiceText(choice) : columnsChoiceText(choice, int(byColumn)));
}

// Keep: as for the contact, this computer's value, or the server's.
QComboBox* TFormSync::columnChoiceBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("ComboKeepColumn"));
    box->addItem(text("M377", "как для контакта"), int(Choice::Undecided));
    box->addItem(text("M329", "На компьютере"), int(Choice::KeepDesk));
    box->addItem(text("M330", "На сервере"), int(Choice::KeepServer));
    return box;
}

QHash<int, Choice> TFormSync::columnChoices(int row) const {
    QHash<int, Choice> out;
    if (row != GridConflicts->currentRow() || row < 0 || row >= conflicts_.size())
        return out;
    const Conflict& c = conflicts_[row];
    for (int r = 0; r < GridColumns->rowCount() && r < c.columns.size(); ++r)
        if (const auto* box = qobject_cast<QComboBox*>(GridColumns->cellWidget(r, kKeepColumn))) {
            const auto keep = Choice(box->currentData().toInt());
            if (keep != Choice::Undecided)
                out.insert(c.columns[r].column, keep);
        }
    return out;
}

void TFormSync::updateButtons() {
    const bool busy = runner_.busy();
    BtnFindBooks->setEnabled(!busy);
    BtnSyncNow->setEnabled(!busy);
    BtnCancel->setEnabled(busy);
    SpinMinutes->setEnabled(RadioEvery->isChecked());
    const bool picked = GridConflicts->currentRow() >= 0;
    BtnKeepDesk->setEnabled(picked);
    BtnKeepServer->setEnabled(picked);
}
