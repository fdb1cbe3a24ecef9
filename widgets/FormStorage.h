#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;
class IniFile;

// Keeps a window's placement in the placement file, in the section named after the window's class:
// restored each time the window is shown (before its own show handler), saved when a close is
// accepted and again at destruction if it has not been saved since it was last shown.
class FormStorage : public QObject {
    Q_OBJECT
public:
    FormStorage(QWidget* window, QString section, bool isMainWindow);
    ~FormStorage() override;

    const QString& section() const { return section_; }
    // Extra values of the window's own, read and written in the same section.
    std::function<void(const IniFile&)> restoreProperties;
    std::function<void(IniFile&)> saveProperties;

    void restore();
    void save(bool destroying = false);
    // For the window's destructor: saves when shown and not saved since.
    void saveIfShown();
    bool shownSinceSave() const { return shownSinceSave_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    QString section_;
    bool isMain_;
    bool shownSinceSave_ = false;
};
