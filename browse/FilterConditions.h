#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The condition texts that the letter bar and the search window put into the contact list's filter.
// The server compares them case-sensitively.
namespace FilterConditions {

// True for the captions of the letter bar's all-button, and only for those exact texts.
bool isAllCaption(const QString& caption);

// "FAM Like 'X%' or FAM Like 'x%'": surnames that begin with the caption in either case, with cp1251 case rules.
QString letterCondition(const QString& caption);

// One "NAME Like '%text%'" term per field, joined with " or "; empty for an empty text. Quotes in the text are
// doubled so that it stays one quoted literal; "%" and "_" keep their meaning as Like wildcards.
QString searchCondition(const QString& text, const QStringList& fieldNames);

// The search condition narrowed to candidate contacts: the keys listed, or any contact whose change
// stamp is changedFrom or above (changed since the keys were found, evaluated by the server each time
// the list is read), and then the terms of searchCondition, which decide. Both parts read through
// indexes (the primary key, the change stamps), so only the candidates are read. Empty for an
// empty text.
QString narrowedSearchCondition(const QString& text, const QStringList& fieldNames, const std::vector<int>& keys,
                                qint64 changedFrom);

// The contact fields that the search window looks through, in dataset order.
const QStringList& searchedFieldNames();

struct FieldInfo {
    QString name;
    bool isText = false;    // a plain text column stored in the table
    bool isVisible = false; // marked visible in the data module
};

// The names of the fields that are searched: stored text and visible, in the given order.
QStringList searchableFields(const std::vector<FieldInfo>& fields);

// The text as the inside of a quoted SQL literal: every single quote doubled.
QString quoteLiteralText(const QString& text);

} // namespace FilterConditions
