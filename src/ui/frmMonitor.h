// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/clock_monitor.h"
#include "app/event_log.h"

#include <QList>
#include <QMainWindow>
#include <QMetaObject>

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPlainTextEdit;
class QPushButton;
class QScatterSeries;
class QValueAxis;

namespace tarvo
{

class Panel;

// "Clock Monitor": the clock's offset from this computer over the last hour,
// with the GPS lock of each report, the mean and jitter of the last minute,
// and the event log. The core collects both all the time; this window only
// shows them. While it is hidden it follows nothing (no timers, no chart
// work); when shown it takes up everything it missed.
class frmMonitor : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMonitor(Panel& panel, QWidget* parent = nullptr);

    // Points the chart draws (the offset line holds every one).
    int ChartPointCount() const;
    // Writes the event log to `path`; a failure is shown, in a message box and
    // in the window. The "Save Log…" dialog ends here.
    bool SaveLogTo(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildWindow();
    QWidget* BuildFigures();
    QChartView* BuildChart();
    void Follow(bool on);
    void Reload();
    void ReloadSeries();
    void AddPoint(const OffsetPoint& point);
    void AddEntry(const EventEntry& entry);
    void ShowFigures();
    void FitAxes();
    void OpenSaveDialog();

    Panel& m_panel;
    QChart* m_chart = nullptr;
    QChartView* m_chartView = nullptr;
    QLineSeries* m_line = nullptr;
    QScatterSeries* m_locked = nullptr;
    QScatterSeries* m_unlocked = nullptr;
    QDateTimeAxis* m_axisTime = nullptr;
    QValueAxis* m_axisOffset = nullptr;
    QComboBox* m_cboSpan = nullptr;
    QLabel* m_lblOffset = nullptr;
    QLabel* m_lblMean = nullptr;
    QLabel* m_lblJitter = nullptr;
    QLabel* m_lblGps = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QPushButton* m_cmdSaveLog = nullptr;
    QLabel* m_lblSaveStatus = nullptr;
    QList<QMetaObject::Connection> m_following;
    double m_scale = 1000.0; // chart units per second: milliseconds or seconds
};

} // namespace tarvo
