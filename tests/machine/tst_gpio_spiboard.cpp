#include "hal/simpinbank.h"
#include "machine/diradictrl.h"

#include <QtTest>

Q_DECLARE_METATYPE(eKivController)

// The SPI I/O board: command bytes of both board versions, input bit
// positions, and the numbers the board has no output or input for.
class TestSpiBoard : public QObject
{
    Q_OBJECT

    CSimPinBank& bank = CSimPinBank::Instance();

private slots:
    void init()
    {
        CPins::SetBackend(nullptr);
        bank.Reset();
        cdiradictrl::CloseDiradiCtrl();
    }

    void commandByte_data()
    {
        QTest::addColumn<eKivController>("version");
        QTest::addColumn<int>("pin");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("byte");
        // state << 7 | index << 4 | 8 | group
        QTest::newRow("v3 13 on") << CTRL_SPI_V3 << 13 << 1 << 0x9A;
        QTest::newRow("v2 13 on") << CTRL_SPI_V2 << 13 << 1 << 0xDB;
        QTest::newRow("v2 0 off") << CTRL_SPI_V2 << 0 << 0 << 0x09;
        QTest::newRow("v2 1 (last of group 1)") << CTRL_SPI_V2 << 1 << 1 << 0x99;
        QTest::newRow("v2 2 (first of group 2)") << CTRL_SPI_V2 << 2 << 0 << 0x0A;
        QTest::newRow("v2 7 (last of group 2)") << CTRL_SPI_V2 << 7 << 0 << 0x5A;
        QTest::newRow("v2 8 (first of group 3)") << CTRL_SPI_V2 << 8 << 0 << 0x0B;
        QTest::newRow("v2 15 (last output)") << CTRL_SPI_V2 << 15 << 1 << 0xFB;
        QTest::newRow("v3 0") << CTRL_SPI_V3 << 0 << 1 << 0x88;
        QTest::newRow("v3 7 (last of group 0)") << CTRL_SPI_V3 << 7 << 0 << 0x78;
        QTest::newRow("v3 8 (first of group 1)") << CTRL_SPI_V3 << 8 << 0 << 0x09;
        QTest::newRow("v3 11 (last of group 1)") << CTRL_SPI_V3 << 11 << 0 << 0x39;
        QTest::newRow("v3 12 (first of group 2)") << CTRL_SPI_V3 << 12 << 0 << 0x0A;
        QTest::newRow("v3 19 (last of group 2)") << CTRL_SPI_V3 << 19 << 0 << 0x7A;
        QTest::newRow("v3 20 (first of group 3)") << CTRL_SPI_V3 << 20 << 1 << 0x8B;
        QTest::newRow("v3 27 (last output)") << CTRL_SPI_V3 << 27 << 0 << 0x7B;
        QTest::newRow("only bit 0 of the state") << CTRL_SPI_V3 << 0 << 2 << 0x08;
        QTest::newRow("no board version") << CTRL_KIVQ10 << 13 << 1 << 0x88;
    }
    void commandByte()
    {
        QFETCH(eKivController, version);
        QFETCH(int, pin);
        QFETCH(int, state);
        QFETCH(int, byte);
        cdiradictrl::m_eCtrlVersion = version;
        QCOMPARE(int(cdiradictrl::CreateOutputData(quint8(pin), quint8(state))), byte);
        QVERIFY(cdiradictrl::IsValidOutput(quint8(pin)));

        if (version < CTRL_SPI_V2)
            return;
        QCOMPARE(cdiradictrl::InitDiradiCtrl(version), 1);
        QCOMPARE(cdiradictrl::WriteOutput(quint8(pin), quint8(state)), 1);
        QCOMPARE(bank.SpiSent(cdiradictrl::h_SpiOutputCtrl), QByteArray(1, char(byte)));
    }

