#include "app/main_window.h"

void attachGeneration(MainWindow&) {}
