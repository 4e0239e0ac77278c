// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmDST.h"

#include "app/message_boxes.h"

#include "app/panel.h"
#include "ui/dst_rule_sentence.h"

#include <QDate>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarvo
{

namespace
{

constexpr int kRows = DstTableYears;
constexpr int kNumberColumnShare = 10;
constexpr int kDateColumnShare = 45;

struct PickerSpec {
    const char* name; // the part after "lbl" / "lst"
    const char* spoken;
};

// In sentence order; index % 4 is the DstField.
const PickerSpec kPickerSpecs[] = {
    {"SpringWOM", "Spring week of month"}, {"SpringDOW", "Spring day of week"},
    {"SpringMonth", "Spring month"},       {"SpringTime", "Spring time"},
    {"FallWOM", "Fall week of month"},     {"FallDOW", "Fall day of week"},
    {"FallMonth", "Fall month"},           {"FallTime", "Fall time"},
};

DstField FieldOf(int picker)
{
    return static_cast<DstField>(picker % 4);
}

} // namespace

frmDST::frmDST(Panel& panel, QWidget* parent) : QDialog(parent), m_panel(panel)
{
    setObjectName(QStringLiteral("frmDST"));
    setWindowTitle(QStringLiteral("DST Settings"));

    auto* layout = new QVBoxLayout(this);
    m_frameSetDates = new QGroupBox(QStringLiteral("Program DST Dates"), this);
    m_frameSetDates->setObjectName(QStringLiteral("frameSetDates"));
    layout->addWidget(m_frameSetDates);
    BuildRuleSentences();

    m_frameDates = new QGroupBox(this);
    m_frameDates->setObjectName(QStringLiteral("FrameDates"));
    layout->addWidget(m_frameDates, 1);
    BuildDateFrame();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cmdSend = new QPushButton(QStringLiteral("Send"), this);
    m_cmdSend->setObjectName(QStringLiteral("cmdSend"));
    m_cmdSend->setEnabled(false);
    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(m_cmdSend);
    buttons->addWidget(m_cmdClose);
    layout->addLayout(buttons);
    connect(m_cmdSend, &QPushButton::clicked, this, &frmDST::SendDSTDates);
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::close);

    // A click anywhere but on a rule word or its list closes the open list.
    for (QObject* area :
         {static_cast<QObject*>(this), static_cast<QObject*>(m_frameSetDates),
          static_cast<QObject*>(m_frameDates), static_cast<QObject*>(m_lblSpring),
          static_cast<QObject*>(m_lblFallback), static_cast<QObject*>(m_scgDates->viewport())})
        area->installEventFilter(this);

    InitializeGrid();
    LoadInitialDateInfo(panel.State().clockDst, QDate::currentDate().year());
}

void frmDST::BuildRuleSentences()
{
    auto* grid = new QGridLayout(m_frameSetDates);
    m_lblSpring = new QLabel(QStringLiteral("Spring forward the"), m_frameSetDates);
    m_lblSpring->setObjectName(QStringLiteral("lblSpring"));
    m_lblFallback = new QLabel(QStringLiteral("Fall back the"), m_frameSetDates);
    m_lblFallback->setObjectName(QStringLiteral("lblFallback"));

    for (int p = 0; p < kPickers; ++p) {
        const QString name = QLatin1String(kPickerSpecs[p].name);
        m_pickers[p] = new DstRulePicker(
            m_frameSetDates, this, QStringLiteral("lbl") + name, QStringLiteral("lst") + name,
            QLatin1String(kPickerSpecs[p].spoken), DstFieldItems(FieldOf(p)));
        connect(m_pickers[p], &DstRulePicker::Opened, this, [this, p] {
            ClearAllLists();
            m_pickers[p]->ShowList();
        });
        connect(m_pickers[p], &DstRulePicker::Chosen, this,
                [this, p](int index) { OnChosen(p, index); });
    }

    for (int side = 0; side < 2; ++side) {
        const QString prefix = side == 0 ? QStringLiteral("lblSpring") : QStringLiteral("lblFall");
        grid->addWidget(side == 0 ? m_lblSpring : m_lblFallback, side, 0);
        auto* of = new QLabel(QStringLiteral("of"), m_frameSetDates);
        of->setObjectName(prefix + QStringLiteral("Of"));
        auto* at = new QLabel(QStringLiteral("at"), m_frameSetDates);
        at->setObjectName(prefix + QStringLiteral("At"));
        QWidget* words[] = {m_pickers[side * 4]->Label(),
                            m_pickers[side * 4 + 1]->Label(),
                            of,
                            m_pickers[side * 4 + 2]->Label(),
                            at,
                            m_pickers[side * 4 + 3]->Label()};
        for (int column = 0; column < 6; ++column)
            grid->addWidget(words[column], side, column + 1);
    }
    grid->setColumnStretch(7, 1);
}

