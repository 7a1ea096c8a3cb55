#include "platform/qtmediaplayer.h"

#include "platform/namebytes.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QMediaDevices>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>

#include <climits>
#include <cmath>
#include <utility>

namespace velt {

namespace {

constexpr int kTwipsPerPixel = 15;

int pixelsFromTwips(int twips)
{
    return std::max(0, int(std::lround(twips / double(kTwipsPerPixel))));
}

// The backend has decided about the file it was given: taken, or refused.
bool statusSettled(QMediaPlayer::MediaStatus status)
{
    switch (status) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
    case QMediaPlayer::EndOfMedia:
    case QMediaPlayer::InvalidMedia:
        return true;
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::LoadingMedia:
    case QMediaPlayer::StalledMedia:
        break;
    }
    return false;
}

// A sound, or nothing loaded, shows an empty black area.
void paintBlack(QWidget *area)
{
    area->setObjectName(QStringLiteral("videoArea"));
    QPalette black = area->palette();
    black.setColor(QPalette::Window, Qt::black);
    area->setPalette(black);
    area->setAutoFillBackground(true);
}

} // namespace

void preferFfmpegMediaBackend()
{
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
}

QSize displayPictureSize(int mode, QSize movie, QSize current, QSize screen)
{
    if (movie.isEmpty())
        return current;
    switch (mode) {
    case MediaPlayer::kOwnSize:
        return movie;
    case MediaPlayer::kDoubleSize:
        return movie * 2;
    case MediaPlayer::kHalfScreen:
        if (screen.isEmpty())
            return current;
        return movie.scaled(screen / 2, Qt::KeepAspectRatio);
    default:
        return current;
    }
}

QtMediaPlayer::QtMediaPlayer(QWidget *parent) : QWidget(parent)
{
    // Before the first multimedia object: Qt picks its backend once.
    preferFfmpegMediaBackend();
    setObjectName(QStringLiteral("MediaPlayer1"));

    m_blank = new QWidget(this);
    paintBlack(m_blank);

    m_transport = new QWidget(this);
    m_transport->setObjectName(QStringLiteral("transportRow"));
    m_playButton = new QToolButton(m_transport);
    m_playButton->setObjectName(QStringLiteral("playButton"));
    m_stopButton = new QToolButton(m_transport);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_stopButton->setToolTip(tr("停止"));
    m_position = new QSlider(Qt::Horizontal, m_transport);
    m_position->setObjectName(QStringLiteral("positionSlider"));
    m_position->setToolTip(tr("再生位置"));
    m_position->setRange(0, 0);
    m_volume = new QSlider(Qt::Horizontal, m_transport);
    m_volume->setObjectName(QStringLiteral("volumeSlider"));
    m_volume->setToolTip(tr("音量"));
    m_volume->setRange(0, 100);
    m_volume->setValue(100);
    m_volume->setMaximumWidth(70);

    auto *row = new QHBoxLayout(m_transport);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    row->addWidget(m_playButton);
    row->addWidget(m_stopButton);
    row->addWidget(m_position, 1);
    row->addWidget(m_volume);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The window lays the player out in twips and sizes it exactly, also below the row's hint.
    column->setSizeConstraint(QLayout::SetNoConstraint);
    column->addWidget(m_blank, 1);
    column->addWidget(m_transport);

    connect(m_playButton, &QToolButton::clicked, this, &QtMediaPlayer::togglePlayback);
    connect(m_stopButton, &QToolButton::clicked, this, &QtMediaPlayer::stop);
    connect(m_position, &QSlider::actionTriggered, this, [this] {
        if (m_player)
            m_player->setPosition(m_position->sliderPosition());
    });
    connect(m_volume, &QSlider::valueChanged, this, [this](int value) {
        if (m_audio)
            m_audio->setVolume(float(value) / 100.0f);
    });
    updateTransport();
}

QtMediaPlayer::~QtMediaPlayer()
{
    if (!m_player)
        return;
    // The backend's threads go first, while the video area they draw into still exists.
    m_player->stop();
    delete m_player;
}

void QtMediaPlayer::createPipeline()
{
    if (m_player)
        return;
    m_video = new QVideoWidget(this);
    paintBlack(m_video);
    // In the black area's place, with its stretch.
    delete layout()->replaceWidget(m_blank, m_video);
    delete std::exchange(m_blank, nullptr);
    m_video->show();

    m_player = new QMediaPlayer(this);
    m_player->setVideoOutput(m_video);
    m_player->setPlaybackRate(m_rate);
    attachAudioOutput();
    auto *devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioOutputsChanged, this, &QtMediaPlayer::attachAudioOutput);

    connect(m_player, &QMediaPlayer::durationChanged, this,
            [this](qint64 ms) { m_position->setRange(0, int(std::min<qint64>(ms, INT_MAX))); });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        if (!m_position->isSliderDown())
            m_position->setValue(int(std::min<qint64>(ms, INT_MAX)));
    });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) {
                updateTransport();
                // The backend may start at its own rate: the viewer applies its chosen one.
                if (state == QMediaPlayer::PlayingState)
                    notify();
            });
}

