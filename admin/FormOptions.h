#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

// "Настройка": the connection settings of Phones.ini. Each show re-reads the file; OK writes it and
// closes, Close and the close box close without writing. The running connection is not touched:
// the values take effect at the next start.
class TFormOptions : public QDialog {
    Q_OBJECT
public:
    // The settings file is the one in the program folder.
    explicit TFormOptions(QString iniPath, QWidget* parent = nullptr);

    const QString& iniPath() const { return iniPath_; }

    QTabWidget* PageControl1;
    QLineEdit* EditServer;
    QLineEdit* EditDB;
    QLineEdit* EditUser;
    QLineEdit* EditPass;
    QComboBox* cmbPromt;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

public Q_SLOTS:
    void ConnectOptions();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString iniPath_;
};
