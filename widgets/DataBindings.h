#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

class DataSource;
class Dataset;
class DateBox;
class PickEdit;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// Ties edit boxes, date boxes, memos and lookup lists to fields of the current row of a data
// source's dataset. Every control shows the current row and follows the shared cursor; typing into
// one stores the value at once (a browsed row goes into editing), so controls of the same field,
// wherever they are, always show one value.
class DataBindings : public QObject {
    Q_OBJECT
public:
    explicit DataBindings(DataSource* source, QObject* parent = nullptr);

    // The box's maxLength becomes the field's entry limit.
    void bindText(QLineEdit* edit, const QString& fieldName);
    void bindPick(PickEdit* pick, const QString& fieldName);
    void bindDate(DateBox* box, const QString& fieldName);
    // The memo's text is cut to the entry limit as it is typed.
    void bindMemo(QPlainTextEdit* memo, const QString& fieldName);
    // A drop-down list of the looked-up texts (e.g. group names); choosing one sets the key.
    void bindLookup(QComboBox* combo, const QString& fieldName);

    // The field a control is bound to (the box of a pick or date control counts as the control);
    // empty when it is not bound.
    QString fieldOf(const QWidget* control) const;
    // Puts a text into a bound box as if typed: the box shows it (cut to the entry limit) and the
    // field takes it. False when the control is not bound here.
    bool typeText(QWidget* control, const QString& text);

    // Shows the current row's values in every control.
    void refresh();

    // Where a refused value is reported; the standard error box unless replaced.
    std::function<void(const QString&)> onError;

private:
    enum class Kind { Text, Date, Memo, Lookup };
    struct Binding {
        Kind kind;
        QPointer<QWidget> control; // the QLineEdit, DateBox, QPlainTextEdit or QComboBox
        QString field;
    };

    Dataset* dataset() const;
    void attach();
    void add(Kind kind, QWidget* control, const QString& fieldName);
    void refreshAll(bool force);
    void show(const Binding& b, bool force);
    void store(QWidget* typedInto, const QString& fieldName, const QVariant& value);
    void fillLookup(const Binding& b);
    void fillLookups();
    int entryLimit(const QString& fieldName) const;
    bool isNumberField(const QString& fieldName) const;
    const Binding* find(const QWidget* control) const;

    QPointer<DataSource> source_;
    std::vector<Binding> bindings_;
    QList<QMetaObject::Connection> connections_;
    int updating_ = 0;         // >0 while controls are filled from the dataset
    QPointer<QWidget> typing_; // the control whose typing is being stored
};
