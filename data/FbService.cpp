#include "FbClient.h"

#include "FbApi.h"

#include <QFile>

// The service manager: backup and restore runs and their output.
namespace fb {

// ---- Service ----

Service::~Service() {
    if (handle_) {
        ISC_STATUS_ARRAY status;
        api().service_detach(status, &handle_);
    }
}

void Service::attach(const QString& serviceName, const QString& user, const QString& password) {
    QByteArray spb;
    spb.append(char(isc_spb_version));
    spb.append(char(isc_spb_current_version));
    auto add = [&spb](char tag, const QByteArray& value) {
        spb.append(tag);
        spb.append(char(std::min<qsizetype>(value.size(), 255)));
        spb.append(value.left(255));
    };
    add(char(isc_spb_utf8_filename), QByteArray());
    add(char(isc_spb_user_name), user.toUtf8());
    add(char(isc_spb_password), password.toUtf8());
    const QByteArray name = serviceName.toUtf8();
    ISC_STATUS_ARRAY status;
    api().service_attach(status, static_cast<unsigned short>(name.size()), name.constData(), &handle_,
                         static_cast<unsigned short>(spb.size()), spb.constData());
    notifyAttachAttempt();
    check(status);
}

void Service::detach() {
    if (!handle_)
        return;
    ISC_STATUS_ARRAY status;
    api().service_detach(status, &handle_);
    handle_ = 0;
    check(status);
}

namespace {
void addString(QByteArray& spb, char tag, const QByteArray& value) {
    spb.append(tag);
    const unsigned short len = static_cast<unsigned short>(value.size());
    spb.append(char(len & 0xff));
    spb.append(char(len >> 8));
    spb.append(value);
}
void addInt(QByteArray& spb, char tag, unsigned int value) {
    spb.append(tag);
    for (int i = 0; i < 4; ++i)
        spb.append(char((value >> (8 * i)) & 0xff));
}
} // namespace

void Service::startBackup(const QString& databasePath, const QString& backupFile, bool verbose) {
    QByteArray spb;
    spb.append(char(isc_action_svc_backup));
    addString(spb, char(isc_spb_dbname), QFile::encodeName(databasePath));
    addString(spb, char(isc_spb_bkp_file), QFile::encodeName(backupFile));
    if (verbose)
        spb.append(char(isc_spb_verbose));
    ISC_STATUS_ARRAY status;
    api().service_start(status, &handle_, nullptr, static_cast<unsigned short>(spb.size()), spb.constData());
    check(status);
}

void Service::startRestore(const QString& backupFile, const QString& databasePath, bool replace, bool verbose) {
    QByteArray spb;
    spb.append(char(isc_action_svc_restore));
    addString(spb, char(isc_spb_bkp_file), QFile::encodeName(backupFile));
    addString(spb, char(isc_spb_dbname), QFile::encodeName(databasePath));
    addInt(spb, char(isc_spb_options), replace ? isc_spb_res_replace : isc_spb_res_create);
    addInt(spb, char(isc_spb_res_page_size), 4096);
    addInt(spb, char(isc_spb_res_buffers), 3000);
    if (verbose)
        spb.append(char(isc_spb_verbose));
    ISC_STATUS_ARRAY status;
    api().service_start(status, &handle_, nullptr, static_cast<unsigned short>(spb.size()), spb.constData());
    check(status);
}

void Service::start(const QByteArray& request) {
    ISC_STATUS_ARRAY status;
    api().service_start(status, &handle_, nullptr, static_cast<unsigned short>(request.size()), request.constData());
    check(status);
}

QString Service::queryLine(bool* finished) {
    const char request[] = {isc_info_svc_line};
    char buffer[2048] = {};
    ISC_STATUS_ARRAY status;
    api().service_query(status, &handle_, nullptr, 0, nullptr, sizeof request, request, sizeof buffer, buffer);
    check(status);
    *finished = true;
    if (buffer[0] != isc_info_svc_line)
        return {};
    const int len = static_cast<unsigned char>(buffer[1]) | (static_cast<unsigned char>(buffer[2]) << 8);
    *finished = len == 0;
    return serverText(buffer + 3, std::min(len, int(sizeof buffer) - 3));
}

} // namespace fb
