#include "app/main_window.h"

void attachDiscovery(MainWindow&) {}
