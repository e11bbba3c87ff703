// The player's files in the page: the home folder is IndexedDB (IDBFS),
// read in before start-up and written back after each change. One tab at a
// time owns the files (a Web Lock): a sync replaces everything stored with
// what the tab holds, so a second tab must never write.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "platform/user_files.h"

namespace platform::web {

namespace {

enum class Keeping { Unknown, Owner, OtherTab, Refused };
Keeping keeping = Keeping::Unknown;
int changes = 0; // changes made so far
int syncing = 0; // changes the sync in flight covers; 0: none in flight
int synced = 0;  // changes IndexedDB has confirmed
bool failedOnce = false;

void notice(const char* text) {
    std::fprintf(stderr, "quorvex: %s\n", text);
    EM_ASM(
        {
            if (Module.quorvexNotice) Module.quorvexNotice(UTF8ToString($0));
        },
        text);
}

void startSync() {
    if (keeping != Keeping::Owner || syncing != 0 || synced >= changes) return;
    syncing = changes;
    // clang-format off
    EM_ASM({
        FS.syncfs(
            false, function(err) { _quorvex_files_synced(err ? 0 : 1); });
    });
    // clang-format on
}

} // namespace

void filesChanged() {
    ++changes;
    startSync();
}

bool filesSaved() {
    return keeping == Keeping::Owner && synced >= changes;
}

const char* savingLine() {
    switch (keeping) {
    case Keeping::Owner:
        return synced >= changes ? "Saved" : "Saving...";
    case Keeping::OtherTab:
        return "Not saved: the game is open in another tab";
    case Keeping::Refused:
        return "Not saved: this browser keeps no files for the page";
    default:
        return "";
    }
}

void mountPlayerFiles() {
    // clang-format off
    EM_ASM({
        var home = '/home/web_user';
        try {
            FS.mkdir(home);
        } catch (e) {
        }
        var start = function(owner) {
            try {
                FS.mount(IDBFS, {}, home);
            } catch (e) {
                _quorvex_files_ready(owner ? 1 : 0, 0);
                return;
            }
            FS.syncfs(
                true, function(err) { _quorvex_files_ready(owner ? 1 : 0, err ? 0 : 1); });
        };
        if (navigator.locks && navigator.locks.request) {
            navigator.locks
                .request(
                    'quorvex-files', {ifAvailable : true},
                    function(lock) {
                        start(!!lock);
                        // Held for the page's life.
                        if (lock) return new Promise(function(){});
                    })
                .catch(function() { start(true); });
        } else {
            start(true);
        }
    });
    // clang-format on
}

void noteFilesLoaded(bool owner, bool loaded) {
    if (!loaded) {
        keeping = Keeping::Refused;
        notice("this browser refused to keep the game's files: nothing will be saved");
    } else if (!owner) {
        keeping = Keeping::OtherTab;
        notice("the game is open in another tab: this one plays without saving");
    } else {
        keeping = Keeping::Owner;
    }
}

void noteSynced(bool ok) {
    if (ok) {
        synced = syncing;
    } else if (!failedOnce) {
        failedOnce = true;
        notice("the game's files could not be stored: they are kept only in this tab");
    }
    syncing = 0;
    if (ok) startSync();
}

} // namespace platform::web

extern "C" EMSCRIPTEN_KEEPALIVE void quorvex_files_synced(int ok) {
    platform::web::noteSynced(ok != 0);
}
