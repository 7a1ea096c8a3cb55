#pragma once

#include "platform/mediaplayer.h"

#include <QFile>
#include <QMap>
#include <QSize>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QSlider;
class QToolButton;
class QVideoWidget;

namespace velt {

// Chooses the ffmpeg backend of Qt Multimedia unless QT_MEDIA_BACKEND is already set: it loads
// in tens of milliseconds and plays MPEG-1 at full rate. Call before the QApplication exists.
void preferFfmpegMediaBackend();

// The picture area for a display size, in pixels. movie is the movie's own size (empty for a
// sound or when unknown), current the present picture area, screen the screen's size. Own and
// double size follow the movie; fit-to-control keeps the current area; half screen fits the
// movie's shape into half the screen's width and height. Without a movie picture, and for an
// unknown mode, the current area is kept.
QSize displayPictureSize(int mode, QSize movie, QSize current, QSize screen);

// The embedded player: a video area with its own transport row (play/pause, stop, position,
// volume) below it. Object name "MediaPlayer1". Works without any sound device: then it plays
// silently and the volume slider is disabled.
// The video surface, the backend and the sound output are made when the first file is loaded:
// the surface opens OpenGL and the backend loads its codec libraries, tens of megabytes that a
// user who only looks at pictures never needs. Until then the area is an empty black one, and
// the volume slider keeps its value for the output to come.
class QtMediaPlayer : public QWidget, public MediaPlayer
{
    Q_OBJECT
public:
    explicit QtMediaPlayer(QWidget *parent = nullptr);
    ~QtMediaPlayer() override;

    void setFileName(const QString &path) override;
    QString fileName() const override { return m_fileName; }

    void setRate(double rate) override;
    double rate() const override { return m_rate; }

    void setDisplaySize(int mode) override;
    int displaySize() const override { return m_displaySize; }
    void setAutoSize(bool on) override { m_autoSize = on; }
    bool autoSize() const override { return m_autoSize; }

    int widthTwips() const override;
    int heightTwips() const override;
    void setWidthTwips(int twips) override;
    void setHeightTwips(int twips) override;

    void stop() override;

    void setFlag(int id, bool value) override { m_flags[id] = value; }
    bool flag(int id) const override { return m_flags.value(id, false); }

    // How long setFileName waits for the backend to take or refuse a file (default 5000 ms).
    void setLoadTimeout(int milliseconds) { m_loadTimeoutMs = milliseconds; }

    // The movie's own size in pixels; empty for a sound or when nothing is loaded.
    QSize movieSize() const;

    // Transport actions, as the row's buttons do them.
    void togglePlayback();

private:
    // Makes the video surface, the backend and the sound output, once.
    void createPipeline();
    void attachAudioOutput();
    void unload();
    void updateTransport();

    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_audio = nullptr;
    QVideoWidget *m_video = nullptr;
    QWidget *m_blank = nullptr; // the video area before the surface exists
    QWidget *m_transport = nullptr;
    QToolButton *m_playButton = nullptr;
    QToolButton *m_stopButton = nullptr;
    QSlider *m_position = nullptr;
    QSlider *m_volume = nullptr;

    QString m_fileName;
    // A file whose name is not UTF-8, held open while it is loaded: the player reads it
    // through its descriptor.
    QFile m_openedByBytes;
    double m_rate = 1.0;
    int m_displaySize = kFitToControl;
    bool m_autoSize = false;
    int m_loadTimeoutMs = 5000;
    QMap<int, bool> m_flags;
};

} // namespace velt
