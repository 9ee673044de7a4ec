// The OpenCV input/output module as the program uses it: frames go in and
// pictures come out as the program's own pictures (RGB, grey), OpenCV's
// channel order staying inside the module.
#include "camera/cviomodule.h"

#include <QTemporaryDir>
#include <QtTest>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

class TestCvIoModule : public QObject
{
    Q_OBJECT

private slots:
    void greyPictureRowByRow_data();
    void greyPictureRowByRow();
    void unreadablePicture();
    void recordingKeepsColours();
};

void TestCvIoModule::greyPictureRowByRow_data()
{
    QTest::addColumn<int>("width");
    // Widths that are and are not a multiple of the picture's 4-byte rows.
    for (int w : {1, 3, 8, 301})
        QTest::addRow("%d wide", w) << w;
}

void TestCvIoModule::greyPictureRowByRow()
{
    QFETCH(int, width);
    QTemporaryDir dir;
    const int height = 7;
    cv::Mat img(height, width, CV_8UC1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.at<uchar>(y, x) = uchar((x * 7 + y * 31) % 256);
    const QString strPath = dir.filePath(QStringLiteral("grey.png"));
    QVERIFY(cv::imwrite(strPath.toStdString(), img));

    QString strErr;
    const QImage grey = CCvIoModule::ReadGreyPicture(strPath, strErr);
    QVERIFY2(strErr.isEmpty(), qPrintable(strErr));
    QCOMPARE(grey.format(), QImage::Format_Grayscale8);
    QCOMPARE(grey.size(), QSize(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            QCOMPARE(int(grey.constScanLine(y)[x]), int(img.at<uchar>(y, x)));
}

void TestCvIoModule::unreadablePicture()
{
    QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("bad.png")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    QString strErr;
    QVERIFY(CCvIoModule::ReadGreyPicture(bad.fileName(), strErr).isNull());
    QVERIFY(CCvIoModule::ReadGreyPicture(dir.filePath(QStringLiteral("missing.png")), strErr).isNull());
    QVERIFY(strErr.isEmpty()); // the module itself was there
}

// The camera's frames are RGB; a recording must still show red as red.
void TestCvIoModule::recordingKeepsColours()
{
    QTemporaryDir dir;
    const QString strFile = dir.filePath(QStringLiteral("rec.avi"));
    QString strErr;
    std::unique_ptr<IVideoWriter> pWriter = CCvIoModule::NewVideoWriter(strErr);
    QVERIFY2(pWriter, qPrintable(strErr));
    const QSize size(64, 48);
    QVERIFY(pWriter->Open(strFile, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 10.0, size, true));
    QImage red(size, QImage::Format_RGB888);
    red.fill(QColor(220, 20, 30));
    for (int i = 0; i < 3; ++i)
        pWriter->Write(red);
    pWriter->Release();

    cv::VideoCapture cap(strFile.toStdString());
    QVERIFY(cap.isOpened());
    cv::Mat frame;
    QVERIFY(cap.read(frame));
    QCOMPARE(frame.type(), CV_8UC3);
    const cv::Vec3b bgr = frame.at<cv::Vec3b>(24, 32);
    // Compressed: near, not equal.
    QVERIFY2(bgr[2] > 180 && bgr[1] < 60 && bgr[0] < 70,
             qPrintable(QStringLiteral("B %1 G %2 R %3").arg(bgr[0]).arg(bgr[1]).arg(bgr[2])));
}

QTEST_MAIN(TestCvIoModule)
#include "tst_cviomodule.moc"
