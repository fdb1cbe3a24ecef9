#pragma once

#include <QString>
#include <Qt>

class Dataset;

enum class FieldType { Integer, SmallInt, Text, Date };

// What the program attaches to a column: display label, entry limit, visibility, required,
// communication tag and alignment. A lookup field is not stored; it shows a value of another
// dataset found by a key field of this one.
struct FieldDef {
    QString name;   // the program's field name, e.g. "Departament"
    QString column; // the database column, e.g. "DEPARTAMENT"; empty for a lookup field
    FieldType type = FieldType::Text;
    int size = 0; // entry limit for text fields
    QString displayLabel;
    bool visible = true;
    bool required = false;
    int tag = 0;
    Qt::Alignment alignment = Qt::AlignLeft;
    // Lookup: value = lookupResultField of the lookupDataset row whose lookupKeyField equals keyField.
    Dataset* lookupDataset = nullptr;
    QString keyField;
    QString lookupKeyField;
    QString lookupResultField;

    bool isLookup() const { return lookupDataset != nullptr; }
};

class Field {
public:
    Field(Dataset* owner, FieldDef def, int index, int storedIndex)
        : owner_(owner), def_(std::move(def)), index_(index), storedIndex_(storedIndex) {}

    const QString& name() const { return def_.name; }
    const QString& column() const { return def_.column; }
    FieldType type() const { return def_.type; }
    int size() const { return def_.size; }
    bool required() const { return def_.required; }
    int tag() const { return def_.tag; }
    Qt::Alignment alignment() const { return def_.alignment; }
    bool isLookup() const { return def_.isLookup(); }
    bool isText() const { return def_.type == FieldType::Text; }
    const FieldDef& def() const { return def_; }
    int index() const { return index_; }
    int storedIndex() const { return storedIndex_; } // -1 for a lookup field
    Dataset* dataset() const { return owner_; }

    // The label; a field without one shows its name.
    const QString& displayLabel() const { return def_.displayLabel; }
    QString displayName() const { return def_.displayLabel.isEmpty() ? def_.name : def_.displayLabel; }
    // A label equal to the field name is stored as no label.
    void setDisplayLabel(const QString& label);

    bool visible() const { return def_.visible; }
    void setVisible(bool visible);

private:
    Dataset* owner_;
    FieldDef def_;
    int index_;
    int storedIndex_;
};
