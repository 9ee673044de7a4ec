// The camera thread and the main window's camera buttons on a fake camera
// and a fake video file: open failure, one frame in flight, recording (rate,
// size, frames, file closed), a writer that cannot open, the camera lost
// with and without a recording, and shutdown while capturing and recording.
#include "fakecamera.h"
#include "fakemainwindow.h"

#include "widgets/MyView.h"
#include "app/cameracontrols.h"
#include "camera/cnccamera.h"

#include <QPushButton>
#include <QtTest>

class TestCncCamera : public QObject
{
    Q_OBJECT
private slots:
    void openFailure();
    void framesOneAtATime();
    void recording();
    void recordingRefused();
    void cameraLost_data();
    void cameraLost();
    void shutdownWhileRecording();

    void buttonsOpenFailure();
    void buttonsShowFramesAndRecord();
    void buttonsRecordCancelledOrRefused();
    void buttonsCameraLostWhileRecording();
};

namespace {
// A camera on the fakes, with NewImage() counted on the test thread.
struct stRig
{
    stRig()
    {
        cam.SetFrameSource(std::unique_ptr<IFrameSource>(pSource));
        cam.SetVideoWriter(std::unique_ptr<IVideoWriter>(pWriter));
        QObject::connect(&cam, &CCncCamera::NewImage, &context, [this]() { ++iSignals; }, Qt::QueuedConnection);
    }
    CFakeFrameSource* pSource = new CFakeFrameSource;
    CFakeVideoWriter* pWriter = new CFakeVideoWriter;
    CCncCamera cam;
    QObject context;
    int iSignals = 0;
};

// The frame number a shown picture carries (its blue).
int Blue(const QImage& img)
{
    return img.isNull() ? -1 : img.pixelColor(0, 0).blue();
}
} // namespace

void TestCncCamera::openFailure()
{
    stRig rig;
    rig.pSource->m_bOpenFails = true;
    QVERIFY(!rig.cam.StartVideoCapture());
    QCOMPARE(rig.cam.GetErrorMsg(), QStringLiteral("unable to open Camera"));
    QVERIFY(!rig.cam.IsCamOpen());
    QVERIFY(!rig.cam.isRunning());
    // Recording without a camera.
    QVERIFY(!rig.cam.StartVideoRecord(QStringLiteral("/tmp/never.avi")));
    QCOMPARE(rig.cam.GetErrorMsg(), QStringLiteral("Camera not opened"));
    QCOMPARE(rig.pWriter->m_bOpen.load(), false);
}

void TestCncCamera::framesOneAtATime()
{
    stRig rig;
    QVERIFY(rig.cam.StartVideoCapture());
    QVERIFY(rig.cam.IsCamOpen());
    QCOMPARE(rig.cam.GetErrorMsg(), QString());
    QTRY_COMPARE(rig.iSignals, 1);
    // Not taken yet: the thread waits instead of grabbing on.
    QTest::qWait(30);
    QCOMPARE(rig.pSource->m_iReads.load(), 1);
    QCOMPARE(rig.iSignals, 1);

    QImage shown;
    for (int n = 0; n < 5; ++n) {
        QTRY_COMPARE(rig.iSignals, n + 1);
        QVERIFY(rig.cam.TakeFrame(shown));
        QVERIFY(!rig.cam.TakeFrame(shown)); // one frame per signal
        QCOMPARE(Blue(shown), n); // in order
        QCOMPARE(shown.pixelColor(0, 0).red(), 200);
        QCOMPARE(shown.size(), QSize(CFakeFrameSource::WIDTH, CFakeFrameSource::HEIGHT));
        QCOMPARE(shown.format(), QImage::Format_RGB888);
    }
    // The frame taken stays as it was while the thread grabs the next.
    const QImage kept = shown;
    QTRY_COMPARE(rig.iSignals, 6);
    QCOMPARE(Blue(kept), 4);

    rig.cam.StopVideoCapture();
    QVERIFY(!rig.cam.isRunning());
    QVERIFY(!rig.cam.IsCamOpen());
    QVERIFY(!rig.pSource->m_bOpen);
}

