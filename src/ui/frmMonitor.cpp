// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmMonitor.h"

#include "app/message_boxes.h"
#include "app/panel.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace tarvo
{

namespace
{
struct Span {
    const char* caption;
    qint64 ms;
    int ticks; // the grid falls on whole minutes: span / (ticks - 1)
    const char* format;
};
constexpr Span kSpans[] = {{"Last 5 minutes", 5 * 60 * 1000, 6, "HH:mm"},
                           {"Last 15 minutes", 15 * 60 * 1000, 6, "HH:mm"},
                           {"Last hour", 60 * 60 * 1000, 7, "HH:mm"}};
constexpr int kDefaultSpan = 2;

// The chart's offsets are in milliseconds while the points in view lie
// within a second of this computer, and in seconds beyond: an axis of
// "-30000000.0" milliseconds says nothing to anyone.
constexpr double kSecondsScale = 1.0;
constexpr double kMillisecondsScale = 1000.0;

QPointF ChartPoint(const OffsetPoint& point, double scale)
{
    return {static_cast<qreal>(point.arrivalMs), point.offsetSeconds * scale};
}

// Drops the points of `series` that lie before `oldestMs`.
void TrimBefore(QXYSeries* series, qint64 oldestMs)
{
    int drop = 0;
    while (drop < series->count() && series->at(drop).x() < oldestMs)
        ++drop;
    if (drop > 0)
        series->removePoints(0, drop);
}

QLabel* AddFigure(QGridLayout* grid, int row, int column, const QString& caption,
                  const QString& name, QWidget* parent)
{
    auto* captionLabel = new QLabel(caption, parent);
    auto* value = new QLabel(parent);
    value->setObjectName(name);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setMinimumWidth(
        value->fontMetrics().horizontalAdvance(QStringLiteral("-0000.00 ms (00 reports)")));
    // The value is read by its text and described by its caption's words, so
    // a screen reader that lands on it alone says what figure it is.
    captionLabel->setBuddy(value);
    QString spoken = caption;
    spoken.chop(spoken.endsWith(u':') ? 1 : 0);
    value->setAccessibleDescription(spoken);
    grid->addWidget(captionLabel, row, column);
    grid->addWidget(value, row, column + 1);
    return value;
}
} // namespace

// A main window of its own, so that the desktop and a screen reader treat it
// as a window (a plain top-level widget is announced as a mere pane).
frmMonitor::frmMonitor(Panel& panel, QWidget* parent) : QMainWindow(parent), m_panel(panel)
{
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("Clock Monitor"));
    BuildWindow();
    // Fits a 1024x768 screen with a panel, and no more than the screen it
    // opens on.
    QSize size(820, 600);
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size());
    resize(size);
}

void frmMonitor::BuildWindow()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(BuildFigures());
    layout->addWidget(BuildChart(), 3);

    auto* logCaption = new QLabel(QStringLiteral("Event log:"), this);
    layout->addWidget(logCaption);
    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(QStringLiteral("lstEventLog"));
    m_log->setAccessibleName(QStringLiteral("Event log"));
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setMaximumBlockCount(EventLog::MaxEntries);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logCaption->setBuddy(m_log);
    layout->addWidget(m_log, 1);

    auto* saveRow = new QHBoxLayout;
    m_cmdSaveLog = new QPushButton(QStringLiteral("Save Log…"), this);
    m_cmdSaveLog->setObjectName(QStringLiteral("cmdSaveLog"));
    m_cmdSaveLog->setAccessibleName(QStringLiteral("Save Log"));
    connect(m_cmdSaveLog, &QPushButton::clicked, this, &frmMonitor::OpenSaveDialog);
    m_lblSaveStatus = new QLabel(this);
    m_lblSaveStatus->setObjectName(QStringLiteral("lblSaveStatus"));
    m_lblSaveStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblSaveStatus->setWordWrap(true);
    saveRow->addWidget(m_cmdSaveLog);
    saveRow->addWidget(m_lblSaveStatus, 1);
    layout->addLayout(saveRow);
}

QWidget* frmMonitor::BuildFigures()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_lblOffset =
        AddFigure(grid, 0, 0, QStringLiteral("Offset:"), QStringLiteral("lblOffset"), box);
    m_lblMean =
        AddFigure(grid, 1, 0, QStringLiteral("Mean (last 60):"), QStringLiteral("lblMean"), box);
    m_lblGps = AddFigure(grid, 0, 2, QStringLiteral("GPS:"), QStringLiteral("lblGps"), box);
    m_lblJitter = AddFigure(grid, 1, 2, QStringLiteral("Jitter (last 60):"),
                            QStringLiteral("lblJitter"), box);

    auto* spanCaption = new QLabel(QStringLiteral("Show:"), box);
    m_cboSpan = new QComboBox(box);
    m_cboSpan->setObjectName(QStringLiteral("cboSpan"));
    m_cboSpan->setAccessibleName(QStringLiteral("Time shown"));
    for (const Span& span : kSpans)
        m_cboSpan->addItem(QLatin1String(span.caption));
    m_cboSpan->setCurrentIndex(kDefaultSpan);
    spanCaption->setBuddy(m_cboSpan);
    connect(m_cboSpan, &QComboBox::currentIndexChanged, this, [this] { FitAxes(); });
    grid->addWidget(spanCaption, 0, 4, Qt::AlignRight);
    grid->addWidget(m_cboSpan, 0, 5);
    grid->setColumnStretch(3, 1);
    return box;
}

