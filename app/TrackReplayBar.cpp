#include "app/TrackReplayBar.h"

#include "app/TrackHistory.h"
#include "dialogs/StationMessage.h"
#include "dialogs/TrackExporter.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

QPushButton* makeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TrackReplayBar::TrackReplayBar(TrackHistory& history, QWidget* parent)
    : QWidget(parent), m_history(history)
{
    setObjectName(QStringLiteral("replayBar"));
    setAutoFillBackground(true);
    m_play = makeButton(QStringLiteral("Play"), "replayPlay", this);
    m_pace = new QComboBox(this);
    m_pace->setObjectName(QStringLiteral("replayPace"));
    m_pace->setFocusPolicy(Qt::NoFocus);
    for (int pace = 1; pace <= 64; pace *= 2)
        m_pace->addItem(QStringLiteral("x%1").arg(pace), pace);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("replaySlider"));
    m_slider->setRange(0, sliderSteps);
    m_slider->setFocusPolicy(Qt::NoFocus);
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("replayTime"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("replayTitle"));
    // The title holds the vehicle's name as its recorder sent it: never markup.
    m_title->setTextFormat(Qt::PlainText);
    // At most as wide as the (elided) text: the spare width is the slider's.
    // Nor may the whole name set the bar's least width (which would push the
    // bar past the window before the name is elided to fit it).
    m_title->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    m_title->setMinimumWidth(1);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("replayNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_gpx = makeButton(QStringLiteral("GPX..."), "exportGpx", this);
    m_kml = makeButton(QStringLiteral("KML..."), "exportKml", this);
    m_live = makeButton(QStringLiteral("Live"), "replayLive", this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(m_play);
    layout->addWidget(m_pace);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_time);
    layout->addWidget(m_title);
    layout->addWidget(m_note);
    layout->addWidget(m_gpx);
    layout->addWidget(m_kml);
    layout->addWidget(m_live);

    connect(m_play, &QPushButton::clicked, this, [this] {
        if (m_history.isPlaying())
            m_history.pause();
        else
            m_history.play();
        refresh();
    });
    connect(m_pace, &QComboBox::currentIndexChanged, this,
            [this] { m_history.setPace(m_pace->currentData().toInt()); });
    // Dragging and clicking the groove both move the replay; the history's
    // own moves set the slider with its signals blocked.
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        const double span = m_history.endTime() - m_history.startTime();
        m_history.seek(m_history.startTime() + span * value / sliderSteps);
    });
    connect(m_gpx, &QPushButton::clicked, this, [this] { chooseExport(true); });
    connect(m_kml, &QPushButton::clicked, this, [this] { chooseExport(false); });
    connect(m_live, &QPushButton::clicked, this, [this] { m_history.live(); });
    connect(&m_history, &TrackHistory::changed, this, &TrackReplayBar::refresh);
    connect(&m_history, &TrackHistory::moved, this, &TrackReplayBar::showTime);
    refresh();
}

void TrackReplayBar::refresh()
{
    const bool ready =
        !m_history.isLoading() && m_history.isComplete() && !m_history.points().empty();
    for (QWidget* control : {static_cast<QWidget*>(m_play), static_cast<QWidget*>(m_slider),
                             static_cast<QWidget*>(m_gpx), static_cast<QWidget*>(m_kml)})
        control->setEnabled(ready);
    m_play->setText(m_history.isPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play"));
    // Until the bar is laid out its width says nothing: the whole name, elided
    // at the first resize.
    showTitle(testAttribute(Qt::WA_PendingResizeEvent) ? -1 : width());
    m_note->setText(m_history.replayNote());
    m_note->setVisible(!m_note->text().isEmpty());
    showTime();
}

void TrackReplayBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    showTitle(event->size().width());
}

void TrackReplayBar::showTitle(int barWidth)
{
    const QString name = m_history.isShown() ? m_history.vehicleName() : QString();
    m_title->setText(name);
    if (barWidth >= 0) {
        // Elided text can come out wider than asked (and the label adds to
        // it): narrowed by the excess until the label fits its share.
        const int budget = barWidth / titleShare;
        for (int room = budget; room > 0;) {
            const int over = m_title->sizeHint().width() - budget;
            if (over <= 0)
                break;
            m_title->setText(m_title->fontMetrics().elidedText(name, Qt::ElideRight, room));
            room -= std::max(1, m_title->sizeHint().width() - budget);
        }
    }
    m_title->setToolTip(m_title->text() == name ? QString() : name);
}

void TrackReplayBar::showTime()
{
    if (m_history.points().empty()) {
        m_time->clear();
        return;
    }
    const double span = m_history.endTime() - m_history.startTime();
    const double offset = m_history.now() - m_history.startTime();
    {
        const QSignalBlocker blocker(m_slider);
        m_slider->setValue(span > 0 ? static_cast<int>(std::lround(offset / span * sliderSteps))
                                    : 0);
    }
    m_time->setText(QString::fromStdString(
        formatTrackTime(static_cast<std::int64_t>(std::floor(m_history.now())))));
    m_play->setText(m_history.isPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

void TrackReplayBar::chooseExport(bool gpx)
{
    const QString path = QFileDialog::getSaveFileName(
        this, gpx ? QStringLiteral("Export GPX") : QStringLiteral("Export KML"),
        gpx ? QStringLiteral("track.gpx") : QStringLiteral("track.kml"),
        gpx ? QStringLiteral("GPX File(*.gpx)") : QStringLiteral("KML File(*.kml)"));
    if (!path.isEmpty())
        exportTrack(path, gpx);
}

bool TrackReplayBar::exportTrack(const QString& path, bool gpx)
{
    QString error;
    if (TrackExporter::save(path, gpx ? TrackExporter::Format::Gpx : TrackExporter::Format::Kml,
                            m_history.title(), m_history.points(), error))
        return true;
    showStationMessage(this,
                       QStringLiteral("The track could not be written to %1: %2").arg(path, error),
                       QMessageBox::Warning);
    return false;
}

} // namespace corvane
