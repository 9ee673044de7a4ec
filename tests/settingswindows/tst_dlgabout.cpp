// The About box: a fixed-size form with the version and a contact line.
#include "formcheck.h"
#include "settingswindows/dlgabout.h"

#include <QLabel>
#include <QSplitter>
#include <QtTest>

class TestDlgAbout : public QObject
{
    Q_OBJECT
private slots:
    void form();
};

void TestDlgAbout::form()
{
    CDlgAbout dlg;
    static const stFormRow kRows[] = {
        {"CDlgAbout", "QDialog", 0, 0, 380, 125, "Morlan's CNC"},
        {"frame", "QFrame", 5, 5, 370, 115, nullptr},
        {"splitter", "QSplitter", 10, 20, 90, 72, nullptr},
        {"splitter_2", "QSplitter", 110, 20, 245, 72, nullptr},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    // The splitters place their labels, top to bottom.
    const struct
    {
        const char* m_pName;
        const char* m_pSplitter;
        int m_iIndex;
        const char* m_pText;
    } kLabels[] = {{"label_5", "splitter", 0, "Ver:"},
                   {"label_8", "splitter", 1, "Contact:"},
                   {"label", "splitter_2", 0, "2.0"},
                   {"label_4", "splitter_2", 1, nullptr}};
    for (const auto& lbl : kLabels) {
        auto* pSplitter = dlg.findChild<QSplitter*>(lbl.m_pSplitter);
        auto* pLabel = dlg.findChild<QLabel*>(lbl.m_pName);
        QVERIFY2(pLabel && pSplitter, lbl.m_pName);
        QCOMPARE(pSplitter->orientation(), Qt::Vertical);
        QCOMPARE(pSplitter->widget(lbl.m_iIndex), static_cast<QWidget*>(pLabel));
        if (lbl.m_pText)
            QCOMPARE(pLabel->text(), QString::fromUtf8(lbl.m_pText));
        QCOMPARE(pLabel->font().pointSize(), 12);
    }
    QCOMPARE(dlg.minimumSize(), QSize(380, 125));
    QCOMPARE(dlg.maximumSize(), QSize(380, 125));
    QVERIFY(!dlg.findChild<QLabel*>("label_4")->text().isEmpty());
    QVERIFY(dlg.findChild<QLabel*>("label_4")->font().bold());
    QVERIFY(dlg.findChild<QLabel*>("label_4")->font().italic());
}

QTEST_MAIN(TestDlgAbout)
#include "tst_dlgabout.moc"
