#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>

class DataSource;
class Dataset;
class QToolButton;

// The record navigator: ten buttons that move through, add, delete, edit, save, cancel and re-read
// the rows of a data source's dataset. Which buttons can be pressed follows the dataset's state.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtonCount = 10;

    explicit DBNavigator(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return source_; }

    // Ten hints in button order; a missing or empty one gives that button's standard hint.
    void setHints(const QStringList& hints);
    QStringList hints() const { return hints_; }
    QString hintOf(Button b) const;
    // The hints the windows are designed with.
    static QStringList defaultHints();
    // The hints of buttons that were given none.
    static QStringList standardHints();

    // Shows only the listed buttons, in their fixed order.
    void setVisibleButtons(const QList<Button>& buttons);
    QToolButton* button(Button b) const { return buttons_[b]; }

    // Does what the button does (BtnClick); failures go to onError.
    void click(Button b);

    // The delete question; the navigators' OK/Cancel box unless replaced.
    std::function<bool(const QString&)> confirmDelete;
    // Where failures are reported; the standard error box unless replaced.
    std::function<void(const QString&)> onError;

    // Enables the buttons for the dataset's state.
    void updateButtons();

Q_SIGNALS:
    void clicked(DBNavigator::Button b);

private:
    Dataset* dataset() const;
    void attach();
    void run(Button b, Dataset& d);

    QPointer<DataSource> source_;
    std::array<QToolButton*, kButtonCount> buttons_{};
    QStringList hints_;
    QList<QMetaObject::Connection> connections_;
};
