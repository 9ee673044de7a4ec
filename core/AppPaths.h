#pragma once
#include <QString>

// The one place every file of the home and working folders takes its path
// from. By default these are HOME_FOLDER and WORKING_FOLDER; tests redirect
// them to a temporary folder so nothing touches the operator's real files.
class CAppPaths
{
public:
    static QString HomeFolder();
    static QString WorkingFolder();
    static QString ConfigFile();          // CONFIG_FILE
    static QString GCodeExecStatusFile(); // GCODE_EXEC_STATUS_FILE
    // Where USB drives are mounted ("/media/diradi"); under the test root
    // while one is set.
    static QString UsbMountFolder();
    // A file (such as a tool-change file) inside the working folder.
    static QString InWorkingFolder(const QString& fileName);

    // Redirects the home folder to `root` and the working folder to
    // root + "/DIR_ADI"; an empty root goes back to the real folders.
    static void SetRoot(const QString& root);
    // Creates the working folder when it is missing; false when it cannot.
    static bool EnsureWorkingFolder();
};
