// The program's modules, loaded the first time their code is needed: found
// in the build folder here, refused with a reason when missing, without the
// entry point asked for, or from another build.
#include "core/ModuleLibrary.h"
#include "camera/cvio/cvioentry.h"
#include "shapes/vision/visionapi.h"

#include <QtTest>

namespace {
// A table this build does not have.
struct stOtherBuild
{
    static constexpr int VERSION = -1;
    int m_iVersion;
};
} // namespace

class TestModuleLibrary : public QObject
{
    Q_OBJECT

private slots:
    void entries_data();
    void entries();
    void tableOfAnotherBuildRefused();
    void lookedForBesideTheProgramThenInstalledThenBuild();
};

void TestModuleLibrary::entries_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("error"); // empty: found
    QTest::newRow("picture tracing") << "libdiradi_vision.so" << "diradi_vision_api" << "";
    QTest::newRow("camera and files") << "libdiradi_cvio.so" << "diradi_cvio_api" << "";
    QTest::newRow("entry of the other module")
        << "libdiradi_cvio.so" << "diradi_vision_api"
        << "Module libdiradi_cvio.so cannot be loaded: " DIRADI_MODULE_DIR
           "/libdiradi_cvio.so: not one of the program's modules";
    // Left by an older build: another build's identity, or none at all.
    QTest::newRow("module of another build")
        << "libdiradi_stalemodule.so" << "diradi_vision_api"
        << "Module libdiradi_stalemodule.so cannot be loaded: " DIRADI_MODULE_DIR
           "/libdiradi_stalemodule.so: from another build of the program";
    QTest::newRow("module without a build identity")
        << "libdiradi_unmarkedmodule.so" << "diradi_vision_api"
        << "Module libdiradi_unmarkedmodule.so cannot be loaded: " DIRADI_MODULE_DIR
           "/libdiradi_unmarkedmodule.so: from another build of the program";
    QTest::newRow("no such module") << "libdiradi_none.so" << "diradi_vision_api"
                                    << "Module libdiradi_none.so not found beside the program";
}

void TestModuleLibrary::entries()
{
    QFETCH(QString, file);
    QFETCH(QString, entry);
    QFETCH(QString, error);
    // The second call gives the first answer.
    for (int i = 0; i < 2; ++i) {
        QString strErr = QStringLiteral("left over");
        const QFunctionPointer pEntry = CModuleLibrary::Entry(file, entry.toLatin1().constData(), strErr);
        QCOMPARE(pEntry != nullptr, error.isEmpty());
        QCOMPARE(strErr, error);
    }
}

void TestModuleLibrary::tableOfAnotherBuildRefused()
{
    QString strErr;
    const stVisionApi* pVision = CModuleLibrary::Table<stVisionApi>(QStringLiteral("libdiradi_vision.so"),
                                                                    "diradi_vision_api", strErr);
    QVERIFY(pVision && pVision->m_pTrace && pVision->m_pPocketRings);
    QVERIFY(strErr.isEmpty());
    const stCvIoApi* pCvIo =
        CModuleLibrary::Table<stCvIoApi>(QStringLiteral("libdiradi_cvio.so"), "diradi_cvio_api", strErr);
    QVERIFY(pCvIo && pCvIo->m_pNewFrameSource && pCvIo->m_pNewVideoWriter && pCvIo->m_pReadGrey);

    QVERIFY(!CModuleLibrary::Table<stOtherBuild>(QStringLiteral("libdiradi_vision.so"), "diradi_vision_api", strErr));
    QCOMPARE(strErr, QStringLiteral("libdiradi_vision.so: from another build of the program"));
}

void TestModuleLibrary::lookedForBesideTheProgramThenInstalledThenBuild()
{
    const QString strDir = QCoreApplication::applicationDirPath();
    const QString strUp = QFileInfo(strDir).path();
    QCOMPARE(CModuleLibrary::Candidates(QStringLiteral("libdiradi_cvio.so")),
             (QStringList{strDir + "/libdiradi_cvio.so", strUp + "/lib/diradi/libdiradi_cvio.so",
                          DIRADI_MODULE_DIR "/libdiradi_cvio.so"}));
}

QTEST_MAIN(TestModuleLibrary)
#include "tst_modulelibrary.moc"
