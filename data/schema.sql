/* The Korvane database: six tables, one sequence and one key procedure per table, the six
   built-in groups, and a trigger on contacts and groups that stamps each row with its last writer. Dialect 3, character set WIN1251. Created by korvane-mkdb. */

CREATE TABLE "MAIN" (
    NUM_MAIN      INTEGER NOT NULL PRIMARY KEY,
    JOB_ORG       VARCHAR(80),
    FAM           VARCHAR(50),
    FIRST_NAME    VARCHAR(50),
    MID_NAME      VARCHAR(50),
    JOB_POST      VARCHAR(50),
    GR_NUM        INTEGER,
    NICKNAME      VARCHAR(50),
    DEPARTAMENT   VARCHAR(50),
    OCCUPATION    VARCHAR(50),
    JOBRIGHTFORM  VARCHAR(50),
    BITHDAY       DATE,
    FOTOLINK      VARCHAR(200),
    COUNTRY       VARCHAR(30),
    JOB_ADDRESS   VARCHAR(80),
    JOB_CITY      VARCHAR(50),
    JOB_ST        VARCHAR(50),
    JOB_ZIP       VARCHAR(20),
    HOME_ADDRESS  VARCHAR(80),
    HOME_CITY     VARCHAR(50),
    HOME_ST       VARCHAR(50),
    HOME_ZIP      VARCHAR(20),
    AREA_CODE     VARCHAR(20),
    JOB_TEL1      VARCHAR(20),
    JOB_TEL2      VARCHAR(20),
    JOB_TEL3      VARCHAR(20),
    JOB_TEL4      VARCHAR(20),
    JOB_FAX       VARCHAR(20),
    HOME_TEL1     VARCHAR(20),
    HOME_TEL2     VARCHAR(20),
    HOME_FAX      VARCHAR(20),
    CELLULAR      VARCHAR(20),
    PAGER         VARCHAR(20),
    JOB_EMAIL     VARCHAR(60),
    HOME_EMAIL    VARCHAR(60),
    JOB_WWW       VARCHAR(120),
    HOME_WWW      VARCHAR(120),
    JOB_ICQ       VARCHAR(20),
    HOME_ICQ      VARCHAR(20),
    OTHER_COMMUN  VARCHAR(50),
    NOTES         VARCHAR(240),
    /* The transaction that last wrote the row, set by MAIN_CHANGE_TX: what changed since a copy was
       taken is one range of its index. */
    CHANGE_TX     BIGINT
);

CREATE TABLE "SCHEDULER" (
    "SH_NUM"            INTEGER NOT NULL PRIMARY KEY,
    "Contact"           VARCHAR(30),
    "ContactDate"       DATE,
    "ContactHour"       SMALLINT,
    "ContactMin"        SMALLINT,
    "NotyfiBehindDays"  SMALLINT,
    "NotyfiBehindHours" SMALLINT,
    "NotyfiBehindMin"   SMALLINT,
    "RUNPATH"           VARCHAR(180),
    "ContactDesc"       VARCHAR(150)
);

CREATE TABLE "BusinessLine" (
    "Bl_num"           INTEGER NOT NULL PRIMARY KEY,
    "BusinessLineDesc" VARCHAR(30)
);

CREATE TABLE "OrgRightForm" (
    "Orf_num"      INTEGER NOT NULL PRIMARY KEY,
    "OrgRightForm" VARCHAR(50)
);

CREATE TABLE "JobPost" (
    "Jp_num" INTEGER NOT NULL PRIMARY KEY,
    "JpDesc" VARCHAR(50)
);

CREATE TABLE "GROUPS" (
    GR_NUM       INTEGER NOT NULL PRIMARY KEY,
    PARENT_GROUP INTEGER,
    GROUP_NAME   VARCHAR(30),
    CHANGE_TX    BIGINT
);

/* Lists are read in key order and the tree reads the children of one group. */
CREATE INDEX GROUPS_PARENT ON "GROUPS" (PARENT_GROUP);
CREATE INDEX MAIN_FAM ON "MAIN" (FAM);
/* The contact list sorted by organisation and narrowed to a group shows its first rows at once. */
CREATE INDEX MAIN_JOB_ORG ON "MAIN" (JOB_ORG);
CREATE INDEX MAIN_GR_NUM ON "MAIN" (GR_NUM);
CREATE INDEX MAIN_CHANGE_TX ON "MAIN" (CHANGE_TX);
CREATE INDEX GROUPS_CHANGE_TX ON "GROUPS" (CHANGE_TX);

CREATE SEQUENCE GEN_MAIN;
CREATE SEQUENCE GEN_SCHEDULER;
CREATE SEQUENCE GEN_BUSINESSLINE;
CREATE SEQUENCE GEN_ORGRIGHTFORM;
CREATE SEQUENCE GEN_JOBPOST;
CREATE SEQUENCE GEN_GROUPS;

SET TERM ^ ;

CREATE PROCEDURE SETMAINPRIMARYKEY RETURNS (NEWKEY INTEGER) AS
BEGIN
    NEWKEY = GEN_ID(GEN_MAIN, 1);
    SUSPEND;
END^

