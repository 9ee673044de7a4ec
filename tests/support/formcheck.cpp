#include "formcheck.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace {
bool TextOf(const QWidget* pWidget, bool bRoot, QString& strText)
{
    if (bRoot) {
        strText = pWidget->windowTitle();
        return true;
    }
    if (auto* p = qobject_cast<const QAbstractButton*>(pWidget))
        strText = p->text();
    else if (auto* p = qobject_cast<const QLabel*>(pWidget))
        strText = p->text();
    else if (auto* p = qobject_cast<const QLineEdit*>(pWidget))
        strText = p->text();
    else if (auto* p = qobject_cast<const QGroupBox*>(pWidget))
        strText = p->title();
    else
        return false;
    return true;
}
} // namespace

QString FormMismatch(QWidget* pRoot, const stFormRow& row)
{
    const QString strName = QString::fromUtf8(row.m_pName);
    const bool bRoot = pRoot->objectName() == strName;
    QWidget* pWidget = bRoot ? pRoot : pRoot->findChild<QWidget*>(strName);
    if (!pWidget)
        return strName + QStringLiteral(": missing");
    QString strDiff;
    if (!pWidget->inherits(row.m_pClass))
        strDiff += QStringLiteral(" class %1 not %2").arg(QString::fromUtf8(pWidget->metaObject()->className()),
                                                         QString::fromUtf8(row.m_pClass));
    const QRect geo = pWidget->geometry();
    if (!bRoot && (geo.x() != row.m_iX || geo.y() != row.m_iY))
        strDiff += QStringLiteral(" at %1,%2 not %3,%4").arg(geo.x()).arg(geo.y()).arg(row.m_iX).arg(row.m_iY);
    if ((row.m_iWidth >= 0 && geo.width() != row.m_iWidth) || (row.m_iHeight >= 0 && geo.height() != row.m_iHeight))
        strDiff += QStringLiteral(" size %1x%2 not %3x%4")
                       .arg(geo.width())
                       .arg(geo.height())
                       .arg(row.m_iWidth)
                       .arg(row.m_iHeight);
    if (row.m_pText) {
        QString strText;
        if (!TextOf(pWidget, bRoot, strText))
            strDiff += QStringLiteral(" has no text");
        else if (strText != QString::fromUtf8(row.m_pText))
            strDiff += QStringLiteral(" text \"%1\" not \"%2\"").arg(strText, QString::fromUtf8(row.m_pText));
    }
    return strDiff.isEmpty() ? QString() : strName + QStringLiteral(":") + strDiff;
}

QPushButton* FindButton(QWidget& root, const char* pName)
{
    return root.findChild<QPushButton*>(QLatin1String(pName));
}

QPushButton* RequireButton(QWidget& root, const char* pName)
{
    QPushButton* pBtn = FindButton(root, pName);
    if (!pBtn)
        qFatal("no button %s", pName);
    return pBtn;
}

void ClickButton(QWidget& root, const char* pName)
{
    QPushButton* pBtn = FindButton(root, pName);
    if (pBtn)
        QTest::mouseClick(pBtn, Qt::LeftButton);
    else
        QTest::qFail(qPrintable(QStringLiteral("no button ") + QLatin1String(pName)), __FILE__, __LINE__);
}

QString CoveredButton(QWidget* pRoot)
{
    const QList<QWidget*> all = pRoot->findChildren<QWidget*>();
    for (QWidget* pWidget : all) {
        if (!qobject_cast<QAbstractButton*>(pWidget) || !pWidget->parentWidget())
            continue;
        // Siblings later in the child list are painted over the earlier ones.
        const QObjectList& siblings = pWidget->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(pWidget) + 1; i < siblings.size(); ++i) {
            auto* pAbove = qobject_cast<QWidget*>(siblings[i]);
            if (pAbove && !pAbove->isWindow() && !pAbove->isHidden() && pAbove->geometry().intersects(pWidget->geometry()))
                return pWidget->objectName() + QStringLiteral(" is partly under ") + pAbove->objectName();
        }
    }
    return QString();
}
