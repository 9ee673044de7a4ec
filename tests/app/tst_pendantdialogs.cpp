// Every dialog and panel the program opens, with keyboard control on: it
// can be left with Escape alone (no window manager is needed to close it),
// and while it is open no pendant key reaches the machine but Enter, the
// emergency stop.
#include "simcontroller.h"

#include "core/AppConfig.h"
#include "designers/dlgshapes.h"
#include "gcode/gcodeprogram.h"
#include "app/mainwindow.h"
#include "settingswindows/dlgmachinesettings.h"
#include "settingswindows/dlgpwmspndlsettings.h"
#include "settingswindows/dlgrpicontroller.h"
#include "ui_mainwindow.h"
#include "widgets/qtprompter.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <functional>

namespace {
// The program's own dialogs, but the DXF file's name is given (its file
// dialog is a row of its own).
class CDxfPrompter : public CQtPrompter
{
public:
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) override
    {
        if (filter.contains(QStringLiteral("dxf"), Qt::CaseInsensitive))
            return m_strDxf;
        return CQtPrompter::OpenFileName(parent, caption, dir, filter);
    }
    QString m_strDxf;
};

QPushButton* Button(QWidget* pIn, const char* pName)
{
    return pIn->findChild<QPushButton*>(QString::fromLatin1(pName));
}

// One pendant key typed into the window that has the keyboard (the grab
// passes it on to the main window), pressed and let go.
void Type(QWindow* pWindow, Qt::Key key)
{
    QTest::keyClick(pWindow, key, Qt::KeypadModifier);
}
} // namespace

class TestPendantDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyDialogClosesOnEscape_data();
    void everyDialogClosesOnEscape();

private:
    CSimControllerSetup* m_pSetup = nullptr;
    CDxfPrompter* m_pPrompter = nullptr;
};

void TestPendantDialogs::init()
{
    m_pSetup = new CSimControllerSetup;
    m_pPrompter = new CDxfPrompter;
    CPrompter::SetInstance(m_pPrompter);
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bPWMCtrlUsed = false;
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_bKeyboardCtrlUsed = true;
    CGCodeProgram::ClearCurGCodeData();
}

void TestPendantDialogs::cleanup()
{
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bKeyboardCtrlUsed = false;
    CPrompter::SetInstance(nullptr);
    delete m_pPrompter;
    delete m_pSetup;
}

using FnOpen = std::function<void(MainWindow&)>;
Q_DECLARE_METATYPE(FnOpen)

void TestPendantDialogs::everyDialogClosesOnEscape_data()
{
    QTest::addColumn<FnOpen>("fnOpen");
    // The text panel lets the keyboard go to its text field, Enter too:
    // what is typed is text.
    QTest::addColumn<bool>("bTypesText");
    auto Click = [](QWidget* (*fnIn)(MainWindow&), const char* pName) {
        return FnOpen([fnIn, pName](MainWindow& w) { Button(fnIn(w), pName)->click(); });
    };
    // The shape designer on show, as the operator opens its panels.
    auto Shapes = [](MainWindow& w) -> QWidget* {
        w.ui->Btn_ShapeCarving->click();
        return w.m_DlgShapes.get();
    };
    auto GCode = [](MainWindow& w) -> QWidget* { return &w.m_DlgGCode; };
    auto Machine = [](MainWindow& w) -> QWidget* { return w.m_DlgMachineSettings.get(); };

    QTest::newRow("keypad") << FnOpen([](MainWindow& w) {
        w.OpenKeypad(w.ui->Btn_SetWorkZero, QStringLiteral("Key Pad"), QString(), QStringLiteral("1"),
                     stFloatPoint());
    }) << false;
    QTest::newRow("question") << FnOpen([](MainWindow& w) { w.ui->Btn_SetWorkZero->click(); }) << false;
    QTest::newRow("About") << FnOpen([](MainWindow& w) { QTest::mouseClick(w.ui->lineEdit, Qt::LeftButton); })
                           << false;
    QTest::newRow("G-code settings") << Click(GCode, "Btn_GCodeRunSettings") << false;
    QTest::newRow("DXF settings") << Click(GCode, "Btn_OpenDXF") << false;
    QTest::newRow("file dialog") << Click(GCode, "Btn_OpenGCode") << false;
    QTest::newRow("PWM settings") << Click(Machine, "Btn_PwmSettings") << false;
    QTest::newRow("speed table") << FnOpen([](MainWindow& w) {
        CDlgPwmSpndlSettings pwm(w.m_DlgMachineSettings.get());
        Button(&pwm, "Btn_SpindleSpeedTable")->click();
    }) << false;
    QTest::newRow("pin picker") << FnOpen([](MainWindow& w) {
        auto* pPinout = w.m_DlgMachineSettings->findChild<dlgRpiController*>();
        QTest::mouseClick(pPinout->findChild<QLabel*>(QStringLiteral("label_91")), Qt::LeftButton);
    }) << false;
    QTest::newRow("text panel") << Click(Shapes, "Btn_ShapeFromTxt") << true;
    QTest::newRow("picture panel") << Click(Shapes, "Btn_ShapeFromImg") << false;
    QTest::newRow("ellipse panel") << Click(Shapes, "Btn_AddEllipse") << false;
    QTest::newRow("drawing panel") << Click(Shapes, "Btn_DrawContour") << false;
}