    void outputsPastTheLastIndexAreRefused_data()
    {
        QTest::addColumn<eKivController>("version");
        QTest::addColumn<int>("pin");
        QTest::newRow("v2 16") << CTRL_SPI_V2 << 16;
        QTest::newRow("v2 255") << CTRL_SPI_V2 << 255;
        QTest::newRow("v3 28") << CTRL_SPI_V3 << 28;
        QTest::newRow("v3 200") << CTRL_SPI_V3 << 200;
    }
    void outputsPastTheLastIndexAreRefused()
    {
        QFETCH(eKivController, version);
        QFETCH(int, pin);
        QCOMPARE(cdiradictrl::InitDiradiCtrl(version), 1);
        QVERIFY(!cdiradictrl::IsValidOutput(quint8(pin)));
        // Sent, the index would spill into the state bit and switch another output.
        QCOMPARE(cdiradictrl::WriteOutput(quint8(pin), 0), cdiradictrl::ERR_BAD_NUMBER);
        QCOMPARE(bank.SpiSent(cdiradictrl::h_SpiOutputCtrl), QByteArray());
    }

    void inputBits_data()
    {
        QTest::addColumn<int>("input");
        for (int input : {0, 1, 7, 8, 9, 15, 16, 23})
            QTest::addRow("input %d", input) << input;
    }
    void inputBits()
    {
        QFETCH(int, input);
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V3), 1);
        bank.SetSpiInputs(1u << input);
        QCOMPARE(int(cdiradictrl::ReadInput(quint16(input))), 1);
        bank.SetSpiInputs(~(1u << input));
        QCOMPARE(int(cdiradictrl::ReadInput(quint16(input))), 0);
    }

    void readAllInputs()
    {
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V2), 1);
        // Input 9 is bit 1 of the second byte received.
        bank.SetSpiInputs(0x440281);
        char buf[3];
        QCOMPARE(cdiradictrl::ReadAllInputs(buf), 3);
        QCOMPARE(quint8(buf[0]), quint8(0x81));
        QCOMPARE(quint8(buf[1]), quint8(0x02));
        QCOMPARE(quint8(buf[2]), quint8(0x44));
        QCOMPARE(cdiradictrl::ReadInput(9), 1);
        // Three one-byte transfers of a zero byte per read.
        QCOMPARE(bank.SpiSent(cdiradictrl::h_SpiInputCtrl), QByteArray(6, '\0'));
    }

    void inputsPastTheBoardAreRefused()
    {
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V3), 1);
        bank.SetSpiInputs(0xFFFFFF);
        for (unsigned short input : {24, 31, 255, 65535})
            QCOMPARE(cdiradictrl::ReadInput(input), 0);
        QCOMPARE(bank.SpiSent(cdiradictrl::h_SpiInputCtrl), QByteArray());
    }

    void initReportsFailure()
    {
        // No board for a Pi controller kind.
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_KIVQ20), 0);
        QCOMPARE(cdiradictrl::m_eCtrlVersion, CTRL_KIVQ20);
        QVERIFY(!cdiradictrl::GetErrorMsg().isEmpty());
        QCOMPARE(bank.SpiHandleCount(), 0);

        bank.SetSpiOpenFails(true);
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V2), 0);
        QVERIFY(cdiradictrl::GetErrorMsg().startsWith("Error:"));
        QVERIFY(!cdiradictrl::IsOpen());
        char buf[3] = {1, 1, 1};
        QCOMPARE(cdiradictrl::ReadAllInputs(buf), cdiradictrl::ERR_NOT_OPEN);
        QCOMPARE(QByteArray(buf, 3), QByteArray(3, '\0'));
        QCOMPARE(cdiradictrl::WriteOutput(1, 1), cdiradictrl::ERR_NOT_OPEN);

        bank.SetSpiOpenFails(false);
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V2), 1);
        QVERIFY(cdiradictrl::GetErrorMsg().isEmpty());
    }

    void aBusErrorIsPassedOn()
    {
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V3), 1);
        // The bus goes away under the board.
        CPins::SpiClose(cdiradictrl::h_SpiOutputCtrl);
        CPins::SpiClose(cdiradictrl::h_SpiInputCtrl);
        QVERIFY(cdiradictrl::WriteOutput(1, 1) < 0);
        char buf[3];
        QVERIFY(cdiradictrl::ReadAllInputs(buf) < 0);
        bank.SetSpiInputs(0xFFFFFF);
        QCOMPARE(cdiradictrl::ReadInput(3), 0);
    }
};

QTEST_MAIN(TestSpiBoard)
#include "tst_gpio_spiboard.moc"
