#include "DBNavigator.h"

#include "Dataset.h"
#include "DbError.h"
#include "MessageBoxes.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {

// Glyphs that every font with Cyrillic here (DejaVu) draws.
constexpr const char* kGlyphs[DBNavigator::kButtonCount] = {"|◀", "◀", "▶", "▶|", "+", "−", "▲", "✔", "✘", "↻"};
constexpr const char* kNames[DBNavigator::kButtonCount] = {"First",  "Prior", "Next", "Last",   "Insert",
                                                           "Delete", "Edit",  "Post", "Cancel", "Refresh"};

} // namespace

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("nb") + QString::fromLatin1(kNames[i]));
        b->setText(QString::fromUtf8(kGlyphs[i]));
        b->setFixedSize(23, 25);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        buttons_[i] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { click(static_cast<Button>(i)); });
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    confirmDelete = [](const QString& text) { return msgbox::confirmOkCancel(text); };
    onError = [](const QString& message) { msgbox::showError(message); };
    setHints(defaultHints());
    updateButtons();
}

QStringList DBNavigator::defaultHints() {
    return {QStringLiteral("Первая запись"),        QStringLiteral("Предыдущая запись"),
            QStringLiteral("Следующая запись"),     QStringLiteral("Последняя запись"),
            QStringLiteral("Добавить запись"),      QStringLiteral("Удалить запись"),
            QStringLiteral("Редактировать запись"), QStringLiteral("Сохранить запись"),
            QStringLiteral("Отменить изменения"),   QStringLiteral("Сохранить все изменения")};
}

QStringList DBNavigator::standardHints() {
    return {QStringLiteral("First record"), QStringLiteral("Prior record"),  QStringLiteral("Next record"),
            QStringLiteral("Last record"),  QStringLiteral("Insert record"), QStringLiteral("Delete record"),
            QStringLiteral("Edit record"),  QStringLiteral("Post edit"),     QStringLiteral("Cancel edit"),
            QStringLiteral("Refresh data")};
}

void DBNavigator::setHints(const QStringList& hints) {
    hints_ = hints;
    for (int i = 0; i < kButtonCount; ++i)
        buttons_[i]->setToolTip(hintOf(static_cast<Button>(i)));
}

QString DBNavigator::hintOf(Button b) const {
    const QString h = b < hints_.size() ? hints_[b] : QString();
    return h.isEmpty() ? standardHints()[b] : h;
}

void DBNavigator::setVisibleButtons(const QList<Button>& visible) {
    for (int i = 0; i < kButtonCount; ++i)
        buttons_[i]->setVisible(visible.contains(static_cast<Button>(i)));
}

void DBNavigator::setDataSource(DataSource* source) {
    if (source_ == source)
        return;
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_)
        connect(source_, &DataSource::datasetChanged, this, &DBNavigator::attach);
    attach();
}

Dataset* DBNavigator::dataset() const {
    return source_ ? source_->dataset() : nullptr;
}

void DBNavigator::attach() {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    if (Dataset* d = dataset()) {
        auto update = [this] { updateButtons(); };
        connections_ << connect(d, &Dataset::stateChanged, this, update);
        connections_ << connect(d, &Dataset::currentChanged, this, update);
        connections_ << connect(d, &Dataset::dataReset, this, update);
        connections_ << connect(d, &Dataset::rowInserted, this, update);
        connections_ << connect(d, &Dataset::rowRemoved, this, update);
        connections_ << connect(d, &Dataset::rowChanged, this, update);
        connections_ << connect(d, &Dataset::fetchingChanged, this, update);
    }
    updateButtons();
}

void DBNavigator::updateButtons() {
    Dataset* d = dataset();
    const bool active = d && d->isOpen();
    const bool editing = active && d->isEditing();
    const bool up = active && !d->bof();
    const bool down = active && !d->eof();
    buttons_[First]->setEnabled(up);
    buttons_[Prior]->setEnabled(up);
    buttons_[Next]->setEnabled(down);
    buttons_[Last]->setEnabled(down);
    buttons_[Insert]->setEnabled(active);
    buttons_[Delete]->setEnabled(active && !d->isEmpty());
    buttons_[Edit]->setEnabled(active && !editing);
    buttons_[Post]->setEnabled(editing);
    buttons_[Cancel]->setEnabled(editing);
    buttons_[Refresh]->setEnabled(active);
}

void DBNavigator::click(Button b) {
    Dataset* d = dataset();
    if (!d)
        return;
    try {
        run(b, *d);
    } catch (const DbError& e) {
        onError(e.message());
    } catch (const std::exception& e) {
        onError(QString::fromUtf8(e.what()));
    }
    updateButtons();
    Q_EMIT clicked(b);
}

void DBNavigator::run(Button b, Dataset& d) {
    switch (b) {
    case First:
        d.first();
        break;
    case Prior:
        d.prior();
        break;
    case Next:
        d.next();
        break;
    case Last:
        d.last();
        break;
    case Insert:
        d.append();
        break;
    case Delete:
        if (confirmDelete(QStringLiteral("Delete record?")))
            d.deleteCurrent();
        break;
    case Edit:
        d.edit();
        break;
    case Post:
        d.post();
        break;
    case Cancel:
        d.cancel();
        break;
    case Refresh:
        // Re-reading saves a pending change first, as moving does; a change that cannot be saved
        // is laid over the row as read again, which is the way out of a refused save.
        d.refresh();
        break;
    }
}
