// The on-screen keypad: its form, what each key does to the entry, OK and
// Cancel, and the real keypad answering through the default prompter.
#include "formcheck.h"

#include "core/Prompter.h"
#include "widgets/dlgkeypad.h"
#include "widgets/qtprompter.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestDlgKeyPad : public QObject
{
    Q_OBJECT
private slots:
    void formMatchesTable();
    void keys_data();
    void keys();
    void okAndCancel();
    void signAndDecimalKeys();
    void longValueStaysInView();
    void defaultPrompterRunsTheKeypad();
};

namespace {
// Clicks the keys named by their texts ("C" clear, "<" delete-last, "+/-"
// sign) on the keypad.
void Press(CDlgKeyPad& pad, const QStringList& keys)
{
    static const QHash<QString, QString> s_Names = {
        {"1", "pushButton"},      {"2", "pushButton_2"},  {"3", "pushButton_3"},  {"4", "pushButton_4"},
        {"5", "pushButton_5"},    {"6", "pushButton_8"},  {"7", "pushButton_6"},  {"8", "pushButton_7"},
        {"9", "pushButton_9"},    {".", "pushButton_11"}, {"0", "pushButton_10"}, {"+/-", "pushButton_Sign"},
        {"<", "pushButton_15"},   {"C", "pushButton_14"}, {"OK", "pushButton_12"}, {"Cancel", "pushButton_13"}};
    for (const QString& key : keys) {
        auto* pBtn = pad.findChild<QPushButton*>(s_Names.value(key));
        QVERIFY2(pBtn, qPrintable(key));
        QTest::mouseClick(pBtn, Qt::LeftButton);
    }
}
} // namespace

void TestDlgKeyPad::formMatchesTable()
{
    static const stFormRow kRows[] = {
        {"CDlgKeyPad", "QDialog", 0, 0, 330, 321, "Key Pad"},
        {"LE_NewValue", "QLineEdit", 8, 10, 181, 60, ""},
        {"pushButton", "QPushButton", 8, 70, 60, 60, "1"},
        {"pushButton_2", "QPushButton", 68, 70, 60, 60, "2"},
        {"pushButton_3", "QPushButton", 128, 70, 60, 60, "3"},
        {"pushButton_4", "QPushButton", 8, 130, 60, 60, "4"},
        {"pushButton_5", "QPushButton", 68, 130, 60, 60, "5"},
        {"pushButton_8", "QPushButton", 128, 130, 60, 60, "6"},
        {"pushButton_6", "QPushButton", 8, 190, 60, 60, "7"},
        {"pushButton_7", "QPushButton", 68, 190, 60, 60, "8"},
        {"pushButton_9", "QPushButton", 128, 190, 60, 60, "9"},
        {"pushButton_11", "QPushButton", 8, 250, 60, 60, "."},
        {"pushButton_10", "QPushButton", 68, 250, 60, 60, "0"},
        {"pushButton_Sign", "QPushButton", 128, 250, 60, 60, "+ / -"},
        {"pushButton_15", "QPushButton", 196, 10, 60, 60, ""},
        {"pushButton_14", "QPushButton", 260, 10, 60, 60, ""},
        {"pushButton_13", "QPushButton", 230, 220, 90, 40, "Cancel"},
        {"pushButton_12", "QPushButton", 230, 270, 90, 40, "OK"},
    };
    CDlgKeyPad pad;
    for (const stFormRow& row : kRows)
        QVERIFY2(FormMismatch(&pad, row).isEmpty(), qPrintable(FormMismatch(&pad, row)));
    QCOMPARE(pad.minimumSize(), QSize(330, 321));
    QCOMPARE(pad.maximumSize(), QSize(330, 321));
    auto* pEntry = pad.findChild<QLineEdit*>("LE_NewValue");
    QVERIFY(pEntry->isReadOnly());
    // Both icon keys show their drawings (the resources are there).
    for (const char* pName : {"pushButton_15", "pushButton_14"}) {
        auto* pBtn = pad.findChild<QPushButton*>(pName);
        QVERIFY2(!pBtn->icon().isNull(), pName);
        QVERIFY(!pBtn->icon().pixmap(43, 43).isNull());
        QCOMPARE(pBtn->iconSize(), QSize(43, 43));
    }
    QVERIFY(pad.m_bCancelled);
}

void TestDlgKeyPad::keys_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("entry");

    QTest::newRow("digits append to the start") << "12" << QStringList{"3", "4"} << "1234";
    QTest::newRow("every digit key") << "" << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"}
                                     << "1234567890";
    QTest::newRow("clear then type") << "12.5" << QStringList{"C", "7", ".", "5"} << "7.5";
    QTest::newRow("delete last") << "12.5" << QStringList{"<", "<"} << "12";
    QTest::newRow("delete last on empty") << "" << QStringList{"<"} << "";
    QTest::newRow("two points are typed as they come") << "" << QStringList{"1", ".", ".", "2"} << "1..2";
    QTest::newRow("sign toggles a leading minus") << "12" << QStringList{"+/-"} << "-12";
    QTest::newRow("sign twice") << "12" << QStringList{"+/-", "+/-"} << "12";
    QTest::newRow("sign on empty") << "" << QStringList{"+/-"} << "";
    QTest::newRow("sign on a lone minus") << "-" << QStringList{"+/-"} << "";
}

