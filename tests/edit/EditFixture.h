#pragma once

// A connected data module on a fresh database, message boxes recorded instead of shown.

#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QStringList>

namespace edittest {

struct Boxes {
    QList<msgbox::Shown> shown;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    Boxes() {
        msgbox::setResponder([this](const msgbox::Shown& s) {
            shown << s;
            return answer;
        });
    }
    ~Boxes() { msgbox::clearResponder(); }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;

    QStringList texts(msgbox::Kind kind) const {
        QStringList list;
        for (const auto& s : shown)
            if (s.kind == kind)
                list << s.text;
        return list;
    }
};

struct Db {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    std::unique_ptr<TDM> dm = folder.openDM(ui);

    Dataset& contacts() const { return *dm->TabMain; }

    // Saves a new contact with the given values and leaves it current.
    void addContact(const QList<QPair<QString, QVariant>>& values) const {
        contacts().append();
        for (const auto& [field, value] : values)
            contacts().setValue(field, value);
        contacts().post();
    }
    void addEntry(Dataset& book, const QString& text) const {
        book.append();
        book.setValue(1, text);
        book.post();
    }
    // Reads the table again from the database.
    void reread(Dataset& d) const {
        d.close();
        d.open();
    }
};

} // namespace edittest
