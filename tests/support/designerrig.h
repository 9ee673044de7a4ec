#pragma once
// The shape designer on the simulated machine for window tests, with helpers
// that work its buttons, its list and its view, and run checks while one of
// its modal panels is open.
#include "designers/dlgellipse.h"
#include "designers/dlgshapes.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "widgets/MyView.h"

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <memory>

// The designer on the simulated machine, configured, with a prompter that
// answers for the operator.
struct stRig
{
    stRig() { dlg.ConfigSettings(); }
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgShapes dlg{&mw};
};

// A fresh rig on the default settings (end mill 5 mm, plunge feed 10).
inline std::unique_ptr<stRig> NewRig()
{
    CSimControllerSetup::ResetSettings();
    AppConfig::m_fEndMillDia = 5.0;
    AppConfig::m_fPlungeFeed = 10.0;
    return std::make_unique<stRig>();
}

#define RIG                                 \
    CFakePrompter& prompter = m_pRig->prompter; \
    CFakeMainWindow& mw = m_pRig->mw;           \
    CDlgShapes& dlg = m_pRig->dlg;              \
    Q_UNUSED(prompter) Q_UNUSED(mw)

inline QPushButton* Btn(QWidget* w, const char* name)
{
    return RequireButton(*w, name);
}

inline QListWidget* List(CDlgShapes& dlg)
{
    return dlg.findChild<QListWidget*>(QStringLiteral("Lw_Shapes"));
}

// Runs fn once the modal panel opened by the next call is running. A panel
// still open afterwards (a failed check returned early) is closed, so that a
// failure never leaves the test waiting on it.
template <class F>
inline void WhenOpen(F fn)
{
    QTimer::singleShot(0, [fn] {
        fn();
        for (QWidget* w : QApplication::allWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && (d->isVisible() || (d->parentWidget() && !d->isHidden())))
                d->hide();
    });
}

inline stEllipse* AddEllipse(CDlgShapes& dlg, const QString& name)
{
    auto* e = new stEllipse;
    e->m_strName = name;
    dlg.m_stShapeCuttingInfo.AddEllipse(e);
    dlg.m_nShapesBeforeSubDlg = (unsigned short)(dlg.m_stShapeCuttingInfo.m_lstShapes.size() - 1);
    dlg.CreateEllipsePoints(dlg.m_nShapesBeforeSubDlg);
    dlg.ListNewShapes();
    return e;
}

inline void Press(CDlgShapes& dlg, double x, double y, Qt::MouseButton button)
{
    dlg.View()->m_ImgPos = dlg.Map().ToPixel(x, y);
    const QPointF at(100, 100); // inside the view
    QMouseEvent ev(QEvent::MouseButtonPress, at, dlg.mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &ev);
}

inline QStringList Texts(QListWidget* pList)
{
    QStringList out;
    for (int i = 0; i < pList->count(); ++i)
        out << pList->item(i)->text();
    return out;
}

// Appends a polygon with the given vertices and lists it.
inline stPolygon* AddPolygon(CDlgShapes& dlg, const QString& name, const std::vector<QPointF>& vertices)
{
    auto* p = new stPolygon;
    p->m_strName = name;
    for (const QPointF& q : vertices) {
        stFloatPoint v;
        v.x = q.x();
        v.y = q.y();
        p->m_lstVertices.push_back(v);
    }
    dlg.m_stShapeCuttingInfo.AddPolygon(p);
    dlg.m_nShapesBeforeSubDlg = (unsigned short)(dlg.m_stShapeCuttingInfo.m_lstShapes.size() - 1);
    dlg.ListNewShapes();
    return p;
}

// Double-clicks a row of the shape list (opens its editor).
inline void EditRow(CDlgShapes& dlg, int row)
{
    List(dlg)->setCurrentRow(row);
    emit List(dlg)->doubleClicked(List(dlg)->model()->index(row, 0));
}

// Makes a new ellipse in the editor: the keypad entries go to the buttons in
// order, then the pocket is turned on when asked, then OK.
inline void NewEllipse(CDlgShapes& dlg, CFakePrompter& prompter, const QList<QPair<const char*, QString>>& entries,
                       bool bPocket = false)
{
    for (const auto& entry : entries)
        prompter.m_lstKeypadEntries << entry.second;
    CDlgShapes* pDlg = &dlg;
    WhenOpen([pDlg, entries, bPocket] {
        CDlgEllipse* pEd = pDlg->EllipseEditor();
        for (const auto& entry : entries)
            Btn(pEd, entry.first)->click();
        if (bPocket)
            Btn(pEd, "Btn_EllipseHole")->click();
        Btn(pEd, "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
}