void TestDlgKeyPad::keys()
{
    QFETCH(QString, start);
    QFETCH(QStringList, keys);
    QFETCH(QString, entry);

    CDlgKeyPad pad;
    pad.EnableSign();
    pad.SetCurValue(start);
    Press(pad, keys);
    QCOMPARE(pad.m_strCurValue, entry);
    QCOMPARE(pad.findChild<QLineEdit*>("LE_NewValue")->text(), entry);
}

void TestDlgKeyPad::okAndCancel()
{
    {
        CDlgKeyPad pad;
        pad.SetCurValue("5");
        Press(pad, {"C", "8", "OK"});
        QVERIFY(!pad.m_bCancelled);
        QCOMPARE(pad.m_strCurValue, QStringLiteral("8"));
        QCOMPARE(pad.result(), int(QDialog::Accepted));
    }
    {
        CDlgKeyPad pad;
        pad.SetCurValue("5");
        Press(pad, {"C", "OK"});
        QVERIFY(!pad.m_bCancelled);
        QCOMPARE(pad.m_strCurValue, QStringLiteral("5")); // empty entry: the start
    }
    {
        CDlgKeyPad pad;
        pad.SetCurValue("5");
        Press(pad, {"9", "Cancel"});
        QVERIFY(pad.m_bCancelled);
        QCOMPARE(pad.m_strCurValue, QStringLiteral("5"));
    }
    {
        // Closed by its frame (or Escape): cancelled too.
        CDlgKeyPad pad;
        pad.SetCurValue("5");
        pad.show();
        Press(pad, {"9"});
        pad.close();
        QVERIFY(pad.m_bCancelled);
        QCOMPARE(pad.m_strCurValue, QStringLiteral("5"));
    }
}

void TestDlgKeyPad::signAndDecimalKeys()
{
    CDlgKeyPad pad;
    auto* pSign = pad.findChild<QPushButton*>("pushButton_Sign");
    auto* pPoint = pad.findChild<QPushButton*>("pushButton_11");
    QVERIFY(!pSign->isEnabled());
    QVERIFY(pPoint->isEnabled());
    pad.SetCurValue("3");
    Press(pad, {"+/-", "."});
    QCOMPARE(pad.m_strCurValue, QStringLiteral("3.")); // the disabled sign key does nothing
    pad.EnableSign();
    pad.DisableDecimal();
    QVERIFY(pSign->isEnabled());
    QVERIFY(!pPoint->isEnabled());
    // No key takes the focus: Enter is OK, not the last digit again.
    for (QPushButton* pKey : pad.findChildren<QPushButton*>())
        QCOMPARE(pKey->focusPolicy(), Qt::NoFocus);
}

void TestDlgKeyPad::longValueStaysInView()
{
    // A value wider than the box at the form's 25 point is written smaller:
    // scrolled, 1250.0000 would read 250.0000.
    CDlgKeyPad pad;
    pad.EnableSign();
    pad.show();
    auto* pEntry = pad.findChild<QLineEdit*>("LE_NewValue");
    const int iRoom = pEntry->contentsRect().width() - 4; // the line edit's own text margins
    for (const QString& strValue : {QStringLiteral("1250.0000"), QStringLiteral("-10000.0000")}) {
        pad.SetCurValue(strValue);
        QVERIFY2(QFontMetrics(pEntry->font()).horizontalAdvance(strValue) <= iRoom, qPrintable(strValue));
        QVERIFY(pEntry->font().bold());
    }
    QVERIFY(pEntry->font().pointSize() < 25); // eleven characters never fit at 25 point
    // Cleared and typed short again: back to the full size.
    Press(pad, {"C", "1", "2"});
    QCOMPARE(pEntry->font().pointSize(), 25);
    QCOMPARE(pEntry->text(), QStringLiteral("12"));
}

void TestDlgKeyPad::defaultPrompterRunsTheKeypad()
{
    CQtPrompter qtPrompter;
    CPrompter::SetInstance(&qtPrompter);
    const auto answer = [](const QStringList& keys) {
        QTimer::singleShot(0, [keys]() {
            auto* pPad = qobject_cast<CDlgKeyPad*>(QApplication::activeModalWidget());
            QVERIFY(pPad);
            QCOMPARE(pPad->windowTitle(), QStringLiteral("Feed"));
            QVERIFY(pPad->findChild<QPushButton*>("pushButton_Sign")->isEnabled());
            QVERIFY(!pPad->findChild<QPushButton*>("pushButton_11")->isEnabled());
            Press(*pPad, keys);
        });
    };
    QString value = QStringLiteral("40");
    answer({"C", "2", "5", "OK"});
    QVERIFY(CPrompter::Instance().Keypad(nullptr, QStringLiteral("Feed"), value, true, false));
    QCOMPARE(value, QStringLiteral("25"));

    answer({"9", "Cancel"});
    QVERIFY(!CPrompter::Instance().Keypad(nullptr, QStringLiteral("Feed"), value, true, false));
    QCOMPARE(value, QStringLiteral("25"));
    CPrompter::SetInstance(nullptr);
}

QTEST_MAIN(TestDlgKeyPad)
#include "tst_dlgkeypad.moc"
