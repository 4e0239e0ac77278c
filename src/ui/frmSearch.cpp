// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmSearch.h"

#include "app/panel.h"
#include "connect/connections.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tarvo
{

namespace
{
constexpr int kTickColumn = 0;
// The text columns after the tick, in the order of SearchGridCaptions.
constexpr int kColumnCount = 6;
constexpr int kDeviceColumn = 4;
constexpr int kStartDelayMilliseconds = 200;
// The grid's widths are proportions of this many pixels.
constexpr int kGridUnit = 4;
} // namespace

frmSearch::frmSearch(Panel& panel, QWidget* parent) : QDialog(parent), m_panel(panel)
{
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("Connection Search"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("Available Connections:"), this);
    m_scgSearch = new QTableWidget(0, kColumnCount, this);
    m_scgSearch->setObjectName(QStringLiteral("scgSearch"));
    m_scgSearch->setAccessibleName(QStringLiteral("Available Connections:"));
    m_scgSearch->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_scgSearch->setSelectionMode(QAbstractItemView::SingleSelection);
    m_scgSearch->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_scgSearch->verticalHeader()->hide();
    m_scgSearch->setTabKeyNavigation(false); // Tab leaves the list for the buttons
    m_scgSearch->installEventFilter(this);
    caption->setBuddy(m_scgSearch);
    layout->addWidget(caption);
    layout->addWidget(m_scgSearch, 1);

    // What the search is doing right now: it takes a second per port and
    // model, and the window must not look frozen meanwhile.
    auto* progressRow = new QHBoxLayout;
    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QStringLiteral("prgSearch"));
    m_busy->setRange(0, 0);
    m_busy->setMaximumWidth(80);
    m_busy->setTextVisible(false);
    m_busy->setAccessibleName(QStringLiteral("Searching"));
    m_lblProgress = new QLabel(this);
    m_lblProgress->setObjectName(QStringLiteral("lblSearchProgress"));
    progressRow->addWidget(m_busy);
    progressRow->addWidget(m_lblProgress, 1);
    layout->addLayout(progressRow);
    m_busy->hide();

    auto* buttons = new QHBoxLayout;
    m_cmdSearch = new QPushButton(QStringLiteral("Search"), this);
    m_cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancelSearch"));
    m_cmdCancel->setAccessibleName(QStringLiteral("Cancel search"));
    m_cmdCancel->setEnabled(false);
    m_cmdConnect = new QPushButton(QStringLiteral("Connect"), this);
    m_cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
    m_cmdConnect->setDefault(true);
    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(m_cmdSearch);
    buttons->addWidget(m_cmdCancel);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdConnect);
    buttons->addWidget(m_cmdClose);
    layout->addLayout(buttons);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar"));
    m_statusBar->setSizeGripEnabled(false);
    // The status text is a label in the bar rather than a bar message, so a
    // screen reader finds it (a bar message is only painted).
    m_lblStatus = new QLabel(m_statusBar);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setAccessibleName(QStringLiteral("Status"));
    m_statusBar->addWidget(m_lblStatus, 1);
    layout->addWidget(m_statusBar);
    layout->setContentsMargins(9, 9, 9, 0);
    resize(600, 320);

    connect(m_scgSearch, &QTableWidget::itemChanged, this, &frmSearch::OnItemChanged);
    connect(m_cmdSearch, &QPushButton::clicked, this, [this] {
        m_panel.ForgetLastSearch();
        Search();
    });
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmSearch::CancelSearch);
    connect(m_cmdConnect, &QPushButton::clicked, this, [this] {
        if (ConnectSelected())
            accept();
    });
    connect(m_cmdClose, &QPushButton::clicked, this, &frmSearch::reject);
    connect(&m_panel, &Panel::SearchProgress, this, [this](const QString& text) {
        if (!m_searching)
            return;
        m_lblProgress->setText(text);
        // What the search found so far shows while it goes on.
        FillGrid();
    });

    m_tmrStartup = new QTimer(this);
    m_tmrStartup->setObjectName(QStringLiteral("tmrStartup"));
    m_tmrStartup->setSingleShot(true);
    m_tmrStartup->setInterval(kStartDelayMilliseconds);
    connect(m_tmrStartup, &QTimer::timeout, this, &frmSearch::Start);
    m_tmrStartup->start();
}

void frmSearch::Start()
{
    m_tmrStartup->stop();
    InializeGrid();
    Search();
}

void frmSearch::InializeGrid()
{
    QStringList captions{QString()};
    for (const char* caption : SearchGridCaptions)
        captions << QLatin1String(caption);
    m_scgSearch->setHorizontalHeaderLabels(captions);
    QHeaderView* header = m_scgSearch->horizontalHeader();
    header->setMinimumSectionSize(8);
    for (int column = 0; column < kColumnCount; ++column)
        m_scgSearch->setColumnWidth(column, SearchGridColumnWidths[column] * kGridUnit);
    m_scgSearch->setColumnWidth(kTickColumn, qMax(SearchGridColumnWidths[0] * kGridUnit / 2, 28));
    header->setSectionResizeMode(kTickColumn, QHeaderView::Fixed);
    // A device path can be long; the window's extra width goes to it.
    header->setSectionResizeMode(kDeviceColumn, QHeaderView::Stretch);
    header->setStretchLastSection(false);
}

