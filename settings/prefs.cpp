#include "settings/prefs.h"

#include "game/records.h"
#include "platform/files.h"
#include "platform/msgbox.h"

void LoadPrefs() {
    Handle file = plat::OpenFileForReading("prefs.prf");
    if (!file) {
        plat::ShowMessageBox(game->mainWindow, "Sorry, can't read preferences. Will create new prefernces",
                             "Prefs Error");
        return;
    }
    // A short file fills only its first bytes; the rest keeps the zero fill.
    plat::ReadFile(file, PrefsBytes(game), kPrefsSize);
    plat::CloseFile(file);
}

void SavePrefs() {
    // Opened without truncation: a longer file keeps whatever follows our 217 bytes.
    Handle file = plat::OpenFileForWriting("prefs.prf");
    if (!file) {
        plat::ShowMessageBox(game->mainWindow, "Sorry, can't save preferences.", "Prefs Error");
        return;
    }
    plat::WriteFile(file, PrefsBytes(game), kPrefsSize);
    plat::CloseFile(file);
}

int32_t ReadTextFile(const char* path, char* dest, int32_t count) {
    Handle file = plat::OpenFileForReading(path);
    if (!file) {
        plat::ShowMessageBox(game->mainWindow, "Can't read file.", "Read Error");
        return 0;
    }
    int64_t wanted = count == -1 ? plat::FileSize(file) : count;
    // Every buffer we fill is a 256-byte scroller line; the rest of a longer file is dropped.
    if (wanted > kTextFileLimit) wanted = kTextFileLimit;
    int32_t read = wanted > 0 ? plat::ReadFile(file, dest, static_cast<int32_t>(wanted)) : 0;
    plat::CloseFile(file);
    return read;
}
