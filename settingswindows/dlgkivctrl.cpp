#include "settingswindows/dlgkivctrl.h"
#include "ui_dlgkivctrl.h"

#include "core/AppConfig.h"
#include "core/Prompter.h"

#include <QTableWidgetItem>

namespace {
QTableWidgetItem* Cell(const QString& strText, const QColor& background)
{
    auto* pItem = new QTableWidgetItem(strText);
    pItem->setTextAlignment(Qt::AlignCenter);
    pItem->setBackground(background);
    return pItem;
}

// The heading and the output names are labels: neither the keypad nor the
// table's own editor may type over them.
QTableWidgetItem* LabelCell(const QString& strText)
{
    QTableWidgetItem* pItem = Cell(strText, QColor(150, 150, 150));
    pItem->setFlags(pItem->flags() & ~Qt::ItemIsEditable);
    return pItem;
}
} // namespace

dlgKivCtrl::dlgKivCtrl(QWidget* parent)
    : QDialog(parent), ui(new Ui::dlgKivCtrl)
{
    ui->setupUi(this);
}

dlgKivCtrl::~dlgKivCtrl()
{
    delete ui;
}

int dlgKivCtrl::OutputCount(int iCtrlKind)
{
    switch (iCtrlKind) {
    case CTRL_SPI_V2: return 16;
    case CTRL_SPI_V3: return 24;
    default: return 0;
    }
}

void dlgKivCtrl::ConfigSettings()
{
    QTableWidget* pTable = ui->Table_OutputMCodes;
    pTable->clearContents();
    const int nOutputs = OutputCount(AppConfig::m_eDiradiCtrl);
    pTable->setRowCount(nOutputs + 1);

    const QColor white(255, 255, 255);
    pTable->setItem(0, 0, LabelCell(QStringLiteral("O/P")));
    pTable->setItem(0, 1, LabelCell(QStringLiteral("M-Code(ON)")));
    pTable->setItem(0, 2, LabelCell(QStringLiteral("M-Code(OFF)")));
    for (int i = 1; i <= nOutputs; ++i) {
        pTable->setItem(i, 0, LabelCell(QStringLiteral("O/P ") + QString::number(i)));
        pTable->setItem(i, 1, Cell(QString(), white));
        pTable->setItem(i, 2, Cell(QString(), white));
    }
}

void dlgKivCtrl::on_Table_OutputMCodes_cellDoubleClicked(int row, int column)
{
    // The output names and the heading row are not M-codes.
    if (column == 0 || row <= 0)
        return;
    QTableWidgetItem* pItem = ui->Table_OutputMCodes->item(row, column);
    if (!pItem) {
        pItem = Cell(QString(), QColor(255, 255, 255));
        ui->Table_OutputMCodes->setItem(row, column, pItem);
    }
    // An "M200" cell offers 200.
    QString strValue = pItem->text().mid(1);
    // Digits only; a cancelled keypad leaves the cell as it was.
    if (CPrompter::Instance().Keypad(this, QString(), strValue, false, false) && !strValue.isEmpty())
        pItem->setText(QStringLiteral("M") + strValue);
}
