// The configuration page "配置" and the settings file behind it.
#pragma once

class MainWindow;

// Reads the settings file onto the page and sets imageFailureMode and
// packageLayoutVersion (start-up).
void loadSettings(MainWindow& window);
// Writes the page into the settings file ("保存配置").
void saveSettings(MainWindow& window);
// Copies the page's values into state.options.
void refreshLiveOptions(MainWindow& window);