CREATE PROCEDURE SETSCHEDULERPRIMARYKEY RETURNS (NEWKEY INTEGER) AS
BEGIN
    NEWKEY = GEN_ID(GEN_SCHEDULER, 1);
    SUSPEND;
END^

CREATE PROCEDURE SETBUSINESSLINEPRIMARYKEY RETURNS (NEWKEY INTEGER) AS
BEGIN
    NEWKEY = GEN_ID(GEN_BUSINESSLINE, 1);
    SUSPEND;
END^

CREATE PROCEDURE SETORGRIGHTFORMPRIMARYKEY RETURNS (NEWKEY INTEGER) AS
BEGIN
    NEWKEY = GEN_ID(GEN_ORGRIGHTFORM, 1);
    SUSPEND;
END^

CREATE PROCEDURE SETJOBPOSTPRIMARYKEY RETURNS (NEWKEY INTEGER) AS
BEGIN
    NEWKEY = GEN_ID(GEN_JOBPOST, 1);
    SUSPEND;
END^

CREATE PROCEDURE SETGROUPSPRIMARYKEY RETURNS (NEWKEY INTEGER) AS
BEGIN
    NEWKEY = GEN_ID(GEN_GROUPS, 1);
    SUSPEND;
END^

CREATE TRIGGER MAIN_CHANGE_TX FOR "MAIN" ACTIVE BEFORE INSERT OR UPDATE POSITION 0 AS
BEGIN
    NEW.CHANGE_TX = CURRENT_TRANSACTION;
END^

CREATE TRIGGER GROUPS_CHANGE_TX FOR "GROUPS" ACTIVE BEFORE INSERT OR UPDATE POSITION 0 AS
BEGIN
    NEW.CHANGE_TX = CURRENT_TRANSACTION;
END^

SET TERM ; ^

/* The search looks for a text in 37 fields of every contact. So that a search in a large book need
   not read every field of every row, the program keeps an index of the searched text: for each byte
   and each trigram of one field's cp1251 text the keys of the contacts holding it, delta-coded or as
   a bitmap in pieces of SEARCH_GRAMS. SEARCH_STATE names the generation searches read and its
   watermark: every contact changed since it was read carries a change stamp at or above it and is
   always a candidate. The program builds and catches up the index in the background, one copy at a
   time (SEARCH_LOCK); the Like terms over the fields stay the final check of every search.
   The statements naming SEARCH_ also upgrade an older database when it is opened. */
CREATE TABLE SEARCH_GRAMS (
    GRAM     INTEGER NOT NULL,
    GEN      INTEGER NOT NULL,
    PART     INTEGER NOT NULL,
    POSTINGS VARCHAR(32000) CHARACTER SET OCTETS,
    PRIMARY KEY (GRAM, GEN, PART)
);

CREATE TABLE SEARCH_STATE (
    ID              INTEGER NOT NULL PRIMARY KEY,
    GEN             INTEGER DEFAULT 0 NOT NULL,
    WATERMARK       BIGINT,
    BUILD_GEN       INTEGER DEFAULT 0 NOT NULL,
    BUILD_WATERMARK BIGINT,
    BUILD_FROM      INTEGER DEFAULT 0 NOT NULL,
    NEXT_PART       INTEGER DEFAULT 0 NOT NULL,
    STALE_ROWS      INTEGER DEFAULT 0 NOT NULL,
    ROWS_INDEXED    INTEGER DEFAULT 0 NOT NULL,
    BUILD_ROWS      INTEGER DEFAULT 0 NOT NULL
);

CREATE TABLE SEARCH_LOCK (
    ID   INTEGER NOT NULL PRIMARY KEY,
    RUNS INTEGER DEFAULT 0 NOT NULL
);

/* The candidates of a search with more of them than a condition's key list holds, for this
   connection only: the list reads them by key. */
CREATE GLOBAL TEMPORARY TABLE SEARCH_PICKS (
    PICK     INTEGER NOT NULL,
    NUM_MAIN INTEGER NOT NULL,
    PRIMARY KEY (PICK, NUM_MAIN)
) ON COMMIT PRESERVE ROWS;

INSERT INTO SEARCH_STATE (ID) VALUES (1);
INSERT INTO SEARCH_LOCK (ID) VALUES (1);

/* The built-in groups: the root group first, the others under it. */
INSERT INTO "GROUPS" (GR_NUM, PARENT_GROUP, GROUP_NAME) VALUES (1, 0, 'Все контакты');
INSERT INTO "GROUPS" (GR_NUM, PARENT_GROUP, GROUP_NAME) VALUES (2, 1, 'Работа');
INSERT INTO "GROUPS" (GR_NUM, PARENT_GROUP, GROUP_NAME) VALUES (3, 1, 'Друзья');
INSERT INTO "GROUPS" (GR_NUM, PARENT_GROUP, GROUP_NAME) VALUES (4, 1, 'Семья');
INSERT INTO "GROUPS" (GR_NUM, PARENT_GROUP, GROUP_NAME) VALUES (5, 1, 'Партнёры');
INSERT INTO "GROUPS" (GR_NUM, PARENT_GROUP, GROUP_NAME) VALUES (6, 1, 'Разное');
ALTER SEQUENCE GEN_GROUPS RESTART WITH 6;