void TestCncCamera::recording()
{
    stRig rig;
    QVERIFY(rig.cam.StartVideoCapture());
    QTRY_COMPARE(rig.iSignals, 1); // frame 0, before the recording
    rig.cam.m_fRecordFps = 20.0;
    QVERIFY(rig.cam.StartVideoRecord(QStringLiteral("/work/job.avi")));
    QVERIFY(rig.cam.IsRecording());
    {
        QMutexLocker lock(&rig.pWriter->m_Mutex);
        QCOMPARE(rig.pWriter->m_strFile, QStringLiteral("/work/job.avi"));
        QCOMPARE(rig.pWriter->m_fFps, 20.0);
        QCOMPARE(rig.pWriter->m_iFourcc, CFakeFrameSource::FOURCC);
        QCOMPARE(rig.pWriter->m_Size, QSize(CFakeFrameSource::WIDTH, CFakeFrameSource::HEIGHT));
        QVERIFY(rig.pWriter->m_bColour);
    }
    QImage shown;
    QVERIFY(rig.cam.TakeFrame(shown));
    QTRY_COMPARE(rig.iSignals, 2);
    QVERIFY(rig.cam.TakeFrame(shown));
    QTRY_COMPARE(rig.iSignals, 3); // frame 2 grabbed and written, not taken
    rig.cam.StopVideoRecord();
    QVERIFY(!rig.cam.IsRecording());
    QVERIFY(!rig.pWriter->m_bOpen);
    // Exactly the frames grabbed while recording, one each.
    QCOMPARE(rig.pWriter->Frames(), (QList<int>{1, 2}));
    QVERIFY(rig.cam.TakeFrame(shown));
    QTRY_COMPARE(rig.iSignals, 4);
    QCOMPARE(rig.pWriter->Frames().size(), 2);
}

void TestCncCamera::recordingRefused()
{
    stRig rig;
    QVERIFY(rig.cam.StartVideoCapture());
    rig.pWriter->m_bOpenFails = true;
    QVERIFY(!rig.cam.StartVideoRecord(QStringLiteral("/nowhere/job.avi")));
    QCOMPARE(rig.cam.GetErrorMsg(), QStringLiteral("Could not open the output video file for write\n"));
    QVERIFY(!rig.cam.IsRecording());
    rig.pWriter->m_bOpenFails = false;
    QVERIFY(!rig.cam.StartVideoRecord(QString())); // no file chosen
    QVERIFY(!rig.cam.IsRecording());
}

void TestCncCamera::cameraLost_data()
{
    QTest::addColumn<bool>("throws");
    QTest::addColumn<bool>("recording");
    QTest::newRow("read fails") << false << false;
    QTest::newRow("read throws") << true << false;
    QTest::newRow("read fails while recording") << false << true;
    QTest::newRow("read throws while recording") << true << true;
}

void TestCncCamera::cameraLost()
{
    QFETCH(bool, throws);
    QFETCH(bool, recording);
    stRig rig;
    rig.pSource->m_iLoseAfter = 2;
    rig.pSource->m_bLossThrows = throws;
    QVERIFY(rig.cam.StartVideoCapture());
    if (recording)
        QVERIFY(rig.cam.StartVideoRecord(QStringLiteral("/work/job.avi")));
    QImage shown;
    QTRY_COMPARE(rig.iSignals, 1);
    QVERIFY(rig.cam.TakeFrame(shown));
    QTRY_COMPARE(rig.iSignals, 2);
    QVERIFY(rig.cam.TakeFrame(shown));
    QTRY_COMPARE(rig.iSignals, 3); // the loss is announced too
    QVERIFY(!rig.cam.IsCamOpen());
    QCOMPARE(rig.cam.GetErrorMsg(), QStringLiteral("Camera Connection Lost"));
    QVERIFY(!rig.cam.TakeFrame(shown));
    QTRY_VERIFY(!rig.cam.isRunning());
    QVERIFY(!rig.pSource->m_bOpen);
    // The recording ended with the camera and its file is closed.
    QVERIFY(!rig.cam.IsRecording());
    QVERIFY(!rig.pWriter->m_bOpen);
    if (recording)
        QCOMPARE(rig.pWriter->Frames(), (QList<int>{0, 1}));
    // The camera can be opened again afterwards.
    rig.pSource->m_iLoseAfter = -1;
    QVERIFY(rig.cam.StartVideoCapture());
    QVERIFY(rig.cam.IsCamOpen());
}

