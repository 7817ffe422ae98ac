// The plug-in's section of the host's settings file.
#pragma once

// Chooses the settings file (the host's, or "winamp.ini" in the Windows
// directory when the host cannot name it) and reads the section; every key
// that is missing keeps its field's value.
void LoadSettings(void);

// Writes all nine keys of the section to the file LoadSettings chose.
void SaveSettings(void);
