// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/task.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QTableWidgetItem;
class QTimer;

namespace tarvo
{

class Panel;

// "Connection Search": lists every clock a search of the serial ports and the
// network found, one row per link with the clock in use first and marked, and
// connects to the ticked (or else the highlighted) one. A running search can be cancelled.
class frmSearch : public QDialog
{
    Q_OBJECT
public:
    explicit frmSearch(Panel& panel, QWidget* parent = nullptr);

    // Sets up the grid, then searches (or shows the last search's list).
    void Start();
    void Search();
    // Ends the running search; the rows found so far stay.
    void CancelSearch();
    void InializeGrid();
    // Connects to the ticked row, or else to the highlighted one; false when
    // there is neither.
    bool ConnectSelected();

    bool IsSearching() const { return m_searching; }
    // Ticks one row (and so unticks every other).
    void TickRow(int row);
    int TickedRow() const;

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Task<void> RunSearch();
    void FillGrid();
    void OnItemChanged(QTableWidgetItem* item);
    void SetButtonsEnabled(bool enabled);
    void ShowStatus(const QString& text);

    Panel& m_panel;
    QTableWidget* m_scgSearch = nullptr;
    QPushButton* m_cmdSearch = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QPushButton* m_cmdConnect = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_lblStatus = nullptr;
    QLabel* m_lblProgress = nullptr;
    QProgressBar* m_busy = nullptr;
    QTimer* m_tmrStartup = nullptr;
    bool m_searching = false;
    bool m_filling = false;
};

} // namespace tarvo
