#pragma once

// The whole program against a fresh database, with the language files the build lays out copied
// into the test's program folder, and every message box recorded instead of shown.

#include "App.h"
#include "Cp1251.h"
#include "FormMain.h"
#include "IniFile.h"
#include "IniLang.h"
#include "LanguageSelection.h"
#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QFile>
#include <memory>

namespace langtest {

// The files the build lays out in cp1251.
inline const QStringList& shippedFiles() {
    static const QStringList files = {QStringLiteral("English.ini"), QStringLiteral("Custom.ini"),
                                      QStringLiteral("DBgrids.en"), QStringLiteral("DBgrids.ru")};
    return files;
}

inline QString shippedPath(const QString& name) {
    return QStringLiteral(KORVANE_BIN_DIR "/") + name;
}

class Program {
public:
    Program() {
        for (const QString& name : shippedFiles())
            QFile::copy(shippedPath(name), folder.path() + name);
        msgbox::setResponder([this](const msgbox::Shown& shown) {
            boxes << shown;
            return answer;
        });
        SetCurrentLangFile(nullptr);
    }
    ~Program() {
        app.reset();
        SetCurrentLangFile(nullptr);
        msgbox::clearResponder();
    }

    // Creates the data module and every window.
    void start() { app = std::make_unique<KorvaneApp>(); }

    TFormMain& main() const { return app->main(); }
    LanguageSelection& language() const { return *app->main().language(); }
    TDM& dm() const { return app->dm(); }
    QString path(const QString& name) const { return folder.path() + name; }

    // Writes a file of the program folder in cp1251 from the text.
    void writeFile(const QString& name, const QString& text) const {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(cp1251::encode(text));
    }
    void setRemembered(const QString& value) const {
        IniFile ini(folder.iniPath());
        ini.writeString(QStringLiteral("Language"), QStringLiteral("Autoloadlng"), value);
        ini.save();
    }

    testdb::Folder folder;
    QList<msgbox::Shown> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    std::unique_ptr<KorvaneApp> app;
};

inline QWidget* window(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            return w;
    return nullptr;
}

} // namespace langtest
