#include "designers/dlgeditpolygonvertex.h"
#include "ui_dlgeditpolygonvertex.h"

#include "core/Prompter.h"
#include "widgets/buttontext.h"

#include <cmath>

CDlgEditPolygonVertex::CDlgEditPolygonVertex(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CDlgEditPolygonVertex)
{
    ui->setupUi(this);
}

CDlgEditPolygonVertex::~CDlgEditPolygonVertex()
{
    delete ui;
}

void CDlgEditPolygonVertex::ConfigSettings()
{
    QFont font(QStringLiteral("MyFont"), 9, QFont::Black);
    for (QWidget* pWidget : {static_cast<QWidget*>(ui->Btn_PolygonVertexX), static_cast<QWidget*>(ui->Btn_PolygonVertexY),
                             static_cast<QWidget*>(ui->label), static_cast<QWidget*>(ui->label_2),
                             static_cast<QWidget*>(ui->Btn_Cancel), static_cast<QWidget*>(ui->Btn_Ok)})
        pWidget->setFont(font);
    CButtonText::Set(ui->Btn_PolygonVertexX, QString::number(m_Vertex.x, 'f', 4));
    CButtonText::Set(ui->Btn_PolygonVertexY, QString::number(m_Vertex.y, 'f', 4));
}

double CDlgEditPolygonVertex::AskCoordinate(QPushButton* pBtn, const QString& strTitle)
{
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    const double fShown = pBtn->text().toDouble();
    QString strValue = pBtn->text();
    double f = fShown;
    if (CPrompter::Instance().Keypad(nullptr, strTitle, strValue, false, true)) {
        bool bOk = false;
        const double fTyped = strValue.toDouble(&bOk);
        if (bOk && std::isfinite(fTyped))
            f = fTyped;
    }
    CButtonText::Set(pBtn, QString::number(f, 'f', 4));
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    return f;
}

void CDlgEditPolygonVertex::on_Btn_PolygonVertexX_clicked()
{
    m_Vertex.x = AskCoordinate(ui->Btn_PolygonVertexX, QStringLiteral("Polygon X"));
}

void CDlgEditPolygonVertex::on_Btn_PolygonVertexY_clicked()
{
    m_Vertex.y = AskCoordinate(ui->Btn_PolygonVertexY, QStringLiteral("Polygon Y"));
}

void CDlgEditPolygonVertex::on_Btn_Ok_clicked()
{
    m_bOk = true;
    close();
}

void CDlgEditPolygonVertex::on_Btn_Cancel_clicked()
{
    close();
}
