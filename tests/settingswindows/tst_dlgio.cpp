// The pin picker: its form, the pin each button records, "Not Used", and a
// picker closed by its frame.
#include "formcheck.h"

#include "settingswindows/dlgio.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
// The header by column: top row (even physical pins), bottom row (odd).
// A number is a GPIO button, a text a power or ground mark.
const char* const kTop[20] = {"5V", "5V", "G", "14", "15", "18", "G", "23", "24", "G",
                              "25", "8",  "7", "1",  "G",  "12", "G", "16", "20", "21"};
const char* const kBottom[20] = {"3V", "2", "3",  "4", "G",  "17", "27", "22", "3V", "10",
                                 "9",  "11", "G", "0", "5",  "6",  "13", "19", "26", "G"};
} // namespace

class TestDlgIO : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void pickAPin_data();
    void pickAPin();
    void notUsedAndFrameClose();
    void inputPins();
};

void TestDlgIO::form()
{
    CDlgIO dlg(nullptr);
    static const stFormRow kRows[] = {
        {"CDlgIO", "QDialog", 0, 0, 750, 200, "GPIO Configuration"},
        {"Btn_IoNotUsed", "QPushButton", 4, 6, 90, 40, "Not Used"},
        {"label_2", "QLabel", 630, 20, 111, 20, "USB Ports -->"},
        {"groupBox", "QGroupBox", 6, 50, 740, 140, "RPI GPIO's and Pinout"},
        {"frame", "QFrame", 541, 70, 144, 61, nullptr},
        {"label", "QLabel", 10, 35, 121, 30, "Spindle VFD Control"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(dlg.minimumSize(), QSize(750, 200));
    QCOMPARE(dlg.maximumSize(), QSize(750, 200));
    QCOMPARE(dlg.styleSheet(), QStringLiteral("background-color: rgb(100, 100, 100);"));

    // Every square of the header, by what sits at its place.
    auto* pGroup = dlg.findChild<QGroupBox*>("groupBox");
    for (int row = 0; row < 2; ++row) {
        for (int c = 0; c < 20; ++c) {
            const QString strWhat = QString::fromLatin1(row == 0 ? kTop[c] : kBottom[c]);
            const QPoint pt(row == 1 && c == 0 ? 20 : 21 + 35 * c, row == 0 ? 40 : 80);
            QWidget* pAt = nullptr;
            for (QWidget* pChild : pGroup->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (pChild->geometry() == QRect(pt, QSize(30, 30)))
                    pAt = pChild;
            QVERIFY2(pAt, qPrintable(QStringLiteral("nothing at %1,%2").arg(pt.x()).arg(pt.y())));
            bool bGpio = false;
            const int iGpio = strWhat.toInt(&bGpio);
            const QString strPosition = QString::number(row * 20 + c + 1);
            if (bGpio) {
                auto* pBtn = qobject_cast<QPushButton*>(pAt);
                QVERIFY(pBtn);
                QCOMPARE(pBtn->objectName(), QStringLiteral("Btn_RpiGPIO_%1").arg(iGpio));
                QCOMPARE(pBtn->text(), strPosition);
                const bool bUsable = iGpio != 0 && iGpio != 1 && iGpio != 14 && iGpio != 15;
                QCOMPARE(pBtn->isEnabled(), bUsable);
                QCOMPARE(pBtn->styleSheet(), bUsable ? QStringLiteral("background-color: rgb(200, 200, 200);")
                                                     : QStringLiteral("background-color: rgb(100, 100, 100);"));
            } else {
                auto* pLabel = qobject_cast<QLabel*>(pAt);
                QVERIFY(pLabel);
                QCOMPARE(pLabel->text(), strWhat);
                const QString strBack = strWhat == "5V" ? "239, 41, 41" : strWhat == "3V" ? "245, 121, 0" : "0, 0, 0";
                QCOMPARE(pLabel->styleSheet(),
                         QStringLiteral("background-color: rgb(%1);\ncolor: rgb(238, 238, 236);").arg(strBack));
            }
        }
    }
}

void TestDlgIO::pickAPin_data()
{
    QTest::addColumn<int>("gpio");
    for (int pin : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27})
        QTest::addRow("GPIO %d", pin) << pin;
}

void TestDlgIO::pickAPin()
{
    QFETCH(int, gpio);
    CDlgIO dlg(nullptr);
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("Btn_RpiGPIO_%1").arg(gpio)), Qt::LeftButton);
    QCOMPARE(int(dlg.m_nSelectedPin), gpio);
    QVERIFY(dlg.isHidden());
}

void TestDlgIO::notUsedAndFrameClose()
{
    CDlgIO dlg(nullptr);
    QCOMPARE(dlg.m_nSelectedPin, CDlgIO::PIN_NOT_USED);
    dlg.Init();
    QVERIFY(dlg.findChild<QPushButton*>("Btn_IoNotUsed")->isHidden());
    dlg.ShowNotUsedBtn();
    QVERIFY(!dlg.findChild<QPushButton*>("Btn_IoNotUsed")->isHidden());

    // A pin closes a running exec(); "Not Used" records 0xFFFF.
    QTimer::singleShot(0, &dlg, [&dlg]() {
        QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_RpiGPIO_18"), Qt::LeftButton);
    });
    dlg.exec();
    QCOMPARE(dlg.m_nSelectedPin, quint16(18));
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_IoNotUsed"), Qt::LeftButton);
    QCOMPARE(dlg.m_nSelectedPin, quint16(0xFFFF));
    QVERIFY(dlg.isHidden());

    // A choice, then the picker closed by its frame: no pin is reported.
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_RpiGPIO_5"), Qt::LeftButton);
    QCOMPARE(dlg.m_nSelectedPin, quint16(5));
    dlg.m_bHideOnSelect = false;
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_RpiGPIO_6"), Qt::LeftButton);
    QVERIFY(dlg.isVisible());
    dlg.close();
    QCOMPARE(dlg.m_nSelectedPin, CDlgIO::PIN_NOT_USED);

    // The four reserved pins cannot be pressed.
    for (int pin : {0, 1, 14, 15}) {
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("Btn_RpiGPIO_%1").arg(pin)), Qt::LeftButton);
        QCOMPARE(dlg.m_nSelectedPin, CDlgIO::PIN_NOT_USED);
    }
}

void TestDlgIO::inputPins()
{
    for (unsigned short pin : {0, 2, 8, 15})
        QVERIFY(!CDlgIO::IsInputPin(pin));
    for (unsigned short pin : {9, 14, 16, 27})
        QVERIFY(CDlgIO::IsInputPin(pin));
}

QTEST_MAIN(TestDlgIO)
#include "tst_dlgio.moc"
