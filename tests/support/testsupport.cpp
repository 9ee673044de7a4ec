#include "testsupport.h"

#include "core/AppPaths.h"

#include <QFile>
#include <QtTest>

CTempWorkingFolder::CTempWorkingFolder()
{
    CAppPaths::SetRoot(m_Dir.path());
    CAppPaths::EnsureWorkingFolder();
}

CTempWorkingFolder::~CTempWorkingFolder()
{
    CAppPaths::SetRoot(QString());
}

QString CTempWorkingFolder::Working() const
{
    return CAppPaths::WorkingFolder();
}

QByteArray ReadAll(const QString& path, const QByteArray& missing)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : missing;
}

QString ReadText(const QString& path)
{
    return QString::fromUtf8(ReadAll(path));
}

void WriteRaw(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
