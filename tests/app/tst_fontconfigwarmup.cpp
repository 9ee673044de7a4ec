// The font configuration read on another core at start: once it is waited
// for, fontconfig has its fonts, and waiting again gives the same answer.
#include "app/fontconfigwarmup.h"

#include <fontconfig/fontconfig.h>

#include <QtTest>

class TestFontConfigWarmUp : public QObject
{
    Q_OBJECT

private slots:
    void readBeforeTheApplication();
};

void TestFontConfigWarmUp::readBeforeTheApplication()
{
    for (int i = 0; i < 3; ++i) {
        CFontConfigWarmUp warmUp;
        QVERIFY(warmUp.Wait());
        QVERIFY(warmUp.Wait());
        FcFontSet* pFonts = FcConfigGetFonts(FcConfigGetCurrent(), FcSetSystem);
        QVERIFY(pFonts && pFonts->nfont > 0);
    }
    CFontConfigWarmUp leftToItsDestructor; // waits when it goes
}

QTEST_GUILESS_MAIN(TestFontConfigWarmUp)
#include "tst_fontconfigwarmup.moc"