void QtMediaPlayer::attachAudioOutput()
{
    // With ffmpeg, play() crashes when an output is attached but no device exists.
    const bool haveDevice = !QMediaDevices::audioOutputs().isEmpty();
    if (haveDevice && !m_audio) {
        m_audio = new QAudioOutput(this);
        m_audio->setVolume(float(m_volume->value()) / 100.0f);
        m_player->setAudioOutput(m_audio);
    } else if (!haveDevice && m_audio) {
        m_player->setAudioOutput(nullptr);
        delete m_audio;
        m_audio = nullptr;
    }
    m_volume->setEnabled(m_audio != nullptr);
}

void QtMediaPlayer::setFileName(const QString &path)
{
    unload();
    // The ffmpeg backend opens the file in this thread: a pipe or a device would block it for
    // good, so only regular files are handed over.
    if (path.isEmpty() || !fileStatus(path).regular)
        return;
    // The backends take a URL, which cannot carry bytes that are not UTF-8 to the file system.
    QUrl source = QUrl::fromLocalFile(path);
    if (hasEscapedBytes(path)) {
        if (!openRegularFile(path, m_openedByBytes))
            return;
        source = QUrl::fromLocalFile(descriptorPath(m_openedByBytes.handle()));
    }
    createPipeline();

    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, &loop,
            [&loop](QMediaPlayer::MediaStatus status) {
                if (statusSettled(status))
                    loop.quit();
            });
    // error() keeps the last load's error, so only errors of this load count. With ffmpeg an
    // unreadable file still reaches LoadedMedia, after an error.
    bool failed = false;
    connect(m_player, &QMediaPlayer::errorOccurred, &loop, [&loop, &failed] {
        failed = true;
        loop.quit();
    });
    m_player->setSource(source);
    if (!failed && !statusSettled(m_player->mediaStatus())) {
        QPointer<QtMediaPlayer> alive(this);
        timeout.start(m_loadTimeoutMs);
        // User input waits, so no button can act on a half-loaded player.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!alive)
            return;
    }
    const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
    if (failed || !statusSettled(status) || status == QMediaPlayer::InvalidMedia) {
        unload();
        return;
    }
    m_fileName = path;
    m_player->setPlaybackRate(m_rate);
    updateTransport();
    notify();
}

void QtMediaPlayer::unload()
{
    if (m_player) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
    m_openedByBytes.close();
    m_fileName.clear();
    m_position->setRange(0, 0);
    updateTransport();
}

void QtMediaPlayer::setRate(double rate)
{
    // The interface has no way to report a refusal; a rate that cannot play is not taken.
    if (!std::isfinite(rate) || rate <= 0)
        return;
    m_rate = rate;
    if (m_player)
        m_player->setPlaybackRate(rate);
}

QSize QtMediaPlayer::movieSize() const
{
    if (m_fileName.isEmpty() || !m_player || !m_player->hasVideo())
        return QSize();
    const QSize fromMetaData = m_player->metaData().value(QMediaMetaData::Resolution).toSize();
    if (!fromMetaData.isEmpty())
        return fromMetaData;
    return m_video->videoSink() ? m_video->videoSink()->videoSize() : QSize();
}

void QtMediaPlayer::setDisplaySize(int mode)
{
    m_displaySize = mode;
    if (!m_autoSize)
        return;
    const int rowHeight = m_transport->sizeHint().height();
    const QSize current(width(), std::max(0, height() - rowHeight));
    const QSize screenSize = screen() ? screen()->size() : QSize();
    const QSize picture = displayPictureSize(mode, movieSize(), current, screenSize);
    resize(picture.width(), picture.height() + rowHeight);
}

int QtMediaPlayer::widthTwips() const
{
    return width() * kTwipsPerPixel;
}

int QtMediaPlayer::heightTwips() const
{
    return height() * kTwipsPerPixel;
}

void QtMediaPlayer::setWidthTwips(int twips)
{
    resize(pixelsFromTwips(twips), height());
}

void QtMediaPlayer::setHeightTwips(int twips)
{
    resize(width(), pixelsFromTwips(twips));
}

void QtMediaPlayer::stop()
{
    if (m_player)
        m_player->stop();
}

void QtMediaPlayer::togglePlayback()
{
    if (!m_player)
        return;
    if (m_player->playbackState() == QMediaPlayer::PlayingState)
        m_player->pause();
    else if (!m_fileName.isEmpty())
        m_player->play();
}

void QtMediaPlayer::updateTransport()
{
    const bool playing = m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
    m_playButton->setIcon(
            style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playButton->setToolTip(playing ? tr("一時停止") : tr("再生"));
    const bool loaded = !m_fileName.isEmpty();
    m_playButton->setEnabled(loaded);
    m_stopButton->setEnabled(loaded);
    m_position->setEnabled(loaded);
}

} // namespace velt
