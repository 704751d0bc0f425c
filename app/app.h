// The program's life: start-up, intro, message loop, exit animation and shutdown.
#pragma once
#include "platform/types.h"

int AppMain(plat::Handle instance, int showState);
