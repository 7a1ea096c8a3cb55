#pragma once

#include <QString>

#include <functional>

namespace velt {

// The operations the viewer uses on its embedded player, and nothing else. Sizes are twips.
class MediaPlayer
{
public:
    // Display sizes.
    static constexpr int kOwnSize = 0;
    static constexpr int kDoubleSize = 2;
    static constexpr int kFitToControl = 4;
    static constexpr int kHalfScreen = 7;

    // Switches the callers write; only the values are fixed, their effect is the player's.
    static constexpr int kFlag24 = 24;
    static constexpr int kFlag1021 = 1021;
    static constexpr int kFlag1108 = 1108;

    virtual ~MediaPlayer() = default;

    // A full path loads the file (returning once it is loaded or refused), "" unloads.
    // Reading back right after a load gives "" when the player refused the file.
    virtual void setFileName(const QString &path) = 0;
    virtual QString fileName() const = 0;

    // Reads back exactly the double that was set.
    virtual void setRate(double rate) = 0;
    virtual double rate() const = 0;

    virtual void setDisplaySize(int mode) = 0;
    virtual int displaySize() const = 0;
    virtual void setAutoSize(bool on) = 0;
    virtual bool autoSize() const = 0;

    virtual int widthTwips() const = 0;
    virtual int heightTwips() const = 0;
    virtual void setWidthTwips(int twips) = 0;
    virtual void setHeightTwips(int twips) = 0;

    // Playback stops; the file stays loaded.
    virtual void stop() = 0;

    virtual void setFlag(int id, bool value) = 0;
    virtual bool flag(int id) const = 0;

    // Called when a file opens or playback starts: the viewer applies its chosen rate again.
    void setNotificationHandler(std::function<void()> handler) { m_notify = std::move(handler); }

protected:
    void notify()
    {
        if (m_notify)
            m_notify();
    }

private:
    std::function<void()> m_notify;
};

} // namespace velt
