#include "simcontroller.h"

#include "core/AppConfig.h"
#include "hal/clock.h"
#include "hal/pins.h"
#include "hal/simpinbank.h"
#include "steptrain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QTest>
#include <QThread>

#include <chrono>
#include <thread>


QStringList CRecordingWindows::Calls() const
{
    QMutexLocker lock(&m_Mutex);
    return m_lstCalls;
}

bool CRecordingWindows::AllOnGuiThread() const
{
    QMutexLocker lock(&m_Mutex);
    return m_bAllOnGuiThread;
}

void CRecordingWindows::Clear()
{
    QMutexLocker lock(&m_Mutex);
    m_lstCalls.clear();
    m_bAllOnGuiThread = true;
}

void CRecordingWindows::Record(const QString& strCall)
{
    QMutexLocker lock(&m_Mutex);
    m_lstCalls << strCall;
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        m_bAllOnGuiThread = false;
}

CRecordingLauncher::CRecordingLauncher()
{
    CLauncher::SetInstance(this);
}

CRecordingLauncher::~CRecordingLauncher()
{
    CLauncher::SetInstance(nullptr);
}

bool CRecordingLauncher::StartDetached(const QString& program, const QStringList& arguments)
{
    QMutexLocker lock(&m_Mutex);
    m_lstStarted << (QStringList{program} + arguments).join(QLatin1Char(' '));
    return true;
}

QStringList CRecordingLauncher::Started() const
{
    QMutexLocker lock(&m_Mutex);
    return m_lstStarted;
}

CSimControllerSetup::CSimControllerSetup()
{
    CClock::UseVirtual(true);
    CPins::SetBackend(nullptr);
    CSimPinBank::Instance().Reset();
    ResetSettings();
}

CSimControllerSetup::~CSimControllerSetup()
{
    ResetSettings();
    CSimPinBank::Instance().Reset();
}

void CSimControllerSetup::ResetSettings()
{
    ResetAxisSettings();
    for (int i = 0; i < AXIS_COUNT; ++i) {
        AppConfig::m_fMaxAxisFeed[i] = 30;
        AppConfig::m_fUserAxisFeed[i] = 15;
        AppConfig::m_fAxisFeedPercent[i] = 1.0;
        AppConfig::m_fAxisHomeFeed[i] = 10;
        AppConfig::m_fAxisJogFeed[i] = 10;
    }
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ10;
    AppConfig::InstallPinAssignment(CTRL_KIVQ10);
    AppConfig::m_iPgmStatusOutput = 7;
    AppConfig::m_stPwmSpndlSettings = stPwmSpindleSettings();
    AppConfig::m_eSelUnits = UNITS_MM;
    AppConfig::m_bShutdownRPI = false;
    AppConfig::m_fZSafePos = 5.0;
    AppConfig::m_bAutoHmOnStartup = false;
    AppConfig::m_GCodeRunSettings = stGCodeRunSettings();
    AppConfig::m_bAutoSpindleOnCW = false;
    AppConfig::m_bAutoSpindleOnCCW = false;
    AppConfig::m_bAutoSpindleOff = false;
    AppConfig::m_fHomeRepeatOffset = 5.0;
    AppConfig::m_fMinMaxAxisFeed = 25.0;
    AppConfig::m_fPlungeFeed = 10.0;
    AppConfig::m_bUseZProfile = false;
    AppConfig::m_bMultipassImgCarving = true;
    AppConfig::m_bSpindleOn = false;
}

bool WaitThreadEnd(AppControl& ctrl, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (ctrl.isRunning()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    QCoreApplication::processEvents();
    return true;
}

bool FinishOperation(AppControl& ctrl, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!ctrl.m_bOperationFinished) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    if (!WaitThreadEnd(ctrl, iTimeoutMs))
        return false;
    ctrl.m_bOperationFinished = false;
    ctrl.m_iRunMode = AppControl::RUN_IDLE;
    ctrl.m_bHold = false;
    return true;
}

QStringList TakeMessages(AppControl& ctrl)
{
    QStringList lst;
    QString strMsg;
    eAppMsgType eType;
    while (ctrl.GetNextMsg(strMsg, eType))
        lst << (eType == MSG_ERROR ? QStringLiteral("error: ") : QStringLiteral("info: ")) + strMsg;
    return lst;
}

CStepCounter::CStepCounter(CSimPinBank& bank)
    : m_pBank(&bank)
{
    for (int i = 0; i < AXIS_COUNT; ++i)
        m_iHandle[i] = -1;
    for (int i = 0; i < AppConfig::m_iMchType && i < AXIS_COUNT; ++i)
        m_iHandle[i] = m_pBank->WatchAxis(AppConfig::m_iAxisPulseOutput[i], AppConfig::m_iAxisDirOutput[i],
                                          AppConfig::m_eAxisPosDir[i]);
}

qint64 CStepCounter::Count(int iAxis) const
{
    if (m_iHandle[iAxis] < 0)
        return 0;
    return m_pBank->AxisCount(m_iHandle[iAxis]);
}

quint64 CStepCounter::Pulses(int iAxis) const
{
    return m_pBank->RisingEdges(AppConfig::m_iAxisPulseOutput[iAxis]);
}

CPacedPins::CPacedPins(int iPauseUs)
{
    m_fnOnWrite = [iPauseUs](int, int) { std::this_thread::sleep_for(std::chrono::microseconds(iPauseUs)); };
}
