#pragma once

// The entry points of the Firebird client library that the program uses, resolved by name when the
// library is loaded. Private to the client layer (FbClient*.cpp).
#include <QString>
#include <ibase.h>

namespace fb {

struct Api {
    decltype(&::isc_attach_database) attach_database;
    decltype(&::isc_detach_database) detach_database;
    decltype(&::isc_drop_database) drop_database;
    decltype(&::isc_start_multiple) start_multiple;
    decltype(&::isc_commit_transaction) commit_transaction;
    decltype(&::isc_commit_retaining) commit_retaining;
    decltype(&::isc_rollback_transaction) rollback_transaction;
    decltype(&::isc_dsql_allocate_statement) dsql_allocate_statement;
    decltype(&::isc_dsql_prepare) dsql_prepare;
    decltype(&::isc_dsql_describe) dsql_describe;
    decltype(&::isc_dsql_describe_bind) dsql_describe_bind;
    decltype(&::isc_dsql_execute) dsql_execute;
    decltype(&::isc_dsql_execute2) dsql_execute2;
    decltype(&::isc_dsql_execute_immediate) dsql_execute_immediate;
    decltype(&::isc_dsql_fetch) dsql_fetch;
    decltype(&::isc_dsql_free_statement) dsql_free_statement;
    decltype(&::isc_dsql_sql_info) dsql_sql_info;
    decltype(&::fb_interpret) interpret;
    decltype(&::isc_sqlcode) sqlcode;
    decltype(&::isc_service_attach) service_attach;
    decltype(&::isc_service_detach) service_detach;
    decltype(&::isc_service_start) service_start;
    decltype(&::isc_service_query) service_query;
};

// Tells the attach observer that an attach was tried (see setAttachObserver).
void notifyAttachAttempt();

// Text the server wrote (messages, service output), decoded byte run by byte run.
QString serverText(const char* data, qsizetype size);

} // namespace fb
