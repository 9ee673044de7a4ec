#include "designers/newshapesfit.h"

#include "core/Prompter.h"
#include "shapes/outlineshapes.h"
#include "widgets/mainservices.h"

namespace {
void Log(QWidget* pPanel, const QString& strMsg, eAppMsgType eType)
{
    if (CMainServices* pMain = CMainServices::Of(pPanel))
        pMain->AddLogMsg(strMsg, eType);
}

// The shapes against the work area; inside when there are none.
stAreaFit Check(const stShapeCuttingInfo& info, size_t nFirst)
{
    stShapeBox box;
    if (!CWorkAreaFit::BoxFrom(info, nFirst, box))
        return stAreaFit();
    return CWorkAreaFit::Check(box, info.m_WorkArea.x, info.m_WorkArea.y);
}
} // namespace

void CNewShapesFit::Note(QWidget* pPanel, const stShapeCuttingInfo& info, size_t nFirst)
{
    const stAreaFit fit = Check(info, nFirst);
    if (fit.Inside()) {
        m_strNoted.clear();
        return;
    }
    // The same text as the question's, so the two always agree.
    const QString strExcess = CWorkAreaFit::Excess(fit);
    if (strExcess != m_strNoted)
        Log(pPanel, strExcess, MSG_WARNING);
    m_strNoted = strExcess;
}

bool CNewShapesFit::Keep(QWidget* pPanel, stShapeCuttingInfo& info, size_t nFirst, stAreaFit* pApplied)
{
    if (pApplied)
        *pApplied = stAreaFit();
    const stAreaFit fit = Check(info, nFirst);
    if (fit.Inside())
        return true;
    if (fit.m_bCanFit &&
        CPrompter::Instance().Question(pPanel, QMessageBox::Question, QStringLiteral("Shapes outside the work area"),
                                       CWorkAreaFit::Excess(fit) + QStringLiteral(".\n") + CWorkAreaFit::Offer(fit),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes) {
        COutlineShapes::FitFrom(info, nFirst, fit);
        m_strNoted.clear();
        if (pApplied)
            *pApplied = fit;
        return true;
    }
    Log(pPanel, CWorkAreaFit::Excess(fit) + QStringLiteral(". Not kept: make them smaller or move them, or Cancel"),
        MSG_ERROR);
    return false;
}
