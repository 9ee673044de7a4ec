#pragma once
// Shared helpers for the test programs.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// The whole content of a file, or `missing` when it cannot be read.
QByteArray ReadAll(const QString& path, const QByteArray& missing = QByteArray());
// ReadAll as UTF-8 text ("" when the file cannot be read).
QString ReadText(const QString& path);
// Writes bytes as the whole content of a file; failing to write fails the test.
void WriteRaw(const QString& path, const QByteArray& bytes);

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
