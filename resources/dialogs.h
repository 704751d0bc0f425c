// The dialog templates TARVPREFS, TARVABOUT and TARVPLAYERSETUP.
#pragma once
#include "platform/dialogs.h"

extern const plat::DialogTemplate kPrefsDialog;
extern const plat::DialogTemplate kAboutDialog;
extern const plat::DialogTemplate kPlayerSetupDialog;

// The template of that resource name, nullptr for an unknown one.
const plat::DialogTemplate* FindDialogResource(const char* name);