QChartView* frmMonitor::BuildChart()
{
    m_chart = new QChart;
    m_chart->setTitle(QStringLiteral("Offset of the clock from this computer"));
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 4, 4));

    m_line = new QLineSeries(m_chart);
    m_line->setName(QStringLiteral("Offset"));
    m_line->setPen(QPen(QColor(0x55, 0x66, 0x77), 1.0));
    m_locked = new QScatterSeries(m_chart);
    m_locked->setName(QStringLiteral("GPS locked"));
    m_unlocked = new QScatterSeries(m_chart);
    m_unlocked->setName(QStringLiteral("GPS unlocked"));
    const struct {
        QScatterSeries* series;
        QColor colour;
    } marks[] = {{m_locked, QColor(0x1b, 0x9e, 0x3e)}, {m_unlocked, QColor(0xd9, 0x5f, 0x02)}};
    for (const auto& mark : marks) {
        mark.series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        mark.series->setMarkerSize(6.0);
        mark.series->setColor(mark.colour);
        mark.series->setBorderColor(mark.colour);
    }

    m_axisTime = new QDateTimeAxis(m_chart);
    m_axisTime->setTitleText(QStringLiteral("Time of arrival"));
    m_axisOffset = new QValueAxis(m_chart);
    m_axisOffset->setTitleText(QStringLiteral("Offset (ms)"));
    m_axisOffset->setLabelFormat(QStringLiteral("%.1f"));
    m_chart->addAxis(m_axisTime, Qt::AlignBottom);
    m_chart->addAxis(m_axisOffset, Qt::AlignLeft);
    for (QXYSeries* series : {static_cast<QXYSeries*>(m_line), static_cast<QXYSeries*>(m_locked),
                              static_cast<QXYSeries*>(m_unlocked)}) {
        m_chart->addSeries(series);
        series->attachAxis(m_axisTime);
        series->attachAxis(m_axisOffset);
    }

    m_chartView = new QChartView(m_chart, this);
    m_chartView->setObjectName(QStringLiteral("chtOffset"));
    m_chartView->setAccessibleName(QStringLiteral("Offset chart"));
    m_chartView->setAccessibleDescription(
        QStringLiteral("The clock's offset from this computer over time, in milliseconds, or in "
                       "seconds when it is a second or more; green marks reports while locked to "
                       "GPS, orange while not."));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(240);
    return m_chartView;
}

int frmMonitor::ChartPointCount() const
{
    return m_line->count();
}

void frmMonitor::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_following.isEmpty()) {
        Reload();
        Follow(true);
    }
}

void frmMonitor::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A minimized window is still "visible": it keeps following.
    if (!isVisible())
        Follow(false);
}

void frmMonitor::Follow(bool on)
{
    for (const QMetaObject::Connection& c : std::as_const(m_following))
        disconnect(c);
    m_following.clear();
    if (!on)
        return;
    m_following << connect(&m_panel.Monitor(), &ClockMonitor::PointAdded, this,
                           &frmMonitor::AddPoint);
    m_following << connect(&m_panel.Events(), &EventLog::Recorded, this, &frmMonitor::AddEntry);
}

void frmMonitor::ReloadSeries()
{
    QList<QPointF> line, locked, unlocked;
    for (const OffsetPoint& point : m_panel.Monitor().Points()) {
        line << ChartPoint(point, m_scale);
        (point.gpsLocked ? locked : unlocked) << ChartPoint(point, m_scale);
    }
    m_line->replace(line);
    m_locked->replace(locked);
    m_unlocked->replace(unlocked);
}

void frmMonitor::Reload()
{
    ReloadSeries();

    QString text;
    for (const EventEntry& entry : m_panel.Events().Entries())
        text += EventLog::LineFor(entry) + u'\n';
    text.chop(1);
    m_log->setPlainText(text);
    m_log->moveCursor(QTextCursor::End);
    ShowFigures();
    FitAxes();
}

void frmMonitor::AddPoint(const OffsetPoint& point)
{
    m_line->append(ChartPoint(point, m_scale));
    (point.gpsLocked ? m_locked : m_unlocked)->append(ChartPoint(point, m_scale));
    // The chart holds what the core holds: its oldest point bounds them all.
    const auto& points = m_panel.Monitor().Points();
    if (!points.empty()) {
        const qint64 oldest = points.front().arrivalMs;
        for (QXYSeries* series :
             {static_cast<QXYSeries*>(m_line), static_cast<QXYSeries*>(m_locked),
              static_cast<QXYSeries*>(m_unlocked)})
            TrimBefore(series, oldest);
        if (m_line->count() > static_cast<int>(points.size()))
            m_line->removePoints(0, m_line->count() - static_cast<int>(points.size()));
    }
    ShowFigures();
    FitAxes();
}