void frmSearch::Search()
{
    if (m_searching)
        return;
    m_searching = true;
    ShowStatus(SearchingStatusText());
    SetButtonsEnabled(false);
    m_scgSearch->setRowCount(0);
    m_lblProgress->clear();
    m_busy->show();
    Spawn(this, RunSearch());
}

void frmSearch::CancelSearch()
{
    if (m_searching)
        m_panel.CancelConnectionSearch();
}

Task<void> frmSearch::RunSearch()
{
    const bool completed = co_await m_panel.RunConnectionSearch();
    FillGrid();
    m_busy->hide();
    m_lblProgress->clear();
    if (completed)
        ShowStatus(SearchStatusText(m_panel.State().Connections.size()));
    else
        ShowStatus(SearchCancelledStatusText());
    m_searching = false;
    SetButtonsEnabled(true);
}

void frmSearch::FillGrid()
{
    // The list only grows during a search, so rows already shown keep their
    // items (and a tick the operator set) and only their texts follow.
    m_filling = true;
    const QList<SearchGridRow> rows = m_panel.SearchGridRows();
    const bool wasEmpty = m_scgSearch->rowCount() == 0;
    m_scgSearch->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const SearchGridRow& texts = rows.at(row);
        QTableWidgetItem* tick = m_scgSearch->item(row, kTickColumn);
        if (!tick) {
            tick = new QTableWidgetItem;
            tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            tick->setCheckState(Qt::Unchecked);
            m_scgSearch->setItem(row, kTickColumn, tick);
        }
        const QStringList cells{texts.connection, texts.type, texts.model, texts.device,
                                texts.inUse};
        // A row that now stands for another link (the list was started
        // afresh) loses its tick.
        const QTableWidgetItem* shown = m_scgSearch->item(row, 1);
        if (shown && shown->text() != texts.connection)
            tick->setCheckState(Qt::Unchecked);
        tick->setData(Qt::AccessibleTextRole, QStringLiteral("Connect to ") + texts.connection);
        for (int column = 1; column < kColumnCount; ++column) {
            QTableWidgetItem* item = m_scgSearch->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                m_scgSearch->setItem(row, column, item);
            }
            if (item->text() != cells.at(column - 1))
                item->setText(cells.at(column - 1));
        }
    }
    if (wasEmpty && !rows.isEmpty())
        m_scgSearch->setCurrentCell(0, kTickColumn);
    m_filling = false;
}

void frmSearch::ShowStatus(const QString& text)
{
    m_lblStatus->setText(text);
    m_lblStatus->setAccessibleDescription(text);
}

void frmSearch::SetButtonsEnabled(bool enabled)
{
    // A button that is disabled while it has the focus hands it on to some
    // neighbour; the keyboard goes where the operator goes next instead: onto
    // Cancel while the search runs, into the list when it has ended.
    QWidget* focused = focusWidget();
    if (!enabled)
        m_cmdCancel->setEnabled(true);
    m_cmdSearch->setEnabled(enabled);
    m_cmdConnect->setEnabled(enabled);
    m_cmdClose->setEnabled(enabled);
    if (enabled)
        m_cmdCancel->setEnabled(false);
    if (focused && !focused->isEnabled()) {
        QWidget* next = m_cmdCancel;
        if (enabled)
            next = m_scgSearch->rowCount() > 0 ? static_cast<QWidget*>(m_scgSearch) : m_cmdSearch;
        next->setFocus(Qt::OtherFocusReason);
    }
}

bool frmSearch::eventFilter(QObject* watched, QEvent* event)
{
    // Space ticks the current row from whichever of its cells has the focus,
    // not only from the tick cell.
    if (watched == m_scgSearch && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        const int row = m_scgSearch->currentRow();
        if (QTableWidgetItem* tick = m_scgSearch->item(row, kTickColumn)) {
            tick->setCheckState(tick->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSearch::OnItemChanged(QTableWidgetItem* item)
{
    if (m_filling || item->column() != kTickColumn || item->checkState() != Qt::Checked)
        return;
    m_filling = true;
    for (int row = 0; row < m_scgSearch->rowCount(); ++row) {
        QTableWidgetItem* other = m_scgSearch->item(row, kTickColumn);
        if (other && other != item)
            other->setCheckState(Qt::Unchecked);
    }
    m_filling = false;
}

void frmSearch::TickRow(int row)
{
    if (QTableWidgetItem* item = m_scgSearch->item(row, kTickColumn))
        item->setCheckState(Qt::Checked);
}

int frmSearch::TickedRow() const
{
    for (int row = 0; row < m_scgSearch->rowCount(); ++row) {
        const QTableWidgetItem* item = m_scgSearch->item(row, kTickColumn);
        if (item && item->checkState() == Qt::Checked)
            return row;
    }
    return -1;
}

bool frmSearch::ConnectSelected()
{
    // The ticked row, or else the highlighted one: a row chosen with the
    // arrow keys or a click is a choice too.
    int row = TickedRow();
    if (row < 0 && m_scgSearch->selectionModel()->isRowSelected(m_scgSearch->currentRow()))
        row = m_scgSearch->currentRow();
    return row >= 0 && m_panel.ConnectToListEntry(row);
}

void frmSearch::reject()
{
    // The search fills this window's list; it is not left half way.
    if (!m_searching)
        QDialog::reject();
}

void frmSearch::closeEvent(QCloseEvent* event)
{
    if (m_searching)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

} // namespace tarvo