void frmDST::BuildDateFrame()
{
    auto* layout = new QVBoxLayout(m_frameDates);
    // The caption turns bold while dates wait to be sent; what is inside keeps
    // the normal face.
    QFont normal = font();
    normal.setBold(false);

    auto* captions = new QHBoxLayout;
    m_lblLeftDateColumn = new QLabel(m_frameDates);
    m_lblLeftDateColumn->setObjectName(QStringLiteral("lblLeftDateColumn"));
    m_lblRightDateColumn = new QLabel(m_frameDates);
    m_lblRightDateColumn->setObjectName(QStringLiteral("lblRightDateColumn"));
    captions->addStretch(kNumberColumnShare);
    for (QLabel* caption : {m_lblLeftDateColumn, m_lblRightDateColumn}) {
        caption->setFont(normal);
        caption->setAlignment(Qt::AlignCenter);
        captions->addWidget(caption, kDateColumnShare);
    }
    layout->addLayout(captions);

    m_scgDates = new QTableWidget(kRows, 3, m_frameDates);
    m_scgDates->setObjectName(QStringLiteral("scgDates"));
    m_scgDates->setAccessibleName(QStringLiteral("DST dates"));
    m_scgDates->setFont(normal);
    m_scgDates->horizontalHeader()->hide();
    m_scgDates->verticalHeader()->hide();
    m_scgDates->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scgDates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_scgDates->setSelectionMode(QAbstractItemView::NoSelection);
    m_scgDates->verticalHeader()->setDefaultSectionSize(m_scgDates->fontMetrics().height() + 6);
    m_scgDates->setMinimumHeight(16 * m_scgDates->verticalHeader()->defaultSectionSize());
    m_scgDates->setMinimumWidth(400);
    layout->addWidget(m_scgDates, 1);
}

void frmDST::InitializeGrid()
{
    const QPalette palette = m_scgDates->palette();
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment(Qt::AlignCenter);
            if (column == 0) {
                item->setBackground(palette.button());
                item->setForeground(palette.buttonText());
            }
            m_scgDates->setItem(row, column, item);
        }
    }
    ResizeGridColumns();
}

void frmDST::ResizeGridColumns()
{
    const int width = m_scgDates->viewport()->width();
    const int total = kNumberColumnShare + 2 * kDateColumnShare;
    const int number = width * kNumberColumnShare / total;
    const int date = width * kDateColumnShare / total;
    m_scgDates->setColumnWidth(0, number);
    m_scgDates->setColumnWidth(1, date);
    m_scgDates->setColumnWidth(2, width - number - date);
}

void frmDST::LoadInitialDateInfo(const DstTables& clock, int currentYear)
{
    m_editor = tarvo::LoadInitialDateInfo(clock, currentYear);
    UpdateEntry();
    PopulateDates(clock.spring, clock.fall);
    EnableUpdate(false);
}

void frmDST::UpdateEntry()
{
    for (int p = 0; p < kPickers; ++p) {
        const DstRule& rule = p < 4 ? m_editor.spring : m_editor.fall;
        m_pickers[p]->SetCaption(RuleCaption(rule, FieldOf(p)));
    }
}

void frmDST::UpdateDates()
{
    tarvo::UpdateDates(m_editor);
    PopulateDates(m_editor.sDates, m_editor.fDates);
    EnableUpdate(true);
}

void frmDST::PopulateDates(const DstDateTable& sDates, const DstDateTable& fDates)
{
    // All 144 cells change in one repaint.
    m_scgDates->setUpdatesEnabled(false);
    m_lblLeftDateColumn->setText(QStringLiteral("Spring Forward"));
    m_lblRightDateColumn->setText(QStringLiteral("Fall Back"));
    const QList<DstDisplayRow> rows = DstGridRows(sDates, fDates);
    for (int row = 0; row < rows.size() && row < kRows; ++row) {
        m_scgDates->item(row, 0)->setText(rows[row].number);
        m_scgDates->item(row, 1)->setText(rows[row].spring);
        m_scgDates->item(row, 2)->setText(rows[row].fall);
    }
    m_scgDates->setUpdatesEnabled(true);
}

void frmDST::ClearAllLists()
{
    for (DstRulePicker* picker : m_pickers)
        picker->HideList();
}

void frmDST::EnableUpdate(bool enable)
{
    m_frameDates->setTitle(enable ? QStringLiteral("Dates to be sent to clock:")
                                  : QStringLiteral("Current Dates in Clock:"));
    QFont caption = m_frameDates->font();
    caption.setBold(enable);
    m_frameDates->setFont(caption);

    // White date cells mark dates that are not in the clock yet.
    const QPalette palette = m_scgDates->palette();
    const QBrush background = enable ? QBrush(Qt::white) : palette.button();
    const QBrush text = enable ? QBrush(Qt::black) : palette.buttonText();
    m_scgDates->setUpdatesEnabled(false);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 1; column < 3; ++column) {
            m_scgDates->item(row, column)->setBackground(background);
            m_scgDates->item(row, column)->setForeground(text);
        }
    }
    m_scgDates->setUpdatesEnabled(true);
    m_cmdSend->setEnabled(enable);
}

void frmDST::SendDSTDates()
{
    if (!m_panel.SendDstDates(m_editor)) {
        // Nothing went out: the dates stay waiting to be sent.
        if (m_panel.Boxes())
            m_panel.Boxes()->Inform(windowTitle(), DstNotSentMessage);
        return;
    }
    EnableUpdate(false);
}

void frmDST::OnChosen(int picker, int index)
{
    ChooseRuleItem(picker < 4 ? m_editor.spring : m_editor.fall, FieldOf(picker), index);
    UpdateDates();
}

bool frmDST::eventFilter(QObject* watched, QEvent* event)
{
    const bool viewport = watched == m_scgDates->viewport();
    if (event->type() == QEvent::MouseButtonPress) {
        ClearAllLists();
    } else if (viewport && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        // A viewport resized while hidden reports only its first size, so the
        // widths are fitted again when it shows.
        ResizeGridColumns();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tarvo