void TestPendantDialogs::everyDialogClosesOnEscape()
{
    QFETCH(FnOpen, fnOpen);
    QFETCH(bool, bTypesText);
    m_pPrompter->m_strDxf = m_pSetup->m_Folder.Root() + QStringLiteral("/part.dxf");
    WriteRaw(m_pPrompter->m_strDxf, "0\nEOF\n");

    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.BuildLateWindows();
    AxisCtrl& x = w.m_AppCtrl.m_AxisCtrl[X_AXIS];

    QString strOpen;       // the dialog on top, by class
    bool bQuiet = false;   // no pendant key but Enter acted
    bool bStops = false;   // Enter switched the emergency stop on
    bool bClosed = false;  // Escape closed it
    QString strText;       // typed into a text field
    QTimer::singleShot(0, &w, [&] {
        QWidget* pTop = nullptr;
        if (!QTest::qWaitFor([&] { return (pTop = w.DialogOnTop()) != nullptr; }, 5000))
            return;
        strOpen = QString::fromLatin1(pTop->metaObject()->className());
        QWindow* pWindow = pTop->window()->windowHandle();
        for (Qt::Key key : {Qt::Key_4, Qt::Key_Asterisk, Qt::Key_Minus, Qt::Key_0})
            Type(pWindow, key);
        QTest::qWait(2 * CKeyHoldTracker::REPEAT_WAIT_MS);
        bQuiet = !x.GetAxisState() && x.GetCurPos() == 0.0 && w.m_G01FeedSlider.GetValue() == 100
                 && w.m_bNumLockOn && !AppConfig::m_bSpindleOn;
        Type(pWindow, Qt::Key_Enter);
        QTest::qWait(2 * CKeyHoldTracker::REPEAT_WAIT_MS);
        bStops = AppConfig::m_bEmergencyStopON;
        if (bStops) {
            Type(pWindow, Qt::Key_Enter);
            QTest::qWait(2 * CKeyHoldTracker::REPEAT_WAIT_MS);
        }
        if (auto* pText = pTop->findChild<QTextEdit*>()) {
            strText = pText->toPlainText();
            pText->clear(); // no text to keep on the work area
        }
        QTest::keyClick(pWindow, Qt::Key_Escape);
        bClosed = QTest::qWaitFor([pTop = QPointer<QWidget>(pTop)] { return !pTop || !pTop->isVisible(); }, 2000);
        // Never left open to hang the test.
        while (QWidget* pLeft = w.DialogOnTop())
            pLeft->hide();
    });
    fnOpen(w);
    QVERIFY2(!strOpen.isEmpty(), "no dialog opened");
    QVERIFY2(bQuiet, qPrintable(strOpen));
    QCOMPARE(bStops, !bTypesText);
    QCOMPARE(strText, bTypesText ? QStringLiteral("4*-0\n") : QString());
    QVERIFY(!AppConfig::m_bEmergencyStopON);
    QVERIFY2(bClosed, qPrintable(strOpen));
    QCOMPARE(w.DialogOnTop(), nullptr);
    // The pendant has the keyboard again.
    QCOMPARE(QWidget::keyboardGrabber(), &w);
}

QTEST_MAIN(TestPendantDialogs)
#include "tst_pendantdialogs.moc"
