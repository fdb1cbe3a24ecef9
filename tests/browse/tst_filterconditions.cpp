#include "FilterConditions.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Splits a condition into the text outside quotes and the decoded quoted literals, the way the server reads
// it: '' inside a literal is one quote. `closed` is false when a literal runs to the end of the text.
struct Parsed {
    QString outside;
    QStringList literals;
    bool closed = true;
};

Parsed parseCondition(const QString& condition) {
    Parsed p;
    qsizetype i = 0;
    while (i < condition.size()) {
        if (condition[i] != u'\'') {
            p.outside += condition[i++];
            continue;
        }
        ++i;
        QString literal;
        bool closed = false;
        while (i < condition.size()) {
            if (condition[i] == u'\'') {
                if (i + 1 < condition.size() && condition[i + 1] == u'\'') {
                    literal += u'\'';
                    i += 2;
                    continue;
                }
                ++i;
                closed = true;
                break;
            }
            literal += condition[i++];
        }
        p.outside += u'?';
        p.literals << literal;
        p.closed = p.closed && closed;
    }
    return p;
}

} // namespace

class FilterConditionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void letterBarCaptions_data();
    void letterBarCaptions();
    void otherCaptions_data();
    void otherCaptions();
    void searchCondition_data();
    void searchCondition();
    void searchConditionTermsForEveryField();
    void searchedFields();
    void searchableFieldsFilter();
    void narrowedSearchCondition_data();
    void narrowedSearchCondition();
};

void FilterConditionsTest::letterBarCaptions_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("isAll");
    QTest::addColumn<QString>("condition");

    QTest::newRow("ВСЁ") << u"ВСЁ"_s << true << QString();
    QTest::newRow("All") << u"All"_s << true << QString();
    const QStringList upper = u"А Б В Г Д Е Ё Ж З И Й К Л М Н О П Р С Т У Ф Х Ц Ч Ш Щ Ы Э Ю Я"_s.split(u' ');
    const QStringList lower = u"а б в г д е ё ж з и й к л м н о п р с т у ф х ц ч ш щ ы э ю я"_s.split(u' ');
    QCOMPARE(upper.size(), 31);
    QCOMPARE(lower.size(), 31);
    for (qsizetype i = 0; i < upper.size(); ++i) {
        QTest::newRow(upper[i].toUtf8().constData())
            << upper[i] << false << u"FAM Like '"_s + upper[i] + u"%' or FAM Like '"_s + lower[i] + u"%'"_s;
    }
}

void FilterConditionsTest::letterBarCaptions() {
    QFETCH(QString, caption);
    QFETCH(bool, isAll);
    QFETCH(QString, condition);
    QCOMPARE(FilterConditions::isAllCaption(caption), isAll);
    if (!isAll)
        QCOMPARE(FilterConditions::letterCondition(caption), condition);
}

void FilterConditionsTest::otherCaptions_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("isAll");
    QTest::addColumn<QString>("condition");

    // The all-button is recognised only by its exact caption.
    QTest::newRow("Всё") << u"Всё"_s << false << u"FAM Like 'ВСЁ%' or FAM Like 'всё%'"_s;
    QTest::newRow("ВСЕ") << u"ВСЕ"_s << false << u"FAM Like 'ВСЕ%' or FAM Like 'все%'"_s;
    QTest::newRow("ALL") << u"ALL"_s << false << u"FAM Like 'ALL%' or FAM Like 'all%'"_s;
    QTest::newRow("all") << u"all"_s << false << u"FAM Like 'ALL%' or FAM Like 'all%'"_s;
    QTest::newRow("All with blank") << u"All "_s << false << u"FAM Like 'ALL %' or FAM Like 'all %'"_s;
    QTest::newRow("small letter") << u"ж"_s << false << u"FAM Like 'Ж%' or FAM Like 'ж%'"_s;
    QTest::newRow("latin letter") << u"b"_s << false << u"FAM Like 'B%' or FAM Like 'b%'"_s;
    QTest::newRow("empty") << QString() << false << u"FAM Like '%' or FAM Like '%'"_s;
    // A translated caption holding a quote still yields one literal per alternative.
    QTest::newRow("quote") << u"O'"_s << false << u"FAM Like 'O''%' or FAM Like 'o''%'"_s;
}

