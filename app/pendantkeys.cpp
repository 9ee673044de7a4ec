#include "app/pendantkeys.h"

#include "core/UnitConverter.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

CPendantKeys::stAction CPendantKeys::PressAction(int iKey, bool bModeOn, bool bBusy, int iRunMode)
{
    stAction action;
    auto Make = [&action](eKind eKind, eAxis eAx = X_AXIS, int iDir = 0) {
        action.m_eKind = eKind;
        action.m_eAxis = eAx;
        action.m_iDir = iDir;
        return action;
    };
    // Whatever the machine does.
    switch (iKey) {
    case Qt::Key_NumLock:
        return Make(KEY_IGNORED);
    case Qt::Key_Enter:
        return Make(KEY_ESTOP_TOGGLE);
    case Qt::Key_Asterisk:
        return Make(bModeOn ? KEY_FEED : KEY_SPINDLE, X_AXIS, +1);
    case Qt::Key_Slash:
        return Make(bModeOn ? KEY_FEED : KEY_SPINDLE, X_AXIS, -1);
    case Qt::Key_Minus:
        return Make(KEY_SPINDLE_CW);
    default:
        break;
    }
    if (bBusy) {
        if (iKey == Qt::Key_Period && iRunMode == 5)
            return Make(KEY_START_SHOWN);
        if (iKey == Qt::Key_0)
            return Make(KEY_TOGGLE_MODE);
        return Make(KEY_AXIS_IN_USE);
    }
    const eKind eMove = bModeOn ? KEY_JOG : KEY_STEP;
    switch (iKey) {
    case Qt::Key_Plus:
        return Make(KEY_USB_LOAD);
    case Qt::Key_Period:
        return Make(KEY_SHOW_PROGRAM);
    case Qt::Key_4:
        return Make(eMove, X_AXIS, -1);
    case Qt::Key_6:
        return Make(eMove, X_AXIS, +1);
    case Qt::Key_2:
        return Make(eMove, Y_AXIS, -1);
    case Qt::Key_8:
        return Make(eMove, Y_AXIS, +1);
    case Qt::Key_3:
        return Make(eMove, Z_AXIS, -1);
    case Qt::Key_9:
        return Make(eMove, Z_AXIS, +1);
    case Qt::Key_0:
    case Qt::Key_1:
    case Qt::Key_5:
    case Qt::Key_7:
        return Make(KEY_PENDING);
    default:
        return Make(KEY_IGNORED);
    }
}

CPendantKeys::eNumLock CPendantKeys::NumLockFrom(int iKey, Qt::KeyboardModifiers eModifiers)
{
    if (!(eModifiers & Qt::KeypadModifier))
        return NUM_LOCK_UNKNOWN;
    switch (iKey) {
    case Qt::Key_0:
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
    case Qt::Key_4:
    case Qt::Key_5:
    case Qt::Key_6:
    case Qt::Key_7:
    case Qt::Key_8:
    case Qt::Key_9:
    case Qt::Key_Period:
        return NUM_LOCK_ON;
    case Qt::Key_Insert:
    case Qt::Key_End:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Clear:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_Delete:
        return NUM_LOCK_OFF;
    default:
        return NUM_LOCK_UNKNOWN;
    }
}

int CPendantKeys::NextFeed(int iValue, int iDir)
{
    return qBound(FEED_MIN, iValue + iDir * FEED_STEP, FEED_MAX);
}

int CPendantKeys::NextSpindle(int iValue, int iDir)
{
    return qBound(SPINDLE_MIN, iValue + iDir, SPINDLE_MAX);
}

double CPendantKeys::StepTarget(int iKey)
{
    switch (iKey) {
    case Qt::Key_1:
        return 0.01;
    case Qt::Key_5:
        return 0.05;
    case Qt::Key_7:
        return 0.1;
    default:
        return 0.0;
    }
}

bool CPendantKeys::StepSize(double fMovPerPulse, double fTarget, double& fStep)
{
    // A travel per pulse of nothing would never reach the target.
    if (!(fMovPerPulse > 0.0) || !CUnitConverter::InRange(fMovPerPulse))
        return false;
    const qint64 iTarget = CUnitConverter::GetLong(fTarget);
    // Whole pulses, counted from a little below the target (two length units
    // short, so never past the smallest count that covers it) to keep the
    // loop short however fine the axis is.
    qint64 iPulses = qMax<qint64>(1, qint64(std::floor((fTarget - 0.0002) / fMovPerPulse)));
    while (CUnitConverter::GetLong(double(iPulses) * fMovPerPulse) < iTarget)
        ++iPulses;
    fStep = double(iPulses) * fMovPerPulse;
    return CUnitConverter::InRange(fStep);
}

CPendantKeys::eUsbResult CPendantKeys::FindUsbProgram(const QString& strMountFolder, QString& strPath)
{
    const QDir mount(strMountFolder);
    if (!mount.exists())
        return USB_NO_DRIVE;
    // The mount folder itself, then each drive mounted in it. Never the
    // folder above it.
    QStringList lstFolders{strMountFolder};
    for (const QString& strName : mount.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        lstFolders << mount.filePath(strName);
    for (const QString& strFolder : lstFolders) {
        for (const QFileInfo& file : QDir(strFolder).entryInfoList(QDir::Files, QDir::Name)) {
            const QString strName = file.fileName();
            if (strName.endsWith(QLatin1String("txt")) || strName.endsWith(QLatin1String("ncc"))
                || strName.endsWith(QLatin1String("tap"))) {
                strPath = file.filePath();
                return USB_FOUND;
            }
        }
    }
    return USB_NO_PROGRAM;
}
