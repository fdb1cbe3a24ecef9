#pragma once

// Two-way sync of the contact database with one CardDAV address book: the account and conflict list
// (SyncStore.h), finding address books (Discovery.h) and the run (SyncRun.h).
#include "Discovery.h"
#include "SyncRun.h"
#include "SyncStore.h"
#include "SyncTypes.h"
