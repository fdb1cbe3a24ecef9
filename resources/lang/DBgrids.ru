; Заголовки столбцов таблиц на русском языке: раздел на каждую таблицу, ключ на каждое поле.
[TabMain]
NUM_MAIN=Номер
JOB_ORG=Организация
FAM=Фамилия
FIRST_NAME=Имя
MID_NAME=Отчество
JOB_POST=Должность
Departament=Подразделение
GR_NUM=№ группы
GROUP_NAME=Группа
NICKNAME=Прозвище
OCCUPATION=Вид деятельности
JOBRIGHTFORM=Орг. правовая форма
BITHDAY=День рожденья
FOTOLINK=Фотография
COUNTRY=Страна
JOB_ADDRESS=Рабочий адрес
JOB_CITY=Город
JOB_ST=Улица
JOB_ZIP=Почтовый индекс
HOME_ADDRESS="Домашний  адрес"
HOME_CITY=Город
HOME_ST=Улица
HOME_ZIP=Почтовый индекс
AREA_CODE=Код
JOB_TEL1=Рабочий
JOB_TEL2=Рабочий 2
JOB_TEL3=Рабочий 3
JOB_TEL4=Рабочий 4
JOB_FAX=Факс р.
HOME_TEL1=Домашний
HOME_TEL2=Домашний 2
HOME_FAX=Факс д.
CELLULAR=Сотовый
PAGER=Пэйджер
JOB_EMAIL=Рабочий e-mail
HOME_EMAIL=Домашний e-mail
JOB_WWW=Рабочий www
HOME_WWW=Домашний www
JOB_ICQ=ICQ р.
HOME_ICQ=ICQ д.
OTHER_COMMUN=Другие виды связи
NOTES=Примечания

[TabScheduler]
SH_NUM=Номер
Contact=Задача
ContactDate=Дата
ContactHour=Час
ContactMin=Минуты
NotyfiBehindDays=Сообщать за дней
NotyfiBehindHours=Сообщать за часов
NotyfiBehindMin=Сообщать за минут
RUNPATH=Путь
ContactDesc=Описание

[TabBusinessLine]
Bl_num=Номер
BusinessLineDesc=Вид деятельности

[TabOrgRightForm]
Orf_num=Номер
OrgRightForm=Организационно-правовая форма

[TabJobPost]
Jp_num=Номер
JpDesc=Должность

[TabContactGroups]
GR_NUM=№ группы
PARENT_GROUP=Родительская группа
GROUP_NAME=Группа