void frmMonitor::AddEntry(const EventEntry& entry)
{
    m_log->appendPlainText(EventLog::LineFor(entry));
}

void frmMonitor::ShowFigures()
{
    const auto& points = m_panel.Monitor().Points();
    const auto recent = m_panel.Monitor().Recent();
    if (points.empty() || !recent) {
        const QString none = QStringLiteral("no time report yet");
        m_lblOffset->setText(none);
        m_lblMean->setText(none);
        m_lblJitter->setText(none);
        m_lblGps->setText(none);
        return;
    }
    const OffsetPoint& last = points.back();
    m_lblOffset->setText(OffsetText(last.offsetSeconds, 1));
    QString over;
    if (recent->sinceStep)
        over = QStringLiteral(" (%1 since a step)").arg(recent->count);
    else if (recent->count < ClockMonitor::RecentCount)
        over = QStringLiteral(" (%1 reports)").arg(recent->count);
    m_lblMean->setText(OffsetText(recent->mean, 1) + over);
    m_lblJitter->setText(OffsetText(recent->jitter, 2) + over);
    m_lblGps->setText(last.gpsLocked ? QStringLiteral("Locked") : QStringLiteral("Not locked"));
}

void frmMonitor::FitAxes()
{
    const Span& span = kSpans[std::clamp(m_cboSpan->currentIndex(), 0, int(std::size(kSpans)) - 1)];
    const auto& points = m_panel.Monitor().Points();
    const qint64 newest =
        points.empty() ? QDateTime::currentMSecsSinceEpoch() : points.back().arrivalMs;
    // The axis ends on the next grid line of local time, so the grid's times
    // are whole minutes rather than the newest arrival's odd seconds.
    const qint64 step = span.ms / (span.ticks - 1);
    const qint64 zone = QDateTime::fromMSecsSinceEpoch(newest).offsetFromUtc() * 1000LL;
    const qint64 end = ((newest + zone) / step + 1) * step - zone;
    const qint64 start = end - span.ms;
    m_axisTime->setTickCount(span.ticks);
    m_axisTime->setFormat(QLatin1String(span.format));
    m_axisTime->setRange(QDateTime::fromMSecsSinceEpoch(start),
                         QDateTime::fromMSecsSinceEpoch(end));

    // The offset axis covers the points in view, with a little room, in
    // milliseconds or, when any lies a second or more away, in seconds.
    double low = 0.0, high = 0.0;
    bool any = false;
    for (auto it = points.rbegin(); it != points.rend() && it->arrivalMs >= start; ++it) {
        low = any ? std::min(low, it->offsetSeconds) : it->offsetSeconds;
        high = any ? std::max(high, it->offsetSeconds) : it->offsetSeconds;
        any = true;
    }
    const double scale =
        std::max(std::abs(low), std::abs(high)) >= 1.0 ? kSecondsScale : kMillisecondsScale;
    if (scale != m_scale) {
        m_scale = scale;
        ReloadSeries();
    }
    const bool seconds = m_scale == kSecondsScale;
    m_axisOffset->setTitleText(seconds ? QStringLiteral("Offset (s)")
                                       : QStringLiteral("Offset (ms)"));
    // As many decimals as the span of the axis needs, and no more.
    const double shown = (high - low) * m_scale;
    m_axisOffset->setLabelFormat(shown >= 100.0 ? QStringLiteral("%.0f")
                                 : shown >= 1.0 ? QStringLiteral("%.1f")
                                                : QStringLiteral("%.3f"));
    if (!any) {
        low = -0.001;
        high = 0.001;
    }
    low *= m_scale;
    high *= m_scale;
    const double room = std::max((high - low) * 0.1, 0.5 * m_scale / kMillisecondsScale);
    m_axisOffset->setRange(low - room, high + room);
    m_axisOffset->applyNiceNumbers();
}

void frmMonitor::OpenSaveDialog()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name =
        QStringLiteral("clock-events-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    auto* dialog =
        new QFileDialog(this, QStringLiteral("Save Log"),
                        QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(name),
                        QStringLiteral("Text files (*.txt);;All files (*)"));
    dialog->setObjectName(QStringLiteral("dlgSaveLog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { SaveLogTo(path); });
    dialog->open();
}

bool frmMonitor::SaveLogTo(const QString& path)
{
    QString error;
    const int count = static_cast<int>(m_panel.Events().Entries().size());
    if (m_panel.Events().WriteTo(path, &error)) {
        m_lblSaveStatus->setText(QStringLiteral("Saved %1 entries to %2")
                                     .arg(count)
                                     .arg(QDir::toNativeSeparators(path)));
        return true;
    }
    const QString text = QStringLiteral("The log could not be saved to %1: %2")
                             .arg(QDir::toNativeSeparators(path), error);
    m_lblSaveStatus->setText(text);
    if (m_panel.Boxes())
        m_panel.Boxes()->Critical(QStringLiteral("Clock Monitor"), text);
    return false;
}

} // namespace tarvo