void TestCncCamera::shutdownWhileRecording()
{
    {
        stRig rig;
        QVERIFY(rig.cam.StartVideoCapture());
        // Frame 0 waits for the GUI before the recording starts, so which
        // frames are written does not hang on how soon the thread ran.
        QTRY_COMPARE(rig.iSignals, 1);
        QVERIFY(rig.cam.StartVideoRecord(QStringLiteral("/work/job.avi")));
        QImage shown;
        QVERIFY(rig.cam.TakeFrame(shown));
        QTRY_COMPARE(rig.pWriter->Frames().size(), 1); // frame 1, then the thread waits for the GUI
        QVERIFY(rig.cam.isRunning());
        QVERIFY(rig.pWriter->m_bOpen);
        // Leaving the scope stops the thread, waits for it and closes the file.
    }
    // (The writer was owned and deleted by the camera; nothing to look at
    // here beyond not crashing or hanging.)
}

// ---- The main window's buttons ------------------------------------------

namespace {
struct stButtons
{
    stButtons()
        : controls(&mw, rig.cam, view, &btnCamera, &btnToolPaths, &btnRec, [this]() { ++iDrawn; })
    {
        QObject::connect(&rig.cam, &CCncCamera::NewImage, &mw, [this]() { controls.OnNewImage(); },
                         Qt::QueuedConnection);
        btnRec.setEnabled(false);
    }
    CFakeMainWindow mw;
    stRig rig;
    CMyView view{&mw};
    QPushButton btnCamera{&mw};
    QPushButton btnToolPaths{&mw};
    QPushButton btnRec{&mw};
    int iDrawn = 0;
    CCameraControls controls;
};
} // namespace

