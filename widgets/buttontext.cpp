#include "widgets/buttontext.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVariant>

namespace {
// The button's own size, kept on the button the first time its text is set
// (its font is smaller afterwards while a long text shows).
const char* const FULL_SIZE_PROPERTY = "diradiFullPointSize";
// Room left free beside the text inside the frame, so that the widest line
// never touches the border.
constexpr int TEXT_MARGIN = 4;
// How much smaller each try is.
constexpr double SIZE_STEP = 0.5;

double FullPointSize(QPushButton* pBtn)
{
    const QVariant kept = pBtn->property(FULL_SIZE_PROPERTY);
    if (kept.isValid())
        return kept.toDouble();
    double fSize = pBtn->font().pointSizeF();
    if (fSize <= 0.0) // a form that gave the size in pixels
        fSize = QFontInfo(pBtn->font()).pointSizeF();
    pBtn->setProperty(FULL_SIZE_PROPERTY, fSize);
    return fSize;
}
} // namespace

bool CButtonText::Fits(const QPushButton* pBtn, const QString& strText, const QFont& font)
{
    QStyleOptionButton opt;
    opt.initFrom(pBtn);
    opt.text = strText;
    opt.icon = pBtn->icon();
    opt.iconSize = pBtn->iconSize();
    // The contents rectangle inside the frame (a style sheet's border and
    // padding included), less the icon drawn beside the text.
    int iRoom = pBtn->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, pBtn).width() - TEXT_MARGIN;
    if (!pBtn->icon().isNull())
        iRoom -= pBtn->iconSize().width() + TEXT_MARGIN;
    const QFontMetrics metrics(font);
    for (const QString& strLine : strText.split(QLatin1Char('\n')))
        if (metrics.horizontalAdvance(strLine) > iRoom)
            return false;
    return true;
}

void CButtonText::Set(QPushButton* pBtn, const QString& strText)
{
    QFont font = pBtn->font();
    double fSize = FullPointSize(pBtn);
    font.setPointSizeF(fSize);
    while (fSize > MIN_POINT_SIZE && !Fits(pBtn, strText, font)) {
        fSize = qMax(MIN_POINT_SIZE, fSize - SIZE_STEP);
        font.setPointSizeF(fSize);
    }
    if (font != pBtn->font())
        pBtn->setFont(font);
    pBtn->setText(strText);
}
