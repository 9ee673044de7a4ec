#pragma once
// Shared helpers for the test programs.
#include <QTemporaryDir>

// Points the home and working folders at a fresh temporary folder for the
// life of the object, and creates the working folder in it.
class CTempWorkingFolder
{
public:
    CTempWorkingFolder();
    ~CTempWorkingFolder();
    QString Root() const { return m_Dir.path(); }
    QString Working() const;

private:
    QTemporaryDir m_Dir;
};
