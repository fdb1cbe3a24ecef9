#include "DataBindings.h"

#include "Dataset.h"
#include "DbControls.h"
#include "DbError.h"
#include "LanguageCoverage.h"
#include "MessageBoxes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace {

// Guards a counter for the time controls are filled from the dataset.
class Updating {
public:
    explicit Updating(int& counter) : counter_(counter) { ++counter_; }
    ~Updating() { --counter_; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

private:
    int& counter_;
};

} // namespace

DataBindings::DataBindings(DataSource* source, QObject* parent) : QObject(parent), source_(source) {
    onError = [](const QString& message) { msgbox::showError(message); };
    if (source_)
        connect(source_, &DataSource::datasetChanged, this, [this] {
            attach();
            fillLookups();
            refresh();
        });
    attach();
}

Dataset* DataBindings::dataset() const {
    return source_ ? source_->dataset() : nullptr;
}

void DataBindings::attach() {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    Dataset* d = dataset();
    if (!d)
        return;
    // Another row: every control shows it afresh. The same row changed: a half-typed date survives.
    auto another = [this] { refreshAll(true); };
    auto same = [this] { refreshAll(false); };
    connections_ << connect(d, &Dataset::currentChanged, this, another);
    connections_ << connect(d, &Dataset::dataReset, this, another);
    connections_ << connect(d, &Dataset::stateChanged, this, same);
    connections_ << connect(d, &Dataset::lookupsChanged, this, same);
    connections_ << connect(d, &Dataset::rowChanged, this, [this](int row) {
        if (Dataset* ds = dataset(); ds && row == ds->currentRow())
            refreshAll(false);
    });
}

void DataBindings::add(Kind kind, QWidget* control, const QString& fieldName) {
    // What a bound control shows is data, never a text of a language file.
    control->setProperty(langcoverage::kDataTextProperty, true);
    bindings_.push_back({kind, control, fieldName});
    show(bindings_.back(), true);
}

int DataBindings::entryLimit(const QString& fieldName) const {
    Dataset* d = dataset();
    const Field* f = d ? d->findField(fieldName) : nullptr;
    return f && f->isText() ? f->size() : 0;
}

bool DataBindings::isNumberField(const QString& fieldName) const {
    Dataset* d = dataset();
    const Field* f = d ? d->findField(fieldName) : nullptr;
    return f && (f->type() == FieldType::Integer || f->type() == FieldType::SmallInt);
}

void DataBindings::bindText(QLineEdit* edit, const QString& fieldName) {
    if (const int limit = entryLimit(fieldName); limit > 0)
        edit->setMaxLength(limit);
    connect(edit, &QLineEdit::textEdited, this, [this, edit, fieldName](const QString& text) {
        // A sign alone is the start of a number being typed, not a wrong number.
        if ((text == u"-" || text == u"+") && isNumberField(fieldName))
            return;
        store(edit, fieldName, text);
    });
    add(Kind::Text, edit, fieldName);
}

void DataBindings::bindPick(PickEdit* pick, const QString& fieldName) {
    bindText(pick->lineEdit(), fieldName);
}

void DataBindings::bindDate(DateBox* box, const QString& fieldName) {
    connect(box, &DateBox::dateEdited, this, [this, box, fieldName](const QDate& date) {
        store(box, fieldName, date.isValid() ? QVariant(date) : QVariant());
    });
    connect(box, &DateBox::editingFinished, this, [this, box, fieldName] {
        if (!box->hasUnreadableText())
            return;
        const QString text = box->lineEdit()->text();
        onError(QStringLiteral("'%1' is not a valid date").arg(text));
        refresh(); // back to the stored date
    });
    add(Kind::Date, box, fieldName);
}

void DataBindings::bindMemo(QPlainTextEdit* memo, const QString& fieldName) {
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, fieldName] {
        if (updating_ > 0)
            return;
        QString text = memo->toPlainText();
        if (const int limit = entryLimit(fieldName); limit > 0 && text.size() > limit) {
            text.truncate(limit);
            const Updating guard(updating_);
            memo->setPlainText(text);
            memo->moveCursor(QTextCursor::End);
        }
        store(memo, fieldName, text);
    });
    add(Kind::Memo, memo, fieldName);
}

void DataBindings::bindLookup(QComboBox* combo, const QString& fieldName) {
    combo->setProperty(langcoverage::kDataTextProperty, true);
    combo->setEditable(false);
    connect(combo, &QComboBox::activated, this,
            [this, combo, fieldName](int index) { store(combo, fieldName, combo->itemText(index)); });
    bindings_.push_back({Kind::Lookup, combo, fieldName});
    const Binding& b = bindings_.back();
    // The list follows the looked-up table.
    if (Dataset* d = dataset()) {
        if (const Field* f = d->findField(fieldName); f && f->isLookup()) {
            Dataset* other = f->def().lookupDataset;
            auto refill = [this] {
                fillLookups();
                refresh();
            };
            connect(other, &Dataset::dataReset, this, refill);
            connect(other, &Dataset::rowInserted, this, refill);
            connect(other, &Dataset::rowRemoved, this, refill);
            connect(other, &Dataset::rowChanged, this, refill);
        }
    }
    fillLookup(b);
    show(b, true);
}

