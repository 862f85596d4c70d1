#include "wizard/app_update.h"

void APP_update() {}

void APP_handlemenu(int) {}
