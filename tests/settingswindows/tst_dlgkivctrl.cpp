// The SPI board page: its form, the table rows per controller kind, and the
// M-code cells edited with the keypad.
#include "fakeprompter.h"
#include "formcheck.h"
#include "simcontroller.h"

#include "core/AppConfig.h"
#include "settingswindows/dlgkivctrl.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QtTest>

class TestDlgKivCtrl : public QObject
{
    Q_OBJECT
private slots:
    void init() { CSimControllerSetup::ResetSettings(); }
    void cleanup() { CSimControllerSetup::ResetSettings(); }
    void form();
    void rowsPerKind_data();
    void rowsPerKind();
    void editCells();
};

void TestDlgKivCtrl::form()
{
    dlgKivCtrl page;
    static const stFormRow kRows[] = {
        {"dlgKivCtrl", "QDialog", 0, 0, 540, 350, "Dialog"},
        {"Table_OutputMCodes", "QTableWidget", 20, 20, 321, 321, nullptr},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&page, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(page.styleSheet(), QStringLiteral("background-color: rgb(85, 85, 85);"));
    auto* pTable = page.findChild<QTableWidget*>("Table_OutputMCodes");
    QCOMPARE(pTable->styleSheet(), QStringLiteral("background-color: rgb(150, 150, 150);"));
    QCOMPARE(pTable->columnCount(), 3);
    QCOMPARE(pTable->rowCount(), 34);
    QVERIFY(pTable->showGrid());
    QVERIFY(pTable->wordWrap());
    QCOMPARE(pTable->selectionBehavior(), QAbstractItemView::SelectItems);
    QVERIFY(pTable->horizontalHeader()->isHidden());
    QVERIFY(pTable->verticalHeader()->isHidden());
    QCOMPARE(pTable->horizontalHeader()->defaultSectionSize(), 100);
    QCOMPARE(pTable->horizontalHeader()->minimumSectionSize(), 70);
    QCOMPARE(pTable->verticalHeader()->defaultSectionSize(), 25);
    QCOMPARE(pTable->verticalHeader()->minimumSectionSize(), 25);
}

void TestDlgKivCtrl::rowsPerKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("outputs");
    QTest::newRow("Pi, three axes") << int(CTRL_KIVQ10) << 0;
    QTest::newRow("Pi, five axes") << int(CTRL_KIVQ20) << 0;
    QTest::newRow("board version 2") << int(CTRL_SPI_V2) << 16;
    QTest::newRow("board version 3") << int(CTRL_SPI_V3) << 24;
}

void TestDlgKivCtrl::rowsPerKind()
{
    QFETCH(int, kind);
    QFETCH(int, outputs);
    dlgKivCtrl page;
    auto* pTable = page.findChild<QTableWidget*>("Table_OutputMCodes");
    // From a longer table first: the rows shrink as well as grow.
    AppConfig::m_eDiradiCtrl = CTRL_SPI_V3;
    page.ConfigSettings();
    AppConfig::m_eDiradiCtrl = eKivController(kind);
    page.ConfigSettings();

    QCOMPARE(pTable->rowCount(), outputs + 1);
    const QStringList heading{"O/P", "M-Code(ON)", "M-Code(OFF)"};
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(pTable->item(0, c)->text(), heading[c]);
        QCOMPARE(pTable->item(0, c)->background().color(), QColor(150, 150, 150));
    }
    for (int r = 1; r <= outputs; ++r) {
        QCOMPARE(pTable->item(r, 0)->text(), QStringLiteral("O/P %1").arg(r));
        QCOMPARE(pTable->item(r, 0)->background().color(), QColor(150, 150, 150));
        for (int c = 1; c < 3; ++c) {
            QCOMPARE(pTable->item(r, c)->text(), QString());
            QCOMPARE(pTable->item(r, c)->background().color(), QColor(255, 255, 255));
            QCOMPARE(pTable->item(r, c)->textAlignment(), int(Qt::AlignCenter));
        }
    }
}

void TestDlgKivCtrl::editCells()
{
    CFakePrompter prompter;
    dlgKivCtrl page;
    auto* pTable = page.findChild<QTableWidget*>("Table_OutputMCodes");
    AppConfig::m_eDiradiCtrl = CTRL_SPI_V2;
    page.ConfigSettings();

    // M-Code(OFF) of the third output.
    prompter.m_lstKeypadEntries << "201";
    emit pTable->cellDoubleClicked(3, 2);
    QCOMPARE(pTable->item(3, 2)->text(), QStringLiteral("M201"));
    QVERIFY(!prompter.m_bLastKeypadDecimal);
    QVERIFY(!prompter.m_bLastKeypadSign);
    // Opened again, the keypad offers the number without its "M".
    prompter.m_lstKeypadEntries << CFakePrompter::KeypadCancel;
    emit pTable->cellDoubleClicked(3, 2);
    QCOMPARE(prompter.m_lstPrompts.last().m_strText, QStringLiteral("201"));
    QCOMPARE(pTable->item(3, 2)->text(), QStringLiteral("M201"));
    // OK on an empty keypad leaves an empty cell empty.
    prompter.m_lstKeypadEntries << "";
    emit pTable->cellDoubleClicked(1, 1);
    QCOMPARE(pTable->item(1, 1)->text(), QString());

    // The output names and the heading row open no keypad.
    const int nPrompts = prompter.m_lstPrompts.size();
    prompter.m_lstKeypadEntries << "5" << "6";
    emit pTable->cellDoubleClicked(2, 0);
    emit pTable->cellDoubleClicked(0, 1);
    QCOMPARE(prompter.m_lstPrompts.size(), nPrompts);
    QCOMPARE(pTable->item(0, 1)->text(), QStringLiteral("M-Code(ON)"));
    QCOMPARE(pTable->item(2, 0)->text(), QStringLiteral("O/P 2"));

    // A real double click on the heading or a name opens no editor of the
    // table's own either; an M-code cell still can be typed into.
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto dClick = [pTable](int row, int column) {
        const QPoint pt = pTable->visualItemRect(pTable->item(row, column)).center();
        QWidget* pView = pTable->viewport();
        QTest::mouseClick(pView, Qt::LeftButton, Qt::NoModifier, pt);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, pt, pView->mapToGlobal(pt), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(pView, &dbl);
        QTest::mouseRelease(pView, Qt::LeftButton, Qt::NoModifier, pt);
    };
    auto editorOpen = [pTable](int row, int column) {
        return pTable->indexWidget(pTable->model()->index(row, column)) != nullptr;
    };
    dClick(0, 1);
    QVERIFY(!editorOpen(0, 1));
    dClick(2, 0);
    QVERIFY(!editorOpen(2, 0));
    QCOMPARE(prompter.m_lstPrompts.size(), nPrompts);
    QCOMPARE(pTable->item(0, 1)->text(), QStringLiteral("M-Code(ON)"));
    prompter.m_lstKeypadEntries.clear();
    prompter.m_lstKeypadEntries << "7";
    dClick(2, 1);
    QCOMPARE(pTable->item(2, 1)->text(), QStringLiteral("M7"));
    QVERIFY(editorOpen(2, 1));

    // Configuring again empties the worksheet.
    page.ConfigSettings();
    QCOMPARE(pTable->item(3, 2)->text(), QString());
}

QTEST_MAIN(TestDlgKivCtrl)
#include "tst_dlgkivctrl.moc"