void FilterConditionsTest::otherCaptions() {
    letterBarCaptions();
}

void FilterConditionsTest::searchCondition_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // condition over FAM and NOTES

    QTest::newRow("abc") << u"abc"_s << u"FAM Like '%abc%' or NOTES Like '%abc%'"_s;
    QTest::newRow("cyrillic") << u"Иван"_s << u"FAM Like '%Иван%' or NOTES Like '%Иван%'"_s;
    QTest::newRow("digit") << u"7"_s << u"FAM Like '%7%' or NOTES Like '%7%'"_s;
    QTest::newRow("blank") << u" "_s << u"FAM Like '% %' or NOTES Like '% %'"_s;
    QTest::newRow("O'Brien") << u"O'Brien"_s << u"FAM Like '%O''Brien%' or NOTES Like '%O''Brien%'"_s;
    QTest::newRow("injection") << u"'; delete from MAIN; --"_s
                               << u"FAM Like '%''; delete from MAIN; --%' or NOTES Like '%''; delete from MAIN; --%'"_s;
    QTest::newRow("closing quote and or")
        << u"x' or '1'='1"_s << u"FAM Like '%x'' or ''1''=''1%' or NOTES Like '%x'' or ''1''=''1%'"_s;
    QTest::newRow("two quotes") << u"''"_s << u"FAM Like '%''''%' or NOTES Like '%''''%'"_s;
    QTest::newRow("percent wildcard") << u"%"_s << u"FAM Like '%%%' or NOTES Like '%%%'"_s;
    QTest::newRow("underscore wildcard") << u"_"_s << u"FAM Like '%_%' or NOTES Like '%_%'"_s;
    QTest::newRow("empty") << QString() << QString();
}

void FilterConditionsTest::searchCondition() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString condition = FilterConditions::searchCondition(text, {u"FAM"_s, u"NOTES"_s});
    QCOMPARE(condition, expected);

    if (text.isEmpty())
        return;
    // Whatever was typed, the statement keeps its shape and every literal holds exactly the typed text.
    const Parsed parsed = parseCondition(condition);
    QVERIFY(parsed.closed);
    QCOMPARE(parsed.outside, u"FAM Like ? or NOTES Like ?"_s);
    QCOMPARE(parsed.literals, QStringList({u'%' + text + u'%', u'%' + text + u'%'}));
}

void FilterConditionsTest::searchConditionTermsForEveryField() {
    const QStringList& fields = FilterConditions::searchedFieldNames();
    const QString condition = FilterConditions::searchCondition(u"abc"_s, fields);
    QVERIFY(condition.startsWith(u"JOB_ORG Like '%abc%' or FAM Like '%abc%' or "_s));
    QVERIFY(condition.endsWith(u" or NOTES Like '%abc%'"_s));
    QVERIFY(!condition.endsWith(u" or "_s));
    QCOMPARE(condition.count(u" or "_s), fields.size() - 1);

    const QString hostile = u"'; delete from MAIN; --"_s;
    const Parsed parsed = parseCondition(FilterConditions::searchCondition(hostile, fields));
    QVERIFY(parsed.closed);
    QCOMPARE(parsed.literals.size(), fields.size());
    for (const QString& literal : parsed.literals)
        QCOMPARE(literal, u'%' + hostile + u'%');
    QStringList terms;
    for (const QString& f : fields)
        terms << f + u" Like ?"_s;
    QCOMPARE(parsed.outside, terms.join(u" or "_s));
}