void DataBindings::fillLookups() {
    for (const Binding& b : bindings_)
        if (b.kind == Kind::Lookup)
            fillLookup(b);
}

void DataBindings::fillLookup(const Binding& b) {
    auto* combo = qobject_cast<QComboBox*>(b.control.data());
    Dataset* d = dataset();
    if (!combo || !d)
        return;
    const Field* f = d->findField(b.field);
    QStringList items;
    if (f && f->isLookup()) {
        Dataset* other = f->def().lookupDataset;
        if (other->isOpen()) {
            other->fetchAll(); // the list offers every row
            const int result = other->fieldByName(f->def().lookupResultField).index();
            for (int r = 0; r < other->rowCount(); ++r)
                items << other->displayText(r, result);
        }
    }
    const Updating guard(updating_);
    const QSignalBlocker blocker(combo);
    combo->clear();
    combo->addItems(items);
}

void DataBindings::refresh() {
    refreshAll(true);
}

void DataBindings::refreshAll(bool force) {
    for (const Binding& b : bindings_)
        show(b, force);
}

void DataBindings::show(const Binding& b, bool force) {
    if (!b.control || b.control == typing_)
        return;
    Dataset* d = dataset();
    const Field* f = d ? d->findField(b.field) : nullptr;
    const bool hasRow = d && f && d->isOpen() && d->currentRow() >= 0;
    const QVariant value = hasRow ? d->value(f->index()) : QVariant();
    const QString text = hasRow ? d->displayText(d->currentRow(), f->index()) : QString();
    const Updating guard(updating_);
    switch (b.kind) {
    case Kind::Text: {
        auto* edit = static_cast<QLineEdit*>(b.control.data());
        if (edit->text() != text) {
            // Keep the caret where the user left it when only another page's box changed the text.
            const int caret = edit->cursorPosition();
            edit->setText(text);
            edit->setCursorPosition(std::min(caret, static_cast<int>(text.size())));
        }
        break;
    }
    case Kind::Date: {
        auto* box = static_cast<DateBox*>(b.control.data());
        // A half-typed date in the focused box is left alone while the stored value is unchanged.
        if (!force && box->lineEdit()->hasFocus() && box->date() == value.toDate())
            break;
        box->setDate(value.toDate());
        break;
    }
    case Kind::Memo: {
        auto* memo = static_cast<QPlainTextEdit*>(b.control.data());
        if (memo->toPlainText() != text)
            memo->setPlainText(text);
        break;
    }
    case Kind::Lookup: {
        auto* combo = static_cast<QComboBox*>(b.control.data());
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(text.isEmpty() ? -1 : combo->findText(text, Qt::MatchExactly));
        break;
    }
    }
}

void DataBindings::store(QWidget* typedInto, const QString& fieldName, const QVariant& value) {
    if (updating_ > 0)
        return;
    Dataset* d = dataset();
    if (!d)
        return;
    // The box being typed into already shows the text: refreshing it midway (the row going into
    // editing announces itself before the value is set) would lose the caret and the keystroke.
    typing_ = typedInto;
    try {
        d->setValue(fieldName, value);
    } catch (const DbError& e) {
        typing_ = nullptr;
        onError(e.message());
        refresh();
    }
    typing_ = nullptr;
}

const DataBindings::Binding* DataBindings::find(const QWidget* control) const {
    for (const Binding& b : bindings_) {
        if (!b.control)
            continue;
        if (b.control == control)
            return &b;
        if (b.kind == Kind::Date && static_cast<DateBox*>(b.control.data())->lineEdit() == control)
            return &b;
        if (b.kind == Kind::Text && b.control->parentWidget() == control && qobject_cast<const PickEdit*>(control))
            return &b;
    }
    return nullptr;
}

QString DataBindings::fieldOf(const QWidget* control) const {
    const Binding* b = find(control);
    return b ? b->field : QString();
}

bool DataBindings::typeText(QWidget* control, const QString& text) {
    const Binding* b = find(control);
    if (!b)
        return false;
    switch (b->kind) {
    case Kind::Text: {
        auto* edit = static_cast<QLineEdit*>(b->control.data());
        {
            const Updating guard(updating_);
            edit->setText(text); // maxLength cuts it as typing would
        }
        store(edit, b->field, edit->text());
        break;
    }
    case Kind::Memo:
        static_cast<QPlainTextEdit*>(b->control.data())->setPlainText(text); // stored by textChanged
        break;
    case Kind::Date: {
        const QDate d = DateBox::parse(text);
        static_cast<DateBox*>(b->control.data())->setDate(d);
        store(b->control, b->field, d.isValid() ? QVariant(d) : QVariant());
        break;
    }
    case Kind::Lookup:
        store(nullptr, b->field, text);
        break;
    }
    return true;
}