void TestCncCamera::buttonsOpenFailure()
{
    stButtons b;
    b.rig.pSource->m_bOpenFails = true;
    b.controls.OnSelectCamera();
    QCOMPARE(b.btnCamera.styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(b.mw.m_lstLog, QStringList{"error: unable to open Camera"});
    QTRY_COMPARE(b.btnCamera.styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(!b.btnRec.isEnabled());
}

void TestCncCamera::buttonsShowFramesAndRecord()
{
    stButtons b;
    b.controls.OnSelectCamera();
    QVERIFY(b.rig.cam.IsCamOpen());
    QCOMPARE(b.btnToolPaths.styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(b.btnRec.isEnabled());
    b.controls.OnSelectCamera(); // already open: nothing
    QCOMPARE(b.rig.pSource->m_iOpens.load(), 1);

    // Frames reach the view, each taken so the next is grabbed.
    QTRY_VERIFY(b.rig.pSource->m_iReads >= 4);
    QCOMPARE(b.view.Image(), &b.controls.ShownFrame());
    QVERIFY(Blue(b.controls.ShownFrame()) >= 2);

    // Record: the settings confirmed, the file and rate taken from the camera.
    b.rig.cam.m_strVideoFile = QStringLiteral("/work/job.avi");
    b.controls.m_fnAskRecordSettings = [](CCncCamera& cam) {
        cam.m_fRecordFps = 25.0;
        return true;
    };
    b.controls.OnRecStop();
    QVERIFY(b.controls.IsVideoRecording());
    QVERIFY(b.rig.cam.IsRecording());
    QVERIFY(!b.btnToolPaths.isEnabled()); // stop recording first
    QTRY_VERIFY(b.rig.pWriter->Frames().size() >= 2);
    {
        QMutexLocker lock(&b.rig.pWriter->m_Mutex);
        QCOMPARE(b.rig.pWriter->m_fFps, 25.0);
        QCOMPARE(b.rig.pWriter->m_strFile, QStringLiteral("/work/job.avi"));
    }
    b.controls.OnRecStop();
    QVERIFY(!b.controls.IsVideoRecording());
    QVERIFY(!b.rig.pWriter->m_bOpen);
    QVERIFY(b.btnToolPaths.isEnabled());

    // Back to the tool path: the camera stops, the picture is drawn.
    b.controls.OnSelectToolPaths();
    QVERIFY(!b.rig.cam.IsCamOpen());
    QVERIFY(!b.rig.cam.isRunning());
    QCOMPARE(b.btnToolPaths.styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(b.btnCamera.styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(!b.btnRec.isEnabled());
    QCOMPARE(b.iDrawn, 1);
    QVERIFY(b.mw.m_lstLog.isEmpty());
    // A frame that was on its way when the camera stopped is ignored.
    QTest::qWait(20);
    QVERIFY(b.mw.m_lstCalls.isEmpty());
    QCOMPARE(b.btnToolPaths.styleSheet(), BTN_BKGND_GREEN);
}

void TestCncCamera::buttonsRecordCancelledOrRefused()
{
    stButtons b;
    b.controls.OnSelectCamera();
    b.controls.m_fnAskRecordSettings = [](CCncCamera&) { return false; };
    b.controls.OnRecStop();
    QVERIFY(!b.controls.IsVideoRecording());
    QVERIFY(!b.rig.cam.IsRecording());

    b.rig.cam.m_strVideoFile = QStringLiteral("/nowhere/job.avi");
    b.rig.pWriter->m_bOpenFails = true;
    b.controls.m_fnAskRecordSettings = [](CCncCamera&) { return true; };
    b.controls.OnRecStop();
    QVERIFY(!b.controls.IsVideoRecording());
    QVERIFY(!b.rig.cam.IsRecording());
    QVERIFY(b.btnToolPaths.isEnabled());
    QCOMPARE(b.mw.m_lstLog, QStringList{"error: Could not open the output video file for write\n"});
    // Ready for the next press.
    b.rig.pWriter->m_bOpenFails = false;
    b.controls.OnRecStop();
    QVERIFY(b.controls.IsVideoRecording());
}

void TestCncCamera::buttonsCameraLostWhileRecording()
{
    stButtons b;
    b.rig.pSource->m_iLoseAfter = 3;
    b.rig.cam.m_strVideoFile = QStringLiteral("/work/job.avi");
    b.controls.m_fnAskRecordSettings = [](CCncCamera&) { return true; };
    b.controls.OnSelectCamera();
    b.controls.OnRecStop();
    QVERIFY(b.controls.IsVideoRecording());
    QTRY_VERIFY(!b.rig.cam.IsCamOpen());
    QTRY_VERIFY(!b.controls.IsVideoRecording());
    QCOMPARE(b.mw.m_lstLog.first(), QStringLiteral("error: Camera Connection Lost"));
    QTest::qWait(20); // a frame queued before the loss changes nothing more
    QCOMPARE(b.mw.m_lstLog.count(QStringLiteral("error: Camera Connection Lost")), 1);
    QCOMPARE(b.mw.m_lstCalls.count(QStringLiteral("ClearToolGraphics")), 1);
    QVERIFY(!b.rig.pWriter->m_bOpen); // the file is closed
    QCOMPARE(b.btnToolPaths.styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(b.btnCamera.styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(!b.btnRec.isEnabled());
    QVERIFY(b.btnToolPaths.isEnabled());
    QVERIFY(b.mw.m_lstCalls.contains(QStringLiteral("ClearToolGraphics"))); // the machine is idle
}

QTEST_MAIN(TestCncCamera)
#include "tst_cnccamera.moc"