void FilterConditionsTest::searchedFields() {
    const QStringList expected = u"JOB_ORG FAM FIRST_NAME MID_NAME JOB_POST DEPARTAMENT NICKNAME OCCUPATION "
                                 u"JOBRIGHTFORM COUNTRY JOB_ADDRESS JOB_CITY JOB_ST JOB_ZIP HOME_ADDRESS HOME_CITY "
                                 u"HOME_ST HOME_ZIP AREA_CODE JOB_TEL1 JOB_TEL2 JOB_TEL3 JOB_TEL4 JOB_FAX HOME_TEL1 "
                                 u"HOME_TEL2 HOME_FAX CELLULAR PAGER JOB_EMAIL HOME_EMAIL JOB_WWW HOME_WWW JOB_ICQ "
                                 u"HOME_ICQ OTHER_COMMUN NOTES"_s.split(u' ');
    QCOMPARE(expected.size(), 37);
    QCOMPARE(FilterConditions::searchedFieldNames(), expected);
    for (const char* excluded : {"NUM_MAIN", "GR_NUM", "BITHDAY", "GROUP_NAME", "FOTOLINK"})
        QVERIFY(!FilterConditions::searchedFieldNames().contains(QLatin1String(excluded)));
}

void FilterConditionsTest::searchableFieldsFilter() {
    const std::vector<FilterConditions::FieldInfo> fields = {
        {u"NUM_MAIN"_s, false, true},   {u"JOB_ORG"_s, true, true},  {u"GR_NUM"_s, false, true},
        {u"FAM"_s, true, true},         {u"BITHDAY"_s, false, true}, {u"FOTOLINK"_s, true, false},
        {u"GROUP_NAME"_s, false, true}, {u"NOTES"_s, true, true},
    };
    QCOMPARE(FilterConditions::searchableFields(fields), QStringList({u"JOB_ORG"_s, u"FAM"_s, u"NOTES"_s}));
    QVERIFY(FilterConditions::searchableFields({}).isEmpty());
}

void FilterConditionsTest::narrowedSearchCondition_data() {
    QTest::addColumn<int>("candidates");
    QTest::addColumn<QString>("keysPart");
    QTest::newRow("none: only the contacts changed since") << 0 << u"(CHANGE_TX >= 77)"_s;
    QTest::newRow("a few") << 3 << u"(NUM_MAIN in (list of 3) or CHANGE_TX >= 77)"_s;
    // The server takes no more than 1,500 values in one list.
    QTest::newRow("more than one list holds")
        << 2500
        << u"(NUM_MAIN in (list of 1000) or NUM_MAIN in (list of 1000) or NUM_MAIN in (list of 500) or "
           u"CHANGE_TX >= 77)"_s;
}

void FilterConditionsTest::narrowedSearchCondition() {
    QFETCH(int, candidates);
    QFETCH(QString, keysPart);
    std::vector<int> keys;
    for (int i = 1; i <= candidates; ++i)
        keys.push_back(i * 10);
    const QStringList fields{u"FAM"_s, u"NOTES"_s};
    const QString text = u"O'B%_"_s;
    QString condition = FilterConditions::narrowedSearchCondition(text, fields, keys, 77);
    // Every key listed once, in order.
    static const QRegularExpression list(u"NUM_MAIN in \\(([0-9,]+)\\)"_s);
    QStringList listed;
    for (auto it = list.globalMatch(condition); it.hasNext();) {
        const auto m = it.next();
        listed << m.captured(1).split(u',');
        condition.replace(m.captured(1), u"list of %1"_s.arg(m.captured(1).count(u',') + 1));
    }
    QCOMPARE(listed.size(), candidates);
    for (int i = 0; i < listed.size(); ++i)
        QCOMPARE(listed[i].toInt(), keys[i]);
    // The specified terms follow unchanged and decide.
    QCOMPARE(condition, keysPart + u" and ("_s + FilterConditions::searchCondition(text, fields) + u')');
    QVERIFY(FilterConditions::narrowedSearchCondition(QString(), fields, keys, 77).isEmpty());
}

QTEST_APPLESS_MAIN(FilterConditionsTest)
#include "tst_filterconditions.moc"
