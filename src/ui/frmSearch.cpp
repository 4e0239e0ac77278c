#include "ui/frmSearch.h"

#include "app/network_config.h"
#include "app/panel.h"
#include "connect/connections.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
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
    m_scgSearch = new QTableWidget(0, 3, this);
    m_scgSearch->setObjectName(QStringLiteral("scgSearch"));
    m_scgSearch->setAccessibleName(QStringLiteral("Available Connections:"));
    m_scgSearch->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_scgSearch->setSelectionMode(QAbstractItemView::SingleSelection);
    m_scgSearch->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_scgSearch->verticalHeader()->hide();
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
    m_cmdConnect = new QPushButton(QStringLiteral("Connect"), this);
    m_cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
    m_cmdConnect->setDefault(true);
    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(m_cmdSearch);
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
    resize(420, 320);

    connect(m_scgSearch, &QTableWidget::itemChanged, this, &frmSearch::OnItemChanged);
    connect(m_cmdSearch, &QPushButton::clicked, this, [this] {
        m_panel.State().SearchDone = false;
        Search();
    });
    connect(m_cmdConnect, &QPushButton::clicked, this, [this] {
        if (ConnectSelected())
            accept();
    });
    connect(m_cmdClose, &QPushButton::clicked, this, &frmSearch::reject);
    connect(&m_panel, &Panel::SearchProgress, this, [this](const QString& text) {
        if (m_searching)
            m_lblProgress->setText(text);
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
    m_scgSearch->setHorizontalHeaderLabels(
        {QString(), QLatin1String(SearchGridCaptions[0]), QLatin1String(SearchGridCaptions[1])});
    QHeaderView* header = m_scgSearch->horizontalHeader();
    header->setMinimumSectionSize(8);
    for (int column = 0; column < 3; ++column)
        m_scgSearch->setColumnWidth(column, SearchGridColumnWidths[column] * kGridUnit);
    m_scgSearch->setColumnWidth(kTickColumn, qMax(SearchGridColumnWidths[0] * kGridUnit / 2, 28));
    header->setSectionResizeMode(kTickColumn, QHeaderView::Fixed);
    header->setStretchLastSection(true);
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

Task<void> frmSearch::RunSearch()
{
    co_await RunConnectionSearch(m_panel);

    m_filling = true;
    const QList<ClockConnection>& list = m_panel.State().Connections;
    m_scgSearch->setRowCount(static_cast<int>(list.size()));
    for (int row = 0; row < list.size(); ++row) {
        auto* tick = new QTableWidgetItem;
        tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        tick->setCheckState(Qt::Unchecked);
        const SearchGridRow texts = SearchGridRowFor(list.at(row));
        tick->setData(Qt::AccessibleTextRole, QStringLiteral("Connect to ") + texts.connection);
        m_scgSearch->setItem(row, kTickColumn, tick);
        m_scgSearch->setItem(row, 1, new QTableWidgetItem(texts.connection));
        m_scgSearch->setItem(row, 2, new QTableWidgetItem(texts.type));
    }
    m_filling = false;

    m_busy->hide();
    m_lblProgress->clear();
    ShowStatus(SearchStatusText(list.size()));
    SetButtonsEnabled(true);
    m_searching = false;
}

void frmSearch::ShowStatus(const QString& text)
{
    m_lblStatus->setText(text);
    m_lblStatus->setAccessibleDescription(text);
}

void frmSearch::SetButtonsEnabled(bool enabled)
{
    m_cmdSearch->setEnabled(enabled);
    m_cmdConnect->setEnabled(enabled);
    m_cmdClose->setEnabled(enabled);
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
    const int row = TickedRow();
    return row >= 0 && ConnectToListEntry(m_panel, row);
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
