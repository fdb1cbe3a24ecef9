#include "DMUnit.h"

#include "ChangeStamps.h"
#include "ListIndexes.h"

#include <QThread>

namespace tables {
namespace {

FieldDef text(const char* name, int size, const char* label, int tag = 0) {
    FieldDef f;
    f.name = QString::fromUtf8(name);
    f.column = f.name.toUpper();
    f.type = FieldType::Text;
    f.size = size;
    f.displayLabel = QString::fromUtf8(label);
    f.tag = tag;
    return f;
}

// For tables whose columns keep their mixed case.
FieldDef exactText(const char* name, int size, const char* label) {
    FieldDef f = text(name, size, label);
    f.column = f.name;
    return f;
}

FieldDef number(const char* name, FieldType type, const char* label, Qt::Alignment align = Qt::AlignRight) {
    FieldDef f;
    f.name = QString::fromUtf8(name);
    f.column = f.name;
    f.type = type;
    f.displayLabel = QString::fromUtf8(label);
    f.alignment = align;
    return f;
}

FieldDef key(const char* name) {
    FieldDef f = number(name, FieldType::Integer, "");
    f.required = true;
    f.visible = false;
    return f;
}

} // namespace

std::vector<FieldDef> mainFields(Dataset* groups) {
    FieldDef numMain = key("NUM_MAIN");
    numMain.alignment = Qt::AlignLeft;
    FieldDef grNum = number("GR_NUM", FieldType::Integer, "");
    FieldDef groupName = text("GROUP_NAME", 30, "Группа");
    groupName.column.clear();
    groupName.lookupDataset = groups;
    groupName.keyField = QStringLiteral("GR_NUM");
    groupName.lookupKeyField = QStringLiteral("GR_NUM");
    groupName.lookupResultField = QStringLiteral("GROUP_NAME");
    FieldDef birthday = number("BITHDAY", FieldType::Date, "День рожденья", Qt::AlignLeft);
    birthday.column = QStringLiteral("BITHDAY");
    FieldDef photo = text("FOTOLINK", 200, "Фотография");
    photo.visible = false;
    return {numMain,
            text("JOB_ORG", 80, "Организация"),
            text("FAM", 30, "Фамилия"),
            text("FIRST_NAME", 30, "Имя"),
            text("MID_NAME", 30, "Отчество"),
            text("JOB_POST", 30, "Должность"),
            text("Departament", 50, "Подразделение"),
            grNum,
            groupName,
            text("NICKNAME", 30, "Прозвище"),
            text("OCCUPATION", 30, "Вид деятельности"),
            text("JOBRIGHTFORM", 50, "Орг. правовая форма"),
            birthday,
            photo,
            text("COUNTRY", 30, "Страна"),
            text("JOB_ADDRESS", 80, "Рабочий адрес"),
            text("JOB_CITY", 50, "Город"),
            text("JOB_ST", 50, "Улица"),
            text("JOB_ZIP", 20, "Почтовый индекс"),
            text("HOME_ADDRESS", 80, "Домашний  адрес"),
            text("HOME_CITY", 50, "Город"),
            text("HOME_ST", 50, "Улица"),
            text("HOME_ZIP", 20, "Почтовый индекс"),
            text("AREA_CODE", 20, "Код"),
            text("JOB_TEL1", 20, "Рабочий", 100),
            text("JOB_TEL2", 20, "Рабочий 2", 100),
            text("JOB_TEL3", 20, "Рабочий 3", 100),
            text("JOB_TEL4", 20, "Рабочий 4", 100),
            text("JOB_FAX", 20, "Факс р.", 100),
            text("HOME_TEL1", 20, "Домашний", 100),
            text("HOME_TEL2", 20, "Домашний 2", 100),
            text("HOME_FAX", 20, "Факс д.", 100),
            text("CELLULAR", 20, "Сотовый", 100),
            text("PAGER", 20, "Пэйджер"),
            text("JOB_EMAIL", 60, "Рабочий e-mail"),
            text("HOME_EMAIL", 60, "Домашний e-mail"),
            text("JOB_WWW", 120, "Рабочий www"),
            text("HOME_WWW", 120, "Домашний www"),
            text("JOB_ICQ", 20, "ICQ р."),
            text("HOME_ICQ", 20, "ICQ д."),
            text("OTHER_COMMUN", 50, "Другие виды связи"),
            text("NOTES", 240, "Примечания")};
}

std::vector<FieldDef> schedulerFields() {
    FieldDef shNum = key("SH_NUM");
    shNum.alignment = Qt::AlignLeft;
    FieldDef date = number("ContactDate", FieldType::Date, "Дата", Qt::AlignLeft);
    FieldDef runPath = exactText("RUNPATH", 180, "Путь");
    runPath.visible = false;
    return {shNum,
            exactText("Contact", 30, "Задача"),
            date,
            number("ContactHour", FieldType::SmallInt, "Час", Qt::AlignLeft),
            number("ContactMin", FieldType::SmallInt, "Минуты", Qt::AlignLeft),
            number("NotyfiBehindDays", FieldType::SmallInt, "Сообщать за дней", Qt::AlignLeft),
            number("NotyfiBehindHours", FieldType::SmallInt, "Сообщать за часов", Qt::AlignLeft),
            number("NotyfiBehindMin", FieldType::SmallInt, "Сообщать за минут", Qt::AlignLeft),
            runPath,
            exactText("ContactDesc", 150, "Описание")};
}

std::vector<FieldDef> businessLineFields() {
    return {key("Bl_num"), exactText("BusinessLineDesc", 30, "Вид деятельности")};
}

std::vector<FieldDef> orgRightFormFields() {
    return {key("Orf_num"), exactText("OrgRightForm", 50, "Организационно-правовая форма")};
}

std::vector<FieldDef> jobPostFields() { return {key("Jp_num"), exactText("JpDesc", 50, "Должность")}; }

std::vector<FieldDef> groupsFields() {
    FieldDef grNum = key("GR_NUM");
    grNum.visible = true;
    return {grNum, number("PARENT_GROUP", FieldType::Integer, ""), text("GROUP_NAME", 30, "")};
}

} // namespace tables

