#pragma once
#include <QString>
#include <QStringList>

// Starts outside programs (the Pi's "sudo shutdown now"). Tests install a
// recorder in its place, so no test and no simulated run powers a machine off.
class CLauncher
{
public:
    virtual ~CLauncher() = default;
    // Starts the program detached; false when it could not be started.
    virtual bool StartDetached(const QString& program, const QStringList& arguments);

    static CLauncher& Instance();
    // Installs a replacement; null restores the default. Not owned.
    static void SetInstance(CLauncher* launcher);
};