TDM::TDM(const QString& programFolder, DMUserInterface ui, QObject* parent) : QObject(parent), ui_(std::move(ui)) {
    setObjectName(QStringLiteral("DM"));
    settings_.programFolder = programFolder;

    IBPhones = std::make_unique<Database>(QStringLiteral("IBPhones"));
    IBPhones->setLoginPromptHandler(ui_.login);
    Database& db = *IBPhones;

    TabContactGroups = std::make_unique<Dataset>(db, QStringLiteral("TabContactGroups"), QStringLiteral("GROUPS"),
                                                 tables::groupsFields());
    TabMain = std::make_unique<Dataset>(db, QStringLiteral("TabMain"), QStringLiteral("MAIN"),
                                        tables::mainFields(TabContactGroups.get()));
    TabScheduler = std::make_unique<Dataset>(db, QStringLiteral("TabScheduler"), QStringLiteral("SCHEDULER"),
                                             tables::schedulerFields());
    TabBusinessLine = std::make_unique<Dataset>(db, QStringLiteral("TabBusinessLine"), QStringLiteral("BusinessLine"),
                                                tables::businessLineFields());
    TabOrgRightForm = std::make_unique<Dataset>(db, QStringLiteral("TabOrgRightForm"), QStringLiteral("OrgRightForm"),
                                                tables::orgRightFormFields());
    TabJobPost =
        std::make_unique<Dataset>(db, QStringLiteral("TabJobPost"), QStringLiteral("JobPost"), tables::jobPostFields());

    DSMain = std::make_unique<DataSource>(TabMain.get());
    dsScheduler = std::make_unique<DataSource>(TabScheduler.get());
    DSBusinessLine = std::make_unique<DataSource>(TabBusinessLine.get());
    DSOrgRightForm = std::make_unique<DataSource>(TabOrgRightForm.get());
    DSJobPost = std::make_unique<DataSource>(TabJobPost.get());
    DSContactGroups = std::make_unique<DataSource>(TabContactGroups.get());

    IBSPMain = std::make_unique<KeyProcedure>(db, QStringLiteral("SETMAINPRIMARYKEY"));
    IBSPScheduler = std::make_unique<KeyProcedure>(db, QStringLiteral("SETSCHEDULERPRIMARYKEY"));
    IBSPBusinessLine = std::make_unique<KeyProcedure>(db, QStringLiteral("SETBUSINESSLINEPRIMARYKEY"));
    IBSPOrgRightForm = std::make_unique<KeyProcedure>(db, QStringLiteral("SETORGRIGHTFORMPRIMARYKEY"));
    IBSPJobPost = std::make_unique<KeyProcedure>(db, QStringLiteral("SETJOBPOSTPRIMARYKEY"));
    IBSPContactGroups = std::make_unique<KeyProcedure>(db, QStringLiteral("SETGROUPSPRIMARYKEY"));
    IBQueryDBTree =
        std::make_unique<Query>(db, QStringLiteral("select * from groups where Parent_group=:ParentGroupID")
                                        .replace(QStringLiteral(":ParentGroupID"), QStringLiteral("?")));

    TabMain->onNewRecord = [this](Dataset& d) { TabMainNewRecord(d); };
    TabScheduler->onNewRecord = [this](Dataset& d) { TabSchedulerNewRecord(d); };
    TabBusinessLine->onNewRecord = [this](Dataset& d) { TabBusinessLineNewRecord(d); };
    TabOrgRightForm->onNewRecord = [this](Dataset& d) { TabOrgRightFormNewRecord(d); };
    TabJobPost->onNewRecord = [this](Dataset& d) { TabJobPostNewRecord(d); };
    TabContactGroups->onNewRecord = [this](Dataset& d) { TabContactGroupsNewRecord(d); };

    // A new task saved with empty notify-ahead values gets 0 for them; an existing one keeps them.
    TabScheduler->onBeforePost = [](Dataset& d) {
        if (d.state() != Dataset::State::Insert)
            return;
        for (const char* name : {"NotyfiBehindDays", "NotyfiBehindHours", "NotyfiBehindMin"})
            if (d.value(QString::fromLatin1(name)).isNull())
                d.setValue(QString::fromLatin1(name), 0);
    };

    // DataModuleCreate
    launchCount_ = 0;
    serverProgram_.clear();
    LoadSettings();
    DBConnect();
}

TDM::~TDM() {
    // Tables close before the connection goes; nothing is committed here (CloseProcedure does that).
    for (Dataset* d : tables())
        d->close();
}

std::vector<Dataset*> TDM::tables() const {
    return {TabMain.get(), TabScheduler.get(), TabBusinessLine.get(), TabOrgRightForm.get(), TabJobPost.get(),
            TabContactGroups.get()};
}

void TDM::LoadSettings() {
    settings_ = ::LoadSettings(settings_.programFolder);
    // There is no registry of a local server here: the launch has no program to start.
    if (settings_.serverPrefix.isEmpty())
        serverProgram_.clear();
}

void TDM::ServerRun(const QString& program) {
    if (ui_.startServer && !program.isEmpty()) {
        try {
            ui_.startServer(program);
        } catch (...) {
        }
    }
    QThread::msleep(static_cast<unsigned long>(ui_.serverWaitMs));
}

void TDM::DBConnect() {
    if (launchCount_ == 1)
        serverProgram_.clear();
    IBPhones->databaseName = settings_.databaseName();
    IBPhones->userName = settings_.userName;
    IBPhones->password = settings_.password;
    IBPhones->loginPrompt = settings_.loginPrompt;
    if (!IBPhones->connected()) {
        try {
            IBPhones->connect();
        } catch (const DbError&) {
            if (launchCount_ == 0) {
                ServerRun(serverProgram_);
                launchCount_ = 1;
                DBConnect();
                return;
            }
            if (ui_.message)
                ui_.message(QStringLiteral("Error connect to server"));
        }
    }
    listindexes::ensure(*IBPhones);
    if (IBPhones->connected())
        changestamps::ensure(IBPhones->attachment());
    openTables();
}

void TDM::openTables() {
    for (Dataset* d : tables()) {
        if (d->isOpen())
            continue;
        try {
            d->open();
        } catch (const DbError& e) {
            if (ui_.error)
                ui_.error(e.message());
            return;
        }
    }
}

void TDM::Disconnect() { IBPhones->disconnect(); }

namespace {
void drawKey(Dataset& d, KeyProcedure& proc, const char* keyField, bool emptyGivesZero) {
    const std::optional<int> key = proc.execute();
    if (!key && !emptyGivesZero)
        throw DbError(QStringLiteral("Invalid variant type conversion"));
    d.setInitialValue(QString::fromLatin1(keyField), key.value_or(0));
}
} // namespace

void TDM::TabMainNewRecord(Dataset& d) { drawKey(d, *IBSPMain, "NUM_MAIN", false); }
void TDM::TabSchedulerNewRecord(Dataset& d) { drawKey(d, *IBSPScheduler, "SH_NUM", false); }
void TDM::TabBusinessLineNewRecord(Dataset& d) { drawKey(d, *IBSPBusinessLine, "Bl_num", false); }
void TDM::TabOrgRightFormNewRecord(Dataset& d) { drawKey(d, *IBSPOrgRightForm, "Orf_num", false); }
void TDM::TabJobPostNewRecord(Dataset& d) { drawKey(d, *IBSPJobPost, "Jp_num", false); }
void TDM::TabContactGroupsNewRecord(Dataset& d) { drawKey(d, *IBSPContactGroups, "GR_NUM", true); }
